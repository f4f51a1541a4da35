#include "render/recording_surface.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/numeric_value.h"
#include "base/utf8_sequence.h"

namespace velmaro {

namespace {

// The shortest exact digits of value laid out in plain decimal notation: for the rare values
// whose shortest form is scientific although their exponent lies from -4 to 15.
std::string PlainDecimal(double value) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string scientific(buffer, error == std::errc{} ? end : buffer);
    const auto e = scientific.find('e');
    const int exponent = std::atoi(scientific.c_str() + e + 1);
    if (exponent < -4 || exponent >= 16) return FormatShortest(value);

    const bool negative = scientific[0] == '-';
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
        if (scientific[i] != '.') digits.push_back(scientific[i]);
    }
    std::string text;
    if (exponent < 0) {
        text = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto wholeDigits = static_cast<std::size_t>(exponent + 1);
        if (digits.size() <= wholeDigits) {
            text = digits + std::string(wholeDigits - digits.size(), '0') + ".0";
        } else {
            text = digits.substr(0, wholeDigits) + "." + digits.substr(wholeDigits);
        }
    }
    return negative ? "-" + text : text;
}

// Appends the coordinate form of value (see FormatCoordinate) to line. The card's coordinates
// take the fast path: their shortest form is already plain decimal notation.
void AppendCoordinate(std::string& line, double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    const std::string_view shortest(buffer, error == std::errc{} ? end : buffer);
    bool plain = !shortest.empty();
    bool hasPoint = false;
    for (const char c : shortest) {
        hasPoint = hasPoint || c == '.';
        plain = plain && c != 'e' && c != 'n';  // no exponent, not inf or nan
    }
    if (!plain) {
        line += std::isfinite(value) ? PlainDecimal(value) : FormatShortest(value);
        return;
    }
    line += shortest;
    if (!hasPoint) line += ".0";
}

// The escape of a character that JSON does not allow in a string as it stands, or nothing.
std::string_view JsonEscape(char c, char (&buffer)[8]) {
    switch (c) {
        case '"':
            return "\\\"";
        case '\\':
            return "\\\\";
        case '\n':
            return "\\n";
        case '\r':
            return "\\r";
        case '\t':
            return "\\t";
        case '\b':
            return "\\b";
        case '\f':
            return "\\f";
        default:
            if (static_cast<unsigned char>(c) >= 0x20) return {};
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned char>(c));
            return buffer;
    }
}

// A JSON document is UTF-8: a byte that is not part of valid UTF-8 (a folder named in Latin-1)
// is written as the text \xHH, legible where a replacement character would say nothing. A JSON
// string holds text only, so such a byte reads back as those four characters would.
void AppendJsonString(std::string& line, std::string_view text) {
    line.push_back('"');
    std::size_t plainFrom = 0;
    char buffer[8];
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        std::string_view escape;
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            escape = JsonEscape(text[i], buffer);
        } else {
            std::uint32_t codePoint = 0;
            length = Utf8Sequence(text.substr(i), codePoint);
            if (length == 0) {
                length = 1;
                std::snprintf(buffer, sizeof buffer, "\\\\x%02x",
                              static_cast<unsigned char>(text[i]));
                escape = buffer;
            }
        }
        if (!escape.empty()) {
            line.append(text.substr(plainFrom, i - plainFrom));
            line.append(escape);
            plainFrom = i + length;
        }
        i += length;
    }
    line.append(text.substr(plainFrom));
    line.push_back('"');
}

}  // namespace

std::string FormatCoordinate(double value) {
    std::string text;
    AppendCoordinate(text, value);
    return text;
}

std::string JsonString(std::string_view text) {
    std::string quoted;
    AppendJsonString(quoted, text);
    return quoted;
}

RecordingSurface::RecordingSurface(std::ostream& out, const TextMetrics& metrics)
    : out_(out), metrics_(metrics) {}

// Every line begins with its operation and a point: "<operation> X Y ".
void RecordingSurface::BeginLine(std::string_view operation, double x, double y) {
    line_ = operation;
    line_ += ' ';
    AppendCoordinate(line_, x);
    line_ += ' ';
    AppendCoordinate(line_, y);
    line_ += ' ';
}

void RecordingSurface::WriteLine() {
    line_ += '\n';
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

void RecordingSurface::DrawText(double x, double y, std::string_view text) {
    BeginLine("text", x, y);
    AppendJsonString(line_, text);
    WriteLine();
}

void RecordingSurface::DrawLine(double x1, double y1, double x2, double y2) {
    BeginLine("line", x1, y1);
    AppendCoordinate(line_, x2);
    line_ += ' ';
    AppendCoordinate(line_, y2);
    WriteLine();
}

void RecordingSurface::DrawCircle(double x, double y, double radius, bool filled) {
    BeginLine("circle", x, y);
    line_ += FormatShortest(radius);
    line_ += filled ? " filled" : " outline";
    WriteLine();
}

}  // namespace velmaro
