// Choosing and starting the output: the word mzx_init reads from standard
// input, the silent fallback when SDL audio cannot open, the main volume, the
// tick clock's figures, and the silent device's timer ticks.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "music/cool_mzx.h"
#include "music/mzx_sync.h"
#include "music_harness.h"
#include "player/pt.h"
#include "sound/sd_dsp16.h"
#include "sound/sd_main.h"
#include "sound/sd_mix.h"

namespace {

constexpr const char* k_silent_name = "Quiet Box NoSound Device 2.0c";

// Makes standard input read text from the start. ctest runs every test as a
// process of its own, several at once, so the file is named by process.
void feed_stdin(const std::string& text) {
  const std::string path =
      ::testing::TempDir() + "music_stdin_" + std::to_string(static_cast<long>(getpid())) + ".txt";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  ASSERT_NE(std::freopen(path.c_str(), "rb", stdin), nullptr);
  std::remove(path.c_str());  // the open stream keeps it readable
}

// mzx_init with text on standard input; out receives what it printed.
int32_t init_with(const std::string& text, std::string* out = nullptr) {
  feed_stdin(text);
  ::testing::internal::CaptureStdout();
  const int32_t r = mzx_init();
  const std::string printed = ::testing::internal::GetCapturedStdout();
  if (out) *out = printed;
  return r;
}

// Waits (up to five seconds) for the timer-driven position to reach target.
bool wait_for_position(int32_t target) {
  for (int i = 0; i < 500; i++) {
    if (mzx_position() >= target) return true;
    SDL_Delay(10);
  }
  return false;
}

TEST(DeviceChoice, TwoWithMoreCharactersOpens44100) {
  callbackcount = 5;
  const int32_t handle = curhandle;
  std::string printed;
  ASSERT_EQ(init_with("2abc\n", &printed), 1);
  EXPECT_EQ(printed, "\n");
  EXPECT_EQ(laite, 2);
  EXPECT_STREQ(sd_devicename, "SDL audio");
  EXPECT_EQ(basefreq, 44100);
  EXPECT_EQ(wanted.callback, &mix_newhand);  // the front end hands the device its callback
  EXPECT_EQ(sd_mix_rate, 44100);
  EXPECT_EQ(mix_mainvolume, 64);
  EXPECT_EQ(callbackcount, 0);
  EXPECT_EQ(curhandle, handle);
  mzx_close();
}

TEST(DeviceChoice, OneOpens22050) {
  ASSERT_EQ(init_with("1\n"), 1);
  EXPECT_EQ(laite, 1);
  EXPECT_STREQ(sd_devicename, "SDL audio");
  EXPECT_EQ(basefreq, 22050);
  EXPECT_EQ(sd_mix_rate, 22050);
  EXPECT_EQ(mix_mainvolume, 64);
  mzx_close();
}

TEST(DeviceChoice, ZeroInstallsTheSilentDevice) {
  ASSERT_EQ(init_with("  0\n"), 1);
  EXPECT_EQ(laite, 0);
  EXPECT_STREQ(sd_devicename, k_silent_name);
  EXPECT_NE(sd_getsample, nullptr);
  EXPECT_EQ(mix_mainvolume, 64);
}

// Anything else, and an input that ends before a word, choose nothing: 0, and
// the table, the device and the registry stay as they were.
TEST(DeviceChoice, OtherWordsAndEndOfInputInstallNothing) {
  for (const char* text : {"x\n", "3", "-2", "", "   \n\n"}) {
    sd_init = nullptr;
    sd_getsample = nullptr;
    sd_devicename = "";
    laite = 7;
    callbackcount = 9;
    std::string printed;
    EXPECT_EQ(init_with(text, &printed), 0) << '"' << text << '"';
    EXPECT_EQ(printed, "\n");
    EXPECT_EQ(sd_init, nullptr);
    EXPECT_EQ(sd_getsample, nullptr);
    EXPECT_STREQ(sd_devicename, "");
    EXPECT_EQ(laite, 7);
    EXPECT_EQ(callbackcount, 9);
  }
  // With no device, a module is refused rather than loaded through an empty table.
  module_image image(ramp_module().build());
  EXPECT_EQ(mzx_get(image.bytes.data(), image.size), 0);
  callbackcount = 0;
}

// The reader takes at most 99 characters; the rest of a long word stays unread.
TEST(DeviceChoice, LongWordIsReadWithinItsBuffer) {
  std::string word = "1" + std::string(98, 'a') + "Z" + std::string(200, 'b');
  ASSERT_EQ(init_with(word + "\n"), 1);
  EXPECT_EQ(laite, 1);
  EXPECT_EQ(std::getc(stdin), 'Z');
  mzx_close();
}

// A fresh process, so that SDL's audio has not been started with a working
// driver: with a driver that does not exist the open fails, mzx_init says so
// on standard error, falls back to the silent device and the music still runs
// on timer ticks.
TEST(DeviceChoiceDeathTest, NoAudioOutputFallsBackToSilentTicks) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        const int32_t r = init_with("2\n");
        module_image image(ramp_module().build());
        int code = 0;
        if (r != 1) code = 2;
        else if (laite != 0) code = 3;
        else if (std::strcmp(sd_devicename, k_silent_name) != 0) code = 4;
        else if (std::strcmp(sd_errorstr, "SDL audio error") != 0) code = 5;
        else if (mzx_get(image.bytes.data(), image.size) != 1) code = 6;
        if (code == 0) {
          mzx_start(47);
          if (!wait_for_position(3)) code = 7;
          mzx_close();
        }
        std::exit(code);
      },
      ::testing::ExitedWithCode(0),
      "zapcobbles: no audio output \\(SDL audio error: .*\\); the music runs silently");
}

int32_t g_sent_mainvolume = -1;
void note_mainvolume(int32_t v) { g_sent_mainvolume = v; }

TEST(MasterVolume, SixtyThreeStepsPerUnitTruncated) {
  sd_mix_setfunctions();
  const struct {
    double volume;
    int32_t expected;
  } cases[] = {{1.02, 64}, {0.5, 31}, {1.0, 63}, {4.0, 252}, {4.5, 252}, {1e300, 252},
               {0.01, 0},  {-1.0, 0}, {-1e300, 0}, {std::nan(""), 0}};
  for (const auto& c : cases) {
    mix_mainvolume = 100;
    mzx_set_mastervolume(c.volume);
    EXPECT_EQ(mix_mainvolume, c.expected) << "volume " << c.volume;
  }
  // What the front end sends is held to the ceiling itself, whatever device
  // takes it (the mixer would also hold a larger value, and so hide it).
  sd_setmainvolume = note_mainvolume;
  for (const auto& c : cases) {
    g_sent_mainvolume = -1;
    mzx_set_mastervolume(c.volume);
    EXPECT_EQ(g_sent_mainvolume, c.expected) << "volume " << c.volume;
  }
  sd_mix_setfunctions();
}

TEST(TickClock, FiguresAt47) {
  ASSERT_EQ(init_with("0\n"), 1);
  forget_module();
  mzx_start(47);
  EXPECT_EQ(screenHz, 47);
  EXPECT_EQ(jacaja, 21);
  // 1070 ms after the start are 50 whole periods of 21 ms (truncated), 1071 ms
  // are 51. A reading counts only when the millisecond clock did not move
  // around it; a busy machine gets a few tries.
  for (const uint32_t ms : {1050u, 1070u, 1071u}) {
    bool read = false;
    for (int attempt = 0; attempt < 100 && !read; attempt++) {
      const uint32_t before = SDL_GetTicks();
      tix = before - ms;
      const uint32_t t = mzx_time();
      if (SDL_GetTicks() != before) continue;
      EXPECT_EQ(t, ms / 21) << ms << " ms";
      read = true;
    }
    EXPECT_TRUE(read) << "the clock never held still around a reading";
  }
  mzx_close();

  // Clocks that would divide by zero are held inside 1..1000 ticks per second.
  mzx_start(0);
  EXPECT_EQ(screenHz, 1);
  EXPECT_EQ(jacaja, 1000);
  mzx_close();
  mzx_start(5000);
  EXPECT_EQ(screenHz, 1000);
  EXPECT_EQ(jacaja, 1);
  mzx_close();
}

// The ticks run on a thread of their own: SDL's timer with the silent device
// (no audio callback at all), SDL's audio thread with the SDL device (the
// dummy driver runs the callback). Meanwhile the main thread follows the
// position and the sync helpers, as a caller may: sample 1 starts on row 0 of
// every pass, one row per tick, so its clock reads 0..63 and the condition
// "sample 1 on channel 0" holds once a tick has run.
TEST(TickClock, TicksFromTheTimerOrTheAudioThread) {
  std::array<int32_t, 17> sample1_on_0{};
  sample1_on_0.fill(-1);
  sample1_on_0[0] = sample1_on_0[1] = 0;
  sample1_on_0[2] = sample1_on_0[3] = 1;
  sample1_on_0[12] = 1;
  for (const char* choice : {"0\n", "2\n"}) {
    ASSERT_EQ(init_with(choice), 1);
    mb_module m = ramp_module();
    m.cell(0, 0, 1) = {0, 0, 0xF, 1};  // one row per tick
    module_image image(m.build());
    ASSERT_EQ(mzx_get(image.bytes.data(), image.size), 1);
    EXPECT_EQ(mzx_position(), -37);
    mzx_start(47);
    bool held = false, clock_ran = false;
    for (int i = 0; i < 1000 && mzx_position() < 10; i++) {
      held = held || ehto_toteutuu(sample1_on_0.data()) == 1;
      const int32_t clock = aikaa_siita_kun_viimeksi_tavattu[1];
      clock_ran = clock_ran || (clock >= 0 && clock <= 63);
      SDL_Delay(5);
    }
    EXPECT_GE(mzx_position(), 10) << choice;
    EXPECT_TRUE(held && clock_ran) << choice;
    mzx_close();  // returns only when no tick is under way any more
    const int32_t stopped = mzx_position();
    SDL_Delay(100);
    EXPECT_EQ(mzx_position(), stopped) << choice << ": ticks went on after mzx_close";
    forget_module();
  }
}

}  // namespace
