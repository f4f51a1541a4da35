#include "ui/pdf_font.h"

#include <QString>

#include <iterator>

#include "ui/card_font_check.h"

namespace velmaro {

namespace {

// The tables a PDF's TrueType font needs, with those TrueTypeSubset reads.
constexpr const char* kFontTables[] = {"OS/2", "cvt ", "fpgm", "glyf", "head",
                                       "hhea", "hmtx", "loca", "maxp", "prep"};

std::uint16_t FontGlyphOf(const QRawFont& font, char32_t character) {
    const QString text = QString::fromUcs4(&character, 1);
    // Qt wants room for a glyph per UTF-16 unit, two for a character beyond the first 65,536,
    // though it gives one glyph for the pair.
    quint32 glyphs[2] = {};
    int count = static_cast<int>(std::size(glyphs));
    if (!font.glyphIndexesForChars(text.constData(), text.size(), glyphs, &count) || count != 1)
        return 0;
    return glyphs[0] <= 0xFFFF ? static_cast<std::uint16_t>(glyphs[0]) : 0;
}

void AppendHex4(std::string& out, std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const int shift : {12, 8, 4, 0})
        out.push_back(kDigits[value >> shift & 0xF]);
}

// The UTF-16 of character as hexadecimal, as a character map gives it.
void AppendUtf16Hex(std::string& out, char32_t character) {
    if (character < 0x10000) {
        AppendHex4(out, character);
        return;
    }
    const char32_t offset = character - 0x10000;
    AppendHex4(out, 0xD800 + (offset >> 10));
    AppendHex4(out, 0xDC00 + (offset & 0x3FF));
}

// The font's name without blanks, as a PDF's font names are written.
std::string PostScriptName(const QRawFont& font) {
    QString name = font.familyName();
    if (const QString style = font.styleName(); !style.isEmpty() && style != "Regular")
        name += "-" + style;
    std::string plain;
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code > 0x20 && code < 0x7F && QStringLiteral("()<>[]{}/%#").indexOf(c) < 0)
            plain.push_back(static_cast<char>(code));
    }
    return plain.empty() ? "Font" : plain;
}

// Six capitals that tell this subset from other subsets of the font, derived from the glyphs
// it holds so that the same cards give the same file.
std::string SubsetTag(const std::string& fontFile) {
    std::uint32_t hash = 2166136261u;
    for (const char byte : fontFile)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
    std::string tag;
    for (int i = 0; i < 6; ++i, hash /= 26)
        tag.push_back(static_cast<char>('A' + hash % 26));
    return tag;
}

std::string ToUnicodeMap(const std::vector<char32_t>& characterOf) {
    std::string map =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::size_t> mapped;
    for (std::size_t glyph = 0; glyph < characterOf.size(); ++glyph) {
        if (characterOf[glyph] != 0) mapped.push_back(glyph);
    }
    // A character map lists at most 100 entries per block.
    for (std::size_t start = 0; start < mapped.size(); start += 100) {
        const std::size_t end = std::min(mapped.size(), start + 100);
        map.append(std::to_string(end - start) + " beginbfchar\n");
        for (std::size_t i = start; i < end; ++i) {
            map.push_back('<');
            AppendHex4(map, static_cast<std::uint32_t>(mapped[i]));
            map.append("> <");
            AppendUtf16Hex(map, characterOf[mapped[i]]);
            map.append(">\n");
        }
        map.append("endbfchar\n");
    }
    map.append("endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
    return map;
}

}  // namespace

Result<std::shared_ptr<const PdfFontProgram>> PdfFontProgram::Of(const QFont& font) {
    auto program = std::shared_ptr<PdfFontProgram>(new PdfFontProgram());
    program->font_ = QRawFont::fromFont(font);
    if (!program->font_.isValid())
        return Error{"", "the font " + font.family().toStdString() + " is not found"};
    TrueTypeTables tables;
    for (const char* tag : kFontTables) {
        const QByteArray bytes = program->font_.fontTable(tag);
        if (!bytes.isEmpty()) tables.emplace(tag, bytes.toStdString());
    }
    if (!tables.contains("glyf") || !tables.contains("loca"))
        return Error{"", NotEmbeddableReason(font)};
    program->tables_ = std::make_shared<const TrueTypeTables>(std::move(tables));
    if (auto usable = TrueTypeSubset::Of(program->tables_); !usable) {
        // Named as asked for: a font the system could not load whole may have no name to read.
        return Error{"", "the font " + font.family().toStdString() +
                             " cannot be embedded: " + usable.error().reason};
    }
    for (char32_t character = 0; character < program->latin1Glyphs_.size(); ++character)
        program->latin1Glyphs_[character] = FontGlyphOf(program->font_, character);
    program->name_ = PostScriptName(program->font_);
    return std::shared_ptr<const PdfFontProgram>(std::move(program));
}

const EmbeddedSubset& PdfFontProgram::Subset(const SubsetKey& key,
                                             const std::function<EmbeddedSubset()>& make) const {
    // A batch of cards holds a handful of different subsets; more are made again when asked.
    constexpr std::size_t kMostKept = 16;
    if (const auto kept = subsets_.find(key); kept != subsets_.end()) return kept->second;
    if (subsetOrder_.size() >= kMostKept) {
        subsets_.erase(subsetOrder_.front());
        subsetOrder_.pop_front();
    }
    subsetOrder_.push_back(key);
    return subsets_.emplace(key, make()).first->second;
}

std::uint16_t PdfFontProgram::GlyphOf(char32_t character) const {
    return character < latin1Glyphs_.size() ? latin1Glyphs_[character]
                                            : FontGlyphOf(font_, character);
}

Result<PdfFont> PdfFont::Of(std::shared_ptr<const PdfFontProgram> program) {
    VELMARO_TRY(auto subset, TrueTypeSubset::Of(program->Tables()));
    return PdfFont(std::move(program), std::move(subset));
}

PdfFont::PdfFont(std::shared_ptr<const PdfFontProgram> program, TrueTypeSubset subset)
    // Whatever character the font lacks is read back as the replacement character.
    : program_(std::move(program)), subset_(std::move(subset)), characterOf_(1, U'\uFFFD') {}

std::uint16_t PdfFont::SubsetGlyph(char32_t character) {
    const std::uint16_t glyph = subset_.Use(program_->GlyphOf(character));
    if (glyph >= characterOf_.size()) characterOf_.resize(glyph + 1u, 0);
    if (glyph != 0 && characterOf_[glyph] == 0) characterOf_[glyph] = character;
    return glyph;
}

void PdfFont::AppendShowText(std::string_view utf8, const Advance& layoutAdvance,
                             std::string& out) {
    const std::size_t start = out.size();
    out.push_back('<');
    bool adjusted = false;
    // Whether a reader would read a character back as another: one that shares its glyph with
    // a character mapped to it first (the no-break space with the space), or one the font
    // lacks, U+FFFD included: its missing-character box, moved to the layout's advance, reads
    // as the end of a word.
    bool misread = false;
    const auto show = [&](char32_t character) {
        const std::uint16_t glyph = SubsetGlyph(character);
        if (glyph == 0 || characterOf_[glyph] != character) misread = true;
        AppendHex4(out, glyph);
        if (glyph != 0) return;
        // A positive adjustment moves the next glyph back, in thousandths of the em.
        out.append("> ");
        AppendPdfNumber(out, subset_.AdvanceInThousandths(0) - layoutAdvance(character));
        out.append(" <");
        adjusted = true;
    };
    // Plain ASCII, most of a card, needs no decoding.
    std::size_t at = 0;
    while (at < utf8.size() && static_cast<unsigned char>(utf8[at]) < 0x80)
        show(static_cast<unsigned char>(utf8[at++]));
    if (at < utf8.size()) {
        const QString rest =
            QString::fromUtf8(utf8.data() + at, static_cast<qsizetype>(utf8.size() - at));
        for (const char32_t character : rest.toUcs4())
            show(character);
    }
    out.push_back('>');
    if (adjusted) {
        out.insert(start, 1, '[');
        out.append("] TJ");
    } else {
        out.append(" Tj");
    }
    if (misread) {
        // The text as it is, for whoever copies or searches it.
        std::string actual = "/Span << /ActualText <FEFF";
        for (const char32_t character :
             QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toUcs4())
            AppendUtf16Hex(actual, character);
        actual.append("> >> BDC ");
        out.insert(start, actual);
        out.append(" EMC");
    }
}

void PdfFont::Include(std::u32string_view characters) {
    for (const char32_t character : characters)
        SubsetGlyph(character);
}

EmbeddedSubset PdfFont::Embedded() {
    EmbeddedSubset embedded;
    const std::string program = subset_.Build();
    embedded.name = SubsetTag(program) + "+" + program_->Name();
    embedded.widths = "[0 [";
    for (std::size_t glyph = 0; glyph < subset_.Count(); ++glyph) {
        if (glyph > 0) embedded.widths.push_back(' ');
        embedded.widths.append(
            std::to_string(subset_.AdvanceInThousandths(static_cast<std::uint16_t>(glyph))));
    }
    embedded.widths.append("]]");
    const TrueTypeSubset::Box box = subset_.BoundingBox();
    embedded.descriptor = "/Flags 4 /FontBBox [" + std::to_string(box.left) + " " +
                          std::to_string(box.bottom) + " " + std::to_string(box.right) + " " +
                          std::to_string(box.top) + "] /ItalicAngle 0" + " /Ascent " +
                          std::to_string(subset_.Ascent()) + " /Descent " +
                          std::to_string(subset_.Descent()) + " /CapHeight " +
                          std::to_string(subset_.CapHeight()) + " /StemV 80";
    embedded.fileLength = program.size();
    embedded.compressedFile = PdfDocument::Compressed(program, PdfDocument::StreamData::kDense);
    embedded.compressedToUnicode =
        PdfDocument::Compressed(ToUnicodeMap(characterOf_), PdfDocument::StreamData::kRepetitive);
    return embedded;
}

Status PdfFont::Write(PdfDocument& document, int number) {
    const EmbeddedSubset& embedded =
        program_->Subset({subset_.FontGlyphs(), characterOf_}, [this] { return Embedded(); });
    const std::string& name = embedded.name;

    const int descendant = document.NewObject();
    const int descriptor = document.NewObject();
    const int file = document.NewObject();
    const int toUnicode = document.NewObject();

    VELMARO_TRY(document.WriteObject(number, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                                                 " /Encoding /Identity-H /DescendantFonts [" +
                                                 std::to_string(descendant) + " 0 R] /ToUnicode " +
                                                 std::to_string(toUnicode) + " 0 R >>"));
    VELMARO_TRY(document.WriteObject(
        descendant, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                        " /FontDescriptor " +
                        std::to_string(descriptor) + " 0 R /CIDToGIDMap /Identity /W " +
                        embedded.widths + " >>"));
    VELMARO_TRY(document.WriteObject(descriptor, "<< /Type /FontDescriptor /FontName /" + name +
                                                     " " + embedded.descriptor + " /FontFile2 " +
                                                     std::to_string(file) + " 0 R >>"));
    VELMARO_TRY(document.WriteCompressedStream(
        file, "/Length1 " + std::to_string(embedded.fileLength), embedded.compressedFile));
    return document.WriteCompressedStream(toUnicode, "", embedded.compressedToUnicode);
}

}  // namespace velmaro
