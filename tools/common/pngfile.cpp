// PNG output (see pngfile.h). libpng reports errors by longjmp: the part
// that calls it (encode) holds no object with a destructor, and the buffers
// and the file it uses belong to its caller.
#include "pngfile.h"

#include <png.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "outfile.h"
#include "tool.h"

namespace {

constexpr int k_fixed_level = 9;

// libpng's own handlers print; the failure is reported once, by out_close.
void quiet_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quiet_warning(png_structp, png_const_charp) {}

// One row of the image, its pixels repeated scale times.
void widen(const png_spec& im, int32_t y, uint8_t* row) {
  const int32_t bytes = im.palette ? 1 : 3;
  const uint8_t* src = im.pixels + static_cast<size_t>(y / im.scale) * static_cast<size_t>(im.width * bytes);
  for (int32_t x = 0; x < im.width * im.scale; x++)
    std::memcpy(row + static_cast<size_t>(x * bytes), src + static_cast<size_t>((x / im.scale) * bytes),
                static_cast<size_t>(bytes));
}

// The libpng calls, with only trivially destructible objects in reach of its
// longjmp. False when libpng gave up.
bool encode(std::FILE* f, const png_spec& im, uint8_t* row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quiet_error, quiet_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f);
  if (im.fixed) {
    png_set_compression_level(png, k_fixed_level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  }
  png_set_IHDR(png, info, static_cast<png_uint_32>(im.width * im.scale), static_cast<png_uint_32>(im.height * im.scale),
               8, im.palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (im.palette) {
    png_color pal[256];
    for (int k = 0; k < 256; k++) pal[k] = {im.palette[3 * k], im.palette[3 * k + 1], im.palette[3 * k + 2]};
    png_set_PLTE(png, info, pal, 256);
  }
  png_write_info(png, info);
  for (int32_t y = 0; y < im.height * im.scale; y++) {
    widen(im, y, row);
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool png_save(const char* path, const png_spec& image) {
  std::vector<uint8_t> row(static_cast<size_t>(image.width * image.scale) * (image.palette ? 1 : 3));
  out_file o;
  if (!out_open(o, path)) return false;
  errno = 0;
  // A failed write inside libpng leaves its errno; a failure of libpng's own
  // (out of memory) has none.
  if (!encode(o.f, image, row.data())) out_fail(o, errno ? errno : ENOMEM);
  return out_close(o);
}
