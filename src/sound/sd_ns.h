// Silent device: produces no sound but routes every channel operation into
// the mixer's records, so that the player runs unchanged.
#pragma once

#include <cstdint>

// Installs the silent device; cannot fail, returns 1.
int32_t sd_ns_init();
