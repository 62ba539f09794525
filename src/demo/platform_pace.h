// Frame pacing: a desktop gives the processor back between frames; the
// handheld draws as fast as it can.
#pragma once

#include <cstdint>

// Desktop frame period in microseconds (about 60 frames a second).
inline constexpr uint32_t PLATFORM_FRAME_US = 16667;

// Sleeps until about 1/60 s after the previous frame's deadline (none if the
// frame ran late). The handheld build returns at once.
void platform_pace();
