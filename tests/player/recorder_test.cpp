// Recording device: calls are recorded in order with their arguments, reach
// the mixer unchanged, and calls beyond the capacity are counted, not stored.
#include <gtest/gtest.h>

#include <cstring>

#include "sound/sd_main.h"
#include "sound/sd_mix.h"
#include "sound/sd_rec.h"

namespace {

std::string line_of(const sd_rec_entry& e) {
  char buf[128];
  const size_t n = sd_rec_format(e, buf, sizeof buf);
  EXPECT_EQ(n, std::strlen(buf));
  return buf;
}

// The tests record into arrays on their own stack: put the static array back
// before those go away.
class Recorder : public ::testing::Test {
 protected:
  void TearDown() override { sd_rec_install(nullptr, 0); }
};

}  // namespace

TEST_F(Recorder, RecordsInOrderAndPassesThrough) {
  sd_rec_entry buf[16];
  sd_mix_init(44100);
  sd_rec_install(buf, 16);
  static const int8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(sd_getsample(7, data, 6, 2, 4, 1), 1);
  sd_setactivechannels(6);
  sd_selectchannel(5);
  sd_setsample(7);
  sd_setvolume(33);
  sd_setpanning(200);
  sd_setamigaperiod(428);
  sd_setoffset(3u);
  sd_setoffset(0xFFFFFFFFu);
  sd_setmainvolume(64);
  ASSERT_EQ(sd_rec_count, 10);
  EXPECT_EQ(sd_rec_overflow, 0);
  const char* want[] = {"getsample 7 6 2 4 1", "activechannels 6", "select 5",
                        "sample 7",            "volume 33",        "panning 200",
                        "period 428",          "offset 3",         "offset 4294967295",
                        "mainvolume 64"};
  for (int i = 0; i < 10; i++) EXPECT_EQ(line_of(buf[i]), want[i]) << i;
  EXPECT_EQ(buf[0].data, data);
  // The mixer saw every call.
  EXPECT_EQ(mix_samples[7].data, data);
  EXPECT_EQ(mix_activechannels, 6);
  EXPECT_EQ(mix_curchannel, 5);
  EXPECT_EQ(mix_channels[5].sample, 7);
  EXPECT_EQ(mix_channels[5].volume, 33);
  EXPECT_EQ(mix_channels[5].panning, 200);
  EXPECT_EQ(mix_channels[5].pos, 3u);
  EXPECT_EQ(mix_channels[5].stepchanged, 1);
  EXPECT_EQ(mix_mainvolume, 64);
  sd_setmainvolume(63);
}

TEST_F(Recorder, OverflowIsCountedAndClearStartsAgain) {
  sd_rec_entry buf[3];
  sd_rec_install(buf, 3);
  for (int i = 0; i < 5; i++) sd_selectchannel(i);
  EXPECT_EQ(sd_rec_count, 3);
  EXPECT_EQ(sd_rec_overflow, 2);
  EXPECT_EQ(buf[2].a[0], 2);
  EXPECT_EQ(mix_curchannel, 4) << "unrecorded calls still reach the mixer";
  sd_rec_clear();
  EXPECT_EQ(sd_rec_count, 0);
  EXPECT_EQ(sd_rec_overflow, 0);
  sd_setvolume(-5);
  EXPECT_EQ(line_of(buf[0]), "volume -5");
}

TEST_F(Recorder, TheStaticArrayHoldsItsOwnCapacityAfterASmallerBuffer) {
  sd_rec_entry buf[3];
  sd_rec_install(buf, 3);
  sd_rec_install(nullptr, 0);
  EXPECT_NE(sd_rec_buffer, buf) << "the static array is back";
  EXPECT_EQ(sd_rec_capacity, SD_REC_STATIC_CAPACITY);
  for (int i = 0; i < 10; i++) sd_selectchannel(i & 3);
  EXPECT_EQ(sd_rec_count, 10);
  EXPECT_EQ(sd_rec_overflow, 0);
}

TEST_F(Recorder, FormatStaysInsideASmallBuffer) {
  sd_rec_entry e{};
  e.op = SD_REC_GETSAMPLE;
  e.a[0] = 31;
  e.a[1] = 131070;
  char small[10];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(sd_rec_format(e, small, sizeof small), 9u);
  EXPECT_STREQ(small, "getsample");
  EXPECT_EQ(sd_rec_format(e, small, 0), 0u);
}
