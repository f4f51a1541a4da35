#pragma once

#include <QString>

#include <string>

#include "base/result.h"
#include "lookup/display_flow.h"

class QWidget;

namespace velmaro {

// The card's destinations that ask the user first.
enum class AskedDestination {
    kPrintDialog,  // the standard print dialog (printer, copies, page set-up), then one job
    kPreview,      // the print preview of the card's page; printing from it asks in a print dialog
    kPdfFile,      // a file name (velmaro-<number>.pdf in the home folder), then the page as PDF
    kPdfFileWithoutPrinter,  // as kPdfFile, for a print with no printer installed: the
                             // question says so
    kImageFile,              // a file name (velmaro-<number>.png), then the page as a 150-dpi PNG
};

// The printer last chosen in a print dialog of the window, which the next print dialog
// offers first: an office that prints all day on a printer other than the default (or with no
// default set) chooses it once.
struct ChosenPrinter {
    QString name;  // empty until a job was printed through a dialog
};

// A CardPrinter for one asking destination, so that the window's print flow decides once
// whether there is a card to print. A dialog the user cancels prints nothing and is a
// success. A card longer than its page is asked about once the page is known: after the print
// dialog (its paper and margins), before the file dialogs (the card files' page). The preview,
// which shows the page cut off or whole, asks only when its own print dialog chose a page (another
// printer's paper) that cuts off a card it showed whole. Dialogs are modal, owned by parent (may be
// null) and carry the window's caption. A file chosen (a PDF or an image, or printing to a file)
// that is one of the data files of dataDir is an error, and nothing is written. The print dialog
// and the preview's offer the printer of chosen (when given and still installed), and keep there
// the printer of a job printed through them.
class AskingCardPrinter final : public CardPrinter {
  public:
    // dataDir and chosen must outlive the printer.
    AskingCardPrinter(AskedDestination destination, QWidget* parent, const std::string& dataDir,
                      ChosenPrinter* chosen = nullptr)
        : destination_(destination), parent_(parent), dataDir_(dataDir), chosen_(chosen) {}
    Status PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) override;

  private:
    AskedDestination destination_;
    QWidget* parent_;
    const std::string& dataDir_;
    ChosenPrinter* chosen_;
};

}  // namespace velmaro
