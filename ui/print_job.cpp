#include "ui/print_job.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <optional>

#include "ui/card_page.h"
#include "ui/cups_queue.h"
#include "ui/output_file.h"
#include "ui/painter_surface.h"
#include "ui/qt_text_metrics.h"
#include "ui/spool_folder.h"

namespace velmaro {

namespace {

Status PaintCard(QPaintDevice& device, const std::string& targetName,
                 const std::string& startFailure, const CardInput& card) {
    QPainter painter;
    if (!painter.begin(&device)) return Error{targetName, startFailure};
    // A printer's device is its printable area, but its engine puts what passes the area's
    // edges on the paper, into the border where a printer loses it at a place of its own: the
    // card is cut at the area's edges, as in the card files.
    painter.setClipRect(QRect(0, 0, device.width(), device.height()));
    {
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        RenderCard(surface, card);
    }
    if (!painter.end()) return Error{targetName, "the print job could not be finished"};
    return Ok();
}

constexpr const char* kPdfStartFailure = "the PDF file cannot be written (is the folder writable?)";

// card's printer page written as a PDF file at path through the one output writer, on layout
// at dotsPerInch: a failed write (a full disk) is an error and leaves no partial file, where a
// printer's own PDF engine would report success.
Status WritePdfPage(const QString& path, const QPageLayout& layout, int dotsPerInch,
                    const QString& title, const std::string& target, const CardInput& card) {
    OutputFile file(path);
    // Nothing would end a wait of the window's for a reader of a named pipe: it is refused.
    if (Status opened = file.Open(OutputFile::ReaderWait::kDoNotWait); !opened) return opened;
    QPdfWriter writer(&file);
    writer.setResolution(dotsPerInch);
    writer.setPageLayout(layout);
    writer.setCreator(QString::fromUtf8(kPdfCreator));
    writer.setTitle(title);
    if (Status painted = PaintCard(writer, target, kPdfStartFailure, card); !painted) {
        if (Status failure = file.Failure(); !failure) return failure;
        return painted;
    }
    return file.Commit();
}

// Asks a spooled job for the page the card was laid out on, where neither the dialog nor the
// page layout asked otherwise: a queue's own defaults (landscape, several pages on one sheet)
// would turn or shrink the card on the paper, while the dialog shows it upright and whole.
void AskForTheLaidOutPage(QPrinter& printer) {
    // Qt's CUPS engine passes on the job options it holds under this key, names and values
    // in turn, after its own.
    constexpr auto kCupsOptions = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);
    QPrintEngine* engine = printer.printEngine();
    QStringList options = engine->property(kCupsOptions).toStringList();
    const auto askUnlessAsked = [&](const QString& name, const QString& value) {
        for (qsizetype i = 0; i + 1 < options.size(); i += 2) {
            if (options[i] == name) return;
        }
        options << name << value;
    };
    if (printer.pageLayout().orientation() == QPageLayout::Portrait) {
        askUnlessAsked(QStringLiteral("orientation-requested"), QStringLiteral("3"));
    }
    askUnlessAsked(QStringLiteral("number-up"), QStringLiteral("1"));
    engine->setProperty(kCupsOptions, options);
}

}  // namespace

QString PrintJobTitle(const std::string& matrText) {
    // A job name holding a control character, or longer than a spooler takes, is replaced by
    // the spooler's own ("Untitled"): the job then cannot be found to see whether it printed.
    constexpr qsizetype kLongestNumber = 64;
    QString number;
    for (const QChar c : QString::fromStdString(matrText)) {
        if (c.category() != QChar::Other_Control) number += c;
    }
    if (number.size() > kLongestNumber) {
        // Not between the two halves of a character beyond the first 65,536.
        const qsizetype kept = number.at(kLongestNumber - 2).isHighSurrogate() ? kLongestNumber - 2
                                                                               : kLongestNumber - 1;
        number = number.left(kept) + u'\u2026';
    }
    return QStringLiteral("Velmaro - Matr. ") + number;
}

PageFit CardPdfPageFit(const CardInput& card) {
    QBuffer nowhere;  // a device that carries the page's layout is enough to measure on
    QPdfWriter page(&nowhere);
    page.setResolution(kPdfPageResolution);
    page.setPageLayout(CardPageLayout());
    return CardPageFitOn(page, card);
}

Status WriteCardPdf(const QString& path, const CardInput& card) {
    return WritePdfPage(path, CardPageLayout(), kPdfPageResolution,
                        PrintJobTitle(card.student.MatrText),
                        QDir::toNativeSeparators(path).toStdString(), card);
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

void UseCardPage(QPrinter& printer) {
    const QPrinterInfo info(printer);
    if (const QPageSize paper = info.defaultPageSize(); !info.isNull() && paper.isValid()) {
        printer.setPageSize(paper);
    }
    // Qt refuses margins of which one side is narrower than the printer can print: each side
    // takes the card's margin or the printer's own border, whichever is wider.
    QPageLayout printable = printer.pageLayout();
    printable.setUnits(CardPageLayout().units());
    const QMarginsF card = CardPageLayout().margins();
    const QMarginsF least = printable.minimumMargins();
    printer.setPageMargins(
        QMarginsF(std::max(card.left(), least.left()), std::max(card.top(), least.top()),
                  std::max(card.right(), least.right()), std::max(card.bottom(), least.bottom())),
        CardPageLayout().units());
}

Status PrintCardJob(QPrinter& printer, const CardInput& card) {
    const QString title = PrintJobTitle(card.student.MatrText);
    printer.setDocName(title);
    printer.setCreator(QString::fromUtf8(kPdfCreator));
    const std::string target = PrintTargetName(printer);
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        // A PDF printer's page, on its page layout and resolution.
        return WritePdfPage(printer.outputFileName(), printer.pageLayout(), printer.resolution(),
                            title, target, card);
    }

    const std::string queue = printer.printerName().toStdString();
    // Printed blind, a job the queue refuses would be reported as printed.
    const bool spooled = printer.outputFormat() == QPrinter::NativeFormat && !queue.empty();
    int lastJobBefore = 0;
    if (spooled) {
        if (std::optional<std::string> unavailable = CupsUnavailable()) {
            return Error{target,
                         "the print spooler cannot be asked about the job (" + *unavailable + ")"};
        }
        // Asked first, with a short wait: every other question would wait a minute or more.
        if (std::optional<std::string> why = CupsSpoolerUnreachable()) {
            return Error{target, *why};
        }
        // Qt hands a job for a queue the spooler does not know to nobody, and says nothing.
        if (!CupsKnowsQueue(queue)) {
            return Error{target, "the print service knows no such printer (was it removed?)"};
        }
        if (std::optional<std::string> problem = SpoolFolderProblem()) {
            return Error{target, *problem};
        }
        if (std::optional<std::string> problem = CupsQueueProblem(queue)) {
            return Error{target, *problem};
        }
        lastJobBefore = CupsLastJobId(queue);
        AskForTheLaidOutPage(printer);
    }

    if (Status painted = PaintCard(
            printer, target, "the print job could not be started (is the printer ready?)", card);
        !painted) {
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
