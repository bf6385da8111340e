#pragma once
// What the list sorts share: a row's key paired with the row, sorted stably in
// either direction, and the day a date sorts by.
#include "platform/clock.h"
#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillon {

template <typename Key> struct Keyed {
    Key key;
    uint32_t row;
};

// The rows by their keys; equal keys keep the order they came in.
template <typename Key>
std::vector<uint32_t> SortedByKey(std::vector<Keyed<Key>>& keyed, bool descending) {
    if (descending)
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const Keyed<Key>& a, const Keyed<Key>& b) { return b.key < a.key; });
    else
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const Keyed<Key>& a, const Keyed<Key>& b) { return a.key < b.key; });
    std::vector<uint32_t> order(keyed.size());
    for (size_t i = 0; i < keyed.size(); ++i) order[i] = keyed[i].row;
    return order;
}

// The day a date sorts by; an empty date cell sorts as 1 January 1900.
inline int64_t DayKey(DateTime value) {
    static const int64_t kEmptyDay = DayNumber(EncodeDateTime(1900, 1, 1));
    return value == kNoDate ? kEmptyDay : DayNumber(value);
}

} // namespace quillon
