// Reading a module file the way the demo does.
#include <cstdio>
#include <string>

#include "common/tool.h"
#include "music/cool_mzx.h"
#include "player/pt.h"
#include "player/pt_read.h"
#include "zapmod.h"

bool zapmod_read(const char* path, std::vector<uint8_t>& buf, int32_t& size) {
  std::string why, warning;
  if (!pt_read_file(path, buf, size, why, warning)) {
    tool_error("%s: %s", path, why.c_str());
    return false;
  }
  if (!warning.empty()) tool_error("%s: warning: %s", path, warning.c_str());
  return true;
}

bool zapmod_take(const char* path, std::vector<uint8_t>& module, int32_t size) {
  if (!mzx_get(module.data(), size)) {
    tool_error("%s: %s", path, pt_read_refusal().c_str());
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
