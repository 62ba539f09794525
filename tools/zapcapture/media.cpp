// Files zapcapture writes itself: PNG stills and raw frames, through the
// tools' shared writers. Byte-identical output for identical input: the PNG
// writer fixes its compression settings and writes no time stamp.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/outfile.h"
#include "common/pngfile.h"
#include "common/tool.h"
#include "zapcapture.h"

bool still_write(const std::string& path, const uint8_t* frame, const uint8_t* rgb, int k) {
  return png_save(path.c_str(),
                  {.pixels = frame, .width = FRAME_W, .height = FRAME_H, .scale = k, .palette = rgb, .fixed = true});
}

bool raw_write(const char* dir, int64_t n, const uint8_t* frame, const uint8_t* rgb) {
  return out_save(numbered(dir, n, ".frame").c_str(), frame, FRAME_BYTES) &&
         out_save(numbered(dir, n, ".pal").c_str(), rgb, CAP_PALETTE_BYTES);
}

bool dir_make(const char* dir, bool* made) {
  if (made) *made = false;
  if (mkdir(dir, 0777) == 0) {
    if (made) *made = true;
    return true;
  }
  const int err = errno;
  struct stat st;
  if (err == EEXIST && stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) return true;
  tool_error("%s: cannot make the directory: %s", dir, std::strerror(err == EEXIST ? ENOTDIR : err));
  return false;
}

void dir_unmake(const char* dir, bool made) {
  if (made && dir) rmdir(dir);  // only when empty: what was written in it stays
}

std::string numbered(const char* dir, int64_t n, const char* suffix) {
  char name[32];
  std::snprintf(name, sizeof name, "%05lld%s", static_cast<long long>(n), suffix);
  std::string p = dir;
  if (!p.empty() && p.back() != '/') p += '/';
  return p + name;
}
