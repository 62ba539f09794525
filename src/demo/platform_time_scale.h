// ZAP_TIME_SCALE: the environment's request to run the demo silently and
// faster than real time (tests and offline runs).
#pragma once

#include <cstdint>

// Fastest ZAP_TIME_SCALE: tid stays within 32 bits for days of demo time.
inline constexpr int32_t PLATFORM_MAX_TIME_SCALE = 1000;

// Reads ZAP_TIME_SCALE into *scale: unset gives 0 (real time, with sound); a
// whole number 1..PLATFORM_MAX_TIME_SCALE runs the demo silently that many
// times faster. False, after a message on stderr, for any other value.
bool platform_time_scale(int32_t* scale);
