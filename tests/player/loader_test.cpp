// Module loader: ids, header clamps, pattern count, sample registration, cell
// conversion, the period table, and modules that are cut short or malformed.
#include <gtest/gtest.h>

#include <cstring>

#include "harness.h"
#include "player/pt.h"
#include "sound/sd_mix.h"

namespace {

mb_module with_id(const char* id) {
  mb_module m;
  m.id = id;
  return m;
}

std::vector<rec_call> calls_of(sd_rec_op op) {
  std::vector<rec_call> out;
  for (const rec_call& c : load_calls())
    if (c.op == op) out.push_back(c);
  return out;
}

}  // namespace

using LoaderIds = PlayerTest;
using LoaderHeader = PlayerTest;
using LoaderPatterns = PlayerTest;
using LoaderSamples = PlayerTest;
using LoaderCells = PlayerTest;
using PeriodTable = PlayerTest;
using LoaderSafety = PlayerTest;

TEST_F(LoaderIds, ChannelCountsFromTheIdTable) {
  const struct {
    const char* id;
    int channels;
  } cases[] = {{"M.K.", 4}, {"M!K!", 4}, {"4CHN", 4}, {"FLT4", 4}, {"6CHN", 6}, {"FLT8", 8},
               {"OCTA", 8}, {"8CHN", 8}, {"2CHN", 2}, {"10CH", 10}, {"32CH", 32}};
  for (const auto& c : cases) {
    mb_module m = with_id(c.id);
    m.channels = c.channels;
    m.cell(0, 0, c.channels - 1) = {0, 856, 0, 0};
    ASSERT_EQ(load_module(m), 1) << c.id;
    EXPECT_EQ(pt_channels, c.channels) << c.id;
    EXPECT_STREQ(pt_modid, c.id);
    ASSERT_FALSE(load_calls().empty());
    EXPECT_EQ(load_calls().back().op, SD_REC_ACTIVECHANNELS);
    EXPECT_EQ(load_calls().back().value, c.channels);
    // The last channel's cell of row 0 was converted at the right stride.
    EXPECT_EQ(pt_patterns[0][(c.channels - 1) * 4 + 1], 24) << c.id;
  }
  EXPECT_EQ(std::memcmp(pt_modid_table[21], "STOP", 5), 0);
  EXPECT_EQ(pt_modid_channels_table[21], 0);
}

TEST_F(LoaderIds, UnknownIdsAreRefusedWithoutTouchingAnything) {
  for (const char* id : {"m.k.", "STOP", "    ", "8chn", "M.K"}) {
    mb_module m = with_id(id);
    m.sample(1, 100);
    m.cell(0, 0, 0) = {1, 856, 0, 0};
    const std::vector<uint8_t> bytes = m.build();
    ASSERT_EQ(load_module(bytes), 0) << id;
    EXPECT_STREQ(pt_errorstr, "pt_takemod error: unknown module type!");
    EXPECT_EQ(pt_channels, 0);
    EXPECT_TRUE(load_calls().empty()) << "no sample may reach the sound device";
    EXPECT_EQ(std::memcmp(loaded_image().data(), bytes.data(), bytes.size()), 0) << "patterns converted";
  }
}

TEST_F(LoaderHeader, VolumeAndRestartClamps) {
  mb_module m;
  m.sample(1, 10).volume = 65;
  m.sample(2, 10).volume = 255;
  m.sample(3, 10).volume = 64;
  m.sample(4, 10).volume = 0;
  m.restart = 127;
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_svol[1], 64);
  EXPECT_EQ(pt_svol[2], 64);
  EXPECT_EQ(pt_svol[3], 64);
  EXPECT_EQ(pt_svol[4], 0);
  EXPECT_EQ(pt_repstart, 0);
  m.restart = 255;
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_repstart, 0);
  m.restart = 126;
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_repstart, 126);
}

TEST_F(LoaderHeader, FinetuneKeepsTheLowFourBits) {
  mb_module m;
  m.sample(1, 10).finetune = 0xF8;
  ASSERT_EQ(load_module(m.build()), 1);
  // modbuild stores only 4 bits, so write the whole byte by hand.
  std::vector<uint8_t> bytes = m.build();
  bytes[20 + 24] = 0xFB;
  ASSERT_EQ(load_module(bytes), 1);
  EXPECT_EQ(pt_finetune[1], 0x0B);
}

TEST_F(LoaderPatterns, PatternCountComesFromTheWholeOrderTable) {
  mb_module m;
  m.order = {0, 1, 5, 2};
  m.order.resize(101, 0);
  m.order[100] = 9;  // beyond the song length
  m.songlen = 4;
  m.sample(1, 20);
  m.cell(9, 63, 3) = {1, 113, 0xC, 0x10};
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_lastpattern, 9);
  EXPECT_EQ(pt_songlen, 4);
  for (int k = 0; k <= 9; k++) EXPECT_EQ(pt_patterns[k], loaded_image().data() + 1084 + k * 1024) << k;
  // Sample data follows all ten patterns.
  const std::vector<rec_call> gs = calls_of(SD_REC_GETSAMPLE);
  ASSERT_EQ(gs.size(), 1u);
  EXPECT_EQ(mix_samples[1].data, reinterpret_cast<const int8_t*>(loaded_image().data() + 1084 + 10 * 1024));
  const uint8_t* cell = pt_patterns[9] + (63 * 4 + 3) * 4;
  EXPECT_EQ(cell[0], 1);
  EXPECT_EQ(cell[1], 59);
  EXPECT_EQ(cell[2], 0xC);
  EXPECT_EQ(cell[3], 0x10);
}

TEST_F(LoaderSamples, ZeroLengthSamplesTakeNoRoomAndLoopFlag) {
  mb_module m;
  m.sample(1, 100);
  m.sample(3, 40).looplen_words = 1;  // one word: no loop
  mb_sample& s4 = m.sample(4, 64);
  s4.loopstart_words = 5;
  s4.looplen_words = 2;  // two words: a loop of 4 bytes
  ASSERT_EQ(load_module(m), 1);
  const std::vector<uint8_t>& img = loaded_image();
  ASSERT_EQ(load_calls().size(), 4u);
  EXPECT_EQ(load_calls()[0].op, SD_REC_GETSAMPLE);
  EXPECT_EQ(load_calls()[0].value, 1);
  EXPECT_EQ(load_calls()[1].value, 3);  // sample 2 (length 0) is skipped
  EXPECT_EQ(load_calls()[2].value, 4);
  EXPECT_EQ(load_calls()[3].op, SD_REC_ACTIVECHANNELS);
  const uint8_t* data = img.data() + 1084 + 1024;
  EXPECT_EQ(mix_samples[1].data, reinterpret_cast<const int8_t*>(data));
  EXPECT_EQ(mix_samples[3].data, reinterpret_cast<const int8_t*>(data + 100));
  EXPECT_EQ(mix_samples[4].data, reinterpret_cast<const int8_t*>(data + 140));
  EXPECT_EQ(mix_samples[3].length, 40u);
  EXPECT_EQ(mix_samples[3].looping, 0);
  EXPECT_EQ(mix_samples[3].loopstart, 0u);
  EXPECT_EQ(mix_samples[3].loopend, 2u);
  EXPECT_EQ(mix_samples[4].looping, 1);
  EXPECT_EQ(mix_samples[4].loopstart, 10u);
  EXPECT_EQ(mix_samples[4].loopend, 14u);
  EXPECT_EQ(pt_slen[2], 0);
}

TEST_F(LoaderCells, PeriodsToNoteIndexes) {
  const struct {
    int period, note;
  } cases[] = {{856, 24}, {855, 25}, {857, 24}, {113, 59}, {4000, 0}, {3424, 0}, {3423, 1},
               {28, 83},  {27, 84},  {0, 84},   {1, 84},   {907, 23}, {4095, 0}};
  pt_channels = 4;
  for (const auto& c : cases) {
    uint8_t pattern[4 * 64 * 4] = {};
    pattern[0] = static_cast<uint8_t>(c.period >> 8);
    pattern[1] = static_cast<uint8_t>(c.period & 0xFF);
    pt_convertpattern(pattern);
    EXPECT_EQ(pattern[1], c.note) << "period " << c.period;
  }
  uint8_t pattern[4 * 64 * 4] = {};
  const uint8_t cell[4] = {0x10, 0x00, 0xF0, 0x00};
  std::memcpy(pattern, cell, 4);
  pattern[4 * 64 * 4 - 4] = 0x01;  // last cell: period 0x1AC = 428
  pattern[4 * 64 * 4 - 3] = 0xAC;
  pattern[4 * 64 * 4 - 2] = 0x2A;  // sample 2, effect A
  pattern[4 * 64 * 4 - 1] = 0x0F;
  pt_convertpattern(pattern);
  EXPECT_EQ(pattern[0], 31);
  EXPECT_EQ(pattern[1], 84);
  EXPECT_EQ(pattern[2], 0);
  EXPECT_EQ(pattern[3], 0);
  EXPECT_EQ(pattern[4 * 64 * 4 - 4], 2);
  EXPECT_EQ(pattern[4 * 64 * 4 - 3], 36);
  EXPECT_EQ(pattern[4 * 64 * 4 - 2], 0xA);
  EXPECT_EQ(pattern[4 * 64 * 4 - 1], 0x0F);
}

TEST_F(LoaderCells, ReaderHelpersAreBigEndianAndAdvance) {
  const uint8_t bytes[] = {0x12, 0x34, 0xFE, 0x01, 0x02};
  rb_src = bytes;
  rb_ofs = 0;
  EXPECT_EQ(read68kword(), 0x1234);
  EXPECT_EQ(readbyte(), 0xFE);
  skipbytes(1);
  EXPECT_EQ(rb_ofs, 4);
  EXPECT_EQ(readbyte(), 0x02);
}

TEST_F(PeriodTable, RowsZeroAndEightAndTheOuterColumns) {
  const uint16_t row0[85] = {
      3424, 3232, 3048, 2880, 2712, 2560, 2416, 2280, 2152, 2032, 1920, 1812, 1712, 1616, 1524, 1440, 1356,
      1280, 1208, 1140, 1076, 1016, 960,  906,  856,  808,  762,  720,  678,  640,  604,  570,  538,  508,
      480,  453,  428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240,  226,  214,  202,  190,
      180,  170,  160,  151,  143,  135,  127,  120,  113,  107,  101,  95,   90,   85,   80,   75,   71,
      67,   63,   60,   56,   53,   50,   47,   45,   42,   40,   37,   35,   33,   31,   30,   28,   28};
  const uint16_t row8[85] = {
      3628, 3424, 3232, 3050, 2879, 2717, 2565, 2421, 2285, 2157, 2036, 1921, 1814, 1712, 1616, 1525, 1439,
      1358, 1282, 1210, 1142, 1078, 1018, 960,  907,  856,  808,  762,  720,  678,  640,  604,  570,  538,
      508,  480,  453,  428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240,  226,  214,  202,
      190,  180,  170,  160,  151,  143,  135,  127,  120,  113,  106,  100,  95,   90,   85,   80,   75,
      71,   67,   63,   60,   56,   53,   50,   47,   44,   42,   40,   37,   35,   33,   31,   30,   30};
  const uint16_t col0[16] = {3424, 3400, 3376, 3352, 3328, 3304, 3280, 3256,
                             3628, 3600, 3576, 3548, 3524, 3500, 3472, 3448};
  const uint16_t col83[16] = {28, 28, 28, 27, 27, 27, 27, 27, 30, 30, 29, 29, 29, 29, 28, 28};
  for (int c = 0; c < 85; c++) {
    EXPECT_EQ(tuning[0][c], row0[c]) << "row 0 column " << c;
    EXPECT_EQ(tuning[8][c], row8[c]) << "row 8 column " << c;
  }
  for (int r = 0; r < 16; r++) {
    EXPECT_EQ(tuning[r][0], col0[r]) << "row " << r;
    EXPECT_EQ(tuning[r][83], col83[r]) << "row " << r;
    EXPECT_EQ(tuning[r][84], tuning[r][83]) << "row " << r;
    for (int c = 1; c < 84; c++) EXPECT_LT(tuning[r][c], tuning[r][c - 1]) << "row " << r << " column " << c;
  }
  // The middle octaves are the classic finetune rows.
  EXPECT_EQ(tuning[7][24], 814);
  EXPECT_EQ(tuning[15][59], 114);
  EXPECT_EQ(tuning[12][34], 494);
}

// Every entry of all sixteen rows, as one 64-bit FNV-1a hash of the entries
// in row order (each as two bytes, low first), recorded from the table that
// the classic rows give: one entry off by one anywhere (a slip the rows' fall
// and the octave rule's slack let through) changes it.
TEST_F(PeriodTable, EveryEntryAsRecorded) {
  uint64_t h = 14695981039346656037ull;
  for (const auto& row : tuning) {
    for (const uint16_t v : row) {
      for (const uint8_t b : {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)}) {
        h ^= b;
        h *= 1099511628211ull;
      }
    }
  }
  EXPECT_EQ(h, 0xa7cd80b476ff6265ull) << std::hex << h;
}

// ---- Modules that break the format's limits ---------------------------------

TEST_F(LoaderSafety, HeaderCutShortIsRefused) {
  mb_module m;
  std::vector<uint8_t> bytes = m.build();
  for (size_t n : {size_t{0}, size_t{600}, size_t{1083}}) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_EQ(load_module(cut), 0) << n;
    EXPECT_NE(std::strstr(pt_errorstr, "cut short in header"), nullptr) << pt_errorstr;
    EXPECT_TRUE(load_calls().empty());
  }
}

TEST_F(LoaderSafety, PatternCutShortIsRefusedBeforeAnyConversion) {
  mb_module m;
  m.order = {0, 1, 2, 3};
  m.cell(0, 0, 0) = {0, 856, 0, 0};
  std::vector<uint8_t> bytes = m.build();
  bytes.resize(1084 + 3 * 1024 + 1000);
  ASSERT_EQ(load_module(bytes), 0);
  EXPECT_STREQ(pt_errorstr, "pt_takemod error: module cut short in pattern 3");
  EXPECT_EQ(pt_channels, 0);
  EXPECT_TRUE(load_calls().empty());
  EXPECT_EQ(std::memcmp(loaded_image().data(), bytes.data(), bytes.size()), 0);
  bytes.resize(1084 + 4 * 1024);  // all patterns, no sample data: accepted
  EXPECT_EQ(load_module(bytes), 1);
}

TEST_F(LoaderSafety, SampleDataCutShortIsClamped) {
  mb_module m;
  m.sample(1, 100);
  mb_sample& s2 = m.sample(2, 200);
  s2.loopstart_words = 40;
  s2.looplen_words = 50;  // loop 80..180
  m.sample(3, 100);
  std::vector<uint8_t> bytes = m.build();
  bytes.resize(1084 + 1024 + 100 + 150);  // sample 2 has 150 of 200 bytes, sample 3 none
  ASSERT_EQ(load_module(bytes), 1);
  EXPECT_EQ(pt_cutsample, 2);
  EXPECT_EQ(pt_slen[1], 100);
  EXPECT_EQ(pt_slen[2], 150);
  EXPECT_EQ(pt_slen[3], 0);
  EXPECT_EQ(calls_of(SD_REC_GETSAMPLE).size(), 2u);
  EXPECT_EQ(mix_samples[2].length, 150u);
  EXPECT_EQ(mix_samples[2].loopstart, 80u);
  EXPECT_EQ(mix_samples[2].loopend, 150u);
  EXPECT_EQ(mix_samples[2].looping, 1);
  bytes.resize(1084 + 1024 + 100 + 81);  // loop start lies at the end of what is there
  ASSERT_EQ(load_module(bytes), 1);
  EXPECT_EQ(mix_samples[2].length, 81u);
  EXPECT_EQ(mix_samples[2].looping, 0);
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_cutsample, 0);
}

TEST_F(LoaderSafety, OrderEntriesAbove127AreRefused) {
  mb_module m;
  m.order = {0, 1};
  m.order.resize(128, 0);
  m.order[127] = 128;
  ASSERT_EQ(load_module(m), 0);
  EXPECT_STREQ(pt_errorstr, "pt_takemod error: order entry 127 names a pattern above 127");
  EXPECT_TRUE(load_calls().empty());
}

TEST_F(LoaderSafety, SongLengthIsHeldToOneTo128) {
  mb_module m;
  m.order = {0, 1};
  m.songlen = 0;
  m.cell(1, 0, 0) = {0, 428, 0, 0};
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_songlen, 1);
  // A song of length 0 plays order entry 0 and wraps to it.
  for (int i = 0; i < 64 * 6 + 1; i++) pt_play();
  EXPECT_EQ(pt_songpos, 0);
  EXPECT_EQ(pt_rowcount, 0);
  m.songlen = 200;
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_songlen, 128);
  // 128 entries, the rest of the table is pattern 0: the song reaches entry 127 and wraps.
  for (int i = 0; i < 128 * 64 * 6; i++) pt_play();
  EXPECT_EQ(pt_songpos, 127);
  for (int i = 0; i < 64 * 6; i++) pt_play();
  EXPECT_EQ(pt_songpos, 0);
}

TEST_F(LoaderSafety, CellSampleNumbersAbove31AreNoSample) {
  mb_module m;
  m.sample(1, 100);
  m.cell(0, 0, 0) = {1, 856, 0, 0};
  m.cell(0, 1, 0) = {0x20, 0, 0, 0};    // sample 32, no note
  m.cell(0, 2, 0) = {0xFF, 428, 0, 0};  // sample 255 with a note
  ASSERT_EQ(load_module(m), 1);
  EXPECT_EQ(pt_patterns[0][4 * 4 * 1], 0);
  EXPECT_EQ(pt_patterns[0][4 * 4 * 2], 0);
  const std::vector<tick_calls> t = play_ticks(13);
  EXPECT_TRUE(t[6].values(0, SD_REC_SAMPLE).empty());
  EXPECT_TRUE(t[12].values(0, SD_REC_SAMPLE).empty());
  EXPECT_EQ(t[12].last(0, SD_REC_PERIOD), 428);  // the note plays on sample 1
  EXPECT_EQ(pt_cursample[0], 1);
}

TEST_F(LoaderSafety, DamagedModulesAreRefusedOrPlayWithinBounds) {
  // Damage a busy module at random (fixed seed): header fields, order entries,
  // cells and the length. The image is exactly the valid bytes plus the two
  // the mixer may read, so a sanitizer build catches any read past them.
  mb_module m;
  m.order = {0, 1, 2};
  for (int s = 1; s <= 3; s++) m.sample(s, 300).looplen_words = 20;
  for (int p = 0; p < 3; p++)
    for (int r = 0; r < 64; r++)
      for (int c = 0; c < 4; c++) m.cell(p, r, c) = {1 + (r + c) % 3, mb_period((r * 5 + c) % 84), (r + p) % 16, r * 4};
  const std::vector<uint8_t> clean = m.build();
  uint32_t seed = 12345;
  auto rnd = [&](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  int accepted = 0;
  for (int round = 0; round < 300; round++) {
    std::vector<uint8_t> bytes = clean;
    for (int k = 0; k < 12; k++) bytes[rnd(static_cast<uint32_t>(bytes.size()))] = static_cast<uint8_t>(rnd(256));
    bytes[950] = static_cast<uint8_t>(rnd(4) == 0 ? rnd(256) : bytes[950]);
    bytes[952 + rnd(128)] = static_cast<uint8_t>(rnd(4) == 0 ? rnd(256) : rnd(3));
    const size_t size = rnd(3) == 0 ? rnd(static_cast<uint32_t>(bytes.size())) : bytes.size();
    std::vector<uint8_t> image(bytes.begin(), bytes.begin() + static_cast<long>(size));
    image.resize(size + 2, 0);
    const int32_t ok = load_image(std::move(image), static_cast<int32_t>(size));
    if (!ok) {
      EXPECT_NE(pt_errorstr[0], 0);
      continue;
    }
    accepted++;
    ASSERT_GE(pt_songlen, 1);
    ASSERT_LE(pt_songlen, 128);
    for (int t = 0; t < 400; t++) {
      pt_play();
      ASSERT_GE(pt_songpos, 0);
      ASSERT_LT(pt_songpos, 128);
      ASSERT_GE(pt_lineptr, pt_patterns[pt_curpattern]);
      ASSERT_LT(pt_lineptr, pt_patterns[pt_curpattern] + 64 * pt_channels * 4);
      for (int ch = 0; ch < pt_channels; ch++) ASSERT_LE(pt_cursample[ch], 31);
    }
  }
  EXPECT_GT(accepted, 50);
}
