#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

namespace velmaro {

// The card area of the main window, in a scroll area below the row of controls. It keeps
// the card as a function that draws it (in the window's coordinates, at 100 %) and an image
// of it at the zoom and screen resolution in use: every repaint shows the image, so
// covering the window does not lose the card, and a new zoom or resolution draws the card
// again from its drawing operations, crisp at every size, never scaled as a bitmap. Without
// memory for the image, every repaint draws the card afresh.
//
// For screen readers it is a static text whose value and text are the card's text in reading
// order; a new card, or none, is announced as a change of both.
class CardView final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMinZoom = 50;
    static constexpr int kMaxZoom = 400;

    // Draws the card with painter, whose coordinates are the window's (logical pixels).
    using CardPainter = std::function<void(QPainter& painter)>;
    // The card's text in reading order.
    using CardTextSource = std::function<QString()>;

    explicit CardView(QWidget* parent = nullptr);

    // Shows a new card: area is the part of the window the card covers; paint is called at
    // once (and again for every new zoom or resolution); text is asked only when the card's
    // text is wanted.
    void SetCard(QRect area, CardPainter paint, CardTextSource text);
    // Gives the card's area size (in pixels at 100 %), the card drawn again on it: for a card
    // longer or wider than the area first given.
    void SetCardSize(QSize size);
    // Forgets the card: nothing is painted and the area shrinks to nothing.
    void Clear();

    bool IsEmpty() const { return !paint_; }
    // The card's text in reading order; empty without a card.
    QString CardText() const;

    // Zoom in percent, kept within kMinZoom..kMaxZoom.
    void SetZoom(int percent);
    int Zoom() const { return zoom_; }

  signals:
    // A context menu was asked for (right click, the Menu key or Shift+F10) at globalPos.
    void menuRequested(QPoint globalPos);
    // A key that types or edits a number (a character, Enter, Esc, Backspace, Delete) was
    // pressed while the card had the keys' focus: it belongs to the number's box, and Esc
    // gives the keys back to it.
    void keyForNumber(const QKeyEvent& key);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // With the keys' focus the card shows a frame around the part in sight.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    // The top left corner of the part of the card in sight (the card scrolls), where a menu
    // asked for from the keyboard opens.
    QPoint VisibleCorner() const;
    // The card's size at the current zoom, in logical pixels.
    QSize ZoomedSize() const;
    void FitSize();
    // The size of the image the card is drawn on: the zoomed size, cut to a memory bound.
    QSize ImageSize() const;
    // Draws the card into image_ at the current zoom and resolution; image_ is null when there
    // is no memory for it.
    void DrawImage();
    // Draws the card with painter at the current zoom, its area's corner at the origin.
    void PaintCard(QPainter& painter) const;
    bool ImageIsCurrent() const;
    // Tells an active screen reader that the card's text is now CardText(), where it was the
    // text told before.
    void TellScreenReaders();

    QRect area_;
    CardPainter paint_;
    CardTextSource text_;
    // The card's text once asked for: a screen reader reads it in many small pieces.
    mutable std::optional<QString> cachedText_;
    // The text last told to screen readers.
    QString announcedText_;
    QImage image_;
    int imageZoom_ = 0;
    int zoom_ = 100;
};

// Enlarges or reduces a zoom by one step of the steps offered (50 % ... 400 %); a zoom
// between steps goes to the next step in that direction, and the ends stay where they are.
int NextZoomStep(int percent, bool larger);

}  // namespace velmaro
