// libFuzzer target for the score reader of modcompose, and for what the tool
// does with a score it takes: the input is the text of a score. When it
// reads, the song is checked against what the reader promises (the module's
// limits, cells that name existing instruments and notes, orders that name
// existing patterns), its instruments are synthesised and the module bytes
// laid out in memory (no file is written), and those bytes must load in the
// demo's player whole.
//
// Synthesis is by far the slowest step (milliseconds an instrument), and a
// sample depends only on the voice, the octave and the chord. So samples are
// kept across inputs by those three, and each input renders at most one
// sample it has not seen; any further new ones stand in empty (a sample of
// length 0, which the module and the player take too). A rejected score must
// come with one "FILE:LINE:COLUMN: expected ..." message.
//   scripts/fuzz 60 score_read
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "modwrite.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "score.h"
#include "sound/sd_mix.h"
#include "synth.h"
#include "voices.h"

namespace {

using sample_key = std::tuple<int32_t, int32_t, std::vector<int32_t>>;  // voice, octave, chord
std::map<sample_key, synth_sample> samples_seen;
constexpr size_t kMaxSamplesSeen = 200;  // at most 131070 bytes each

void check(bool ok) {
  if (!ok) std::abort();
}

void check_error(std::string_view error) {
  // "score:LINE:COLUMN: expected ...", LINE and COLUMN from 1.
  check(error.substr(0, 6) == "score:");
  const size_t c1 = error.find(':', 6), c2 = error.find(':', c1 + 1);
  check(c1 != std::string_view::npos && c2 != std::string_view::npos && c1 > 6 && c2 > c1 + 1);
  check(std::atol(std::string(error.substr(6, c1 - 6)).c_str()) >= 1);
  check(std::atol(std::string(error.substr(c1 + 1, c2 - c1 - 1)).c_str()) >= 1);
  check(error.substr(c2, 11) == ": expected ");
}

void check_song(const score_song& song) {
  const size_t channels = song.channels.size();
  check(song.title.size() <= 20);
  check(channels == 4 || channels == 6 || channels == 8);
  check(song.instruments.size() <= static_cast<size_t>(SCORE_INSTRUMENTS));
  for (const score_instrument& ins : song.instruments) {
    check(ins.voice >= 0 && ins.voice < VOICE_COUNT);
    check(ins.volume >= 0 && ins.volume <= 64);
    check(ins.chord.size() <= 6);
    check(!ins.name.empty() && ins.name.size() <= 22);
  }
  check(!song.patterns.empty() && song.patterns.size() <= static_cast<size_t>(SCORE_PATTERNS));
  check(song.pattern_names.size() == song.patterns.size());
  for (const std::vector<score_cell>& p : song.patterns) {
    check(p.size() == static_cast<size_t>(SCORE_ROWS) * channels);
    for (const score_cell& c : p) {
      check(c.instrument <= song.instruments.size());
      check(c.note <= MODULE_NOTES);
      check(c.effect <= 15);
    }
  }
  check(!song.order.empty() && song.order.size() <= static_cast<size_t>(SCORE_ORDERS));
  for (uint8_t o : song.order) check(o < song.patterns.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  score_song song;
  std::string error;
  if (!score_read(text, "score", song, error)) {
    check_error(error);
    return 0;
  }
  check(error.empty());
  check_song(song);

  if (samples_seen.size() >= kMaxSamplesSeen) samples_seen.clear();
  int renders = 1;
  std::vector<synth_sample> samples;
  size_t sample_bytes = 0;
  for (const score_instrument& ins : song.instruments) {
    const sample_key key{ins.voice, ins.octave, ins.chord};
    auto it = samples_seen.find(key);
    if (it == samples_seen.end() && renders > 0) {
      renders--;
      it = samples_seen.emplace(key, synth_render(ins)).first;
      const synth_sample& s = it->second;
      check(s.data.size() % 2 == 0 && s.data.size() <= static_cast<size_t>(SYNTH_MAX_BYTES));
      check(s.loop_start % 2 == 0 && s.loop_length % 2 == 0 && s.loop_start >= 0 && s.loop_length >= 0);
      check(static_cast<size_t>(s.loop_start) + static_cast<size_t>(s.loop_length) <= s.data.size());
    }
    samples.push_back(it != samples_seen.end() ? it->second : synth_sample{});
    sample_bytes += samples.back().data.size();
  }

  std::vector<uint8_t> bytes;
  const size_t expect = 1084 + song.patterns.size() * SCORE_ROWS * song.channels.size() * 4 + sample_bytes;
  if (!modwrite(song, samples, bytes, error)) {
    check(expect > static_cast<size_t>(MODBUF_LIMIT) && !error.empty());
    return 0;
  }
  check(bytes.size() == expect && expect <= static_cast<size_t>(MODBUF_LIMIT));

  // What modcompose writes, the demo's player takes whole.
  bytes.resize(bytes.size() + MIX_SAMPLE_SLACK, 0);
  mzx_init_offline(44100, 47);
  check(mzx_get(bytes.data(), static_cast<int32_t>(expect)) == 1);
  check(pt_cutsample == 0);
  static uint8_t none[1084] = {};
  mzx_get(none, sizeof none);
  sd_mix_init(44100);  // no channel keeps a pointer into the freed bytes
  return 0;
}
