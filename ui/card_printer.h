#pragma once

#include <QString>

#include <string>

#include "base/result.h"
#include "lookup/display_flow.h"
#include "render/render_card.h"
#include "ui/print_dialogs.h"

class QPrinter;
class QWidget;

namespace velmaro {

// The print target of the main window's "&Stampa": the system's default printer, at once,
// as one job on the paper it holds (see PrintCardJob). With printers but no default, the
// print dialog asks which. With no printer installed, the user is asked for a file name and
// the page is saved there as a PDF (not over a data file of dataDir); a cancelled question
// prints nothing. A card longer than the page it would go on is printed only when the
// question answers so. A print service that does not answer is an error.
class SystemCardPrinter final : public CardPrinter {
  public:
    // dialogParent (may be null) owns the questions while they are open; the print dialog
    // offers the printer of chosen (may be null) and keeps the one chosen there. dataDir and
    // chosen must outlive the printer.
    SystemCardPrinter(QWidget* dialogParent, const std::string& dataDir,
                      ChosenPrinter* chosen = nullptr)
        : dialogParent_(dialogParent), dataDir_(dataDir), chosen_(chosen) {}

    Status PrintCard(const CardInput& card, const CutOffQuestion& goOnCutOff) override;

  private:
    QWidget* dialogParent_;
    const std::string& dataDir_;
    ChosenPrinter* chosen_;
};

}  // namespace velmaro
