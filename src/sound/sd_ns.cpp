// Silent device. Installs do-nothing lifecycle operations and the mixer's
// channel operations, so the player can run (driven by a timer) with no audio
// output at all. It also serves as the fallback when the SDL output cannot be
// opened: installing it always gives a complete table.
#include "sound/sd_ns.h"

#include "sound/sd_main.h"

// The mixer is deliberately not initialised: its records keep their
// program-start contents and sd_mix_rate stays 44100, so the player's period
// changes still compute steps, and nothing is ever mixed.
void ns_init() {}

void ns_dummyfunction() {}

int32_t sd_ns_init() {
  sd_init = ns_init;
  sd_shutdown = ns_dummyfunction;
  sd_secondhand = ns_dummyfunction;
  sd_start = ns_dummyfunction;
  sd_stop = ns_dummyfunction;
  sd_mix_setfunctions();
  sd_devicename = "Quiet Box NoSound Device 2.0c";
  return 1;
}
