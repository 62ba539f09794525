// Asset loading. Start-up order: the two point drawings, the eight scene
// pictures, the star pictures, the dots' table, the font, the rings' and the
// mosaic's tables, the module. Every file is checked as it is read, so a bad
// one stops the program before the display opens, named in one line.
#include "demo/assets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "demo/scene_looks.h"
#include "effects/dots.h"
#include "effects/mosaic.h"
#include "effects/rings.h"
#include "effects/staraz.h"
#include "effects/writeri.h"
#include "player/pt_read.h"

const char* assets_root = "";
const char* assets_program = "zapcobbles";
cgm_picture *hipcat = nullptr, *zoomer = nullptr, *ankels = nullptr, *swing1 = nullptr, *swing2 = nullptr,
            *strutter = nullptr, *strutterblk = nullptr, *bottles = nullptr;
drawing_rec *grooveking = nullptr, *afrogirl = nullptr;

namespace {

// A static block rather than a heap one: it lives for the whole run anyway,
// and the bytes past what the file fills stay zero.
uint8_t modbuf_store[MODBUF_LIMIT + MODBUF_SPARE];

}  // namespace

uint8_t* modbuf = modbuf_store;
int32_t modsize = 0;

std::string assets_data_path(const char* name) {
  std::string p = assets_root;
  if (!p.empty() && p.back() != '/') p += '/';
  return p + "data/" + name;
}

namespace {

bool fail(const std::string& path, const char* why) {
  std::fprintf(stderr, "%s: %s: %s\n", assets_program, path.c_str(), why);
  return false;
}

// A picture that loads but holds nothing to draw is refused as well: it would
// leave its scene empty without a word.
bool load_picture(cgm_picture*& pic, const char* name) {
  cgm_free(pic);
  const std::string path = assets_data_path(name);
  pic = cgm_load(path.c_str());
  if (!pic) return fail(path, cgm_errorstr);
  if (!pic->prims) return fail(path, "the picture holds nothing to draw");
  // The loader takes what a file holds up to its end; one cut short (a copy
  // broken off) would show part of its picture without a word.
  if (!cgm_lastload.ended) return fail(path, "cut short (no ENDMF at its end)");
  return true;
}

// drawing_load prints nothing: drawing_message says what it found wrong in
// the file, or, when that is empty, errno still holds why it could not be
// opened or read.
bool load_drawing(drawing_rec*& d, const char* name) {
  drawing_free(d);
  const std::string path = assets_data_path(name);
  errno = 0;
  d = drawing_load(path.c_str());
  if (d && drawing_message[0]) std::fprintf(stderr, "%s: %s: %s\n", assets_program, path.c_str(), drawing_message);
  if (!d && drawing_message[0]) return fail(path, drawing_message);
  if (d) {
    int64_t segments = 0;
    for (int i = 0; i < d->nstrokes; i++) segments += d->strokes[i].n > 1 ? d->strokes[i].n - 1 : 0;
    // An empty file, or one of no numbers, reads as a drawing of no strokes:
    // its scene would stay blank.
    if (segments == 0) return fail(path, "the drawing holds nothing to draw");
    if (drawing_cutstroke >= 0) {
      return fail(path, ("cut short by the end of the file in stroke " + std::to_string(drawing_cutstroke)).c_str());
    }
    return true;
  }
  const int err = errno;
  if (err == 0) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  const bool opens = f != nullptr;
  if (f) std::fclose(f);
  return fail(path, (std::string(opens ? "cannot read: " : "cannot open: ") + std::strerror(err)).c_str());
}

// The star pictures, loaded as staraz_load loads them, one by one so that
// each is checked like a scene picture.
bool load_stars() { return load_picture(c1, "stara.cgm") && load_picture(c2, "stara2.cgm"); }

// The font is the one file the demo can do without: its image stays all zero
// and every known character draws as a solid block in the text colour.
void load_font() {
  const std::string path = assets_data_path("fontti.raw");
  std::memset(fnt, 0, sizeof fnt);
  if (writeri_init(path.c_str()) != 0) {
    std::fprintf(stderr, "%s: %s: %s; texts show as solid blocks\n", assets_program, path.c_str(),
                 std::strerror(errno));
    return;
  }
  // A shorter file leaves the rest of the image zero: the letters it does not
  // reach show as solid blocks.
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && st.st_size < FONT_BYTES) {
    std::fprintf(stderr, "%s: %s: %lld of %d bytes; the letters past them show as solid blocks\n", assets_program,
                 path.c_str(), static_cast<long long>(st.st_size), FONT_BYTES);
  }
}

bool load_module() {
  const std::string path = assets_data_path("da_plim.mod");
  std::string why, warning;
  if (!pt_read_file(path.c_str(), modbuf, modsize, why, warning)) return fail(path, why.c_str());
  if (!warning.empty()) std::fprintf(stderr, "%s: %s: %s\n", assets_program, path.c_str(), warning.c_str());
  return true;
}

// The data directory itself, named with where it was looked for when missing.
bool have_data_dir() {
  struct stat st;
  const std::string dir = assets_data_path("");
  if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  char cwd[4096];
  const bool here = assets_root[0] == 0 && getcwd(cwd, sizeof cwd) != nullptr;
  std::fprintf(stderr,
               "%s: no data directory in %s; run the demo from the project root (or from where its data "
               "is installed)\n",
               assets_program, here ? cwd : (assets_root[0] ? assets_root : "the working directory"));
  return false;
}

}  // namespace

bool assets_load() {
  if (!have_data_dir()) return false;
  if (!load_drawing(grooveking, "grooveking.txt") || !load_drawing(afrogirl, "afrogirl.txt")) return false;
  static constexpr struct {
    cgm_picture** pic;
    const char* name;
  } pictures[] = {{&hipcat, "hipcat.cgm"},     {&zoomer, "zoomer.cgm"},     {&ankels, "ankels.cgm"},
                  {&swing1, "swing1.cgm"},     {&swing2, "swing2.cgm"},     {&strutter, "strutter.cgm"},
                  {&strutterblk, "strutterblk.cgm"}, {&bottles, "bottles.cgm"}};
  for (const auto& p : pictures)
    if (!load_picture(*p.pic, p.name)) return false;
  if (!load_stars()) return false;
  dots_init();
  load_font();
  rings_init();
  mosaic_init(looks::mosaic.tile);
  return load_module();
}
