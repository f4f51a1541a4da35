#include "ui/print_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <optional>

#include "store/data_file_guard.h"
#include "ui/card_files.h"
#include "ui/card_page.h"
#include "ui/card_printer.h"
#include "ui/cups_queue.h"
#include "ui/file_name_text.h"
#include "ui/output_file.h"
#include "ui/print_job.h"
#include "ui/window_caption.h"

namespace velmaro {

namespace {

// Asks where to save a card file, suggesting velmaro-<number>.<suffix> in the home folder
// (the number reduced to letters and digits), in a dialog titled title. An empty text when the
// user cancels.
QString AskForCardFile(QWidget* parent, const CardInput& card, const QString& suffix,
                       const QString& filter, const QString& title) {
    // Whatever was typed, reduced to letters and digits, cannot point the dialog elsewhere.
    QString number;
    for (const QChar c : QString::fromStdString(card.student.MatrText)) {
        if (c.isLetterOrNumber()) number += c;
    }
    const QString name = number.isEmpty() ? QStringLiteral("velmaro.%1").arg(suffix)
                                          : QStringLiteral("velmaro-%1.%2").arg(number, suffix);

    QFileDialog dialog(parent, title, QDir::home().filePath(name), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

constexpr int kImageDotsPerInch = 150;

// Prints card as one job on printer, set up by a dialog; refused when the dialog's "print to
// file" names one of the data files of dataDir.
Status PrintChosenJob(QPrinter& printer, const CardInput& card, const std::string& dataDir) {
    if (!printer.outputFileName().isEmpty()) {
        VELMARO_TRY(RefuseDataFile(dataDir, FileNameBytes(printer.outputFileName())));
    }
    return PrintCardJob(printer, card);
}

// Sets printer up for a print dialog: the printer chosen last (if any, and still installed),
// the card's title and page.
void SetUpForDialog(QPrinter& printer, const CardInput& card, const ChosenPrinter* chosen) {
    if (chosen != nullptr && !chosen->name.isEmpty() &&
        !QPrinterInfo::printerInfo(chosen->name).isNull()) {
        printer.setPrinterName(chosen->name);
    }
    printer.setDocName(PrintJobTitle(card.student.MatrText));
    UseCardPage(printer);  // the dialog's page set-up starts from the card's page
}

// Keeps in chosen the printer of a job printed through a dialog; a file is no printer.
Status KeepChosenPrinter(const QPrinter& printer, ChosenPrinter* chosen, Status printed) {
    if (printed && chosen != nullptr && printer.outputFormat() == QPrinter::NativeFormat &&
        printer.outputFileName().isEmpty()) {
        chosen->name = printer.printerName();
    }
    return printed;
}

Status PrintThroughDialog(QWidget* parent, const CardInput& card, const std::string& dataDir,
                          ChosenPrinter* chosen, const CutOffQuestion& goOnCutOff) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpForDialog(printer, card, chosen);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(DialogTitle("stampa la scheda"));
    // The page is known once the dialog has set the printer, its paper and margins up.
    if (dialog.exec() != QDialog::Accepted || !GoesOnPage(CardPageFitOn(printer, card), goOnCutOff))
        return Ok();
    return KeepChosenPrinter(printer, chosen, PrintChosenJob(printer, card, dataDir));
}

Status ShowPreview(QWidget* parent, const CardInput& card, const std::string& dataDir,
                   ChosenPrinter* chosen, const CutOffQuestion& goOnCutOff) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpForDialog(printer, card, chosen);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(DialogTitle("anteprima di stampa"));
    // The preview paints the page on a recording engine of its own; printing from the dialog
    // paints it again on the printer, as a real job with every check, once the preview's own
    // print or file dialog has set the printer up. That dialog may change the page (another
    // printer's paper): a card the preview showed whole but the printed page cuts off is asked
    // about there, as a print without preview would be.
    Status printed = Ok();
    PageFit previewed;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* target) {
        const bool previewing = target->paintEngine()->type() == QPaintEngine::Picture;
        if (previewing) {
            previewed = CardPageFitOn(*target, card);
        } else if (previewed.Whole() && !GoesOnPage(CardPageFitOn(*target, card), goOnCutOff)) {
            return;
        }
        Status outcome =
            previewing ? PaintCardJob(*target, PrintTargetName(*target), card)
                       : KeepChosenPrinter(*target, chosen, PrintChosenJob(*target, card, dataDir));
        if (!outcome && printed) printed = std::move(outcome);
    });
    dialog.exec();
    return printed;
}

Status SaveAsPdf(QWidget* parent, const CardInput& card, const std::string& dataDir,
                 const QString& title, const CutOffQuestion& goOnCutOff) {
    if (!GoesOnPage(CardPdfPageFit(card), goOnCutOff)) return Ok();
    const QString path =
        AskForCardFile(parent, card, QStringLiteral("pdf"), QStringLiteral("PDF (*.pdf)"), title);
    if (path.isEmpty()) return Ok();
    VELMARO_TRY(RefuseDataFile(dataDir, FileNameBytes(path)));
    return WriteCardPdf(path, card);
}

Status SaveAsImage(QWidget* parent, const CardInput& card, const std::string& dataDir,
                   const CutOffQuestion& goOnCutOff) {
    if (!GoesOnPage(CardPageFit(card), goOnCutOff)) return Ok();
    const QString path =
        AskForCardFile(parent, card, QStringLiteral("png"), QStringLiteral("PNG (*.png)"),
                       DialogTitle("salva la scheda come immagine"));
    if (path.isEmpty()) return Ok();
    VELMARO_TRY(RefuseDataFile(dataDir, FileNameBytes(path)));
    // Nothing would end a wait of the window's for a reader of a named pipe: it is refused.
    OutputFile file(path);
    VELMARO_TRY(file.Open(OutputFile::ReaderWait::kDoNotWait));
    return WritePngCard(file, kImageDotsPerInch, card);
}

}  // namespace

Status AskingCardPrinter::PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) {
    // The dialogs list the printers first: a print service that does not answer would keep the
    // window waiting for a minute or more.
    if (destination_ == AskedDestination::kPrintDialog ||
        destination_ == AskedDestination::kPreview) {
        if (std::optional<std::string> why = CupsSpoolerUnreachable()) {
            return Error{"the printer", *why};
        }
    }
    switch (destination_) {
        case AskedDestination::kPrintDialog:
            return PrintThroughDialog(parent_, card, dataDir_, chosen_, goOnCutOff);
        case AskedDestination::kPreview:
            return ShowPreview(parent_, card, dataDir_, chosen_, goOnCutOff);
        case AskedDestination::kPdfFile:
            return SaveAsPdf(parent_, card, dataDir_, DialogTitle("salva la scheda come PDF"),
                             goOnCutOff);
        case AskedDestination::kPdfFileWithoutPrinter:
            return SaveAsPdf(parent_, card, dataDir_,
                             DialogTitle("nessuna stampante installata: salva la scheda come PDF"),
                             goOnCutOff);
        case AskedDestination::kImageFile:
            return SaveAsImage(parent_, card, dataDir_, goOnCutOff);
    }
    return Ok();
}

}  // namespace velmaro
