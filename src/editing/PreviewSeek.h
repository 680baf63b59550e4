#pragma once
// Where a preview's seek slider points: its position as a share of its maximum, of the duration.
#include <cstdint>

namespace orvel {

inline int64_t SliderSeekPosition(int position, int maximum, int64_t duration) {
    if (maximum <= 0) return 0;
    return static_cast<int64_t>(static_cast<double>(position) / maximum * static_cast<double>(duration));
}

} // namespace orvel
