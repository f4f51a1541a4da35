#include "render/true_type_subset.h"

#include <algorithm>
#include <array>

#include "base/big_endian.h"

namespace velmaro {

namespace {

// Lengths of the fixed parts the subset reads or changes.
constexpr std::size_t kHeadLength = 54;
constexpr std::size_t kHorizontalHeaderLength = 36;
constexpr std::size_t kMaximumProfileLength = 6;

// Offsets of the fields used, in their tables.
constexpr std::size_t kHeadChecksumAdjustment = 8;
constexpr std::size_t kHeadUnitsPerEm = 18;
constexpr std::size_t kHeadBox = 36;
constexpr std::size_t kHeadIndexToLocFormat = 50;
constexpr std::size_t kHorizontalHeaderAscent = 4;
constexpr std::size_t kHorizontalHeaderDescent = 6;
constexpr std::size_t kHorizontalHeaderMetricsCount = 34;
constexpr std::size_t kMaximumProfileGlyphCount = 4;
constexpr std::size_t kOs2CapHeight = 88;

// Flags of a composite glyph's component.
constexpr std::uint16_t kArgumentsAreWords = 0x0001;
constexpr std::uint16_t kHasScale = 0x0008;
constexpr std::uint16_t kMoreComponents = 0x0020;
constexpr std::uint16_t kHasXAndYScale = 0x0040;
constexpr std::uint16_t kHasTwoByTwo = 0x0080;

// The tables of the subset: those a renderer needs for TrueType outlines in a PDF, which names
// the font itself (no "name" or "post") and maps characters to glyphs itself (no "cmap"). The
// hinting programs come together: the glyphs' instructions rely on what "prep" sets up.
constexpr std::array<std::string_view, 10> kSubsetTables = {"OS/2", "cvt ", "fpgm", "glyf", "head",
                                                            "hhea", "hmtx", "loca", "maxp", "prep"};

std::uint16_t U16(std::string_view bytes, std::size_t at) {
    if (at + 2 > bytes.size()) return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) << 8 |
                                      static_cast<unsigned char>(bytes[at + 1]));
}

std::int16_t S16(std::string_view bytes, std::size_t at) {
    return static_cast<std::int16_t>(U16(bytes, at));
}

std::uint32_t U32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(U16(bytes, at)) << 16 | U16(bytes, at + 2);
}

void PutU16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value >> 8 & 0xFF);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    PutU16(bytes, at, value >> 16);
    PutU16(bytes, at + 2, value & 0xFFFF);
}

// The TrueType checksum: the sum of the big-endian 32-bit words, the last one padded with zeros.
std::uint32_t Checksum(std::string_view bytes) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 4) {
        std::uint32_t word = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const unsigned char byte =
                at + i < bytes.size() ? static_cast<unsigned char>(bytes[at + i]) : 0;
            word = word << 8 | byte;
        }
        sum += word;
    }
    return sum;
}

// A font file of tables (sorted by tag, as the table directory must be).
std::string FontFile(const std::map<std::string_view, std::string>& tables) {
    const auto count = static_cast<std::uint16_t>(tables.size());
    std::uint16_t power = 1;
    std::uint16_t log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    std::string file;
    AppendU32(file, 0x00010000);
    AppendU16(file, count);
    AppendU16(file, power * 16u);
    AppendU16(file, log2);
    AppendU16(file, count * 16u - power * 16u);
    std::size_t offset = 12 + 16 * tables.size();
    for (const auto& [tag, bytes] : tables) {
        file.append(tag);
        AppendU32(file, Checksum(bytes));
        AppendU32(file, static_cast<std::uint32_t>(offset));
        AppendU32(file, static_cast<std::uint32_t>(bytes.size()));
        offset += (bytes.size() + 3) / 4 * 4;
    }
    std::size_t headAt = 0;
    for (const auto& [tag, bytes] : tables) {
        if (tag == "head") headAt = file.size();
        file.append(bytes);
        file.append((4 - bytes.size() % 4) % 4, '\0');
    }
    PutU32(file, headAt + kHeadChecksumAdjustment, 0xB1B0AFBAu - Checksum(file));
    return file;
}

}  // namespace

Result<TrueTypeSubset> TrueTypeSubset::Of(std::shared_ptr<const TrueTypeTables> tables) {
    for (const auto& [tag, length] :
         {std::pair{"head", kHeadLength}, std::pair{"hhea", kHorizontalHeaderLength},
          std::pair{"maxp", kMaximumProfileLength}, std::pair{"hmtx", std::size_t{4}},
          std::pair{"loca", std::size_t{2}}, std::pair{"glyf", std::size_t{0}}}) {
        const auto found = tables->find(std::string_view(tag));
        if (found == tables->end() || found->second.size() < length) {
            return Error{"", std::string("the font has no usable '") + tag + "' table"};
        }
    }
    return TrueTypeSubset(std::move(tables));
}

TrueTypeSubset::TrueTypeSubset(std::shared_ptr<const TrueTypeTables> tables)
    : tables_(std::move(tables)) {
    const std::string_view head = Table("head");
    unitsPerEm_ = std::max<int>(16, U16(head, kHeadUnitsPerEm));
    longOffsets_ = S16(head, kHeadIndexToLocFormat) == 1;
    const std::size_t locaEntries = Table("loca").size() / (longOffsets_ ? 4 : 2);
    fontGlyphCount_ = static_cast<int>(std::min<std::size_t>(
        U16(Table("maxp"), kMaximumProfileGlyphCount), locaEntries > 0 ? locaEntries - 1 : 0));
    horizontalMetricsCount_ = std::clamp<int>(U16(Table("hhea"), kHorizontalHeaderMetricsCount), 1,
                                              static_cast<int>(Table("hmtx").size() / 4));
    subsetOf_.assign(static_cast<std::size_t>(std::max(fontGlyphCount_, 1)), 0);
    fontGlyphs_.push_back(0);
}

std::string_view TrueTypeSubset::Table(std::string_view tag) const {
    const auto found = tables_->find(tag);
    return found == tables_->end() ? std::string_view{} : std::string_view(found->second);
}

std::uint16_t TrueTypeSubset::Use(std::uint16_t fontGlyph) {
    if (fontGlyph == 0 || fontGlyph >= fontGlyphCount_) return 0;
    std::uint16_t& subset = subsetOf_[fontGlyph];
    if (subset == 0) {
        subset = static_cast<std::uint16_t>(fontGlyphs_.size());
        fontGlyphs_.push_back(fontGlyph);
    }
    return subset;
}

int TrueTypeSubset::ToThousandths(int designUnits) const {
    // To the nearest thousandth: truncated, the space (569 of 2048) would be 277, not 278.
    const int scaled = designUnits * 1000;
    return (scaled + (scaled < 0 ? -unitsPerEm_ : unitsPerEm_) / 2) / unitsPerEm_;
}

int TrueTypeSubset::AdvanceInThousandths(std::uint16_t subsetGlyph) const {
    if (subsetGlyph >= fontGlyphs_.size()) return 0;
    const int fontGlyph = std::min<int>(fontGlyphs_[subsetGlyph], horizontalMetricsCount_ - 1);
    return ToThousandths(U16(Table("hmtx"), static_cast<std::size_t>(fontGlyph) * 4));
}

TrueTypeSubset::Box TrueTypeSubset::BoundingBox() const {
    const std::string_view head = Table("head");
    return {ToThousandths(S16(head, kHeadBox)), ToThousandths(S16(head, kHeadBox + 2)),
            ToThousandths(S16(head, kHeadBox + 4)), ToThousandths(S16(head, kHeadBox + 6))};
}

int TrueTypeSubset::Ascent() const {
    return ToThousandths(S16(Table("hhea"), kHorizontalHeaderAscent));
}

int TrueTypeSubset::Descent() const {
    return ToThousandths(S16(Table("hhea"), kHorizontalHeaderDescent));
}

int TrueTypeSubset::CapHeight() const {
    const std::string_view os2 = Table("OS/2");
    // The capital height came with version 2 of the table; older fonts give the ascent.
    if (os2.size() < kOs2CapHeight + 2 || U16(os2, 0) < 2) return Ascent();
    return ToThousandths(S16(os2, kOs2CapHeight));
}

std::string_view TrueTypeSubset::FontGlyphData(std::uint16_t fontGlyph) const {
    if (fontGlyph >= fontGlyphCount_) return {};
    const std::string_view loca = Table("loca");
    const std::size_t start =
        longOffsets_ ? U32(loca, fontGlyph * 4u) : U16(loca, fontGlyph * 2u) * 2u;
    const std::size_t end =
        longOffsets_ ? U32(loca, fontGlyph * 4u + 4) : U16(loca, fontGlyph * 2u + 2) * 2u;
    const std::string_view glyf = Table("glyf");
    if (end <= start || end > glyf.size()) return {};
    return glyf.substr(start, end - start);
}

std::string TrueTypeSubset::SubsetGlyphData(std::uint16_t fontGlyph) {
    std::string data(FontGlyphData(fontGlyph));
    if (data.size() < 10 || S16(data, 0) >= 0) return data;
    // A composite glyph: a list of components, each with the glyph it draws.
    std::size_t at = 10;
    for (;;) {
        if (at + 4 > data.size()) return {};
        const std::uint16_t flags = U16(data, at);
        PutU16(data, at + 2, Use(U16(data, at + 2)));
        at += 4 + ((flags & kArgumentsAreWords) ? 4 : 2);
        if (flags & kHasScale)
            at += 2;
        else if (flags & kHasXAndYScale)
            at += 4;
        else if (flags & kHasTwoByTwo)
            at += 8;
        if (!(flags & kMoreComponents)) break;
    }
    return at <= data.size() ? data : std::string{};
}

std::string TrueTypeSubset::Build() {
    std::string glyf;
    std::string loca;
    // Components join the subset as they are met, so the list grows while it is walked.
    for (std::size_t subset = 0; subset < fontGlyphs_.size(); ++subset) {
        AppendU32(loca, static_cast<std::uint32_t>(glyf.size()));
        glyf.append(SubsetGlyphData(fontGlyphs_[subset]));
        glyf.append((4 - glyf.size() % 4) % 4, '\0');
    }
    AppendU32(loca, static_cast<std::uint32_t>(glyf.size()));

    const std::string_view fontMetrics = Table("hmtx");
    std::string hmtx;
    for (const std::uint16_t fontGlyph : fontGlyphs_) {
        const std::size_t metric = std::min<std::size_t>(fontGlyph, horizontalMetricsCount_ - 1u);
        AppendU16(hmtx, U16(fontMetrics, metric * 4));
        const std::size_t sideBearing =
            fontGlyph < horizontalMetricsCount_
                ? fontGlyph * 4u + 2
                : horizontalMetricsCount_ * 4u + (fontGlyph - horizontalMetricsCount_) * 2u;
        AppendU16(hmtx, U16(fontMetrics, sideBearing));
    }

    const auto count = static_cast<std::uint16_t>(fontGlyphs_.size());
    std::map<std::string_view, std::string> tables;
    for (const std::string_view tag : kSubsetTables) {
        if (const std::string_view bytes = Table(tag); !bytes.empty()) tables[tag] = bytes;
    }
    tables["glyf"] = std::move(glyf);
    tables["loca"] = std::move(loca);
    tables["hmtx"] = std::move(hmtx);
    PutU32(tables["head"], kHeadChecksumAdjustment, 0);
    PutU16(tables["head"], kHeadIndexToLocFormat, 1);
    PutU16(tables["hhea"], kHorizontalHeaderMetricsCount, count);
    PutU16(tables["maxp"], kMaximumProfileGlyphCount, count);
    return FontFile(tables);
}

}  // namespace velmaro
