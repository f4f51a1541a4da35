#pragma once

#include <QFont>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <functional>
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

    // Width of a character in thousandths of the em, as the layout measured it.
    using Advance = std::function<double(char32_t)>;

    // Appends the operator that shows text (UTF-8) from the current text position: its
    // glyph codes as a hexadecimal string, "<00010002> Tj". A character the font lacks is
    // drawn as the font's missing-character glyph, moved on by layoutAdvance of the character
    // ("[<0001> 250 <0002>] TJ"), so the text after it stands where the layout put it.
    void AppendShowText(std::string_view utf8, const Advance& layoutAdvance, std::string& out);

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
