// The subset of a TrueType font that a PDF embeds, built from a small font made here: glyphs
// renumbered by first use, composite glyphs' parts brought along and renumbered, metrics and
// checksums right, and damaged fonts read without reading past their tables.

#include "render/true_type_subset.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmaro {
namespace {

void Put16(std::string& bytes, unsigned v) {
    bytes += {static_cast<char>(v >> 8), static_cast<char>(v)};
}
void Put32(std::string& bytes, std::uint32_t value) {
    Put16(bytes, value >> 16);
    Put16(bytes, value);
}
unsigned Get16(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes.at(at)) << 8 |
           static_cast<unsigned char>(bytes.at(at + 1));
}
std::uint32_t Get32(std::string_view bytes, std::size_t at) {
    return Get16(bytes, at) << 16 | Get16(bytes, at + 2);
}

// A simple glyph: one contour's header and a marker byte that tells the glyphs apart.
std::string SimpleGlyph(char marker) {
    return std::string("\0\1", 2) + std::string(8, '\0') + marker + std::string(3, '\0');
}

// A composite glyph of the given glyphs, byte offsets as arguments.
std::string CompositeGlyph(const std::vector<unsigned>& parts) {
    std::string glyph;
    Put16(glyph, 0xFFFF);  // -1 contours
    glyph.append(8, '\0');
    for (std::size_t i = 0; i < parts.size(); ++i) {
        Put16(glyph, i + 1 < parts.size() ? 0x0020 : 0);  // more components follow
        Put16(glyph, parts[i]);
        glyph.append(2, '\0');  // two byte arguments
    }
    return glyph;
}

// A font of glyphs with advances 100, 200, ... in units of 2048 per em.
TrueTypeTables MakeFont(const std::vector<std::string>& glyphs) {
    TrueTypeTables tables{{"name", "names"}, {"cvt ", "hinting values"}};
    std::string& head = tables["head"] = std::string(54, '\0');
    head[18] = 0x08;  // 2048 units per em
    head[51] = 1;     // long offsets
    (tables["hhea"] = std::string(36, '\0'))[35] = static_cast<char>(glyphs.size());
    Put32(tables["maxp"], 0x00010000);
    Put16(tables["maxp"], static_cast<unsigned>(glyphs.size()));
    std::string &hmtx = tables["hmtx"], &loca = tables["loca"], &glyf = tables["glyf"];
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        Put16(hmtx, 100 * (i + 1));
        Put16(hmtx, 7 * i);
        Put32(loca, static_cast<std::uint32_t>(glyf.size()));
        glyf += glyphs[i];
    }
    Put32(loca, static_cast<std::uint32_t>(glyf.size()));
    return tables;
}

// A font file read back: its tables by tag, and whether the directory was in order.
struct ReadFont {
    std::map<std::string, std::string> tables;
    bool sortedAndAligned = true;

    explicit ReadFont(const std::string& file) {
        const unsigned count = Get16(file, 4);
        std::string previous;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t entry = 12 + 16 * i;
            const std::string tag = file.substr(entry, 4);
            const std::uint32_t offset = Get32(file, entry + 8);
            sortedAndAligned = sortedAndAligned && tag > previous && offset % 4 == 0;
            tables[tag] = file.substr(offset, Get32(file, entry + 12));
            previous = tag;
        }
    }
    // Glyph n's data, by the long offsets of the subset's loca.
    std::string Glyph(unsigned n) const {
        const std::string& loca = tables.at("loca");
        const std::uint32_t start = Get32(loca, 4 * n);
        return tables.at("glyf").substr(start, Get32(loca, 4 * n + 4) - start);
    }
};

std::uint32_t WholeFileChecksum(const std::string& file) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at + 4 <= file.size(); at += 4)
        sum += Get32(file, at);
    return sum;
}

TEST(TrueTypeSubset, GlyphsAreRenumberedByFirstUseWithTheirPartsOutlinesAndAdvances) {
    auto subset = TrueTypeSubset::Of(MakeFont({SimpleGlyph('0'), SimpleGlyph('1'), SimpleGlyph('2'),
                                               CompositeGlyph({1, 2}), SimpleGlyph('4')}));
    ASSERT_TRUE(subset.ok()) << subset.error().Message();
    // Glyph 5 lies past the font.
    EXPECT_EQ((std::vector{subset->Use(4), subset->Use(3), subset->Use(4), subset->Use(5),
                           subset->Use(0)}),
              (std::vector<std::uint16_t>{1, 2, 1, 0, 0}));
    EXPECT_EQ(subset->AdvanceInThousandths(1), 500 * 1000 / 2048);
    EXPECT_EQ(subset->AdvanceInThousandths(2), 400 * 1000 / 2048);

    const std::string file = subset->Build();
    EXPECT_EQ(subset->Count(), 5u);  // 0, 4, 3, then 3's parts 1 and 2
    const ReadFont font(file);
    EXPECT_TRUE(font.sortedAndAligned);
    EXPECT_EQ(WholeFileChecksum(file), 0xB1B0AFBAu);
    // The glyph count, the count of metrics and long offsets.
    EXPECT_EQ((std::vector{Get16(font.tables.at("maxp"), 4), Get16(font.tables.at("hhea"), 34),
                           Get16(font.tables.at("head"), 50)}),
              (std::vector{5u, 5u, 1u}));
    EXPECT_EQ(font.tables.count("name"), 0u);
    EXPECT_EQ(font.tables.at("cvt "), "hinting values");

    // Subset glyph n holds font glyph "04312"[n], the composite's parts renumbered: font
    // glyph 1 is subset glyph 3, font glyph 2 subset glyph 4.
    for (const auto& [n, marker] : {std::pair{0u, '0'}, {1u, '4'}, {3u, '1'}, {4u, '2'}})
        EXPECT_EQ(font.Glyph(n).substr(0, 11), SimpleGlyph(marker).substr(0, 11)) << n;
    EXPECT_EQ((std::vector{Get16(font.Glyph(2), 12), Get16(font.Glyph(2), 18)}),
              (std::vector{3u, 4u}));
    // Advances and left side bearings, in subset order.
    std::string hmtx;
    for (const unsigned value : {100, 0, 500, 28, 400, 21, 200, 7, 300, 14})
        Put16(hmtx, value);
    EXPECT_EQ(font.tables.at("hmtx"), hmtx);
}

TEST(TrueTypeSubset, DamagedFontsGiveEmptyGlyphsOrAnErrorAndAreNeverReadPastTheirTables) {
    const auto font = [] {
        return MakeFont({SimpleGlyph('0'), SimpleGlyph('1'), CompositeGlyph({1, 0, 2})});
    };
    TrueTypeTables noHead = font(), shortLoca = font();
    noHead.erase("head");
    shortLoca["loca"] = "";
    EXPECT_FALSE(TrueTypeSubset::Of(noHead).ok());
    EXPECT_FALSE(TrueTypeSubset::Of(shortLoca).ok());
    const struct {
        const char* name;
        std::function<void(TrueTypeTables&)> damage;
        std::size_t compositeBytes;  // of subset glyph 2, the composite; 0 when dropped
        unsigned thirdPart;          // the subset glyph its third part draws
    } cases[] = {
        // The composite's third part is the composite itself: it is not walked again.
        {"intact", [](TrueTypeTables&) {}, 28, 2},
        {"part past the font", [](TrueTypeTables& t) { t["glyf"][53] = 9; }, 28, 0},
        {"offsets past the glyph table", [](TrueTypeTables& t) { t["glyf"].resize(30); }, 0, 0},
        {"composite cut short", [](TrueTypeTables& t) { t["loca"][15] -= 8; }, 0, 0},
        {"more glyphs counted than offsets", [](TrueTypeTables& t) { t["maxp"][5] = 40; }, 28, 2},
        {"more metrics counted than given", [](TrueTypeTables& t) { t["hhea"][35] = 90; }, 28, 2},
        {"no metrics counted", [](TrueTypeTables& t) { t["hhea"][35] = 0; }, 28, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TrueTypeTables tables = font();
        c.damage(tables);
        auto subset = TrueTypeSubset::Of(tables);
        ASSERT_TRUE(subset.ok());
        EXPECT_EQ(subset->Use(1), 1);
        EXPECT_EQ(subset->Use(2), 2);
        EXPECT_GE(subset->AdvanceInThousandths(2), 0);
        const ReadFont read(subset->Build());
        EXPECT_EQ(subset->Count(), 3u);
        const std::string composite = read.Glyph(2);
        EXPECT_EQ(composite.size(), (c.compositeBytes + 3) / 4 * 4);
        if (c.compositeBytes > 0) {
            EXPECT_EQ(Get16(composite, 24), c.thirdPart);
        }
    }
}

}  // namespace
}  // namespace velmaro
