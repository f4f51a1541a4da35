// How many threads draw split cards at once within the memory left to the process.

#include "app/split_limits.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "ui/card_page.h"

namespace velmaro {
namespace {

TEST(SplitLimits, ThreadsHoldTheirPagesWithinTheMemoryLeftToTheProcess) {
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    const QSize page = CardPageSizeAt(600);
    // A page of 600 dpi as drawn, four bytes a pixel: each thread holds one at least.
    const std::uint64_t pageBytes =
        static_cast<std::uint64_t>(page.width()) * static_cast<std::uint64_t>(page.height()) * 4;
    const SplitRequest png{.folder = "", .format = CardFormat::kPng, .dotsPerInch = 600};
    const SplitRequest pdf{.folder = "", .format = CardFormat::kPdf, .dotsPerInch = 600};
    // Within a container of 3 GiB, 64 threads' pages would take 9 GB: fewer draw at once, as
    // many as fit, not one alone.
    const std::size_t inThreeGiB = ThreadsWithinMemory(3 * kGiB, png, 64);
    EXPECT_LE(inThreeGiB * pageBytes, 3 * kGiB);
    EXPECT_GE(inThreeGiB, 8u);
    const struct {
        std::uint64_t memory;
        SplitRequest request;
        std::size_t threads;
        std::size_t expected;
    } cases[] = {
        {256 << 20, png, 8, 1},   // room for none: one thread still draws
        {64 * kGiB, png, 4, 4},   // no more than asked for
        {3 * kGiB, pdf, 64, 64},  // no page image held: the memory bounds nothing here
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.memory) + " bytes, " + std::to_string(c.threads));
        EXPECT_EQ(ThreadsWithinMemory(c.memory, c.request, c.threads), c.expected);
    }
}

}  // namespace
}  // namespace velmaro
