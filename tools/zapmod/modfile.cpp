// Reading a module file the way the demo does.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/tool.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "zapmod.h"

bool zapmod_read(const char* path, std::vector<uint8_t>& buf, int32_t& size) {
  size = 0;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path, "rb"), &std::fclose);
  if (!f) {
    tool_error("%s: %s", path, std::strerror(errno));
    return false;
  }
  // A buffer of the file's size (when it tells one) and the player's slack,
  // zeroed: the player reads nothing past them, and a whole megabyte would
  // cost every run its zeroing.
  struct stat st;
  const bool sized =
      fstat(fileno(f.get()), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 && st.st_size < MODBUF_LIMIT;
  const size_t room = sized ? static_cast<size_t>(st.st_size) + 1 : MODBUF_LIMIT;
  buf.assign(room + MODBUF_SPARE, 0);
  size_t n = std::fread(buf.data(), 1, room, f.get());
  if (sized && n == room && !std::ferror(f.get())) {
    // The file grew since fstat: read the rest as the player's buffer takes it.
    buf.resize(MODBUF_LIMIT + MODBUF_SPARE, 0);
    n += std::fread(buf.data() + n, 1, MODBUF_LIMIT - n, f.get());
  }
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

std::string zapmod_refusal() {
  // The player's message names its loader ("pt_takemod error: ..."); the
  // user is told what is wrong with the file.
  std::string why = (pt_errorstr && *pt_errorstr) ? pt_errorstr : "";
  const std::string prefix = "pt_takemod error: ";
  if (why.rfind(prefix, 0) == 0) why.erase(0, prefix.size());
  while (!why.empty() && (why.back() == '!' || why.back() == '.')) why.pop_back();
  if (why.rfind("module ", 0) == 0) why.replace(0, 7, "the file is ");
  return why.empty() ? std::string("not a module the player takes") : "not a module the player takes: " + why;
}

bool zapmod_take(const char* path, std::vector<uint8_t>& module, int32_t size) {
  if (!mzx_get(module.data(), size)) {
    tool_error("%s: %s", path, zapmod_refusal().c_str());
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
