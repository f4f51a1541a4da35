#pragma once

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace velmaro {

// A text of at most Capacity bytes held in place, for the short fields of a record: copying
// one is copying a few bytes, with no allocation and no pointer to follow.
template <std::size_t Capacity>
class ShortText {
    static_assert(Capacity < 256, "the length is held in one byte");

  public:
    constexpr ShortText() = default;
    // The first Capacity bytes of text (the whole of it when it is no longer).
    constexpr ShortText(std::string_view text)  // NOLINT: a field is written as its text
        : size_(static_cast<std::uint8_t>(std::min(text.size(), Capacity))) {
        std::copy_n(text.data(), size_, bytes_.data());
    }
    constexpr ShortText(const char* text) : ShortText(std::string_view(text)) {}

    constexpr std::string_view view() const { return {bytes_.data(), size_}; }
    constexpr operator std::string_view() const { return view(); }  // NOLINT
    std::string str() const { return std::string(view()); }
    constexpr std::size_t size() const { return size_; }
    constexpr bool empty() const { return size_ == 0; }

    // Compares the texts whole: a longer text never equals a ShortText, whatever it begins with.
    friend constexpr bool operator==(const ShortText& a, std::string_view b) {
        return a.view() == b;
    }
    // Two ShortTexts: without it, either one converts to a view and the comparison could go
    // either way round. A template, so that a literal ("31") is never made a ShortText for it.
    template <typename Other>
    requires std::same_as<Other, ShortText>
    friend constexpr bool operator==(const ShortText& a, const Other& b) {
        return a.view() == b.view();
    }
    friend std::ostream& operator<<(std::ostream& out, const ShortText& text) {
        return out << text.view();
    }

  private:
    std::array<char, Capacity> bytes_{};
    std::uint8_t size_ = 0;
};

}  // namespace velmaro
