// Silent device: produces no sound but routes every channel operation into
// the mixer's records, so that the player runs unchanged.
#pragma once

#include <cstdint>

// Installs the silent device; cannot fail, returns 1.
int32_t sd_ns_init();
// Its sd_init: does nothing (the mixer keeps its program-start state and rate).
void ns_init();
// Its sd_start, sd_stop, sd_shutdown and sd_secondhand: does nothing.
void ns_dummyfunction();
