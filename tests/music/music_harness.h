// Helpers shared by the music front end's tests: a module image that stays
// where the player can use it in place, and a tick recorder that notes the
// write position of the running callback each time the player starts a tick.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "music/cool_mzx.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"
#include "support/modbuild.h"

// Module bytes copied into a zeroed block with slack behind them (the mixer
// reads a little past a sample's end), as the demo's 1,000,000-byte buffer does.
struct module_image {
  std::vector<uint8_t> bytes;
  int32_t size = 0;
  explicit module_image(const std::vector<uint8_t>& file) : bytes(file.size() + 64, 0) {
    std::copy(file.begin(), file.end(), bytes.begin());
    size = static_cast<int32_t>(file.size());
  }
};

// A four-channel module that sounds a ramp on channel 0 from row 0; orders
// gives the order list (all entries pattern 0 unless the caller changes it).
inline mb_module ramp_module(int orders = 1) {
  mb_module m;
  m.order.assign(orders, 0);
  m.sample(1, 4000);
  m.samples[1].loopstart_words = 0;
  m.samples[1].looplen_words = 2000;
  m.cell(0, 0, 0) = {1, mb_period(24), 0, 0};
  return m;
}

// Leaves the front end with no module, so that no tick source touches a
// module image that a finished test has freed: a refused module stops ticks.
inline void forget_module() {
  static uint8_t none[1084] = {};
  mzx_get(none, sizeof none);
}

// Every pt_play selects channel 0 first (except on the held boundaries of a
// pattern delay, which the tests here do not use), and mix_newhand sets `off`
// to the slice's start before the tick: so the value of `off` at each
// selection of channel 0 is the write position at which a tick began.
struct tick_recorder {
  static inline std::vector<int32_t> offsets;
  static void select(int32_t channel) {
    if (channel == 0) offsets.push_back(off);
    mix_selectchannel(channel);
  }
  static void install() {
    offsets.clear();
    sd_selectchannel = &tick_recorder::select;
  }
};
