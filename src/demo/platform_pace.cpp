// Frame pacing (see platform_pace.h). Owns the next frame's deadline.
#include "demo/platform_pace.h"

#include "sys/sdlcall.h"

void platform_pace() {
#ifndef ZAP_HANDHELD
  // Deadlines in microseconds, so the 16.667 ms period does not drift. A frame
  // that ran late (or a clock that wrapped) starts the count afresh rather than
  // rushing the next frames to catch up.
  static uint64_t next = 0;
  const uint64_t now = uint64_t{sdl_getticks()} * 1000;
  if (next > now && next - now <= PLATFORM_FRAME_US) {
    sdl_delay(static_cast<uint32_t>((next - now) / 1000));
  } else {
    next = now;
  }
  next += PLATFORM_FRAME_US;
#endif
}
