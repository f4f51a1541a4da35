#pragma once

#include <initializer_list>
#include <limits>
#include <span>
#include <string_view>

#include "render/print_item.h"

namespace velmaro {

// What a surface is; the card frame differs between a window and a printer page.
enum class SurfaceKind { kWindow, kPrinter, kOther };

// Somewhere a card is drawn: a window, a printer page, an image or a recording. Units are
// twips (1440 to the inch), origin top left, y downwards, everything black.
//
// This class owns the print position and the meaning of Print, Tab, Line and Circle; a
// concrete surface only measures text in its font and draws primitives.
class DrawSurface {
  public:
    virtual ~DrawSurface() = default;

    virtual SurfaceKind Kind() const = 0;

    // Width of text (UTF-8) in the current font.
    virtual double TextWidth(std::string_view text) const = 0;
    // Height of one line of text in the current font; the same for every one-line text.
    virtual double TextHeight(std::string_view text) const = 0;
    // Width of one print column: the average character width of the current font.
    virtual double ColumnWidth() const = 0;

    // A window surface makes its window ready for a new card (expanded, the rule under the
    // controls drawn, the print position one line below it); other surfaces do nothing.
    virtual void LargeVel() {}

    // Draws the items one after another from the current position: a text item with its
    // top-left corner there, a number item as NumberItemText, Tab(n) moving to column n
    // (ending the line first when the position already lies past the start of column n, so
    // a tab never draws over text). After the last
    // item the line ends unless that item continues; an empty Print only ends the line.
    void Print(std::span<const PrintItem> items);
    void Print(std::initializer_list<PrintItem> items) {
        Print(std::span<const PrintItem>(items.begin(), items.size()));
    }

    // How many text lines the items take when printed from x: one, plus one for every Tab
    // that ends the line first. Measures by the same rule as Print; draws and moves nothing.
    int LinesOf(std::span<const PrintItem> items, double x) const;

    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void SetCurrentX(double x) { currentX_ = x; }
    void SetCurrentY(double y) { currentY_ = y; }

    // A black segment; the current position moves to its end.
    void Line(double x1, double y1, double x2, double y2);
    // The same with the second point given as a displacement from the first.
    void LineRelative(double x1, double y1, double dx, double dy);

    // A full circle, filled black when FillStyle is 0; the current position moves to its
    // centre.
    void Circle(double x, double y, double radius);
    // 0 = solid (closed figures filled), 1 = transparent; 1 initially.
    void SetFillStyle(int style) { fillStyle_ = style; }
    int FillStyle() const { return fillStyle_; }

    // The lowest point drawn so far (the bottom of a text's line, a segment's end, a circle's
    // edge); 0 before anything is drawn.
    double Lowest() const { return lowest_; }
    // The rightmost point of the ink of the texts and circles drawn so far: a text's blanks at
    // its end (spaces, no-break spaces) are left out, and so are lines (such as a rule across
    // the whole width) and whatever begins at or below the page bottom set; 0 before any is
    // drawn.
    double Rightmost() const { return rightmost_; }
    // Where a page cuts the card off (in twips): a text or circle that begins there or below is
    // not on the page at all, and does not reach its right edge. None at first (a window).
    void SetPageBottom(double bottom) { pageBottom_ = bottom; }

  protected:
    // Primitives of a concrete surface, in twips.
    virtual void DrawText(double x, double y, std::string_view text) = 0;
    virtual void DrawLine(double x1, double y1, double x2, double y2) = 0;
    virtual void DrawCircle(double x, double y, double radius, bool filled) = 0;
    // Told when a Tab ends the line because the position already lies past its column: what
    // Print draws next, on the new line, continues the line it ended. Drawing surfaces have
    // nothing to do with it.
    virtual void TabEndedLine() {}

  private:
    void EndLine();
    // The x at which print column n starts.
    double ColumnStart(int column) const { return (column - 1) * ColumnWidth(); }
    // A Tab to column n from x ends the line first when x already lies past the column's start.
    bool TabEndsLine(double x, int column) const;

    double currentX_ = 0;
    double currentY_ = 0;
    int fillStyle_ = 1;
    double lowest_ = 0;
    double rightmost_ = 0;
    double pageBottom_ = std::numeric_limits<double>::infinity();
};

}  // namespace velmaro
