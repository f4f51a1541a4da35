#include "ui/card_printer.h"

#include <QDir>
#include <QFileDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "ui/card_page.h"
#include "ui/painter_surface.h"
#include "ui/qt_text_metrics.h"
#include "ui/window_caption.h"

namespace velmaro {

namespace {

// What a print error names: the output file of a PDF printer, else the printer.
std::string PrintTargetName(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        return QDir::toNativeSeparators(printer.outputFileName()).toStdString();
    }
    const QString name = printer.printerName();
    return name.isEmpty() ? std::string("the printer") : "printer " + name.toStdString();
}

std::string JobStartFailure(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        return "the PDF file cannot be written (is the folder writable?)";
    }
    return "the print job could not be started (is the printer ready?)";
}

}  // namespace

Status PrintCardOn(QPrinter& printer, const CardInput& card) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return Error{PrintTargetName(printer), JobStartFailure(printer)};
    }
    {
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        RenderCard(surface, card);
    }
    if (!painter.end()) {
        return Error{PrintTargetName(printer), "the print job could not be finished"};
    }
    return Ok();
}

void SetUpPdfPrinter(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(CardPageLayout());
}

Status SystemCardPrinter::PrintCard(const CardInput& card) {
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        const QString path = AskForPdfFile(card);
        if (path.isEmpty()) return Ok();
        SetUpPdfPrinter(printer, path);
    }
    return PrintCardOn(printer, card);
}

QString SystemCardPrinter::AskForPdfFile(const CardInput& card) const {
    // The suggested name carries the student's number, reduced to letters and digits so that
    // whatever was typed cannot point the dialog elsewhere.
    QString number;
    for (const QChar c : QString::fromStdString(card.student.MatrText)) {
        if (c.isLetterOrNumber()) number += c;
    }
    const QString suggested =
        QDir::home().filePath(number.isEmpty() ? QStringLiteral("velmaro.pdf")
                                               : QStringLiteral("velmaro-%1.pdf").arg(number));

    QFileDialog dialog(dialogParent_, QString::fromUtf8(kWindowCaption), suggested,
                       QStringLiteral("PDF (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace velmaro
