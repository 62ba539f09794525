// Reading a module file the way the demo does.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "sound/sd_mix.h"
#include "zapmod.h"

bool zapmod_read(const char* path, std::vector<uint8_t>& buf, int32_t& size) {
  buf.assign(ZAPMOD_BUFSIZE + MIX_SAMPLE_SLACK, 0);
  size = 0;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path, "rb"), &std::fclose);
  if (!f) {
    std::fprintf(stderr, "zapmod: %s: %s\n", path, std::strerror(errno));
    return false;
  }
  const size_t n = std::fread(buf.data(), 1, ZAPMOD_BUFSIZE, f.get());
  if (std::ferror(f.get())) {
    std::fprintf(stderr, "zapmod: %s: read error: %s\n", path, std::strerror(errno));
    return false;
  }
  if (n == 0) {
    std::fprintf(stderr, "zapmod: %s: empty file\n", path);
    return false;
  }
  if (n == ZAPMOD_BUFSIZE && std::fgetc(f.get()) != EOF) {
    std::fprintf(stderr, "zapmod: %s: larger than %d bytes, the player's module buffer\n", path,
                 ZAPMOD_BUFSIZE);
    return false;
  }
  size = static_cast<int32_t>(n);
  return true;
}
