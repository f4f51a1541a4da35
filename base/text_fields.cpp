#include "base/text_fields.h"

namespace velmaro {

std::string_view Left(std::string_view text, std::size_t count) { return text.substr(0, count); }

std::string_view Mid(std::string_view text, std::size_t start, std::size_t count) {
    if (start < 1 || start > text.size()) return {};
    return text.substr(start - 1, count);
}

std::string_view MidToEnd(std::string_view text, std::size_t start) {
    return Mid(text, start, std::string_view::npos);
}

std::string_view Right(std::string_view text, std::size_t count) {
    return count >= text.size() ? text : text.substr(text.size() - count);
}

std::string_view TrimLeadingBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string_view TrimBlanks(std::string_view text) {
    text = TrimLeadingBlanks(text);
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

}  // namespace velmaro
