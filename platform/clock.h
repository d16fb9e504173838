// A millisecond tick count for measuring short intervals.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds of a monotonic clock, truncated to 32 bits (wraps after about
// 49.7 days, so compare differences, not values).
uint32_t millisecondClock();

} // namespace platform
