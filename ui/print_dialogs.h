#pragma once

#include <QString>

#include "base/result.h"
#include "lookup/display_flow.h"

class QWidget;

namespace velmaro {

// The card's destinations that ask the user first, each a CardPrinter so that the window's
// print flow decides once whether there is a card to print. A dialog the user cancels prints
// nothing and is a success. Dialogs are modal, owned by parent (may be null) and carry the
// window's caption.

// A card destination whose dialogs belong to a parent window (may be null).
class ParentedCardPrinter : public CardPrinter {
  public:
    explicit ParentedCardPrinter(QWidget* parent) : parent_(parent) {}

  protected:
    QWidget* Parent() const { return parent_; }

  private:
    QWidget* parent_;
};

// The standard print dialog (printer, copies, page set-up); the card is printed where the
// user chose, as one job (see PrintCardJob).
class DialogCardPrinter final : public ParentedCardPrinter {
  public:
    using ParentedCardPrinter::ParentedCardPrinter;
    Status PrintCard(const CardInput& card) override;
};

// The print preview of the card's page; printing from it prints that page.
class PreviewCardPrinter final : public ParentedCardPrinter {
  public:
    using ParentedCardPrinter::ParentedCardPrinter;
    Status PrintCard(const CardInput& card) override;
};

// Asks for a file name (suggested: velmaro-<number>.pdf in the home folder) and saves the
// card's page there as a PDF.
class PdfFileCardPrinter final : public ParentedCardPrinter {
  public:
    using ParentedCardPrinter::ParentedCardPrinter;
    Status PrintCard(const CardInput& card) override;
};

// Asks for a file name (suggested: velmaro-<number>.png) and saves the card's page there as a
// PNG image at 150 dpi.
class ImageFileCardPrinter final : public ParentedCardPrinter {
  public:
    using ParentedCardPrinter::ParentedCardPrinter;
    Status PrintCard(const CardInput& card) override;
};

// Asks where to save a card file, suggesting velmaro-<number>.<suffix> in the home folder
// (the number reduced to letters and digits). An empty text when the user cancels.
QString AskForCardFile(QWidget* parent, const CardInput& card, const QString& suffix,
                       const QString& filter);

}  // namespace velmaro
