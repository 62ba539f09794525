// WAV output (see wavfile.h).
#include "wavfile.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include "tool.h"

namespace {

constexpr int k_header_bytes = 44;
constexpr uint64_t k_max_data = 0xFFFFFFFFull - 36;  // the RIFF size must fit 32 bits

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p + 2, v >> 16);
}

void header(uint8_t* h, int32_t rate, int32_t bytes_per_sample, int32_t channels, uint32_t data_bytes) {
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, 36 + data_bytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);  // fmt chunk size
  put16(h + 20, 1);   // PCM
  put16(h + 22, static_cast<uint32_t>(channels));
  put32(h + 24, static_cast<uint32_t>(rate));
  put32(h + 28, static_cast<uint32_t>(rate * bytes_per_sample * channels));
  put16(h + 32, static_cast<uint32_t>(bytes_per_sample * channels));
  put16(h + 34, static_cast<uint32_t>(8 * bytes_per_sample));
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, data_bytes);
}

}  // namespace

bool wav_begin(wav_file& w, const char* path, int32_t rate, int32_t bytes_per_sample, int32_t channels) {
  w.rate = rate;
  w.bytes_per_sample = bytes_per_sample;
  w.channels = channels;
  w.data_bytes = 0;
  if (!out_open(w.file, path)) return false;
  uint8_t h[k_header_bytes];
  header(h, rate, bytes_per_sample, channels, 0);
  return out_write(w.file, h, sizeof h);
}

bool wav_put16(wav_file& w, const int16_t* samples, size_t count) {
  if constexpr (std::endian::native == std::endian::little) {
    if (!out_write(w.file, samples, 2 * count)) return false;
    w.data_bytes += 2 * count;
    return true;
  }
  uint8_t bytes[4096];
  for (size_t i = 0; i < count;) {
    size_t n = 0;
    for (; i < count && n < sizeof bytes; i++, n += 2) put16(bytes + n, static_cast<uint16_t>(samples[i]));
    if (!out_write(w.file, bytes, n)) return false;
    w.data_bytes += n;
  }
  return true;
}

bool wav_put16_block(wav_file& w, const int16_t* samples, size_t count) {
  if constexpr (std::endian::native == std::endian::little) {
    if (!out_write_block(w.file, samples, 2 * count)) return false;
    w.data_bytes += 2 * count;
    return true;
  }
  return wav_put16(w, samples, count);
}

bool wav_put8_block(wav_file& w, const uint8_t* samples, size_t count) {
  if (!out_write_block(w.file, samples, count)) return false;
  w.data_bytes += count;
  return true;
}

bool wav_put8(wav_file& w, const uint8_t* samples, size_t count) {
  if (!out_write(w.file, samples, count)) return false;
  w.data_bytes += count;
  return true;
}

bool wav_end(wav_file& w) {
  if (w.data_bytes > k_max_data) {
    out_abandon(w.file);
    tool_error("%s: too long for a WAV file", w.file.path.c_str());
    return false;
  }
  uint8_t h[k_header_bytes];
  header(h, w.rate, w.bytes_per_sample, w.channels, static_cast<uint32_t>(w.data_bytes));
  out_write_at(w.file, 0, h, sizeof h);
  return out_close(w.file);
}
