// Bytes that users hand to the program as text: a list of numbers (--from), a folder's name, any
// text shown back in a message or written into a JSON string (the check's report, a recording),
// a data file's Windows-1252 text. Never a crash, and each reader and writer keeps its word:
// nothing lost, nothing added, nothing unsafe let through.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/number_lines.h"
#include "base/printable_text.h"
#include "base/utf8_sequence.h"
#include "base/windows1252.h"
#include "render/recording_surface.h"
#include "ui/file_name_text.h"

namespace {

// The code points of valid UTF-8 text; false when some byte is not part of valid UTF-8.
bool CodePoints(std::string_view text, std::vector<std::uint32_t>& codePoints) {
    codePoints.clear();
    while (!text.empty()) {
        std::uint32_t codePoint = 0;
        const std::size_t length = velmaro::Utf8Sequence(text, codePoint);
        if (length == 0) return false;
        codePoints.push_back(codePoint);
        text.remove_prefix(length);
    }
    return true;
}

bool IsControl(std::uint32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The text a printable one stands for: "\\" is one backslash, "\xHH" one byte. False when the
// printable text holds a backslash that starts neither.
bool Unescaped(std::string_view printable, std::string& text) {
    text.clear();
    for (std::size_t i = 0; i < printable.size(); ++i) {
        if (printable[i] != '\\') {
            text += printable[i];
        } else if (i + 1 < printable.size() && printable[i + 1] == '\\') {
            text += '\\';
            i += 1;
        } else if (i + 3 < printable.size() && printable[i + 1] == 'x' &&
                   HexDigit(printable[i + 2]) >= 0 && HexDigit(printable[i + 3]) >= 0) {
            text += static_cast<char>(HexDigit(printable[i + 2]) * 16 + HexDigit(printable[i + 3]));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

// What the numbers of a list of valid UTF-8 are, put end to end: its text without line ends,
// and without the byte-order mark that may open a line (an editor's "UTF-8 with BOM").
std::string NumbersEndToEnd(std::string_view text) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    std::string joined;
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lineStart = true;
            continue;
        }
        if (lineStart && text.substr(i).starts_with(kMark)) {
            i += kMark.size() - 1;
        } else {
            joined += text[i];
        }
        lineStart = false;
    }
    return joined;
}

// The text of a JSON string literal as a JSON reader takes it, or false when it is not one: no
// character below U+0020 as it stands, only JSON's escapes, surrogates only in pairs.
bool JsonStringValue(std::string_view literal, std::string& value) {
    value.clear();
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') return false;
    const std::string_view inner = literal.substr(1, literal.size() - 2);
    const auto hex4 = [&](std::size_t at, std::uint32_t& unit) {
        if (at + 4 > inner.size()) return false;
        unit = 0;
        for (std::size_t k = at; k < at + 4; ++k) {
            const char c =
                inner[k] >= 'A' && inner[k] <= 'F' ? char(inner[k] - 'A' + 'a') : inner[k];
            if (HexDigit(c) < 0) return false;
            unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(c));
        }
        return true;
    };
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const char c = inner[i];
        if (static_cast<unsigned char>(c) < 0x20 || c == '"') return false;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++i == inner.size()) return false;
        switch (inner[i]) {
            case '"':
                value += '"';
                break;
            case '\\':
                value += '\\';
                break;
            case '/':
                value += '/';
                break;
            case 'b':
                value += '\b';
                break;
            case 'f':
                value += '\f';
                break;
            case 'n':
                value += '\n';
                break;
            case 'r':
                value += '\r';
                break;
            case 't':
                value += '\t';
                break;
            case 'u': {
                std::uint32_t unit = 0;
                if (!hex4(i + 1, unit)) return false;
                i += 4;
                if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    std::uint32_t low = 0;
                    if (i + 2 >= inner.size() || inner[i + 1] != '\\' || inner[i + 2] != 'u' ||
                        !hex4(i + 3, low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    i += 6;
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
                velmaro::AppendUtf8(value, unit);
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

// text with each byte that is not part of valid UTF-8 written as the four characters \xHH.
std::string WithBadBytesAsText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    while (!text.empty()) {
        std::uint32_t codePoint = 0;
        std::size_t length = velmaro::Utf8Sequence(text, codePoint);
        if (length == 0) {
            length = 1;
            const auto byte = static_cast<unsigned char>(text[0]);
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return shown;
}

void CheckNumberLines(std::string_view text) {
    const std::vector<std::string> numbers = velmaro::NumberLines(text);
    std::vector<std::uint32_t> codePoints;
    std::string joined;
    for (const std::string& number : numbers) {
        // A number is a whole line, never empty, always text that can be shown.
        if (number.empty() || number.find_first_of("\r\n") != std::string::npos) std::abort();
        if (!CodePoints(number, codePoints)) std::abort();
        joined += number;
    }
    const bool utf16 = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
    // A list that is valid UTF-8 loses nothing but its line ends and marks.
    if (!utf16 && CodePoints(text, codePoints) && joined != NumbersEndToEnd(text)) std::abort();
}

void CheckPrintableText(std::string_view text) {
    const std::string printable = velmaro::PrintableText(text);
    std::vector<std::uint32_t> codePoints;
    // Nothing a terminal could take for a command, and every byte can be told again.
    if (!CodePoints(printable, codePoints)) std::abort();
    // Nor one that hides in plain sight: a non-breaking space, a byte-order mark, a zero width,
    // a turn of the text's direction.
    for (const std::uint32_t codePoint : codePoints)
        if (IsControl(codePoint) || codePoint == 0xA0 || codePoint == 0xFEFF ||
            codePoint == 0x200B || codePoint == 0x202E) {
            std::abort();
        }
    std::string told;
    if (!Unescaped(printable, told) || told != text) std::abort();
}

void CheckJsonString(std::string_view text) {
    // A JSON reader takes back the text written, each byte that is no UTF-8 as its \xHH.
    const std::string literal = velmaro::JsonString(text);
    std::vector<std::uint32_t> codePoints;
    std::string value;
    if (!CodePoints(literal, codePoints) || !JsonStringValue(literal, value) ||
        value != WithBadBytesAsText(text)) {
        std::abort();
    }
}

void CheckWindows1252(std::string_view bytes) {
    // Every byte of a data file is one character of its text, ASCII as it stands, and the five
    // bytes the code page leaves undefined alone the replacement character.
    const std::string decoded = velmaro::DecodeWindows1252(bytes);
    std::vector<std::uint32_t> codePoints;
    if (!CodePoints(decoded, codePoints) || codePoints.size() != bytes.size()) std::abort();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80 && codePoints[i] != byte) std::abort();
        if (velmaro::IsUndefinedInWindows1252(byte) != (codePoints[i] == 0xFFFD)) std::abort();
        if (!velmaro::IsUndefinedInWindows1252(byte) &&
            !velmaro::IsWindows1252Character(codePoints[i])) {
            std::abort();
        }
    }
}

// Whether a list reader refuses text as a whole: a zero byte, or after a UTF-16 mark a character
// zero (the fuzzer's inputs are far too short for the limits of lines and bytes).
bool RefusedWhole(std::string_view text) {
    if (!text.starts_with("\xFF\xFE") && !text.starts_with("\xFE\xFF")) {
        return text.find('\0') != std::string_view::npos;
    }
    for (std::size_t at = 2; at + 1 < text.size(); at += 2)
        if (text[at] == '\0' && text[at + 1] == '\0') return true;
    return false;
}

// Whether the list check refuses text read in pieces of the lengths cuts gives in turn (the
// last one again and again).
bool RefusedInPieces(std::string_view text, const std::vector<std::size_t>& cuts) {
    const velmaro::ReadCheck check = velmaro::NumberListCheck();
    std::size_t read = 0;
    for (std::size_t piece = 0; read < text.size(); ++piece) {
        const std::size_t length =
            std::min(cuts[std::min(piece, cuts.size() - 1)], text.size() - read);
        const std::size_t newFrom = read;
        read += length;
        if (check(text.substr(0, read), newFrom)) return true;
    }
    return false;
}

void CheckListReading(std::string_view text) {
    // However a pipe cuts the list, the verdict is the list's: a character split between two
    // reads is neither missed nor taken for a zero.
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < text.size() && cuts.size() < 8; ++i)
        cuts.push_back(1 + static_cast<unsigned char>(text[i]) % 5);
    const bool refused = RefusedWhole(text);
    if (RefusedInPieces(text, {text.size() + 1}) != refused ||
        RefusedInPieces(text, {1}) != refused ||
        (!cuts.empty() && RefusedInPieces(text, cuts) != refused)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckNumberLines(text);
    CheckListReading(text);
    CheckPrintableText(text);
    CheckJsonString(text);
    // A folder's name, whatever its bytes, comes back byte for byte through Qt's text.
    if (velmaro::FileNameBytes(velmaro::FileNameText(text)) != text) std::abort();
    CheckWindows1252(text);
    return 0;
}
