// Every player tick that the audio callback runs, as the callback saw it. The
// test program is linked with --wrap for pt_play (area.cmake), so the
// callback's call reaches the wrapper in ticks.cpp, which runs the real tick
// and notes it in a fixed array: recording allocates nothing.
#pragma once

#include <array>
#include <cstdint>

struct rt_tick {
  int32_t off;       // write position in the running callback's buffer when the tick began
  int32_t position;  // music position (order * 100 + row) after the tick
};

inline constexpr int RT_TICKS_MAX = 64;
extern std::array<rt_tick, RT_TICKS_MAX> rt_ticks;  // the first RT_TICKS_MAX since rt_ticks_clear
extern int32_t rt_nticks;                           // all ticks since rt_ticks_clear

void rt_ticks_clear();
