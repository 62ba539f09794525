// fontgen make: draws the demo's bitmap font image from an outline font.
//
// The image is what the text writer reads: 320x384 bytes, three drawings of
// 320x128 stacked from the top, each a grid of 10x4 cells of 32x32 pixels;
// glyph g of "abcdefghijklmnopqrstuvwxyz1234567890!'" sits in cell column
// g mod 10, cell row g div 10, in the left 28 columns. Pixel 0 is body (the
// text colour), 255 transparent, 128 outline (the writer shades what lies
// beneath). Made for Cherry Bomb, a heavy rounded display face; the rules
// below are what keeps it readable in a 22-pixel advance.
//
// How a glyph is made:
//   - Letters take the font's capitals: they read better than its lower case
//     at this size and need no room for descenders.
//   - Strokes are thinned by kThinX/kThinY thousandths of the em on each axis
//     (FreeType's outline emboldening, negated) before rendering: at full
//     weight the counters of B, 8, P and R close up at this size. The
//     apostrophe keeps its weight: it has no counter, and would thin to a
//     hairline.
//   - The pixel size is the largest at which the ink of "H" is at most
//     kCapHeight rows high (FreeType's pixel size is the em, not the ink).
//   - Coverage from FreeType's anti-aliasing rasteriser is cut at half
//     (kThreshold): the body is hard-edged, as the writer has no blending.
//   - A glyph wider than its limit is rendered again at a narrower pixel
//     width until it fits: kBodyMaxW for most, kWideMaxW for M and W (four
//     strokes do not fit in 18 columns), kDigitMaxW for digits (so 0 stays
//     narrower than O, and 1 and 5 read as digits among letters).
//   - The outline is every pixel outside the body, reachable from the cell's
//     edge, within kOutlineR2 (squared distance) of a body pixel: 2 pixels
//     thick, round at the corners. Closed counters get no outline and show
//     what lies beneath: in every scene the background is further from the
//     text colour than its shade is, so small counters stay visible.
//   - The three drawings are the same glyph moved by kBounce rows, so a text
//     ripples up and down as the writer cycles the drawings along it.
//
// FreeType's rasteriser is integer arithmetic at fixed sizes: the same font
// file gives the same bytes on every run.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/outfile.h"
#include "common/tool.h"
#include "fontgen.h"

namespace {

constexpr const char* kDefaultFont = "/usr/share/fonts/opentype/cherrybomb/CherryBomb-Regular.otf";

// Layout of the image, as the text writer reads it.
constexpr int kFontW = 320;
constexpr int kFontRows = 384;
constexpr int kDrawingBytes = kFontW * 128;
constexpr int kCell = 32;
constexpr int kCellsPerRow = 10;
constexpr int kDrawnCols = 28;  // the writer draws the left 28 columns of a cell
constexpr int kAdvance = 22;    // the writer's step from one character to the next
constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz1234567890!'";
constexpr int kGlyphs = sizeof kChars - 1;
static_assert(kGlyphs == 38 && kGlyphs <= 4 * kCellsPerRow);

constexpr uint8_t kBody = 0;
constexpr uint8_t kEdge = 128;  // any value but 0 and 255 is outline
constexpr uint8_t kClear = 255;

// Shape of a glyph.
constexpr int kThinX = 75, kThinY = 60;  // stroke thinning, thousandths of the em
constexpr int kThreshold = 128;          // coverage 128..255 is body
constexpr int kCapHeight = 25;           // ink rows of "H"
constexpr int kOutline = 2;              // outline thickness
constexpr int kOutlineR2 = 5;            // outline reach, squared: (2,0) and (2,1) but not (2,2)
// Body widths. A body of 18 and its outline on both sides fill one advance,
// so two neighbours' outlines lie side by side between their bodies. Up to
// 20, the next character's outline still starts right of the body (it begins
// 22 - 2 = 20 columns on), so the outlines merely share those 2 columns.
constexpr int kBodyMaxW = kAdvance - 2 * kOutline;  // 18
constexpr int kWideMaxW = kAdvance - kOutline;      // 20
constexpr int kDigitMaxW = 15;
constexpr std::array<int, 3> kBounce = {-1, 0, 1};  // rows each drawing moves the glyph down
// Columns: an 18-wide body on columns 5..22 (outline 3..24) is centred in the
// 28 drawn columns, which puts a centred text's middle within a pixel of the
// point the writer centres on (x0 = x - 11n - 4).
constexpr int kBodyLeft = (kDrawnCols - kBodyMaxW) / 2;
// Rows: a body may use rows 3..28, so that its outline and a bounce of one
// row either way stay inside the cell. Capitals stand on row 28; most of
// Cherry Bomb's reach one row above its H, so they fill rows 3..28, centred
// on the cell's row 16 where the writer puts a centred text's y.
constexpr int kBaseline = 29;  // first row below the capitals
constexpr int kBodyTop = kOutline + 1;
constexpr int kBodyBottom = kCell - 1 - kOutline - 1;
static_assert(kBodyLeft - (kWideMaxW - kBodyMaxW) / 2 - kOutline >= 0);
static_assert(kBodyLeft + kBodyMaxW + (kWideMaxW - kBodyMaxW + 1) / 2 + kOutline <= kDrawnCols);
static_assert(kBaseline - kCapHeight >= kBodyTop && kBaseline - 1 <= kBodyBottom);

// A rendered glyph's body, cropped to its ink box.
struct Ink {
  int w = 0, h = 0;         // ink box size
  int top = 0;              // rows of ink above the baseline
  std::vector<uint8_t> on;  // w * h, row by row: 1 body, 0 not
};

// A glyph in its cell at bounce 0: 1 body, 2 outline, 0 clear.
using Cell = std::array<std::array<uint8_t, kCell>, kCell>;

struct Library {
  FT_Library lib = nullptr;
  ~Library() {
    if (lib) FT_Done_FreeType(lib);
  }
};
struct Face {
  FT_Face face = nullptr;
  ~Face() {
    if (face) FT_Done_Face(face);
  }
};

FT_ULong code_point(char ch) {
  return ch >= 'a' && ch <= 'z' ? static_cast<FT_ULong>(ch - 'a' + 'A') : static_cast<FT_ULong>(ch);
}

int max_width(char ch) {
  if (ch == 'm' || ch == 'w') return kWideMaxW;
  if (ch >= '0' && ch <= '9') return kDigitMaxW;
  return kBodyMaxW;
}

// Renders ch at pw x ph pixels, thinned, and thresholds it; returns the
// FreeType error (0 for none). A glyph without ink gives w = h = 0.
FT_Error render(FT_Face face, char ch, int pw, int ph, Ink& ink) {
  if (FT_Error e = FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(pw), static_cast<FT_UInt>(ph))) return e;
  if (FT_Error e = FT_Load_Char(face, code_point(ch), FT_LOAD_NO_BITMAP)) return e;
  if (ch != '\'') {
    // Strengths in 26.6 pixels: thousandths of the em times the pixel size.
    const FT_Pos sx = kThinX * 64 * pw / 1000, sy = kThinY * 64 * ph / 1000;
    if (FT_Error e = FT_Outline_EmboldenXY(&face->glyph->outline, -sx, -sy)) return e;
  }
  if (FT_Error e = FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL)) return e;
  const FT_Bitmap& bm = face->glyph->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return FT_Err_Invalid_Pixel_Size;
  const int bw = static_cast<int>(bm.width), bh = static_cast<int>(bm.rows);
  auto covered = [&](int x, int y) { return bm.buffer[y * bm.pitch + x] >= kThreshold; };
  int x0 = bw, x1 = -1, y0 = bh, y1 = -1;
  for (int y = 0; y < bh; y++)
    for (int x = 0; x < bw; x++)
      if (covered(x, y)) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  ink = Ink{};
  if (x1 < 0) return 0;
  ink.w = x1 - x0 + 1;
  ink.h = y1 - y0 + 1;
  ink.top = face->glyph->bitmap_top - y0;
  ink.on.resize(static_cast<size_t>(ink.w * ink.h));
  for (int y = 0; y < ink.h; y++)
    for (int x = 0; x < ink.w; x++) ink.on[static_cast<size_t>(y * ink.w + x)] = covered(x0 + x, y0 + y);
  return 0;
}

// Puts the body in its cell (centred across, standing on the baseline, kept
// inside rows kBodyTop..kBodyBottom) and draws its outline.
Cell place(const Ink& ink) {
  Cell c{};
  const int col = kBodyLeft + (kBodyMaxW - ink.w) / 2;
  const int row = std::clamp(kBaseline - ink.top, kBodyTop, kBodyBottom + 1 - ink.h);
  for (int y = 0; y < ink.h; y++)
    for (int x = 0; x < ink.w; x++)
      if (ink.on[static_cast<size_t>(y * ink.w + x)]) c[row + y][col + x] = 1;

  // The outside: non-body pixels 4-connected to the cell's edge (a diagonal
  // step between two body pixels does not leak into a counter).
  Cell out{};
  std::vector<std::pair<int, int>> todo;
  auto visit = [&](int y, int x) {
    if (y >= 0 && y < kCell && x >= 0 && x < kCell && c[y][x] == 0 && !out[y][x]) {
      out[y][x] = 1;
      todo.emplace_back(y, x);
    }
  };
  for (int i = 0; i < kCell; i++) visit(0, i), visit(kCell - 1, i), visit(i, 0), visit(i, kCell - 1);
  while (!todo.empty()) {
    const auto [y, x] = todo.back();
    todo.pop_back();
    visit(y - 1, x), visit(y + 1, x), visit(y, x - 1), visit(y, x + 1);
  }

  for (int y = 0; y < kCell; y++)
    for (int x = 0; x < kCell; x++) {
      if (!out[y][x]) continue;
      bool near = false;
      for (int dy = -kOutline; dy <= kOutline; dy++)
        for (int dx = -kOutline; dx <= kOutline; dx++) {
          const int yy = y + dy, xx = x + dx;
          if (dx * dx + dy * dy <= kOutlineR2 && yy >= 0 && yy < kCell && xx >= 0 && xx < kCell && c[yy][xx] == 1)
            near = true;
        }
      if (near) c[y][x] = 2;
    }
  return c;
}

// Draws every glyph into img at the pixel size found for the cap height;
// false after the message naming the glyph that failed.
bool draw_glyphs(FT_Face face, const char* fontpath, int size, bool verbose, std::vector<uint8_t>& img) {
  auto fail = [&](const char* what, char ch, FT_Error e) {
    if (e) tool_error("%s: %s '%c' (FreeType error %d)", fontpath, what, ch, e);
    else tool_error("%s: %s '%c'", fontpath, what, ch);
    return false;
  };
  for (int g = 0; g < kGlyphs; g++) {
    const char ch = kChars[g];
    // Too tall (a tail below the line): a smaller height; too wide: a
    // smaller width.
    int ph = size, pw = size;
    Ink ink;
    for (;;) {
      if (FT_Error e = render(face, ch, pw, ph, ink)) return fail("cannot render", ch, e);
      if (ink.h == 0) return fail("draws nothing for", ch, 0);
      if (ink.h > kBodyBottom + 1 - kBodyTop) ph--;
      else if (ink.w > max_width(ch)) pw--;
      else break;
      if (pw < 4 || ph < 4) return fail("cannot fit", ch, 0);
    }
    if (verbose) std::printf("%c  pixel size %2dx%2d  body %2dx%2d  top %d\n", ch, pw, ph, ink.w, ink.h, ink.top);
    const Cell c = place(ink);
    for (int a = 0; a < 3; a++) {
      uint8_t* cell = img.data() + a * kDrawingBytes + (g / kCellsPerRow) * kCell * kFontW + (g % kCellsPerRow) * kCell;
      for (int y = 0; y < kCell; y++)
        for (int x = 0; x < kDrawnCols; x++) {
          // place() leaves rows 0 and 31 clear, so a bounce of a row loses nothing.
          const int sy = y - kBounce[static_cast<size_t>(a)];
          const uint8_t k = sy >= 0 && sy < kCell ? c[sy][x] : 0;
          cell[y * kFontW + x] = k == 1 ? kBody : k == 2 ? kEdge : kClear;
        }
    }
  }
  return true;
}

}  // namespace

int fontgen_make(int argc, char** argv) {
  if (argc < 1) return tool_usage_exit(tool_usage_message(tool_prefix(), "OUT.raw is needed"));
  const char* out = argv[0];
  const char* fontpath = kDefaultFont;
  bool verbose = false;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "--font") && i + 1 < argc) {
      fontpath = argv[++i];
    } else if (!std::strcmp(argv[i], "--verbose")) {
      verbose = true;
    } else {
      const std::string what = std::string("unknown option or missing value: '") + argv[i] + "'";
      return tool_usage_exit(tool_usage_message(tool_prefix(), what));
    }
  }

  Library lib;
  if (FT_Init_FreeType(&lib.lib)) {
    tool_error("cannot start FreeType");
    return 1;
  }
  Face face;
  if (FT_Error e = FT_New_Face(lib.lib, fontpath, 0, &face.face)) {
    tool_error("%s: cannot open as a font (FreeType error %d)", fontpath, e);
    return 1;
  }
  for (const char* p = kChars; *p; p++) {
    if (FT_Get_Char_Index(face.face, code_point(*p))) continue;
    tool_error("%s: has no glyph for '%c'", fontpath, *p);
    return 1;
  }

  // The largest pixel size whose "H" is at most kCapHeight rows of ink.
  int size = 0, cap = 0;
  for (int s = 8; s <= 128; s++) {
    Ink h;
    if (FT_Error e = render(face.face, 'h', s, s, h)) {
      tool_error("%s: cannot render 'h' (FreeType error %d)", fontpath, e);
      return 1;
    }
    if (h.h > kCapHeight) break;
    size = s;
    cap = h.h;
  }
  if (!size) {
    tool_error("%s: no pixel size gives an 'H' of at most %d rows", fontpath, kCapHeight);
    return 1;
  }
  if (verbose) std::printf("%s %s: pixel size %d, cap height %d\n", face.face->family_name, face.face->style_name, size, cap);

  std::vector<uint8_t> img(static_cast<size_t>(kFontW * kFontRows), kClear);
  if (!draw_glyphs(face.face, fontpath, size, verbose, img)) return 1;
  return out_save(out, img.data(), img.size()) ? 0 : 1;
}
