#include "store/kept_runs.h"

#include <algorithm>
#include <bit>

namespace velmaro {

std::size_t KeptRuns::PlaceOf(std::int64_t offset, std::size_t size) const {
    const std::size_t mask = places_.size() - 1;
    // Offsets are multiples of a slot size: multiplying spreads them over the whole table.
    std::size_t index = static_cast<std::size_t>(
        ((static_cast<std::uint64_t>(offset) ^ (static_cast<std::uint64_t>(size) << 40)) *
         0x9E3779B97F4A7C15ULL) >>
        (64 - std::countr_zero(places_.size())));
    while (places_[index].offset != -1 &&
           !(places_[index].offset == offset && places_[index].size == size))
        index = (index + 1) & mask;
    return index;
}

std::optional<std::string_view> KeptRuns::Find(std::int64_t offset, std::size_t size) const {
    if (used_ == 0 || offset < 0) return std::nullopt;
    const Place& place = places_[PlaceOf(offset, size)];
    if (place.offset == -1) return std::nullopt;
    return std::string_view(bytes_.data() + place.at, place.got);
}

std::size_t KeptRuns::PlacesToKeepOneMore() const {
    if (2 * (used_ + 1) <= places_.size()) return places_.size();
    return places_.empty() ? 64 : 2 * places_.size();
}

void KeptRuns::Keep(std::int64_t offset, std::size_t size, std::string_view bytes) {
    if (offset < 0 || size > kMostBytes / 64 || bytes.size() > size) return;
    // The table counts as much as the block of bytes: runs of a few bytes, or of none (a run
    // past the end of a file cut short), would otherwise fill memory with places alone.
    if (std::max(bytes_.capacity(), bytes_.size() + bytes.size()) +
            PlacesToKeepOneMore() * sizeof(Place) >
        kMostBytes)
        Clear();
    if (PlacesToKeepOneMore() > places_.size()) Grow();
    Place& place = places_[PlaceOf(offset, size)];
    if (place.offset != -1) return;
    place = Place{offset, static_cast<std::uint32_t>(size),
                  static_cast<std::uint32_t>(bytes.size()), bytes_.size()};
    // Grown by doubling, but never past what the table leaves of the most bytes kept.
    if (bytes_.size() + bytes.size() > bytes_.capacity()) {
        const std::size_t room = kMostBytes - places_.size() * sizeof(Place);
        bytes_.reserve(
            std::min(std::max(2 * bytes_.capacity(), bytes_.size() + bytes.size()), room));
    }
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    ++used_;
}

void KeptRuns::Grow() {
    const std::size_t count = PlacesToKeepOneMore();
    std::vector<Place> old = std::move(places_);
    places_.assign(count, Place{});
    for (const Place& place : old)
        if (place.offset != -1) places_[PlaceOf(place.offset, place.size)] = place;
}

void KeptRuns::Clear() {
    // Given back: runs are cleared when their file changes, which may be never again.
    places_ = std::vector<Place>();
    used_ = 0;
    bytes_ = std::vector<char>();
}

std::size_t KeptRuns::HeldBytes() const {
    return bytes_.capacity() + places_.capacity() * sizeof(Place);
}

}  // namespace velmaro
