#include "ui/card_view.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPen>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <utility>

#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

constexpr std::array<int, 10> kZoomSteps = {50, 67, 75, 90, 100, 125, 150, 200, 300, 400};

// What a screen reader learns of the card area: a static text whose value and whose text are
// the card's, read-only, without a caret or a selection.
class CardViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit CardViewAccessible(CardView* view)
        : QAccessibleWidget(view, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return Card();
        return QAccessibleWidget::text(kind);
    }

    QString text(int startOffset, int endOffset) const override {
        return Card().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(Card().size()); }
    void selection(int /*selectionIndex*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int /*startOffset*/, int /*endOffset*/) override {}
    void removeSelection(int /*selectionIndex*/) override {}
    void setSelection(int /*selectionIndex*/, int /*startOffset*/, int /*endOffset*/) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int /*position*/) override {}
    QRect characterRect(int /*offset*/) const override { return {}; }
    int offsetAtPoint(const QPoint& /*point*/) const override { return -1; }
    void scrollToSubstring(int /*startIndex*/, int /*endIndex*/) override {}
    QString attributes(int /*offset*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

  private:
    QString Card() const { return static_cast<const CardView*>(widget())->CardText(); }
};

QAccessibleInterface* CardViewAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("velmaro::CardView") && object && object->isWidgetType()) {
        return new CardViewAccessible(static_cast<CardView*>(object));
    }
    return nullptr;
}

}  // namespace

int NextZoomStep(int percent, bool larger) {
    if (larger) {
        const auto next = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), percent);
        return next == kZoomSteps.end() ? kZoomSteps.back() : *next;
    }
    const auto atOrAbove = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), percent);
    return atOrAbove == kZoomSteps.begin() ? kZoomSteps.front() : *(atOrAbove - 1);
}

CardView::CardView(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(CardViewAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setObjectName(QStringLiteral("CardView"));
    setAccessibleName(QStringLiteral("Scheda"));
    setAccessibleDescription(QStringLiteral("Scheda della carriera dello studente"));
    setFocusPolicy(Qt::NoFocus);
    FitSize();
}

void CardView::SetCard(QRect area, CardPainter paint, CardTextSource text) {
    area_ = area;
    paint_ = std::move(paint);
    text_ = std::move(text);
    // Reached by Tab, not by a click: a click or the card's menu leaves the keyboard with the
    // number's box.
    setFocusPolicy(Qt::TabFocus);
    // Drawn before the area takes its size: the drawing expands the window first, so the
    // scroll area never sees a card larger than a compact window.
    DrawImage();
    FitSize();
    update();
    TellScreenReaders();
}

void CardView::SetCardSize(QSize size) {
    if (IsEmpty() || size == area_.size()) return;
    area_.setSize(size);
    DrawImage();
    FitSize();
    update();
}

void CardView::Clear() {
    if (IsEmpty()) return;
    paint_ = nullptr;
    text_ = nullptr;
    cachedText_.reset();
    imageZoom_ = 0;
    if (hasFocus()) focusNextChild();
    setFocusPolicy(Qt::NoFocus);
    FitSize();
    update();
    TellScreenReaders();
}

QString CardView::CardText() const {
    if (!text_) return {};
    if (!cachedText_) cachedText_ = text_();
    return *cachedText_;
}

void CardView::TellScreenReaders() {
    if (!QAccessible::isActive()) {
        announcedText_.clear();
        return;
    }
    // The text told last time is what the reader holds: the card's own text source may already
    // read the next card.
    const QString text = CardText();
    QAccessibleTextUpdateEvent textChanged(this, 0, announcedText_, text);
    QAccessible::updateAccessibility(&textChanged);
    QAccessibleValueChangeEvent valueChanged(this, text);
    QAccessible::updateAccessibility(&valueChanged);
    announcedText_ = text;
}

void CardView::SetZoom(int percent) {
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == zoom_) return;
    zoom_ = percent;
    FitSize();
    update();
}

QSize CardView::ZoomedSize() const {
    return IsEmpty() ? QSize(0, 0) : area_.size() * (zoom_ / 100.0);
}

void CardView::FitSize() { setFixedSize(ZoomedSize()); }

bool CardView::ImageIsCurrent() const {
    return imageZoom_ == zoom_ && image_.devicePixelRatio() == devicePixelRatioF() &&
           image_.deviceIndependentSize().toSize() == ImageSize();
}

QSize CardView::ImageSize() const {
    QSize size = ZoomedSize();
    // A card zoomed in on a fine screen can ask for more than a window should hold: below
    // that much of its image, a card of a data fault's length is left blank.
    constexpr double kMostImageBytes = 256.0 * 1024 * 1024;
    const double ratio = devicePixelRatioF();
    const double rowBytes = 4.0 * size.width() * ratio * ratio;
    if (rowBytes > 0 && size.height() * rowBytes > kMostImageBytes) {
        size.setHeight(static_cast<int>(kMostImageBytes / rowBytes));
    }
    return size;
}

void CardView::DrawImage() {
    const qreal ratio = devicePixelRatioF();
    const QSize size = ImageSize();
    if (image_.devicePixelRatio() != ratio || image_.deviceIndependentSize().toSize() != size) {
        // A new image only when the size changes: allocating one costs more than the card.
        image_ = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
        image_.setDevicePixelRatio(ratio);
    }
    imageZoom_ = zoom_;
    // The text follows the card as drawn: a new resolution can wrap a name otherwise.
    cachedText_.reset();
    if (image_.isNull()) {
        // No memory for the image: every repaint draws the card straight onto the area. It is
        // drawn once here all the same, for the window that it expands and the extent it takes,
        // on an image of one pixel at the same resolution.
        QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        SetImageResolution(probe, logicalDpiX(), logicalDpiY());
        QPainter painter(&probe);
        PaintCard(painter);
        return;
    }
    // Fonts measure on the image as on the window: the same logical resolution.
    SetImageResolution(image_, logicalDpiX(), logicalDpiY());
    image_.fill(Qt::transparent);
    QPainter painter(&image_);
    PaintCard(painter);
}

void CardView::PaintCard(QPainter& painter) const {
    painter.scale(zoom_ / 100.0, zoom_ / 100.0);
    painter.translate(-area_.topLeft());
    paint_(painter);
}

void CardView::paintEvent(QPaintEvent* /*event*/) {
    if (IsEmpty()) return;
    if (!ImageIsCurrent()) DrawImage();
    QPainter painter(this);
    if (image_.isNull()) {
        painter.save();
        PaintCard(painter);
        painter.restore();
    } else {
        painter.drawImage(QPointF(0, 0), image_);
    }
    // Where the keys go: the card scrolls with the arrows, Page Up and Down, Home and End.
    if (hasFocus()) {
        constexpr int kFocusWidth = 2;
        const QRect visible = visibleRegion().boundingRect();
        painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusWidth, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            visible.adjusted(kFocusWidth / 2, kFocusWidth / 2, -kFocusWidth / 2, -kFocusWidth / 2));
    }
}

void CardView::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void CardView::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void CardView::moveEvent(QMoveEvent* event) {
    // Scrolled: the focus frame follows the part in sight.
    if (hasFocus()) update();
    QWidget::moveEvent(event);
}

QPoint CardView::VisibleCorner() const {
    const QRegion visible = visibleRegion();
    return visible.isEmpty() ? QPoint(0, 0) : visible.boundingRect().topLeft();
}

void CardView::keyPressEvent(QKeyEvent* event) {
    // The Menu key reaches the card as a context menu event from the platform; Shift+F10,
    // its usual stand-in, comes as a key.
    if (!IsEmpty() && event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        emit menuRequested(mapToGlobal(VisibleCorner()));
        return;
    }
    // Home and End go to the card's top and end, which the scroll area leaves to its child.
    auto* scroller = qobject_cast<QAbstractScrollArea*>(
        parentWidget() ? parentWidget()->parentWidget() : nullptr);
    if (scroller != nullptr && event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)) {
        scroller->verticalScrollBar()->triggerAction(event->key() == Qt::Key_Home
                                                         ? QAbstractSlider::SliderToMinimum
                                                         : QAbstractSlider::SliderToMaximum);
        return;
    }
    // The card takes no typing: a number typed once Tab has brought the keys here goes to the
    // box rather than nowhere. Keys with Ctrl or Alt are shortcuts, and stay.
    const bool shortcut =
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
    const bool edits = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                       event->key() == Qt::Key_Escape || event->key() == Qt::Key_Backspace ||
                       event->key() == Qt::Key_Delete;
    // (Space is left alone: it scrolls in many viewers, and a blank would clear the card.)
    const bool types =
        !event->text().isEmpty() && event->text().at(0).isPrint() && !event->text().at(0).isSpace();
    if (!shortcut && (edits || types)) {
        emit keyForNumber(*event);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CardView::contextMenuEvent(QContextMenuEvent* event) {
    if (IsEmpty()) return;
    const QPoint local =
        event->reason() == QContextMenuEvent::Mouse ? event->pos() : VisibleCorner();
    emit menuRequested(mapToGlobal(local));
    event->accept();
}

}  // namespace velmaro
