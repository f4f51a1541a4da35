#pragma once

#include <QFont>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "render/true_type_subset.h"
#include "ui/pdf_document.h"

namespace velmaro {

// The objects of one subset of a font as a PDF writes them, but for their object numbers:
// everything that depends only on the glyphs the subset holds and the characters they stand for.
struct EmbeddedSubset {
    std::string name;                 // "ABCDEF+LiberationSans"
    std::string widths;               // the CID font's /W array
    std::string descriptor;           // the font descriptor's entries but its font file
    std::size_t fileLength = 0;       // the font file's bytes, before compression
    std::string compressedFile;       // the font file as a compressed stream
    std::string compressedToUnicode;  // the map back to the characters, likewise
};

// What every PDF embedding one TrueType font takes from it: its tables and the glyphs of the
// first 256 characters, read once, and the subsets written last, which documents drawing the
// same glyphs for the same characters share. One thread at a time may use it.
class PdfFontProgram {
  public:
    // The font that Qt resolves for font; an Error when it is not a TrueType font.
    static Result<std::shared_ptr<const PdfFontProgram>> Of(const QFont& font);

    const std::shared_ptr<const TrueTypeTables>& Tables() const { return tables_; }
    // The font's glyph for character; 0 when the font has none.
    std::uint16_t GlyphOf(char32_t character) const;
    // The font's name as a PDF writes it ("LiberationSans").
    const std::string& Name() const { return name_; }

    // The subset of fontGlyphs (in subset order) whose glyph n stands for characterOf[n]: made
    // by make on the first request, and kept for the next requests of the same subset.
    using SubsetKey = std::pair<std::vector<std::uint16_t>, std::vector<char32_t>>;
    const EmbeddedSubset& Subset(const SubsetKey& key,
                                 const std::function<EmbeddedSubset()>& make) const;

  private:
    PdfFontProgram() = default;

    QRawFont font_;
    std::shared_ptr<const TrueTypeTables> tables_;
    std::array<std::uint16_t, 256> latin1Glyphs_{};
    std::string name_;
    // The subsets written last, the oldest first in subsetOrder_.
    mutable std::map<SubsetKey, EmbeddedSubset> subsets_;
    mutable std::deque<SubsetKey> subsetOrder_;
};

// A TrueType font embedded in a PDF as a subset of the glyphs the document draws: text is
// written as glyph numbers of the subset, and the font's objects (the font, its widths, its
// program and a map back to the characters, so the text can be searched and copied) are
// written once, when the document ends.
class PdfFont {
  public:
    // A new subset of program.
    static Result<PdfFont> Of(std::shared_ptr<const PdfFontProgram> program);

    // Width of a character in thousandths of the em, as the layout measured it.
    using Advance = std::function<double(char32_t)>;

    // Puts the glyphs of characters in the subset in their order, whether the text draws them or
    // not. Documents that all include the same characters first hold the same subset more
    // often, and then share its objects (see PdfFontProgram::Subset).
    void Include(std::u32string_view characters);

    // Appends the operator that shows text (UTF-8) from the current text position: its
    // glyph codes as a hexadecimal string, "<00010002> Tj". A character the font lacks is
    // drawn as the font's missing-character glyph, moved on by layoutAdvance of the character
    // ("[<0001> 250 <0002>] TJ"), so the text after it stands where the layout put it. A text
    // whose glyphs a reader would read back as other characters (the font lacks one, or one
    // shares its glyph with another) carries its characters as well, in a marked span.
    void AppendShowText(std::string_view utf8, const Advance& layoutAdvance, std::string& out);

    // Writes the font's objects: the font under number, its parts under new numbers.
    Status Write(PdfDocument& document, int number);

  private:
    PdfFont(std::shared_ptr<const PdfFontProgram> program, TrueTypeSubset subset);

    std::uint16_t SubsetGlyph(char32_t character);
    // The subset's objects, made now (which completes the subset with its composing glyphs).
    EmbeddedSubset Embedded();

    std::shared_ptr<const PdfFontProgram> program_;
    TrueTypeSubset subset_;
    // The character each subset glyph was first drawn for.
    std::vector<char32_t> characterOf_;
};

}  // namespace velmaro
