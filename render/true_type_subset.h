#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace velmaro {

// A TrueType font's tables by their four-letter tags ("head", "glyf", "OS/2", ...).
using TrueTypeTables = std::map<std::string, std::string, std::less<>>;

// The part of a TrueType font that a document uses: the glyphs it draws, renumbered densely in
// the order of their first use (glyph 0, the missing-character glyph, stays 0), plus the
// glyphs those are built from. A PDF embeds the subset instead of the whole font.
//
// The font's bytes are never trusted: offsets and lengths are checked, and a glyph whose data
// lies outside its table is kept as an empty glyph.
class TrueTypeSubset {
  public:
    // The font given by its tables, which subsets of the same font may share; head, hhea,
    // maxp, hmtx, loca and glyf must be present and large enough for their fixed fields. An
    // Error names what is missing otherwise.
    static Result<TrueTypeSubset> Of(std::shared_ptr<const TrueTypeTables> tables);
    static Result<TrueTypeSubset> Of(TrueTypeTables tables) {
        return Of(std::make_shared<const TrueTypeTables>(std::move(tables)));
    }

    // The subset's number for the font's glyph (a glyph past the font's count is glyph 0).
    std::uint16_t Use(std::uint16_t fontGlyph);

    // Glyphs in the subset so far, glyph 0 included.
    std::size_t Count() const { return fontGlyphs_.size(); }
    // The font's glyph of each subset number so far, in subset order.
    const std::vector<std::uint16_t>& FontGlyphs() const { return fontGlyphs_; }
    // The advance of subset glyph in thousandths of the em, as a PDF's widths give it.
    int AdvanceInThousandths(std::uint16_t subsetGlyph) const;

    // The font's box, ascent, descent and capital height in thousandths of the em.
    struct Box {
        int left, bottom, right, top;
    };
    Box BoundingBox() const;
    int Ascent() const;
    int Descent() const;
    int CapHeight() const;

    // The subset as a font file: the glyphs used so far under their subset numbers, the glyphs
    // they are composed of (numbered after them), and the font's hinting programs and
    // metrics. Adds the composing glyphs to the subset.
    std::string Build();

  private:
    explicit TrueTypeSubset(std::shared_ptr<const TrueTypeTables> tables);

    std::string_view Table(std::string_view tag) const;
    // Glyph data in the font, empty when out of bounds.
    std::string_view FontGlyphData(std::uint16_t fontGlyph) const;
    // The glyph with its components' numbers changed to subset numbers (adding them).
    std::string SubsetGlyphData(std::uint16_t fontGlyph);
    int ToThousandths(int designUnits) const;

    std::shared_ptr<const TrueTypeTables> tables_;
    int unitsPerEm_ = 1000;
    int fontGlyphCount_ = 0;
    int horizontalMetricsCount_ = 0;
    bool longOffsets_ = false;
    std::vector<std::uint16_t> fontGlyphs_;  // by subset number
    std::vector<std::uint16_t> subsetOf_;    // by font glyph; 0 while unused (but glyph 0)
};

}  // namespace velmaro
