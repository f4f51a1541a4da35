#pragma once

#include <QPicture>
#include <QRect>
#include <QString>
#include <QWidget>

namespace velmaro {

// The card area of the main window: it keeps the card drawn by the last display as a
// picture of drawing operations (vector, not pixels) and paints it again, at the zoom
// chosen, on every repaint; so covering the window does not lose the card, and every zoom
// and screen resolution is drawn crisp. It sits in a scroll area below the row of controls.
//
// For screen readers it is a static text whose value is the card's text in reading order.
class CardView final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMinZoom = 50;
    static constexpr int kMaxZoom = 400;

    explicit CardView(QWidget* parent = nullptr);

    // Takes the drawing of a new card: picture was drawn in the window's coordinates (logical
    // pixels) and area is the part of the window it covers; text is its reading-order text.
    void SetCard(QPicture picture, QRect area, QString text);
    // Forgets the card: nothing is painted and the area shrinks to nothing.
    void Clear();

    bool IsEmpty() const { return empty_; }
    const QString& CardText() const { return text_; }
    const QPicture& Picture() const { return picture_; }

    // Zoom in percent, kept within kMinZoom..kMaxZoom; the card is laid out once at 100 %
    // and the drawing scaled as vectors.
    void SetZoom(int percent);
    int Zoom() const { return zoom_; }

  signals:
    // A context menu was asked for (right click or the Menu key) at globalPos.
    void menuRequested(QPoint globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void FitSize();

    QPicture picture_;
    QRect area_;
    QString text_;
    bool empty_ = true;
    int zoom_ = 100;
};

// Enlarges or reduces a zoom by one step of the steps offered (50 % ... 400 %); a zoom
// between steps goes to the next step in that direction, and the ends stay where they are.
int NextZoomStep(int percent, bool larger);

}  // namespace velmaro
