// The operation table and the two devices that fill it: the table at program
// start, what each installer puts in it, the SDL output it opens (formats and
// buffer lengths under SDL's dummy audio driver) and a failed open, after
// which the silent device still gives a complete table.
#include <SDL.h>

#include <string>

#include "callback_standin.h"
#include "sound/sd_dsp16.h"
#include "sound/sd_ns.h"
#include "sound_fixture.h"

namespace {

using Op = void (*)();

bool table_empty() {
  return !sd_init && !sd_start && !sd_stop && !sd_shutdown && !sd_secondhand && !sd_hand && !sd_getsample &&
         !sd_selectchannel && !sd_setsample && !sd_setamigaperiod && !sd_setvolume && !sd_setpanning &&
         !sd_setoffset && !sd_setmainvolume && !sd_setactivechannels;
}
// Captured during static initialisation, before any test can have installed a device.
const bool g_empty_at_start = table_empty();
const std::string g_name_at_start = sd_devicename;
const std::string g_error_at_start = sd_errorstr;

void expect_table(Op init, Op start, Op stop, Op shutdown, Op secondhand) {
  EXPECT_EQ(sd_init, init);
  EXPECT_EQ(sd_start, start);
  EXPECT_EQ(sd_stop, stop);
  EXPECT_EQ(sd_shutdown, shutdown);
  EXPECT_EQ(sd_secondhand, secondhand);
  EXPECT_EQ(sd_hand, nullptr);
  EXPECT_TRUE(sd_getsample == mix_getsample && sd_selectchannel == mix_selectchannel &&
              sd_setsample == mix_setsample && sd_setamigaperiod == mix_setamigaperiod &&
              sd_setvolume == mix_setvolume && sd_setpanning == mix_setpanning && sd_setoffset == mix_setoffset &&
              sd_setmainvolume == mix_setmainvolume && sd_setactivechannels == mix_setactivechannels);
}

void op_a() {}
void op_b() {}

using DeviceTable = SoundTest;

TEST_F(DeviceTable, EmptyUntilInstalledAndMixerFunctionsOnly) {
  EXPECT_TRUE(g_empty_at_start);
  EXPECT_EQ(g_name_at_start, "");
  EXPECT_EQ(g_error_at_start, "");
  sd_init = sd_start = sd_stop = sd_shutdown = op_a;
  sd_secondhand = op_b;
  sd_mix_setfunctions();
  expect_table(op_a, op_a, op_a, op_a, op_b);
  EXPECT_STREQ(sd_devicename, "");
}

TEST_F(DeviceTable, SilentDeviceRoutesIntoTheMixerOnly) {
  mix_channels[3].panning = 5;  // sd_init must not reinitialise the records
  EXPECT_EQ(sd_ns_init(), 1);
  EXPECT_STREQ(sd_devicename, "Quiet Box NoSound Device 2.0c");
  expect_table(ns_init, ns_dummyfunction, ns_dummyfunction, ns_dummyfunction, ns_dummyfunction);
  sd_init();
  sd_start();
  sd_selectchannel(3);
  sd_setamigaperiod(428);
  sd_stop();
  sd_shutdown();
  EXPECT_EQ(sd_mix_rate, 44100);
  EXPECT_EQ(mix_channels[3].panning, 5);
  EXPECT_EQ(mix_channels[3].stepfrac, 3152670u * 256u);  // steps still computed at 44100
}

// SDL's audio subsystem for one test; closed and quit however the test ends.
class SdlDevice : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    standin_reset();
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
  }
  void TearDown() override {
    SDL_CloseAudio();
    SDL_Quit();
    SoundTest::TearDown();
  }
  // Un-pauses the output and waits up to two seconds for two callbacks; the
  // buffer length they were given, or 0.
  static int callback_length() {
    SDL_PauseAudio(0);
    for (int ms = 0; ms < 2000 && standin_calls.load() < 2; ms += 10) SDL_Delay(10);
    return standin_calls.load() >= 2 && standin_first_len == standin_last_len ? standin_last_len.load() : 0;
  }
};

TEST_F(SdlDevice, OpensSixteenBitAt44100) {
  sd_mix_rate = 1234;
  ASSERT_EQ(sd_dsp16_init(44100, standin_callback), 1) << SDL_GetError();
  EXPECT_TRUE(wanted.format == AUDIO_S16LSB && wanted.freq == 44100 && wanted.channels == 1 &&
              wanted.samples == 2048 && basefreq == 44100);
  EXPECT_EQ(wanted.callback, &standin_callback);  // the callback it was given
  EXPECT_STREQ(sd_devicename, "SDL audio");
  expect_table(dsp16_init, dsp16_start, dsp16_stop, dsp16_shutdown, dsp16_dummyfunction);
  EXPECT_EQ(sd_mix_rate, 1234);  // the mixer is set up by sd_init, not by installing
  sd_init();
  EXPECT_EQ(sd_mix_rate, 44100);
  EXPECT_EQ(mix_channels[0].panning, 127);
  sd_start();  // opened paused: no sound until SDL_PauseAudio(0)
  SDL_Delay(150);
  EXPECT_EQ(standin_calls.load(), 0);
  EXPECT_EQ(callback_length(), 4096);
  sd_stop();
  sd_shutdown();
  EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_STOPPED);
}

TEST_F(SdlDevice, OpensEightBitBelow44100) {
  for (int32_t rate : {44099, 22050}) {
    ASSERT_EQ(sd_dsp16_init(rate, standin_callback), 1) << SDL_GetError();
    EXPECT_TRUE(wanted.format == AUDIO_U8 && wanted.freq == rate && basefreq == rate) << rate;
    sd_init();
    EXPECT_EQ(sd_mix_rate, rate);
    if (rate == 22050) {
      EXPECT_EQ(callback_length(), 2048);
    }
    sd_shutdown();
  }
}

// The tools' open: 16-bit at the rate, two channels where the output has
// them (the dummy output has whatever it is asked for), one when asked for
// one; the callback's buffers hold that many channels; the device installed
// as the demo's open installs it.
TEST_F(SdlDevice, ToolsOpenStereoWhereTheOutputHasTwoChannels) {
  for (int32_t want : {2, 1}) {
    const int32_t got = sd_dsp16_init_channels(44100, want, standin_callback);
    ASSERT_EQ(got, want) << SDL_GetError();
    EXPECT_TRUE(wanted.format == AUDIO_S16SYS && wanted.freq == 44100 && wanted.channels == want);
    EXPECT_STREQ(sd_devicename, "SDL audio");
    expect_table(dsp16_init, dsp16_start, dsp16_stop, dsp16_shutdown, dsp16_dummyfunction);
    sd_init();
    EXPECT_EQ(sd_mix_rate, 44100);
    standin_reset();
    EXPECT_EQ(callback_length(), 2048 * 2 * want);
    sd_shutdown();
  }
  // A second open while the output is taken fails and says so.
  ASSERT_EQ(dsp16_initcard(44100, standin_callback), 1) << SDL_GetError();
  EXPECT_EQ(sd_dsp16_init_channels(44100, 2, standin_callback), 0);
  EXPECT_STREQ(sd_errorstr, "SDL audio error");
}

// A failed open touches neither the table nor the name, and the silent device
// can be installed in its place, giving a table with no empty operation.
TEST_F(SdlDevice, FailedOpenLeavesTheTableForTheSilentDevice) {
  ASSERT_EQ(dsp16_initcard(44100, standin_callback), 1) << SDL_GetError();  // the output is now taken
  EXPECT_TRUE(table_empty());
  EXPECT_EQ(sd_dsp16_init(22050, standin_callback), 0);
  EXPECT_STREQ(sd_errorstr, "SDL audio error");
  EXPECT_STREQ(sd_devicename, "");
  EXPECT_TRUE(table_empty());
  EXPECT_EQ(basefreq, 22050);

  ASSERT_EQ(sd_ns_init(), 1);
  static const int8_t data[12] = {};
  for (Op op : {sd_init, sd_start}) op();
  EXPECT_EQ(sd_getsample(1, data, 10, 0, 0, 0), 1);
  sd_setactivechannels(4);
  sd_setmainvolume(64);
  sd_selectchannel(0);
  sd_setsample(1);
  sd_setamigaperiod(428);
  sd_setvolume(64);
  sd_setpanning(0);
  sd_setoffset(0);
  for (Op op : {sd_stop, sd_shutdown, sd_secondhand}) op();
  EXPECT_EQ(mix_channels[0].data, data);
}

}  // namespace
