#include "ui/print_job.h"

#include <QDir>
#include <QPainter>
#include <QPrinter>

#include <optional>

#include "ui/cups_queue.h"
#include "ui/painter_surface.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

bool IsSpooled(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty();
}

std::string JobStartFailure(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        return "the PDF file cannot be written (is the folder writable?)";
    }
    return "the print job could not be started (is the printer ready?)";
}

Status PaintCard(QPaintDevice& device, const std::string& targetName,
                 const std::string& startFailure, const CardInput& card) {
    QPainter painter;
    if (!painter.begin(&device)) return Error{targetName, startFailure};
    {
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        RenderCard(surface, card);
    }
    if (!painter.end()) return Error{targetName, "the print job could not be finished"};
    return Ok();
}

}  // namespace

QString PrintJobTitle(const std::string& matrText) {
    return QStringLiteral("Velmaro \u2013 Matr. ") + QString::fromStdString(matrText);
}

std::string PrintTargetName(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        return QDir::toNativeSeparators(printer.outputFileName()).toStdString();
    }
    const QString name = printer.printerName();
    return name.isEmpty() ? std::string("the printer") : "printer " + name.toStdString();
}

Status PaintCardJob(QPaintDevice& device, const std::string& targetName, const CardInput& card) {
    return PaintCard(device, targetName, "the print job could not be started", card);
}

Status PrintCardJob(QPrinter& printer, const CardInput& card) {
    const QString title = PrintJobTitle(card.student.MatrText);
    printer.setDocName(title);
    printer.setCreator(QString::fromUtf8(kPdfCreator));
    const std::string target = PrintTargetName(printer);

    const std::string queue = printer.printerName().toStdString();
    const bool spooled = IsSpooled(printer) && CupsKnowsQueue(queue);
    int lastJobBefore = 0;
    if (spooled) {
        if (std::optional<std::string> problem = CupsQueueProblem(queue)) {
            return Error{target, *problem};
        }
        lastJobBefore = CupsLastJobId(queue);
    }

    if (Status painted = PaintCard(printer, target, JobStartFailure(printer), card); !painted) {
        return painted;
    }
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted) {
        return Error{target, "the printer reported an error"};
    }
    if (spooled) {
        if (std::optional<std::string> problem =
                CupsJobProblem(queue, lastJobBefore, title.toStdString())) {
            return Error{target, *problem};
        }
    }
    return Ok();
}

}  // namespace velmaro
