// fontgen sheet: a preview of a font image as the demo shows it. On top, the
// image's three drawings side by side (body dark, outline orange, the
// writer's undrawn columns 28..31 of each cell a darker grey); below, 320x200
// frames with every text the scenes write, drawn by the demo's own text
// writer over the scenes' backgrounds (with the rings of the scenes that have
// them) and shown with the scenes' palettes. Written as an RGB PNG, each
// pixel repeated `scale` times.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/pngfile.h"
#include "common/tool.h"
#include "demo/scene_looks.h"
#include "effects/kaleido.h"
#include "effects/rings.h"
#include "effects/writeri.h"
#include "fontgen.h"
#include "sys/num.h"

namespace {

constexpr int kW = 320, kH = 200;     // a scene's frame
constexpr int kRows = 256;            // work frames have slack rows below the picture
constexpr int kCols = 3;              // frames per row of the sheet
constexpr int kBandW = 320, kBandH = 128;  // one drawing of the font image
constexpr int kMaxScale = 8;

struct Entry {
  int k;
  uint32_t rgb;
};
struct Text {
  int x, y;
  const char* s;
  int centre;
  int colour;
};
enum class Backdrop { plain, rings, kaleido };
// One frame of the sheet: a scene's palette entries, its fill and effect, and
// texts at the places the scene writes them (several in one frame where the
// scene shows them one after another).
struct Panel {
  uint8_t fill;
  Backdrop back;
  std::vector<Entry> pal;
  std::vector<Text> texts;
};

// The scenes' palette entries and texts, as the scenes' tables hold them
// (demo/scene_looks.h), and the entries of them a panel shows.
Entry entry(const looks::entry& e) { return {e.index, e.colour.word()}; }
template <size_t N>
std::vector<Entry> entries(const std::array<looks::entry, N>& es, std::vector<int> only = {}) {
  std::vector<Entry> v;
  for (const looks::entry& e : es)
    if (only.empty() || std::find(only.begin(), only.end(), e.index) != only.end()) v.push_back(entry(e));
  return v;
}
// A table's text, or another text s at its place moved down by dy.
Text text(const looks::text& t, const char* s = nullptr, int dy = 0) {
  return {t.x, t.y + dy, s ? s : t.s, t.centre, t.colour};
}
// The greetings first to first + 3, one under the other at the greeting's place.
std::vector<Text> greeting_lines(int first) {
  std::vector<Text> v;
  for (int i = 0; i < 4; i++) v.push_back(text(looks::greetings.greeting, kriit[first + i], 40 * i));
  return v;
}

// The scenes' palette set-ups. Entries a scene leaves alone keep what an
// earlier scene set: the bounce shows entry 255 as the title set it. Entry 0
// is never set by the demo and shows black.
const std::vector<Panel>& panels() {
  namespace L = looks;
  static const std::vector<Panel> p = [] {
    std::vector<Panel> v;
    // Title
    v.push_back({L::title.fill, Backdrop::plain, entries(L::title.palette),
                 {text(L::title.group), text(L::title.motto)}});
    // Group rings
    v.push_back({L::rings.fill, Backdrop::rings, entries(L::rings.palette), {text(L::rings.name)}});
    // First drawing
    v.push_back({L::first_drawing.fill, Backdrop::plain, entries(L::first_drawing.palette),
                 {text(L::first_drawing.caption)}});
    // Kaleidoscope
    v.push_back({L::kaleido.fill, Backdrop::kaleido, entries(L::kaleido.palette), {text(L::kaleido.typed)}});
    // Greetings, the title and the first half of the names
    std::vector<Text> greet = greeting_lines(1);
    greet.push_back(text(L::greetings.caption));
    v.push_back({L::greetings.fill, Backdrop::plain, entries(L::greetings.palette), greet});
    // Greetings, the other names
    v.push_back({L::greetings.fill, Backdrop::plain, entries(L::greetings.palette, {1, 129, 126}), greeting_lines(5)});
    // Bounce
    std::vector<Entry> bounce = entries(L::bounce.palette);
    bounce.push_back(entries(L::title.palette, {255})[0]);
    bounce.push_back({0, 0x000000});
    v.push_back({L::bounce.fill, Backdrop::plain, bounce, {text(L::bounce.flash)}});
    // Credits, first half (the words take turns at the words' place)
    std::vector<Entry> credits = entries(L::credits.palette);
    credits.push_back({0, 0x000000});
    const auto& cw = L::credits.words;
    v.push_back({L::credits.fill, Backdrop::plain, credits,
                 {text(cw, L::credits.first_words[0], -60), text(cw, L::credits.first_words[1]),
                  text(cw, L::credits.first_words[2], 60)}});
    // Credits, second half
    v.push_back({L::credits.fill, Backdrop::plain, credits,
                 {text(cw, L::credits.second_words[0], -30), text(cw, L::credits.second_words[1], 30)}});
    return v;
  }();
  return p;
}

// Draws one panel at time t into the sheet's RGB pixels at (ox, oy).
void draw_panel(const Panel& pn, int t, std::vector<uint8_t>& rgb, int sheet_w, int ox, int oy) {
  static std::array<uint8_t, kW * kRows> frame;
  std::array<uint32_t, 256> pal{};
  for (const Entry& e : pn.pal) pal[static_cast<size_t>(e.k)] = e.rgb;
  frame.fill(0);
  std::memset(frame.data(), pn.fill, kW * kH);
  constexpr const auto& R = looks::rings;
  constexpr const auto& K = looks::kaleido;
  if (pn.back == Backdrop::rings) rings(frame.data(), R.speed * t, R.width, R.mode, R.colour);
  if (pn.back == Backdrop::kaleido) {
    rings(frame.data(), t, K.width, K.mode, K.colour);
    kaleido(frame.data(), kW, kH);
  }
  for (const Text& tx : pn.texts) writeri(frame.data(), tx.x, tx.y, tx.s, tx.centre, t, tx.colour);
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < kW; x++) {
      const uint32_t c = pal[frame[static_cast<size_t>(y * kW + x)]];
      uint8_t* d = &rgb[(static_cast<size_t>(oy + y) * static_cast<size_t>(sheet_w) + static_cast<size_t>(ox + x)) * 3];
      d[0] = static_cast<uint8_t>(c >> 16), d[1] = static_cast<uint8_t>(c >> 8), d[2] = static_cast<uint8_t>(c);
    }
}

bool read_font(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    tool_error("%s: cannot open: %s", path, std::strerror(errno));
    return false;
  }
  const size_t got = std::fread(fnt, 1, FONT_BYTES, f);
  const bool more = std::fgetc(f) != EOF;
  std::fclose(f);
  if (got != FONT_BYTES || more) {
    tool_error("%s: not a font image (%d bytes expected)", path, FONT_BYTES);
    return false;
  }
  return true;
}

}  // namespace

int fontgen_sheet(int argc, char** argv) {
  const auto usage_error = [](const std::string& what) {
    return tool_usage_exit(tool_usage_message(tool_prefix(), what));
  };
  if (argc < 2) return usage_error("FONT.raw and OUT.png are needed");
  int32_t scale = 2;
  for (int i = 2; i < argc; i += 2) {
    std::string why;
    if (std::strcmp(argv[i], "--scale")) return usage_error(std::string("unknown option '") + argv[i] + "'");
    if (i + 1 >= argc) return usage_error("missing value after --scale");
    if (!num_option("--scale", argv[i + 1], 1, kMaxScale, scale, why)) return usage_error(why);
  }
  if (!read_font(argv[0])) return 1;
  rings_init();

  const auto& ps = panels();
  const int prow = static_cast<int>((ps.size() + kCols - 1) / kCols);
  const int w = kCols * kW, h = kBandH + prow * kH;
  std::vector<uint8_t> rgb(static_cast<size_t>(w * h) * 3, 0);

  // The three drawings, side by side.
  for (int a = 0; a < 3; a++)
    for (int y = 0; y < kBandH; y++)
      for (int x = 0; x < kBandW; x++) {
        const uint8_t v = fnt[a * kBandW * kBandH + y * kBandW + x];
        const uint32_t c = v == 0 ? 0x1E1E46 : v == 255 ? ((x & 31) >= 28 ? 0xC8C8C8 : 0xEBEBEB) : 0xFF9600;
        uint8_t* d = &rgb[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(a * kBandW + x)) * 3];
        d[0] = static_cast<uint8_t>(c >> 16), d[1] = static_cast<uint8_t>(c >> 8), d[2] = static_cast<uint8_t>(c);
      }
  for (size_t i = 0; i < ps.size(); i++)
    draw_panel(ps[i], 1500, rgb, w, static_cast<int>(i % kCols) * kW, kBandH + static_cast<int>(i / kCols) * kH);

  return png_save(argv[1], {.pixels = rgb.data(), .width = w, .height = h, .scale = scale}) ? 0 : 1;
}
