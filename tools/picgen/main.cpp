// picgen: writes the demo's pictures and point drawings into a directory.
//
//   picgen OUTDIR [NAME...]    all files, or only the named ones (e.g. hipcat.cgm)
//   picgen probe FONT CODEPOINT OUT.cgm
//                              a glyph's ink in black and each enclosed area in
//                              a colour of its own, with the areas' centres
//                              listed, for choosing paint-bucket seeds
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cgmwrite.h"
#include "common/outfile.h"
#include "common/tool.h"
#include "drawings.h"
#include "glyph.h"
#include "glyphart.h"
#include "pictures.h"

namespace {

struct Asset {
  const char* file;
  Picture (*make)();
};

constexpr Asset kPictures[] = {
    {"hipcat.cgm", pic_hipcat},     {"zoomer.cgm", pic_zoomer},       {"ankels.cgm", pic_ankels},
    {"swing1.cgm", pic_swing1},     {"swing2.cgm", pic_swing2},       {"strutter.cgm", pic_strutter},
    {"strutterblk.cgm", pic_strutterblk}, {"bottles.cgm", pic_bottles}, {"stara.cgm", pic_stara},
    {"stara2.cgm", pic_stara2},
};

struct DrawAsset {
  const char* file;
  Sketch (*make)();
  int segments;
};

const DrawAsset kDrawings[] = {
    {"afrogirl.txt", sketch_afrogirl, kAfrogirlSegments},
    {"grooveking.txt", sketch_grooveking, kGrookingSegments},
};

constexpr const char* k_usage =
    "usage: picgen OUTDIR [NAME...]\n"
    "       picgen probe FONT CODEPOINT OUT.cgm\n"
    "       picgen [probe] --help | picgen --version\n";
constexpr const char* k_probe_usage = "usage: picgen probe FONT CODEPOINT OUT.cgm   (CODEPOINT in hexadecimal)\n";

bool write_file(const std::string& path, const std::string& text) {
  return out_save(path.c_str(), text.data(), text.size());
}

int probe(const char* font, const char* cps, const char* out) {
  char* end = nullptr;
  const uint32_t cp = static_cast<uint32_t>(std::strtoul(cps, &end, 16));
  if (!*cps || *end) {
    const std::string what = std::string("not a code point: '") + cps + "'";
    return tool_usage_exit(tool_usage_message(tool_prefix(), what));
  }
  const Polys g = glyph(font, cp, 2.0);
  Picture p;
  p.name = "probe";
  p.desc = "glyph areas";
  p.colours = {0x000000, 0xff4040, 0x40c040, 0x4060ff, 0xffc000, 0xff40ff, 0x00c0c0, 0xff8000, 0x8040ff, 0x80ff80,
               0xc08040, 0xff8080, 0x80c0ff};
  const Polys ink = evenodd(g);
  const Polys holes = holes_of(ink);
  for (size_t h = 0; h < holes.size(); h++) {
    const Pt c = inner_point(holes[h]);
    std::printf("area %zu colour %zu inside at (%.0f, %.0f) size %.0f\n", h, 2 + h % 12, c.x, c.y,
                std::sqrt(std::fabs(area(holes[h]))));
    pic_fill(p, static_cast<int>(2 + h % 12), {holes[h]});
  }
  pic_fill(p, 1, ink);
  PicStats st;
  return write_file(out, pic_write(p, st)) ? 0 : 1;
}

bool wanted(const char* file, int argc, char** argv) {
  if (argc <= 2) return true;
  for (int i = 2; i < argc; i++)
    if (!std::strcmp(argv[i], file)) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  tool_begin("picgen");
  const bool probing = argc >= 2 && !std::strcmp(argv[1], "probe");
  // -h, --help and --version win wherever they stand.
  switch (cli_wants(argc, argv, 1)) {
    case CLI_HELP:
      return tool_help(probing ? k_probe_usage : k_usage);
    case CLI_VERSION:
      return tool_version();
    case CLI_RUN:
      break;
  }
  if (probing) {
    tool_sub("probe");
    if (argc != 5) {
      const char* what = "FONT, CODEPOINT and OUT.cgm are needed";
      return tool_usage_exit(tool_usage_message("picgen probe", what));
    }
    return tool_finish(probe(argv[2], argv[3], argv[4]));
  }
  if (argc < 2) return tool_usage_exit(tool_usage_message("picgen", "OUTDIR is needed"));
  if (argv[1][0] == '-') {
    return tool_usage_exit(tool_usage_message("picgen", std::string("unknown option '") + argv[1] + "'"));
  }
  const std::string dir = argv[1];
  // Every name must be known before anything is written.
  for (int i = 2; i < argc; i++) {
    bool known = false;
    for (const Asset& a : kPictures) known = known || !std::strcmp(argv[i], a.file);
    for (const DrawAsset& a : kDrawings) known = known || !std::strcmp(argv[i], a.file);
    if (!known) {
      const std::string what =
          std::string(argv[i]) + ": unknown file name (the names are those in data/, e.g. hipcat.cgm)";
      return tool_usage_exit(tool_usage_message("picgen", what));
    }
  }
  for (const Asset& a : kPictures) {
    if (!wanted(a.file, argc, argv)) continue;
    PicStats st;
    const std::string text = pic_write(a.make(), st);
    const std::string path = dir + "/" + a.file;
    if (!write_file(path, text)) return tool_finish(1);
    std::printf("%-16s %4d elements %6d points (largest %3d) %6d triangles, extent %5d, %d jittered, %d cut\n",
                a.file, st.elements, st.points, st.maxpoints, st.triangles, st.extent, st.jittered, st.cut);
  }
  for (const DrawAsset& a : kDrawings) {
    if (!wanted(a.file, argc, argv)) continue;
    DrawStats st;
    const std::string text = drawing_write(a.make(), a.segments, st);
    const std::string path = dir + "/" + a.file;
    if (!write_file(path, text)) return tool_finish(1);
    std::printf("%-16s %4d strokes %6d segments, pen step %.2f pixels\n", a.file, st.strokes, st.segments, st.step);
  }
  return tool_finish(0);
}
