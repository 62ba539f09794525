// Reading a module file (see pt_read.h).
#include "player/pt_read.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string pt_read_refusal() {
  std::string s = pt_errorstr != nullptr ? pt_errorstr : "";
  static constexpr char k_loader[] = "pt_takemod error: ";
  if (s.rfind(k_loader, 0) == 0) s.erase(0, sizeof k_loader - 1);
  if (!s.empty() && s.back() == '!') s.pop_back();
  return s.empty() ? "not a module the player takes" : s;
}

bool pt_read_file(const char* path, uint8_t* buf, int32_t& size, std::string& why, std::string& warning) {
  size = 0;
  why.clear();
  warning.clear();
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    why = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  const size_t got = std::fread(buf, 1, MODBUF_LIMIT, f);
  const bool error = std::ferror(f) != 0;
  const int err = errno;
  const bool longer = !error && got == static_cast<size_t>(MODBUF_LIMIT) && std::fgetc(f) != EOF;
  std::fclose(f);
  // A reload must not leave bytes of an earlier, longer file behind the new one.
  std::memset(buf + got, 0, static_cast<size_t>(MODBUF_LIMIT + MODBUF_SPARE) - got);
  if (error) {
    why = std::string("cannot read: ") + std::strerror(err);
    return false;
  }
  if (got == 0) {
    why = "empty file";
    return false;
  }
  size = static_cast<int32_t>(got);
  if (longer) warning = "longer than " + std::to_string(MODBUF_LIMIT) + " bytes; only those are read";
  return true;
}
