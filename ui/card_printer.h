#pragma once

#include <QString>

#include "base/result.h"
#include "lookup/display_flow.h"
#include "render/render_card.h"

class QPrinter;
class QWidget;

namespace velmaro {

// Prints card on printer as one job of one page: "Arial" 10 points, the printer's card frame
// (four empty lines first), origin at the top-left corner of the printable area; the job ends
// after the card. A job that cannot start, or cannot be finished, is an error naming the
// printer (or the output file) and the reason.
Status PrintCardOn(QPrinter& printer, const CardInput& card);

// The print target of the main window: the system's default printer. With no printer
// installed, the user is asked for a file name and the page is saved there as a PDF; a
// cancelled question prints nothing.
class SystemCardPrinter final : public CardPrinter {
  public:
    // dialogParent (may be null) owns the file question while it is open.
    explicit SystemCardPrinter(QWidget* dialogParent) : dialogParent_(dialogParent) {}

    Status PrintCard(const CardInput& card) override;

  private:
    // The PDF file to print to, or an empty text when the user cancels.
    QString AskForPdfFile(const CardInput& card) const;

    QWidget* dialogParent_;
};

// Makes printer (best created with QPrinter::HighResolution) write its pages as a PDF file at
// path, on the page of the card files: A4 with half-inch margins.
void SetUpPdfPrinter(QPrinter& printer, const QString& path);

}  // namespace velmaro
