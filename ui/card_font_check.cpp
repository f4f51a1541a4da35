#include "ui/card_font_check.h"

#include <sys/resource.h>

#include <QFontInfo>
#include <QRawFont>
#include <QString>

#include <array>

#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

// Letters, digits and the punctuation of the card's labels and dates: a font that lacks one
// of them is no font for cards.
constexpr char kCardCharacters[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.,:/()<>_-'";

// Families drawn to Arial's measures: a card laid out with one of them is the card.
constexpr std::array<const char*, 3> kArialMeasuredFamilies = {"Arial", "Liberation Sans", "Arimo"};

// The family of the font that draws font, without the foundry Qt adds where two foundries
// have a family of that name ("Nimbus Sans [urw]"); empty when no font does (Qt then draws
// boxes, and asking a raw font of it for its family crashes).
QString FamilyOf(const QFont& font) {
    const QString family = QFontInfo(font).family();
    return family.section(QStringLiteral(" ["), 0, 0);
}

// The process's limit of address space (ulimit -v) in MiB, when it is under a gigabyte: within
// such a limit the font library can fail to load the fonts installed, and then finds none.
std::optional<rlim_t> SmallAddressSpaceMiB() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return {};
    const rlim_t mebibytes = limit.rlim_cur >> 20;
    if (mebibytes >= 1024) return {};
    return mebibytes;
}

}  // namespace

std::optional<std::string> CardFontProblem(bool embedded) {
    const QRawFont font = QRawFont::fromFont(CardPrinterFont());
    const QString family = FamilyOf(CardPrinterFont());
    for (const char* character = kCardCharacters; *character != '\0'; ++character) {
        if (!family.isEmpty() && font.isValid() && font.supportsCharacter(QLatin1Char(*character)))
            continue;
        const std::string found = family.isEmpty()
                                      ? std::string("no font")
                                      : "\"" + family.toStdString() + "\", which lacks \"" +
                                            std::string(1, *character) + "\"";
        std::string problem = "no font of this system draws the card's letters (\"Arial\" finds " +
                              found + "): " + kArialMeasuresAdvice;
        if (const std::optional<rlim_t> limit = SmallAddressSpaceMiB(); limit && family.isEmpty()) {
            problem += "; where fonts are installed, the limit of address space (ulimit -v, " +
                       std::to_string(*limit) + " MiB) is too small for them to load";
        }
        return problem;
    }
    // A PDF embeds TrueType outlines, which their index (loca) locates: an OpenType font with
    // PostScript outlines (CFF) has none, and a Type 1 font no tables at all. (The outlines
    // themselves are not copied out only to be looked at.)
    if (embedded && font.fontTable("loca").isEmpty()) return NotEmbeddableReason(CardPrinterFont());
    return std::nullopt;
}

std::string NotEmbeddableReason(const QFont& font) {
    return "the font " + font.family().toStdString() + " is found as \"" +
           FamilyOf(font).toStdString() +
           "\", whose outlines are not TrueType and cannot be embedded in a PDF: " +
           kArialMeasuresAdvice;
}

std::optional<std::string> CardFontSubstituteWarning() {
    const QString family = FamilyOf(CardPrinterFont());
    if (family.isEmpty()) return std::nullopt;
    for (const char* measured : kArialMeasuredFamilies)
        if (family.compare(QLatin1String(measured), Qt::CaseInsensitive) == 0) return std::nullopt;
    return "the card's font Arial is drawn with \"" + family.toStdString() +
           "\", whose letters are not Arial's size: texts may not fit their places; " +
           kArialMeasuresAdvice;
}

}  // namespace velmaro
