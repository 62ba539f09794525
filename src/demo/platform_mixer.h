// The hardware volume: the handheld's OSS mixer device, read at start and
// written after every button press, with the demo's own main volume standing
// in for it on a machine without one.
#pragma once

#include <cstdint>

// OSS mixer requests for the PCM level (left in bits 0..7, right in 8..15).
inline constexpr unsigned long MIXER_READ_PCM = 0x80044D04UL;
inline constexpr unsigned long MIXER_WRITE_PCM = 0xC0044D04UL;

// The level a desktop starts at when there is no mixer device to read, and the
// level at which the demo's own output plays at its normal main volume
// (MZX_START_VOLUME).
inline constexpr int32_t DESKTOP_VOLUME = 80;

extern const char* platform_mixer_path;  // "/dev/sound/mixer"
extern bool platform_have_mixer;         // the mixer device answered at start
extern int32_t platform_volume_writes;   // volume writes since start (for tests)
extern int32_t platform_last_volume;     // the last level word written

// Reads the PCM level word into left/right. Without a mixer device the levels
// start at DESKTOP_VOLUME.
void platform_volume_read(int32_t* left, int32_t* right);
// Writes the level word left + right * 256: to the mixer device where there is
// one, else to the main volume of the demo's own mixer.
void platform_volume_write(int32_t left, int32_t right);
// Main volume (0..252) that a desktop level 0..99 maps to: DESKTOP_VOLUME is
// MZX_START_VOLUME.
int32_t platform_mainvolume_for(int32_t left, int32_t right);
