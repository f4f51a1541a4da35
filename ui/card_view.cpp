#include "ui/card_view.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <utility>

#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

constexpr std::array<int, 10> kZoomSteps = {50, 67, 75, 90, 100, 125, 150, 200, 300, 400};

// What a screen reader learns of the card area: a static text whose value is the card.
class CardViewAccessible final : public QAccessibleWidget {
  public:
    explicit CardViewAccessible(CardView* view)
        : QAccessibleWidget(view, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        const auto* view = static_cast<const CardView*>(widget());
        if (kind == QAccessible::Value) return view->CardText();
        return QAccessibleWidget::text(kind);
    }
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
    setFocusPolicy(Qt::StrongFocus);
    // Drawn before the area takes its size: the drawing expands the window first, so the
    // scroll area never sees a card larger than a compact window.
    DrawImage();
    FitSize();
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, CardText());
        QAccessible::updateAccessibility(&changed);
    }
}

void CardView::SetCardHeight(int height) {
    if (IsEmpty() || height == area_.height()) return;
    area_.setHeight(height);
    DrawImage();
    FitSize();
    update();
}

void CardView::Clear() {
    if (IsEmpty()) return;
    paint_ = nullptr;
    text_ = nullptr;
    imageZoom_ = 0;
    if (hasFocus()) focusNextChild();
    setFocusPolicy(Qt::NoFocus);
    FitSize();
    update();
}

QString CardView::CardText() const { return text_ ? text_() : QString(); }

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
    // Fonts measure on the image as on the window: the same logical resolution.
    SetImageResolution(image_, logicalDpiX(), logicalDpiY());
    image_.fill(Qt::transparent);
    imageZoom_ = zoom_;
    QPainter painter(&image_);
    painter.scale(zoom_ / 100.0, zoom_ / 100.0);
    painter.translate(-area_.topLeft());
    paint_(painter);
}

void CardView::paintEvent(QPaintEvent* /*event*/) {
    if (IsEmpty()) return;
    if (!ImageIsCurrent()) DrawImage();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), image_);
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
