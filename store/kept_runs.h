#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmaro {

// Runs of a record file as read from the disk, kept by their place in the file: one table of
// places, searched by open addressing, and one block of their bytes, so that finding a kept run
// touches two places in memory. The table and the bytes take at most kMostBytes: past that the
// runs kept go and keeping starts anew.
class KeptRuns {
  public:
    // A lookup's two runs are some 600 bytes: this keeps those of some 25,000 students.
    static constexpr std::size_t kMostBytes = 16 << 20;

    // The bytes kept for the run of size bytes at offset; nothing when none is. The view
    // lasts until the next Keep or Clear.
    std::optional<std::string_view> Find(std::int64_t offset, std::size_t size) const;
    // Keeps bytes (what a read of size bytes at offset got) unless a run is kept there already;
    // bytes of more than kMostBytes / 64 are not kept.
    void Keep(std::int64_t offset, std::size_t size, std::string_view bytes);
    void Clear();

    // The memory the runs take, with their table: at most kMostBytes.
    std::size_t HeldBytes() const;

  private:
    struct Place {
        std::int64_t offset = -1;  // -1: an empty place
        std::uint32_t size = 0;
        std::uint32_t got = 0;
        std::uint64_t at = 0;  // where its bytes start in bytes_
    };
    // The place of the run at offset of size, or the empty one where it would go.
    std::size_t PlaceOf(std::int64_t offset, std::size_t size) const;
    // How many places the table needs to keep one more run: at most half of them in use.
    std::size_t PlacesToKeepOneMore() const;
    void Grow();

    std::vector<Place> places_;  // a power of two of them, at most half in use
    std::size_t used_ = 0;
    std::vector<char> bytes_;  // a vector's capacity is what it is asked for
};

}  // namespace velmaro
