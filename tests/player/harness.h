// Test harness for the player: loads a module built in code with the
// recording device over the mixer and runs ticks, giving back the sound-device
// calls of each tick grouped by the channel that was selected.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "player/pt.h"
#include "sound/sd_rec.h"
#include "support/modbuild.h"

// Fixture of the player's tests. pt_init clears the channels but leaves the
// glissando switches and the default panning as the last module left them;
// this puts them back after every test, so no test leaks its state into later
// ones, even when an assertion fails.
class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::copy_n(pt_glissando, 32, glissando_.begin());
    std::copy_n(pt_defaultpan, 32, defaultpan_.begin());
  }
  void TearDown() override {
    std::copy_n(glissando_.begin(), 32, pt_glissando);
    std::copy_n(defaultpan_.begin(), 32, pt_defaultpan);
  }

 private:
  std::array<int32_t, 32> glissando_{};
  std::array<uint8_t, 32> defaultpan_{};
};

struct rec_call {
  sd_rec_op op;
  int64_t value;
};

// The calls of one tick: calls[ch] holds what followed `select ch`, in order.
struct tick_calls {
  std::vector<rec_call> calls[32];
  int32_t selects = 0;  // select calls in the tick
  int32_t total = 0;    // all calls in the tick

  // The values of every call of kind op on channel ch, in order.
  std::vector<int64_t> values(int ch, sd_rec_op op) const;
  // The last value of kind op on channel ch, or -1 when none was sent.
  int64_t last(int ch, sd_rec_op op) const;
};

// Loads bytes (padded with zeros so the mixer may read past the last sample)
// with the recorder installed and the mixer reset; pt_init follows a
// successful load. Returns pt_takemod's result. The image must stay alive
// while the module plays, so it lives in the harness.
int32_t load_module(const std::vector<uint8_t>& bytes);
int32_t load_module(const mb_module& m);
// Loads a whole image of which size bytes are the module (as the demo loads
// its file into a larger zeroed buffer).
int32_t load_image(std::vector<uint8_t> image, int32_t size);
// The load's own calls (getsample, activechannels).
const std::vector<rec_call>& load_calls();
// The load's calls as trace lines ("getsample ...", "activechannels N").
const std::string& load_trace();
// The converted image of the last load.
std::vector<uint8_t>& loaded_image();
// One tick of pt_play.
tick_calls play_tick();
// n ticks; the result has one entry per tick.
std::vector<tick_calls> play_ticks(int n);

// The trace lines of one tick as zapmod trace prints them (tick, calls, pos).
std::string trace_tick(int64_t k);
