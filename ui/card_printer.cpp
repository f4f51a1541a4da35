#include "ui/card_printer.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "ui/card_page.h"
#include "ui/print_dialogs.h"
#include "ui/print_job.h"

namespace velmaro {

void SetUpPdfPrinter(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(CardPageLayout());
}

Status SystemCardPrinter::PrintCard(const CardInput& card) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        return AskingCardPrinter(AskedDestination::kPdfFile, dialogParent_, dataDir_)
            .PrintCard(card);
    }
    QPrinter printer(QPrinter::HighResolution);
    return PrintCardJob(printer, card);
}

}  // namespace velmaro
