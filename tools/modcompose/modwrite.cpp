// Module writer of modcompose (see modwrite.h). All 16-bit fields are
// big-endian words; lengths and loop points are counted in words, so every
// sample has an even length.
#include "modwrite.h"

#include "player/pt.h"
#include "voices.h"

namespace {

constexpr size_t TITLE_BYTES = 20;
constexpr size_t NAME_BYTES = 22;
constexpr int32_t SAMPLE_SLOTS = 31;
constexpr size_t ORDER_BYTES = 128;
constexpr int32_t MAX_WORDS = 65535;  // a 16-bit count of words

// Why the format cannot hold one sample, or "".
std::string sample_problem(const synth_sample& s) {
  const size_t bytes = s.data.size();
  if (bytes % 2 || s.loop_start % 2 || s.loop_length % 2) return "an odd number of bytes";
  if (bytes / 2 > MAX_WORDS) return std::to_string(bytes / 2) + " words, more than 65535";
  if (s.loop_start < 0 || s.loop_length < 0 || static_cast<size_t>(s.loop_start) + s.loop_length > bytes)
    return "a loop outside its data";
  return "";
}

// Why the format cannot hold the song, or "".
std::string song_problem(const score_song& song, const std::vector<synth_sample>& samples) {
  const size_t channels = song.channels.size();
  if (channels != 4 && channels != 6 && channels != 8)
    return std::to_string(channels) + " channels: the module holds 4, 6 or 8";
  if (song.instruments.size() > SAMPLE_SLOTS) return "more than 31 instruments";
  if (song.order.size() > ORDER_BYTES) return "more than 128 order entries";
  for (size_t i = 0; i < song.instruments.size() && i < samples.size(); i++) {
    const std::string why = sample_problem(samples[i]);
    if (!why.empty()) return "the sample of '" + song.instruments[i].name + "' has " + why;
  }
  return "";
}

void put_word(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void put_text(std::vector<uint8_t>& out, const std::string& s, size_t bytes) {
  for (size_t i = 0; i < bytes; i++) out.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
}

const char* module_id(size_t channels) {
  if (channels == 4) return "M.K.";
  if (channels == 6) return "6CHN";
  return "8CHN";
}

}  // namespace

bool modwrite(const score_song& song, const std::vector<synth_sample>& samples, std::vector<uint8_t>& out,
              std::string& error) {
  out.clear();
  error = song_problem(song, samples);
  if (!error.empty()) return false;
  put_text(out, song.title, TITLE_BYTES);
  for (int32_t s = 0; s < SAMPLE_SLOTS; s++) {
    const size_t i = static_cast<size_t>(s);
    if (i < song.instruments.size() && i < samples.size()) {
      const synth_sample& smp = samples[i];
      put_text(out, song.instruments[i].name, NAME_BYTES);
      put_word(out, static_cast<uint32_t>(smp.data.size() / 2));
      out.push_back(0);  // finetune: the synthesiser tunes the wave itself
      out.push_back(static_cast<uint8_t>(song.instruments[i].volume));
      put_word(out, static_cast<uint32_t>(smp.loop_start / 2));
      // A loop of one word is the format's "no loop".
      put_word(out, smp.loop_length > 0 ? static_cast<uint32_t>(smp.loop_length / 2) : 1u);
    } else {
      put_text(out, "", NAME_BYTES);
      put_word(out, 0);
      out.push_back(0);
      out.push_back(0);
      put_word(out, 0);
      put_word(out, 1);
    }
  }
  out.push_back(static_cast<uint8_t>(song.order.size()));
  out.push_back(0);  // restart at the first order entry
  for (size_t k = 0; k < ORDER_BYTES; k++) out.push_back(k < song.order.size() ? song.order[k] : 0);
  for (const char* id = module_id(song.channels.size()); *id; id++) out.push_back(static_cast<uint8_t>(*id));
  for (const std::vector<score_cell>& pattern : song.patterns) {
    for (const score_cell& c : pattern) {
      const uint32_t period = c.note ? static_cast<uint32_t>(module_period[c.note - 1u]) : 0u;
      out.push_back(static_cast<uint8_t>((c.instrument & 0xF0) | (period >> 8)));
      out.push_back(static_cast<uint8_t>(period & 0xFF));
      out.push_back(static_cast<uint8_t>(((c.instrument & 0x0F) << 4) | (c.effect & 0x0F)));
      out.push_back(c.param);
    }
  }
  for (size_t i = 0; i < song.instruments.size() && i < samples.size(); i++)
    for (int8_t v : samples[i].data) out.push_back(static_cast<uint8_t>(v));
  if (out.size() > static_cast<size_t>(MODBUF_LIMIT)) {
    error = "the module would take " + std::to_string(out.size()) + " bytes, more than the demo's " +
            std::to_string(MODBUF_LIMIT);
    return false;
  }
  return true;
}
