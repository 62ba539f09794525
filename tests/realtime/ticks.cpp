#include "ticks.h"

#include "music/cool_mzx.h"

std::array<rt_tick, RT_TICKS_MAX> rt_ticks;
int32_t rt_nticks = 0;

void rt_ticks_clear() { rt_nticks = 0; }

// The linker's names for the wrapped and the real pt_play().
extern "C" int32_t __real__Z7pt_playv();
extern "C" int32_t __wrap__Z7pt_playv();

int32_t __wrap__Z7pt_playv() {
  const int32_t at = off;
  const int32_t r = __real__Z7pt_playv();
  if (rt_nticks < RT_TICKS_MAX) rt_ticks[static_cast<size_t>(rt_nticks)] = {at, mzx_position()};
  rt_nticks++;
  return r;
}
