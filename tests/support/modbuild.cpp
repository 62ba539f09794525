#include "support/modbuild.h"

#include <algorithm>

namespace {
// Row 0 of the period table (finetune 0), columns 0..83.
constexpr int k_periods[84] = {
    3424, 3232, 3048, 2880, 2712, 2560, 2416, 2280, 2152, 2032, 1920, 1812, 1712, 1616, 1524, 1440, 1356,
    1280, 1208, 1140, 1076, 1016, 960,  906,  856,  808,  762,  720,  678,  640,  604,  570,  538,  508,
    480,  453,  428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240,  226,  214,  202,  190,
    180,  170,  160,  151,  143,  135,  127,  120,  113,  107,  101,  95,   90,   85,   80,   75,   71,
    67,   63,   60,   56,   53,   50,   47,   45,   42,   40,   37,   35,   33,   31,   30,   28};

void put16(std::vector<uint8_t>& out, size_t at, int v) {
  out[at] = static_cast<uint8_t>((v >> 8) & 0xFF);
  out[at + 1] = static_cast<uint8_t>(v & 0xFF);
}
}  // namespace

int mb_period(int note) { return k_periods[note]; }

mb_cell& mb_module::cell(int pattern, int row, int ch) {
  if (static_cast<int>(patterns.size()) <= pattern) patterns.resize(pattern + 1);
  auto& p = patterns[pattern];
  if (p.size() != static_cast<size_t>(64 * channels)) p.resize(64 * channels);
  return p[row * channels + ch];
}

mb_sample& mb_module::sample(int n, int len) {
  mb_sample& s = samples[n];
  s.data.resize(len);
  for (int i = 0; i < len; i++) s.data[i] = static_cast<int8_t>((i & 127) - 64);
  return s;
}

std::vector<uint8_t> mb_module::build() const {
  int npat = 0;
  for (uint8_t o : order) npat = std::max(npat, o + 1);
  const size_t patbytes = static_cast<size_t>(channels) * 256;
  size_t sampbytes = 0;
  for (int s = 1; s <= 31; s++) sampbytes += (samples[s].data.size() + 1) / 2 * 2;
  std::vector<uint8_t> out(1084 + npat * patbytes + sampbytes, 0);

  for (int s = 1; s <= 31; s++) {
    const mb_sample& smp = samples[s];
    const size_t h = 20 + 30 * (s - 1);
    for (size_t i = 0; i < smp.name.size() && i < 22; i++) out[h + i] = static_cast<uint8_t>(smp.name[i]);
    put16(out, h + 22, static_cast<int>((smp.data.size() + 1) / 2));
    out[h + 24] = static_cast<uint8_t>(smp.finetune & 15);
    out[h + 25] = static_cast<uint8_t>(smp.volume);
    put16(out, h + 26, smp.loopstart_words);
    put16(out, h + 28, smp.looplen_words);
  }
  out[950] = static_cast<uint8_t>(songlen >= 0 ? songlen : static_cast<int>(order.size()));
  out[951] = static_cast<uint8_t>(restart);
  for (size_t i = 0; i < order.size() && i < 128; i++) out[952 + i] = order[i];
  for (size_t i = 0; i < 4; i++) out[1080 + i] = i < id.size() ? static_cast<uint8_t>(id[i]) : ' ';

  for (int p = 0; p < npat; p++) {
    if (p >= static_cast<int>(patterns.size()) || patterns[p].empty()) continue;
    const auto& cells = patterns[p];
    for (size_t c = 0; c < cells.size(); c++) {
      const mb_cell& e = cells[c];
      const size_t at = 1084 + p * patbytes + c * 4;
      out[at] = static_cast<uint8_t>((e.sample & 0xF0) | ((e.period >> 8) & 0x0F));
      out[at + 1] = static_cast<uint8_t>(e.period & 0xFF);
      out[at + 2] = static_cast<uint8_t>(((e.sample & 0x0F) << 4) | (e.effect & 0x0F));
      out[at + 3] = static_cast<uint8_t>(e.param & 0xFF);
    }
  }
  size_t at = 1084 + npat * patbytes;
  for (int s = 1; s <= 31; s++) {
    const auto& d = samples[s].data;
    for (size_t i = 0; i < d.size(); i++) out[at + i] = static_cast<uint8_t>(d[i]);
    at += (d.size() + 1) / 2 * 2;
  }
  return out;
}
