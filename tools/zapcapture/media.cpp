// Files zapcapture writes itself: the WAV, PNG stills and raw frames. Every
// write is checked; the first failure is kept as "PATH: reason" for the one
// line the tool prints. Byte-identical output for identical input: the WAV
// header holds only sizes and the format, and the PNG writer fixes its
// compression settings and writes no time stamp.
#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "zapcapture.h"

namespace {

constexpr int k_wav_header = 44;
constexpr int k_png_level = 9;  // fixed, so a frame always gives the same bytes

std::string g_error;

// The WAV being written.
std::FILE* g_wav = nullptr;
std::string g_wav_path;
uint64_t g_wav_samples = 0;
bool g_wav_ok = true;

// A stdio file closed on every way out.
struct file_closer {
  std::FILE* f;
  ~file_closer() {
    if (f) std::fclose(f);
  }
};

// errno after a failed stream call; never 0, so a failure is never taken for success.
int failure_errno() { return errno ? errno : EIO; }

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p + 2, v >> 16);
}

// Canonical 44-byte header of a 16-bit mono PCM file at CAP_RATE.
void wav_header(uint8_t* h, uint32_t data_bytes) {
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, 36 + data_bytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);  // fmt chunk size
  put16(h + 20, 1);   // PCM
  put16(h + 22, 1);   // mono
  put32(h + 24, CAP_RATE);
  put32(h + 28, CAP_RATE * 2);
  put16(h + 32, 2);
  put16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, data_bytes);
}

// Removes what was written of path, but never anything that is not a plain
// file (a device such as /dev/full given as the output).
void remove_partial(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) std::remove(path.c_str());
}

}  // namespace

const std::string& media_error() { return g_error; }

bool media_fail(const std::string& path, const std::string& reason) {
  g_error = path + ": " + reason;
  return false;
}

bool wav_open(const char* path) {
  g_wav_path = path;
  g_wav_samples = 0;
  g_wav_ok = true;
  g_wav = std::fopen(path, "wb");
  if (!g_wav) return media_fail(g_wav_path, std::strerror(errno));
  uint8_t h[k_wav_header];
  wav_header(h, 0);
  errno = 0;
  if (std::fwrite(h, 1, sizeof h, g_wav) != sizeof h) {
    g_wav_ok = false;
    return media_fail(g_wav_path, std::string("write error: ") + std::strerror(failure_errno()));
  }
  return true;
}

bool wav_write(const int16_t* samples, int64_t count) {
  if (!g_wav_ok) return false;
  // Little-endian whatever the machine, as the format wants.
  uint8_t bytes[4096];
  for (int64_t i = 0; i < count;) {
    size_t n = 0;
    for (; i < count && n < sizeof bytes; i++, n += 2) put16(bytes + n, static_cast<uint16_t>(samples[i]));
    errno = 0;
    if (std::fwrite(bytes, 1, n, g_wav) != n) {
      g_wav_ok = false;
      return media_fail(g_wav_path, std::string("write error: ") + std::strerror(failure_errno()));
    }
  }
  g_wav_samples += static_cast<uint64_t>(count);
  return true;
}

bool wav_close() {
  if (!g_wav) return false;
  errno = 0;
  if (g_wav_ok) {
    if (g_wav_samples * 2 > 0xFFFFFFFFull - 36) {
      g_wav_ok = false;
      media_fail(g_wav_path, "too long for a WAV file");
    } else {
      uint8_t h[k_wav_header];
      wav_header(h, static_cast<uint32_t>(g_wav_samples * 2));
      if (std::fseek(g_wav, 0, SEEK_SET) != 0 || std::fwrite(h, 1, sizeof h, g_wav) != sizeof h ||
          std::fflush(g_wav) != 0) {
        g_wav_ok = false;
        media_fail(g_wav_path, std::string("write error: ") + std::strerror(failure_errno()));
      }
    }
  }
  if (std::fclose(g_wav) != 0 && g_wav_ok) {
    g_wav_ok = false;
    media_fail(g_wav_path, std::string("write error: ") + std::strerror(failure_errno()));
  }
  g_wav = nullptr;
  if (!g_wav_ok) remove_partial(g_wav_path);
  return g_wav_ok;
}

void wav_discard() {
  if (g_wav) std::fclose(g_wav);
  g_wav = nullptr;
  g_wav_ok = false;
  remove_partial(g_wav_path);
}

bool png_write(const std::string& path, const uint8_t* frame, const uint8_t* rgb, int k) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return media_fail(path, std::strerror(errno));
  file_closer closer{f};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return media_fail(path, "out of memory");
  }
  std::vector<uint8_t> row(static_cast<size_t>(CAP_W * k));
  errno = 0;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return media_fail(path, std::string("write error: ") + std::strerror(failure_errno()));
  }
  png_init_io(png, f);
  png_set_compression_level(png, k_png_level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(CAP_W * k), static_cast<png_uint_32>(CAP_FRAME_H * k), 8,
               PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color pal[256];
  for (int i = 0; i < 256; i++) pal[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  png_set_PLTE(png, info, pal, 256);
  png_write_info(png, info);
  for (int y = 0; y < CAP_FRAME_H * k; y++) {
    const uint8_t* src = frame + (y / k) * CAP_W;
    for (int x = 0; x < CAP_W * k; x++) row[static_cast<size_t>(x)] = src[x / k];
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  closer.f = nullptr;
  errno = 0;
  const bool flushed = std::fflush(f) == 0 && !std::ferror(f);
  const int err = failure_errno();
  if (std::fclose(f) != 0 || !flushed) return media_fail(path, std::string("write error: ") + std::strerror(err));
  return true;
}

bool file_write(const std::string& path, const uint8_t* data, size_t bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return media_fail(path, std::strerror(errno));
  errno = 0;
  const bool ok = std::fwrite(data, 1, bytes, f) == bytes && std::fflush(f) == 0;
  const int err = failure_errno();
  if (std::fclose(f) != 0 || !ok) return media_fail(path, std::string("write error: ") + std::strerror(err));
  return true;
}

bool dir_make(const char* dir) {
  if (mkdir(dir, 0777) == 0) return true;
  const int err = errno;
  struct stat st;
  if (err == EEXIST && stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) return true;
  return media_fail(dir, std::string("cannot make the directory: ") + std::strerror(err == EEXIST ? ENOTDIR : err));
}

std::string numbered(const char* dir, int64_t n, const char* suffix) {
  char name[32];
  std::snprintf(name, sizeof name, "%05lld%s", static_cast<long long>(n), suffix);
  std::string p = dir;
  if (!p.empty() && p.back() != '/') p += '/';
  return p + name;
}
