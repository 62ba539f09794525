// libFuzzer target for the font reader and the text writer. The input is a
// small header, a text and then a font file:
//
//   bytes 0..3   x, 4..7 y, 8..11 time (signed 32-bit, little-endian)
//   byte 12      colour, byte 13 centre flag, byte 14 text length n
//   n bytes      the text (a zero byte ends it early)
//   the rest     the font file, read by writeri_init from an in-memory file
//
// The text is then written into an exactly 320x256-byte frame (any write past
// it is a heap overflow), and its first character once more in a drawing
// picked from the time (-5..3, of which only 0..2 are drawings).
//   scripts/fuzz 60 font_write
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/view.h"
#include "effects/writeri.h"

namespace {

constexpr size_t kHeader = 15;

int32_t get32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The font file lives in memory; writeri_init opens it by its /proc name.
int font_fd = -1;
std::string font_path;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  if (font_fd < 0) {
    font_fd = memfd_create("font", 0);
    if (font_fd < 0) return 0;
    font_path = "/proc/self/fd/" + std::to_string(font_fd);
  }
  const int32_t x = get32(data), y = get32(data + 4), time = get32(data + 8);
  const int colour = data[12], centre = data[13];
  const size_t n = std::min<size_t>(data[14], size - kHeader);
  const std::string text(reinterpret_cast<const char*>(data + kHeader), n);
  const uint8_t* font = data + kHeader + n;
  const size_t font_size = size - kHeader - n;

  if (ftruncate(font_fd, 0) != 0) return 0;
  if (font_size > 0 && pwrite(font_fd, font, font_size, 0) != static_cast<ssize_t>(font_size)) return 0;
  if (writeri_init(font_path.c_str()) != 0) return 0;

  std::vector<uint8_t> frame(FRAME_ALLOC, 127);
  writeri(frame.data(), x, y, text.c_str(), centre, time, colour);
  if (n > 0) writeri_char(frame.data(), x, y, static_cast<unsigned char>(text[0]), time % 5 - 1, colour);
  return 0;
}
