#include "render/recording_surface.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmaro {

std::string FormatShortest(double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc{} ? std::string(buffer, end) : std::string("nan");
}

std::string FormatCoordinate(double value) {
    if (!std::isfinite(value)) return FormatShortest(value);
    if (value == 0) return std::signbit(value) ? "-0.0" : "0.0";
    // The shortest exact digits, then laid out in plain decimal notation for exponents from
    // -4 to 15 and in scientific notation beyond, like most languages print a double.
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

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
                    out += escape;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

RecordingSurface::RecordingSurface(std::ostream& out, const TextMetrics& metrics, SurfaceKind kind)
    : out_(out), metrics_(metrics), kind_(kind) {}

void RecordingSurface::DrawText(double x, double y, std::string_view text) {
    out_ << "text " << FormatCoordinate(x) << ' ' << FormatCoordinate(y) << ' ' << JsonString(text)
         << '\n';
}

void RecordingSurface::DrawLine(double x1, double y1, double x2, double y2) {
    out_ << "line " << FormatCoordinate(x1) << ' ' << FormatCoordinate(y1) << ' '
         << FormatCoordinate(x2) << ' ' << FormatCoordinate(y2) << '\n';
}

void RecordingSurface::DrawCircle(double x, double y, double radius, bool filled) {
    out_ << "circle " << FormatCoordinate(x) << ' ' << FormatCoordinate(y) << ' '
         << FormatShortest(radius) << (filled ? " filled" : " outline") << '\n';
}

}  // namespace velmaro
