// fontgen sheet: a preview of a font image as the demo shows it. On top, the
// image's three drawings side by side (body dark, outline orange, the
// writer's undrawn columns 28..31 of each cell a darker grey); below, 320x200
// frames with every text the scenes write, drawn by the demo's own text
// writer over the scenes' backgrounds (with the rings of the scenes that have
// them) and shown with the scenes' palettes. Written as an RGB PNG, each
// pixel repeated `scale` times.
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "effects/kaleido.h"
#include "effects/rings.h"
#include "common/num.h"
#include "common/pngfile.h"
#include "common/tool.h"
#include "effects/writeri.h"
#include "fontgen.h"

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

// The scenes' palette set-ups. Entries a scene leaves alone keep what an
// earlier scene set: the bounce shows entry 255 as the title set it. Entry 0
// is never set by the demo and shows black.
const std::vector<Panel>& panels() {
  static const std::vector<Panel> p = {
      // Title
      {127, Backdrop::plain, {{127, 0xFF9696}, {255, 0xFFC8C8}, {128, 0x645A5A}, {126, 0xFFFFFF}},
       {{160, 80, "bongo squad", 1, 126}, {160, 120, "on the floor", 1, 126}}},
      // Group rings
      {1, Backdrop::rings, {{3, 0x000000}, {1, 0xFFB4B4}, {129, 0x805A5A}, {2, 0xFF3CC8}, {130, 0x801E64}},
       {{160, 100, "zap cobbles", 1, 3}}},
      // First drawing
      {1, Backdrop::plain, {{1, 0x6EC896}, {2, 0x1E4032}, {129, 0xC8FFDC}, {130, 0x82AA78}, {126, 0xFFFFFF}},
       {{160, 100, "foxy lady!", 1, 126}}},
      // Kaleidoscope
      {1, Backdrop::kaleido, {{3, 0x000000}, {1, 0xFFFFFF}, {129, 0x808080}, {2, 0x7878FF}, {130, 0x3C3C7D}},
       {{160, 170, "go'go dudes", 1, 3}}},
      // Greetings, the title and the first half of the names
      {1, Backdrop::plain, {{1, 0xFFA0A0}, {2, 0x640000}, {129, 0xFFC8C8}, {130, 0xC86464}, {126, 0xFFFFFF}},
       {{5, 5, "tumbleweb", 0, 126}, {5, 45, "qvx", 0, 126}, {5, 85, "morrowy", 0, 126}, {5, 125, "quillfrond", 0, 126},
        {170, 160, "greetz", 0, 126}}},
      // Greetings, the other names
      {1, Backdrop::plain, {{1, 0xFFA0A0}, {129, 0xFFC8C8}, {126, 0xFFFFFF}},
       {{5, 5, "kzt", 0, 126}, {5, 45, "plovik", 0, 126}, {5, 85, "jostu", 0, 126}, {5, 125, "brixo", 0, 126}}},
      // Bounce
      {127, Backdrop::plain, {{127, 0xFFFFFF}, {255, 0xFFC8C8}, {0, 0x000000}}, {{5, 84, "d15c0!", 0, 0}}},
      // Credits, first half (the words take turns at (240, 100))
      {127, Backdrop::plain, {{255, 0x805A00}, {127, 0xFFB400}, {0, 0x000000}},
       {{240, 40, "vemp", 1, 0}, {240, 100, "code", 1, 0}, {240, 160, "grafix", 1, 0}}},
      // Credits, second half
      {127, Backdrop::plain, {{255, 0x805A00}, {127, 0xFFB400}, {0, 0x000000}},
       {{240, 70, "tib", 1, 0}, {240, 130, "funk", 1, 0}}},
  };
  return p;
}

// Draws one panel at time t into the sheet's RGB pixels at (ox, oy).
void draw_panel(const Panel& pn, int t, std::vector<uint8_t>& rgb, int sheet_w, int ox, int oy) {
  static std::array<uint8_t, kW * kRows> frame;
  std::array<uint32_t, 256> pal{};
  for (const Entry& e : pn.pal) pal[static_cast<size_t>(e.k)] = e.rgb;
  frame.fill(0);
  std::memset(frame.data(), pn.fill, kW * kH);
  if (pn.back == Backdrop::rings) rings(frame.data(), 2 * t, 18, 1, 2);
  if (pn.back == Backdrop::kaleido) {
    rings(frame.data(), t, 28, 1, 2);
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
    return tool_usage_exit(tool_usage_message(tool_prefix(), what, FONTGEN_SHEET_USAGE));
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
