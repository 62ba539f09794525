// Real music through the demo's callback path: a module nobody on the project
// wrote, rendered for a few seconds in both output formats, hashed, and
// compared with the checked-in hashes in tests/data/music/render_hashes.txt.
//
// The arithmetic is integer from the file to the samples, so one hash holds on
// every machine and build. When the player or the mixer changes the output on
// purpose, record them again with scripts/record-goldens and review the change
// with git diff.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "music/cool_mzx.h"
#include "music_harness.h"
#include "player/pt.h"
#include "support/golden.h"
#include "support/skip.h"

namespace {

const std::string k_hash_file = std::string(ZAP_SOURCE_DIR) + "/tests/data/music/render_hashes.txt";
constexpr int k_seconds = 6;

// 64-bit FNV-1a.
uint64_t fnv1a(const uint8_t* p, size_t n, uint64_t h = 0xcbf29ce484222325ull) {
  for (size_t i = 0; i < n; i++) h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> read_hashes() {
  std::map<std::string, std::string> m;
  std::ifstream in(k_hash_file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string key, rate, seconds, hash;
    if (fields >> key >> rate >> seconds >> hash) m[key + " " + rate + " " + seconds] = hash;
  }
  return m;
}

void write_hash(const std::string& key, const std::string& hash) {
  auto m = read_hashes();
  m[key] = hash;
  std::ofstream out(k_hash_file, std::ios::trunc);
  out << "# module rate seconds fnv1a64-of-pcm; regenerate with ZAP_REGENERATE=1\n";
  for (const auto& [k, v] : m) out << k << " " << v << "\n";
}

struct render_result {
  uint64_t hash = 0;
  int peak = 0;  // largest distance from silence
  int32_t position = 0;
};

// Renders seconds of module at rate the way zapmod render does: 2048-sample
// buffers through mix_newhand, 47 ticks per second, main volume 64.
render_result render(const std::vector<uint8_t>& file, int32_t rate, int seconds) {
  render_result r;
  EXPECT_EQ(mzx_init_offline(rate, 47), 1);
  module_image image(file);
  std::srand(1);  // the random vibrato waveform is drawn by the player's reset
  EXPECT_EQ(mzx_get(image.bytes.data(), image.size), 1);
  const int bytes = rate == 44100 ? 2 : 1;
  std::vector<uint8_t> buf(2048 * bytes);
  uint64_t h = 0xcbf29ce484222325ull;
  for (int64_t done = 0; done < static_cast<int64_t>(seconds) * rate; done += 2048) {
    mix_newhand(nullptr, buf.data(), static_cast<int>(buf.size()));
    h = fnv1a(buf.data(), buf.size(), h);
    for (size_t i = 0; i < buf.size(); i += bytes) {
      const int v = bytes == 2 ? static_cast<int16_t>(buf[i] | buf[i + 1] << 8) : buf[i] - 128;
      r.peak = std::max(r.peak, std::abs(v));
    }
  }
  r.hash = h;
  r.position = mzx_position();
  forget_module();
  return r;
}

class RealModule : public ::testing::TestWithParam<int32_t> {};

TEST_P(RealModule, Game3MatchesCheckedInHash) {
  const std::string path = std::string(ZAP_MODULE_DIR) + "/game3.mod";
  const auto file = read_file(path);
  if (file.empty()) ZAP_SKIP(path + " is not there");
  const int32_t rate = GetParam();

  const render_result r = render(file, rate, k_seconds);
  // Music, not silence, and the song has moved on by some rows.
  EXPECT_GT(r.peak, rate == 44100 ? 1000 : 4);
  EXPECT_GT(r.position, 20);
  // The same module again gives the same samples: nothing is left over from the
  // last render that changes the next.
  EXPECT_EQ(render(file, rate, k_seconds).hash, r.hash);

  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(r.hash));
  const std::string key = "game3.mod " + std::to_string(rate) + " " + std::to_string(k_seconds);
  if (golden_update_requested()) {
    write_hash(key, hex);
    std::printf("wrote %s %s to %s\n", key.c_str(), hex, k_hash_file.c_str());
    return;
  }
  const auto hashes = read_hashes();
  const auto it = hashes.find(key);
  ASSERT_NE(it, hashes.end()) << "no hash for '" << key << "' in " << k_hash_file
                              << " (now " << hex << "); " << golden_hint();
  EXPECT_EQ(it->second, hex) << "the rendered PCM changed (position at the end " << r.position
                             << "); " << golden_hint();
}

INSTANTIATE_TEST_SUITE_P(BothRates, RealModule, ::testing::Values(44100, 22050),
                         [](const auto& info) { return "Rate" + std::to_string(info.param); });

}  // namespace
