#pragma once
// The size filter of the whole-drive finders: "Larger or equal to",
// "Smaller or equal to" or "In between" one or two byte counts.
#include <cstdint>

namespace quillon {

enum class SizeFilter {
    AtLeast, // low <= size
    AtMost,  // size <= low
    Between, // low <= size <= high
};

// Both bounds count as inside. Sizes are 64-bit: files of several GiB compare
// by their true size.
constexpr bool PassesSizeFilter(SizeFilter filter, int64_t size, int64_t low, int64_t high) {
    switch (filter) {
    case SizeFilter::AtLeast: return low <= size;
    case SizeFilter::AtMost: return size <= low;
    case SizeFilter::Between: return low <= size && size <= high;
    }
    return false;
}

// An "In between" range whose second bound lies below its first passes
// nothing; the finders refuse it before searching.
constexpr bool SizeRangeReversed(SizeFilter filter, int64_t low, int64_t high) {
    return filter == SizeFilter::Between && low > high;
}

} // namespace quillon
