#include "ui/card_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <utility>

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

void CardView::SetCard(QPicture picture, QRect area, QString text) {
    picture_ = std::move(picture);
    area_ = area;
    text_ = std::move(text);
    empty_ = false;
    setFocusPolicy(Qt::StrongFocus);
    FitSize();
    update();
    QAccessibleValueChangeEvent changed(this, text_);
    QAccessible::updateAccessibility(&changed);
}

void CardView::Clear() {
    if (empty_) return;
    picture_ = QPicture();
    text_.clear();
    empty_ = true;
    if (hasFocus()) focusNextChild();
    setFocusPolicy(Qt::NoFocus);
    FitSize();
    update();
}

void CardView::SetZoom(int percent) {
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == zoom_) return;
    zoom_ = percent;
    FitSize();
    update();
}

void CardView::FitSize() {
    const QSize size = empty_ ? QSize(0, 0) : area_.size() * (zoom_ / 100.0);
    setFixedSize(size);
}

void CardView::paintEvent(QPaintEvent* /*event*/) {
    if (empty_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(zoom_ / 100.0, zoom_ / 100.0);
    painter.translate(-area_.topLeft());
    painter.drawPicture(0, 0, picture_);
}

void CardView::contextMenuEvent(QContextMenuEvent* event) {
    if (empty_) return;
    const QPoint local = event->reason() == QContextMenuEvent::Mouse ? event->pos() : QPoint(0, 0);
    emit menuRequested(mapToGlobal(local));
    event->accept();
}

}  // namespace velmaro
