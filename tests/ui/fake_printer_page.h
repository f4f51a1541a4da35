#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPointF>
#include <QString>

#include <map>
#include <vector>

namespace velmaro {

struct DrawnText {
    QPointF baseline;
    QString text;
    QFont font;
};

// A paint engine that draws nothing, keeps the text it is given and fails where told. Lines
// and ellipses come as polygons and paths.
class FakeEngine final : public QPaintEngine {
  public:
    FakeEngine(bool beginWorks, bool endWorks)
        : QPaintEngine(QPaintEngine::AllFeatures), beginWorks_(beginWorks), endWorks_(endWorks) {}

    bool begin(QPaintDevice*) override { return beginWorks_; }
    bool end() override { return endWorks_; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        texts.push_back({p, item.text(), item.font()});
    }
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    Type type() const override { return QPaintEngine::User; }

    std::vector<DrawnText> texts;

  private:
    bool beginWorks_;
    bool endWorks_;
};

// A 600-dpi A4 page that paints through a FakeEngine.
class FakePrinterPage final : public QPaintDevice {
  public:
    FakePrinterPage(bool beginWorks, bool endWorks) : engine_(beginWorks, endWorks) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    const std::vector<DrawnText>& Texts() const { return engine_.texts; }

  protected:
    int metric(PaintDeviceMetric metric) const override {
        if (metric == PdmDevicePixelRatioScaled) return static_cast<int>(devicePixelRatioFScale());
        static const std::map<PaintDeviceMetric, int> kValues = {
            {PdmWidth, 4960}, {PdmHeight, 7016},   {PdmWidthMM, 210},       {PdmHeightMM, 297},
            {PdmDepth, 32},   {PdmNumColors, 256}, {PdmDevicePixelRatio, 1}};
        const auto value = kValues.find(metric);
        return value != kValues.end() ? value->second : 600;  // the four resolutions: 600 dpi
    }

  private:
    mutable FakeEngine engine_;
};

}  // namespace velmaro
