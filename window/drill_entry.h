// Drill entry: a diameter typed into the drill field, read as the up-downs would leave it
// (one decimal, from 0.0 to 29.9 mm).
#pragma once

#include <optional>
#include <string_view>

namespace marloq {

inline constexpr int kMaxDrillTenths = 299;  // 29.9 mm, the most the up-downs reach

// Tenths of a millimetre for a typed diameter such as "6,35", "6.4", " 12 " or ",5",
// rounded half up at the first decimal (6,35 gives 64); nothing for other text or a
// diameter outside 0.0 to 29.9 mm.
std::optional<int> TypedDrillTenths(std::string_view typed);

}  // namespace marloq
