#pragma once

#include <QFont>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "render/true_type_subset.h"
#include "ui/pdf_document.h"

namespace velmaro {

// A TrueType font embedded in a PDF as a subset of the glyphs the document draws: text is
// written as glyph numbers of the subset, and the font's objects (the font, its widths, its
// program and a map back to the characters, so the text can be searched and copied) are
// written once, when the document ends.
class PdfFont {
  public:
    // The font that Qt resolves for font; an Error when it is not a TrueType font.
    static Result<PdfFont> Of(const QFont& font);

    // Appends the glyph codes of text (UTF-8) as the hexadecimal string of a Tj operator
    // ("<00010002>"); a character the font lacks is its missing-character glyph.
    void AppendGlyphString(std::string_view utf8, std::string& out);

    // Writes the font's objects: the font under number, its parts under new numbers.
    Status Write(PdfDocument& document, int number);

  private:
    PdfFont(QRawFont font, TrueTypeSubset subset);

    std::uint16_t SubsetGlyph(char32_t character);

    QRawFont font_;
    TrueTypeSubset subset_;
    // Font glyphs of the first 256 characters, looked up once.
    std::array<std::uint16_t, 256> latin1Glyphs_{};
    // The character each subset glyph was first drawn for.
    std::vector<char32_t> characterOf_;
};

}  // namespace velmaro
