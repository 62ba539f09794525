#include "demo_testutil.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "effects/writeri.h"
#include "support/modbuild.h"

namespace {

// Appends printf-formatted text to s.
template <typename... A>
void add(std::string& s, const char* fmt, A... args) {
  char b[256];
  std::snprintf(b, sizeof b, fmt, args...);
  s += b;
}

// A star of 5 + seed % 4 points in colour 1 outlined in colour 2, a rectangle
// in colour 3 and a triangle in colour 4, all inside 0..1000. Colour k is
// spread over the cube and never black; colour 1 is white when asked.
std::string picture(int seed, bool white_first = false) {
  std::string s = "BEGMF \"t\";\nBEGPIC \"t\";\ncolrmode indexed;\nvdcext (0,0) (1000,1000);\nBEGPICBODY;\ncolrtable 1";
  for (int k = 1; k <= 4; k++) {
    int r = (seed * 53 + k * 97) % 256, g = (seed * 31 + k * 151) % 256, b = (seed * 71 + k * 41) % 256;
    if (white_first && k == 1) r = g = b = 255;
    add(s, " %d %d %d%s", r, g, b, k < 4 ? "\n " : ";\n");
  }
  s += "linewidth 12;\nedgevis ON;\nintstyle SOLID;\nfillcolr 3;\nlinecolr 4;\nrect (60,60) (300,260);\n";
  s += "fillcolr 1;\nlinecolr 2;\npolygon";
  const int tips = 5 + seed % 4;
  for (int i = 0; i <= 2 * tips; i++) {
    const double a = 3.14159265358979 * i / tips + seed * 0.3;
    const double r = (i % 2 == 0) ? 450 : 200;
    add(s, " (%d,%d)", static_cast<int>(500 + r * std::cos(a)), static_cast<int>(520 + r * std::sin(a)));
  }
  add(s, ";\nedgevis OFF;\nfillcolr 4;\npolygon (700,80) (960,80) (830,%d) (700,80);\nENDPIC;\nENDMF;\n",
      300 + 40 * (seed % 5));
  return s;
}

// One stroke: a spiral of n points about the frame's centre, in the point
// files' eighth pixels (vertical origin 208 units above the frame).
std::string spiral(int n, double turns, double phase) {
  std::string s;
  add(s, "%d", n);
  for (int i = 0; i < n; i++) {
    const double u = static_cast<double>(i) / n;
    const double a = phase + 2 * 3.14159265358979 * turns * u;
    const double r = 60 + 700 * u;
    add(s, "%s%d %d", i % 8 == 0 ? "\n" : " ", static_cast<int>(1280 + r * std::cos(a)),
        static_cast<int>(1008 + r * 0.9 * std::sin(a)));
  }
  return s + "\n";
}

// Glyph g of drawing a: transparent cell, an outline box and a body with bars
// cut out by the bits of g + 1; each drawing sits one row lower than the last.
std::string font_image() {
  std::string f(FONT_BYTES, static_cast<char>(255));
  for (int a = 0; a < 3; a++)
    for (int g = 0; g < 38; g++) {
      const int x0 = (g % 10) * 32, y0 = a * 128 + (g / 10) * 32 + a;
      for (int y = 4; y < 28; y++)
        for (int x = 2; x < 24; x++) {
          const bool inside = y >= 6 && y < 26 && x >= 4 && x < 22;
          const int bit = (y - 8) / 3;
          const bool cut = inside && y >= 8 && bit < 6 && ((g + 1) >> bit & 1) && (y - 8) % 3 != 2;
          f[static_cast<size_t>((y0 + y) * 320 + x0 + x)] = static_cast<char>(!inside ? 1 : cut ? 255 : 0);
        }
    }
  return f;
}

// 26 orders of one pattern with a note on row 0, at the default speed: the
// position reaches 2500 (order 25) after 25 orders, 204 s at 47 ticks a second.
std::string module() {
  mb_module m;
  m.order.assign(26, 0);
  m.sample(1, 2000);
  m.cell(0, 0, 0) = {1, mb_period(24), 0, 0};
  m.cell(0, 32, 1) = {1, mb_period(31), 0, 0};
  const std::vector<uint8_t> bytes = m.build();
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string>& temp_dirs() {
  static std::vector<std::string> dirs;
  static const bool registered = [] {
    std::atexit([] {
      std::error_code ec;
      for (const std::string& d : temp_dirs()) std::filesystem::remove_all(d, ec);
    });
    return true;
  }();
  (void)registered;
  return dirs;
}

}  // namespace

bool write_file(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

void write_demo_assets(const std::string& root) {
  const std::string d = root + "data/";
  std::filesystem::create_directories(d);
  const char* pictures[] = {"hipcat", "zoomer", "ankels", "swing1", "swing2", "strutter", "strutterblk",
                            "bottles", "stara", "stara2"};
  for (int i = 0; i < 10; i++) write_file(d + pictures[i] + ".cgm", picture(i + 1, i == 7));
  write_file(d + "afrogirl.txt", spiral(1500, 5.0, 0.0) + spiral(300, 1.0, 1.0) + "-1\n");
  write_file(d + "grooveking.txt", spiral(900, 3.0, 2.0) + "0\n1 5 5\n" + spiral(600, 2.0, 4.0) + "-1\n");
  write_file(d + "fontti.raw", font_image());
  write_file(d + "da_plim.mod", module());
}

std::string make_temp_root() {
  char tmpl[] = "/tmp/zap-demo-XXXXXX";
  const char* dir = mkdtemp(tmpl);
  if (!dir) return "/nonexistent/";
  temp_dirs().push_back(dir);
  return std::string(dir) + "/";
}

const std::string& demo_assets_root() {
  static const std::string root = [] {
    std::string r = make_temp_root();
    write_demo_assets(r);
    return r;
  }();
  return root;
}

bool write_png(const std::string& path, const uint8_t* frame, const uint8_t* palette, int k) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, 320 * k, 200 * k, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color pal[256];
  for (int i = 0; i < 256; i++) pal[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
  png_set_PLTE(png, info, pal, 256);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(320 * k));
  for (int y = 0; y < 200 * k; y++) {
    for (int x = 0; x < 320 * k; x++) row[static_cast<size_t>(x)] = frame[(y / k) * 320 + x / k];
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

// ThreadSanitizer: SDL 2 reads its own state (hints, device names) on its audio
// thread through intercepted string calls, with a synchronisation TSan cannot
// see inside the uninstrumented library. Only accesses that SDL itself makes
// through interceptors are waived; our callback's accesses are still checked.
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() { return "called_from_lib:libSDL2-2.0.so\n"; }
