#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "render/draw_surface.h"
#include "render/text_metrics.h"

namespace velmaro {

// A surface that writes every drawing operation as one line of the "ops" recording:
//   text X Y "<JSON string>"     line X1 Y1 X2 Y2     circle X Y R filled|outline
// with coordinates in twips written so that they read back exactly. Text with no
// characters writes nothing. Measures with the metrics it is given (not owned). It records
// the printed card: its kind is the printer's.
class RecordingSurface final : public DrawSurface {
  public:
    RecordingSurface(std::ostream& out, const TextMetrics& metrics);

    SurfaceKind Kind() const override { return SurfaceKind::kPrinter; }
    double TextWidth(std::string_view text) const override { return metrics_.Width(text); }
    double TextHeight(std::string_view) const override { return metrics_.Height(); }
    double ColumnWidth() const override { return metrics_.ColumnWidth(); }

  protected:
    void DrawText(double x, double y, std::string_view text) override;
    void DrawLine(double x1, double y1, double x2, double y2) override;
    void DrawCircle(double x, double y, double radius, bool filled) override;

  private:
    void BeginLine(std::string_view operation, double x, double y);
    void WriteLine();

    std::ostream& out_;
    const TextMetrics& metrics_;
    std::string line_;  // the line being written, kept to reuse its storage
};

// A coordinate as the recording writes it: the shortest text that reads back as exactly
// the same double, with ".0" on whole numbers (400 is "400.0").
std::string FormatCoordinate(double value);

// text as a JSON string literal, quotes included; UTF-8 passes through unchanged, and a byte
// that is not part of valid UTF-8 appears as the text \xHH.
std::string JsonString(std::string_view text);

}  // namespace velmaro
