// The PDF writer's parts: objects found where the cross-reference table says, a failing sink
// never reported as success, and the embedded font subset drawing the font's own glyphs.

#include <gtest/gtest.h>

#include <QPainterPath>
#include <QRawFont>

#include <regex>
#include <string>

#include "render/true_type_subset.h"
#include "ui/pdf_document.h"
#include "ui/pdf_font.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// A document whose bytes are kept in file.
struct MemoryPdf {
    std::string file;
    PdfDocument document{[this](std::string_view bytes) {
        file.append(bytes);
        return Ok();
    }};
};

// The plain bytes of a stream's compressed data (a zlib stream).
std::string Inflate(std::string_view compressed) {
    // qUncompress wants a size first; one that is too small only makes it grow its buffer.
    QByteArray sized("\0\0\xff\xff", 4);
    sized.append(compressed.data(), static_cast<qsizetype>(compressed.size()));
    return qUncompress(sized).toStdString();
}

TEST(PdfDocument, EveryObjectLiesWhereTheCrossReferenceTablePutsIt) {
    MemoryPdf pdf;
    auto& [file, document] = pdf;
    const int root = document.NewObject();
    const int later = document.NewObject();
    const int stream = document.NewObject();
    // Enough content to pass the block the document holds back.
    std::string content;
    for (int i = 0; i < 20000; ++i)
        content += std::to_string(i * 7919 % 10007) + " 0 m\n";
    ASSERT_TRUE(document.WriteStream(stream, "/Length1 5", content).ok());
    ASSERT_TRUE(document.WriteObject(root, "<< /Type /Catalog >>").ok());
    const int info = document.NewObject();
    ASSERT_TRUE(document.WriteObject(info, "<< /Title (Velmaro) >>").ok());
    EXPECT_FALSE(document.Finish(root, info).ok());  // `later` was never written
    ASSERT_TRUE(document.WriteObject(later, "[1 2]").ok());
    ASSERT_TRUE(document.Finish(root, info).ok());

    ASSERT_EQ(file.rfind("%PDF-1.4\n", 0), 0u);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(file, match, std::regex("startxref\n(\\d+)\n%%EOF\n$")));
    const std::size_t table = std::stoul(match[1]);
    // The table the file points to is the last one, and it lists all five objects.
    ASSERT_EQ(file.rfind("xref\n0 5\n"), table);
    for (int number = 1; number <= 4; ++number) {
        const std::size_t offset = std::stoul(file.substr(table + 9 + 20 * number, 10));
        EXPECT_EQ(file.compare(offset, 8, std::to_string(number) + " 0 obj\n"), 0) << number;
    }
    EXPECT_NE(file.find("/Root 1 0 R /Info 4 0 R"), std::string::npos);

    ASSERT_TRUE(std::regex_search(
        file, match, std::regex("/Length (\\d+) /Filter /FlateDecode /Length1 5 >>\nstream\n")));
    const std::size_t start = match.position(0) + match.length(0);
    const std::size_t length = std::stoul(match[1]);
    EXPECT_EQ(file.compare(start + length, 10, "\nendstream"), 0);
    EXPECT_EQ(Inflate(std::string_view(file).substr(start, length)), content);
}

TEST(PdfDocument, ASinkFailureIsReportedByEveryLaterCallAndTheSinkIsNotAskedAgain) {
    int calls = 0;
    PdfDocument document([&](std::string_view) {
        ++calls;
        return Status(Error{"cards.pdf", "No space left on device"});
    });
    const int object = document.NewObject();
    // Held back at first: the sink meets the bytes only when a block is full.
    ASSERT_TRUE(document.WriteObject(object, "[]").ok());
    std::string noise(200000, '\0');  // bytes that do not compress
    std::uint32_t state = 1;
    for (char& byte : noise)
        byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    const Status big = document.WriteStream(document.NewObject(), "", noise);
    ASSERT_FALSE(big.ok());
    EXPECT_EQ(big.error().Message(), "cards.pdf: No space left on device");
    EXPECT_FALSE(document.WriteObject(document.NewObject(), "[]").ok());
    EXPECT_FALSE(document.Finish(object, object).ok());
    EXPECT_EQ(calls, 1);
}

// Whole thousandths below 2^53 are written as an integer with the point put in, larger ones
// by formatting the double: both sides of that bound, signs, zeros inside and at the end. Each
// number goes after what the string holds already.
TEST(PdfNumber, NumbersHaveAtMostThreeDecimalsAndNoTrailingZeros) {
    std::string out = "x";
    for (const double number :
         {720.0, 11188.8, -0.125, 0.05, -12.5, 1.0204, 0.9996, 0.00049, -0.0001, 1.23456,
          1e300 * 1e300, 9007199254740.5, 9007199254741.5, -3e14}) {
        AppendPdfNumber(out, number);
        out += ' ';
    }
    EXPECT_EQ(out,
              "x720 11188.8 -0.125 0.05 -12.5 1.02 1 0 0 1.235 0 9007199254740.5 9007199254741.5 "
              "-300000000000000 ");
}

// Accented capitals are composites of a letter and an accent in the card font: the subset
// carries both, and each glyph it holds has the outline and advance of the font's own.
TEST(PdfFont, TheEmbeddedSubsetDrawsTheFontsOwnGlyphs) {
    const QRawFont font = QRawFont::fromFont(CardPrinterFont());
    ASSERT_TRUE(font.isValid());
    TrueTypeTables tables;  // the card font's, as the PDF font takes them
    for (const char* tag :
         {"OS/2", "cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "prep"})
        tables.emplace(tag, font.fontTable(tag).toStdString());
    auto subset = TrueTypeSubset::Of(tables);
    ASSERT_TRUE(subset.ok()) << subset.error().Message();
    const QString text = QStringLiteral("ÉMatr.ù€ 30 e lode");
    const QList<quint32> fontGlyphs = font.glyphIndexesForString(text);
    std::vector<std::uint16_t> subsetGlyphs;
    for (const quint32 glyph : fontGlyphs)
        subsetGlyphs.push_back(subset->Use(static_cast<std::uint16_t>(glyph)));
    const std::string file = subset->Build();
    EXPECT_GT(subset->Count(), 14u);  // the accents came along

    const QRawFont embedded(QByteArray(file.data(), static_cast<qsizetype>(file.size())),
                            font.pixelSize());
    ASSERT_TRUE(embedded.isValid());
    QRawFont inDesignUnits = font;
    inDesignUnits.setPixelSize(font.unitsPerEm());
    for (qsizetype i = 0; i < fontGlyphs.size(); ++i) {
        SCOPED_TRACE(QString(text[i]).toStdString());
        const QPainterPath expected = font.pathForGlyph(fontGlyphs[i]);
        const QPainterPath found = embedded.pathForGlyph(subsetGlyphs[i]);
        EXPECT_EQ(found.elementCount(), expected.elementCount());
        EXPECT_EQ(found.boundingRect(), expected.boundingRect());
        // The advance to the nearest thousandth of the em (the space's 0.27783 em is 278).
        EXPECT_NEAR(subset->AdvanceInThousandths(subsetGlyphs[i]),
                    inDesignUnits.advancesForGlyphIndexes({fontGlyphs[i]}).first().x() * 1000 /
                        inDesignUnits.unitsPerEm(),
                    0.5);
    }
    // The hinting programs come whole: the glyphs' instructions call what they define.
    for (const char* tag : {"fpgm", "prep", "cvt "}) {
        SCOPED_TRACE(tag);
        EXPECT_FALSE(font.fontTable(tag).isEmpty());
        EXPECT_EQ(embedded.fontTable(tag), font.fontTable(tag));
    }
}

// A character beyond the first 65,536 that the font has is drawn with the font's own glyph, not
// as one it lacks: DejaVu Sans has the Old Italic letters (skipped where it is not installed).
TEST(PdfFont, ACharacterBeyondTheFirst65536IsTheFontsOwnGlyph) {
    const QFont dejaVu(QStringLiteral("DejaVu Sans"));
    const QRawFont font = QRawFont::fromFont(dejaVu);
    if (font.familyName() != "DejaVu Sans") GTEST_SKIP() << "no DejaVu Sans";
    auto program = PdfFontProgram::Of(dejaVu);
    ASSERT_TRUE(program.ok()) << program.error().Message();
    const char32_t oldItalicA = U'\U00010300';
    const QList<quint32> glyphs = font.glyphIndexesForString(QString::fromUcs4(&oldItalicA, 1));
    ASSERT_EQ(glyphs.size(), 1);
    ASSERT_NE(glyphs.first(), 0u);
    EXPECT_EQ((*program)->GlyphOf(oldItalicA), glyphs.first());
}

// A document holding only font's objects.
std::string FontDocument(PdfFont& font) {
    MemoryPdf pdf;
    const int number = pdf.document.NewObject();
    EXPECT_TRUE(font.Write(pdf.document, number).ok());
    EXPECT_TRUE(pdf.document.Finish(number, number).ok());
    return pdf.file;
}

// The character map of a FontDocument, the last stream written: its entries name each glyph's
// character.
std::string CharacterMapOf(const std::string& file) {
    const std::size_t stream = file.rfind(">>\nstream\n") + 10;
    return Inflate(std::string_view(file).substr(stream, file.rfind("\nendstream") - stream));
}

// Text is written as subset glyph numbers, and the map back to characters lets a reader find
// the text again, accents and characters past the first 256 included. A character the font
// lacks is its missing-character glyph, the text after it moves on by the layout's width, and the
// text as it is comes in a marked span, for readers that would see a word end at the gap.
TEST(PdfFont, TextBecomesGlyphNumbersThatMapBackAndDocumentsShareOnlyEqualSubsets) {
    auto program = PdfFontProgram::Of(CardPrinterFont());
    ASSERT_TRUE(program.ok()) << program.error().Message();
    auto font = PdfFont::Of(*program);
    ASSERT_TRUE(font.ok()) << font.error().Message();
    std::vector<char32_t> measured;
    const PdfFont::Advance advance = [&](char32_t character) {
        measured.push_back(character);
        return 1000.0;
    };
    std::string content;
    font->AppendShowText("ab", advance, content);
    font->AppendShowText("ba€ù", advance, content);
    EXPECT_EQ(content, "<00010002> Tj<0002000100030004> Tj");
    content.clear();
    font->AppendShowText("a\uFFFDb\uFFFD", advance, content);
    EXPECT_EQ(content,
              "/Span << /ActualText <FEFF0061FFFD0062FFFD> >> BDC [<00010000> -250 <00020000> "
              "-250 <>] TJ EMC");
    EXPECT_EQ(measured, (std::vector<char32_t>{0xFFFD, 0xFFFD}));

    const std::string file = FontDocument(*font);
    const std::string map = CharacterMapOf(file);
    EXPECT_NE(map.find("5 beginbfchar\n<0000> <FFFD>\n<0001> <0061>\n<0002> <0062>\n<0003> <20AC>\n"
                       "<0004> <00F9>\nendbfchar"),
              std::string::npos)
        << map;
    EXPECT_NE(file.find("/W [0 [750 556 556 556 556"), std::string::npos);
    EXPECT_TRUE(std::regex_search(file, std::regex("/BaseFont /[A-Z]{6}\\+LiberationSans ")));
    // Characters the map cannot give back (a soft hyphen drawn with the hyphen's glyph, a
    // snowman the font lacks) come with the text as it is, in a marked span.
    content.clear();
    font->AppendShowText("-\u00AD\u2603", advance, content);
    EXPECT_TRUE(content.starts_with("/Span << /ActualText <FEFF002D00AD2603> >> BDC [<"))
        << content;
    EXPECT_TRUE(content.ends_with("] TJ EMC")) << content;

    // Documents drawing the same glyphs for the same characters share one subset's objects,
    // which are the bytes a subset made afresh would give; a subset that differs in a glyph gets
    // its own, also after many others have come and gone.
    const auto document = [&](const std::shared_ptr<const PdfFontProgram>& from,
                              std::string_view text) {
        auto shared = PdfFont::Of(from);
        EXPECT_TRUE(shared.ok());
        shared->Include(U"xyz");
        std::string shown;
        shared->AppendShowText(text, advance, shown);
        return std::pair{shown, FontDocument(*shared)};
    };

    const auto [shown, first] = document(*program, "zàb");
    EXPECT_EQ(shown, "<000300040005> Tj");  // after the included x, y and z
    EXPECT_NE(CharacterMapOf(first).find("<0004> <00E0>"), std::string::npos);
    const std::string other = document(*program, "zÉb").second;
    EXPECT_NE(CharacterMapOf(other).find("<0004> <00C9>"), std::string::npos);
    EXPECT_NE(first.substr(0, first.find("/Encoding")), other.substr(0, other.find("/Encoding")));
    for (char32_t letter = U'A'; letter <= U'Z'; ++letter)
        document(*program, "z" + QString::fromUcs4(&letter, 1).toStdString());
    EXPECT_EQ(document(*program, "zàb").second, first);
    auto fresh = PdfFontProgram::Of(CardPrinterFont());
    ASSERT_TRUE(fresh.ok());
    EXPECT_EQ(document(*fresh, "zàb").second, first);
}

}  // namespace
}  // namespace velmaro
