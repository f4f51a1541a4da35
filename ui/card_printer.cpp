#include "ui/card_printer.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <optional>

#include "ui/card_page.h"
#include "ui/cups_queue.h"
#include "ui/print_dialogs.h"
#include "ui/print_job.h"

namespace velmaro {

Status SystemCardPrinter::PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) {
    // Asked first: listing the printers of a print system that is down would keep the window
    // waiting for minutes and find none, and saving a file instead would pass for printing.
    if (std::optional<std::string> why = CupsSpoolerUnreachable()) {
        return Error{"the printer", *why};
    }
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        return AskingCardPrinter(AskedDestination::kPdfFileWithoutPrinter, dialogParent_, dataDir_)
            .PrintCard(card, goOnCutOff);
    }
    // Without a default printer (none set, or the one set was removed) the user picks one:
    // Qt would take the first of the list, another office's printer perhaps.
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        return AskingCardPrinter(AskedDestination::kPrintDialog, dialogParent_, dataDir_, chosen_)
            .PrintCard(card, goOnCutOff);
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    UseCardPage(printer);
    if (!GoesOnPage(CardPageFitOn(printer, card), goOnCutOff)) return Ok();
    return PrintCardJob(printer, card);
}

}  // namespace velmaro
