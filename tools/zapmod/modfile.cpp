// Reading a module file the way the demo does.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/tool.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "zapmod.h"

bool zapmod_read(const char* path, std::vector<uint8_t>& buf, int32_t& size) {
  buf.assign(MODBUF_LIMIT + MODBUF_SPARE, 0);
  size = 0;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path, "rb"), &std::fclose);
  if (!f) {
    tool_error("%s: %s", path, std::strerror(errno));
    return false;
  }
  const size_t n = std::fread(buf.data(), 1, MODBUF_LIMIT, f.get());
  if (std::ferror(f.get())) {
    tool_error("%s: read error: %s", path, std::strerror(errno));
    return false;
  }
  if (n == 0) {
    tool_error("%s: empty file", path);
    return false;
  }
  if (n == MODBUF_LIMIT && std::fgetc(f.get()) != EOF) {
    tool_error("%s: larger than %d bytes, the player's module buffer", path, MODBUF_LIMIT);
    return false;
  }
  size = static_cast<int32_t>(n);
  return true;
}

bool zapmod_take(const char* path, std::vector<uint8_t>& module, int32_t size) {
  if (!mzx_get(module.data(), size)) {
    tool_error("%s: %s", path, (pt_errorstr && *pt_errorstr) ? pt_errorstr : "not a module the player takes");
    return false;
  }
  zapmod_warn_cut(path);
  return true;
}

void zapmod_warn_cut(const char* path) {
  if (pt_cutsample != 0) {
    tool_error("%s: warning: the file ends inside sample %d, which is cut short", path, static_cast<int>(pt_cutsample));
  }
}
