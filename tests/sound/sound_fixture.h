// Shared fixture of the sound tests: every test starts from the program-start
// state of the table and the mixer and leaves it so, because the tests also
// run together in one process.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "sound/sd_main.h"
#include "sound/sd_mix.h"

inline void reset_sound_state() {
  sd_init = sd_start = sd_stop = sd_shutdown = sd_secondhand = sd_hand = nullptr;
  sd_getsample = nullptr;
  sd_selectchannel = sd_setsample = sd_setamigaperiod = sd_setvolume = sd_setpanning = nullptr;
  sd_setoffset = nullptr;
  sd_setmainvolume = sd_setactivechannels = nullptr;
  sd_devicename = "";
  sd_errorstr = "";
  mix_samples = {};
  mix_channels = {};
  mix_realchannels = {};
  mix_buffer32 = {};
  mix_selectchannel(0);
  mix_mainvolume = 63;
  mix_activechannels = 4;
  sd_mix_rate = 44100;
  sd_mix_interpolation = 0;
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_sound_state(); }
  void TearDown() override { reset_sound_state(); }
};

// Puts sample `number` (data, length, loop) on channel `channel` through the
// operations, at volume 64, position `pos` and a step of exactly one byte.
inline void start_channel(int32_t channel, int32_t number, const int8_t* data, uint32_t length,
                          uint32_t loopstart, uint32_t loopend, int32_t looping, uint32_t pos) {
  mix_getsample(number, data, length, loopstart, loopend, looping);
  mix_selectchannel(channel);
  mix_setsample(number);
  mix_setvolume(64);
  mix_setoffset(pos);
  curchan->step = 1;
  curchan->stepfrac = 0;
  curchan->stepchanged = 1;
}
