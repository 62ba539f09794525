// bench_floor MODULE OUT.wav SAMPLES: the least a renderer's process does.
//
// Reads the module as zapmod does (whole, into a zeroed buffer of the file's
// size and the player's slack) and writes a 16-bit mono 44100 Hz WAV file of
// SAMPLES samples the way zapmod render writes: the header through the
// stream, then 64 KiB a write straight to the file from one prepared block.
// The block holds a waveform, written into it once, so that the kernel copies
// from pages the program owns as it does from zapmod's block (an untouched
// static block would be read through the one shared zero page). The file has
// the size of the rendered one. It is linked as the tools are (the C++
// runtime static: no libstdc++ to load), so the floor is what a minimal
// program pays; what a player takes beyond it is its own work.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_floor MODULE OUT.wav SAMPLES\n");
    return 2;
  }
  const long samples = std::atol(argv[3]);
  FILE* in = std::fopen(argv[1], "rb");
  if (!in) {
    std::perror(argv[1]);
    return 1;
  }
  std::fseek(in, 0, SEEK_END);
  const long size = std::ftell(in);
  std::fseek(in, 0, SEEK_SET);
  if (size <= 0 || size > 1000000) return 1;
  std::vector<uint8_t> module(static_cast<size_t>(size) + 3, 0);
  const size_t n = std::fread(module.data(), 1, module.size(), in);
  std::fclose(in);
  if (n == 0) return 1;

  FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                   0x44, 0xAC, 0, 0, 0x88, 0x58, 0x01, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
  put32(h + 4, static_cast<uint32_t>(36 + 2 * samples));
  put32(h + 40, static_cast<uint32_t>(2 * samples));
  bool ok = std::fwrite(h, 1, sizeof h, out) == sizeof h && std::fflush(out) == 0;
  static int16_t block[32768];
  for (int i = 0; i < 32768; i++) block[i] = static_cast<int16_t>((i * 611) % 20000 - 10000);
  for (long done = 0; ok && done < samples; done += 32768) {
    const size_t take = static_cast<size_t>(samples - done < 32768 ? samples - done : 32768);
    ok = write(fileno(out), block, 2 * take) == static_cast<ssize_t>(2 * take);
  }
  if (std::fclose(out) != 0) ok = false;
  return ok ? 0 : 1;
}
