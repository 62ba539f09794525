// Helpers for the picture tests: load a picture from text, a frame with a
// guard area below row 199, and the frame hash the golden test keeps.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cgm/cgm.h"

// Loads a picture from its text through a memory stream.
inline cgm_picture* load_text(const std::string& text) {
  std::string copy = text.empty() ? std::string(" ") : text;
  FILE* f = fmemopen(copy.data(), copy.size(), "r");
  if (!f) return nullptr;
  cgm_picture* pic = cgm_load_stream(f);
  std::fclose(f);
  return pic;
}

// Owns a loaded picture for the length of a test.
struct Pic {
  cgm_picture* p;
  explicit Pic(const std::string& text) : p(load_text(text)) {}
  ~Pic() { cgm_free(p); }
  Pic(const Pic&) = delete;
  Pic& operator=(const Pic&) = delete;
  cgm_picture* operator->() const { return p; }
  // The k-th primitive (0 = first), or null.
  const cgm_prim* prim(int k) const {
    const cgm_prim* q = p ? p->prims : nullptr;
    while (q && k-- > 0) q = q->next;
    return q;
  }
  int count() const {
    int n = 0;
    for (const cgm_prim* q = p ? p->prims : nullptr; q; q = q->next) n++;
    return n;
  }
};

// A work frame as the demo has it: 320 x 256, of which rows 200..255 must
// never be touched by the rasteriser.
struct Frame {
  static constexpr int kW = 320, kH = 200, kRows = 256;
  std::vector<uint8_t> px;
  explicit Frame(uint8_t fill = 0) : px(kW * kRows, fill) {
    for (int i = kW * kH; i < kW * kRows; i++) px[static_cast<size_t>(i)] = 0xA5;
  }
  uint8_t* data() { return px.data(); }
  uint8_t at(int x, int y) const { return px[static_cast<size_t>(y * kW + x)]; }
  bool guard_intact() const {
    for (int i = kW * kH; i < kW * kRows; i++)
      if (px[static_cast<size_t>(i)] != 0xA5) return false;
    return true;
  }
  // Pixels of colour c in the picture rows.
  int count(uint8_t c) const {
    int n = 0;
    for (int i = 0; i < kW * kH; i++) n += px[static_cast<size_t>(i)] == c;
    return n;
  }
  // Columns of row y holding colour c: first and last, or -1, -1.
  std::pair<int, int> span(int y, uint8_t c) const {
    int a = -1, b = -1;
    for (int x = 0; x < kW; x++)
      if (at(x, y) == c) {
        if (a < 0) a = x;
        b = x;
      }
    return {a, b};
  }
};

// FNV-1a over the 64000 picture bytes.
inline uint32_t frame_hash(const uint8_t* f) {
  uint32_t h = 2166136261u;
  for (int i = 0; i < 64000; i++) h = (h ^ f[i]) * 16777619u;
  return h;
}
