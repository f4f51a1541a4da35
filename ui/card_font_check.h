#pragma once

#include <optional>
#include <string>

class QFont;

namespace velmaro {

// Whether this system's fonts can draw cards. Cards are laid out to Arial's measures; the
// font system serves "Arial" with whatever it has, and without a usable font Qt draws the
// lines and dots of a card but not one letter, silently.

// Why no card can be drawn: no font the system serves for "Arial" draws the card's letters,
// or, where the font is to be embedded (PDF), it is no TrueType font. Nothing when cards can
// be drawn.
std::optional<std::string> CardFontProblem(bool embedded);

// Why the font found for font, no TrueType font, cannot be embedded in a PDF.
std::string NotEmbeddableReason(const QFont& font);

// A warning when the font serving "Arial" is neither Arial nor one made to its measures
// (Liberation Sans, Arimo): the card's texts may not fit their places. Nothing otherwise.
std::optional<std::string> CardFontSubstituteWarning();

// What to install for a font with Arial's measures.
inline constexpr const char* kArialMeasuresAdvice =
    "install the package fonts-liberation2 (Liberation Sans, with Arial's measures)";

}  // namespace velmaro
