// Reading a module file (see pt_read.h).
#include "player/pt_read.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The one rule, once the bytes are in: a read error or an empty file is
// refused, a longer file taken with the warning.
bool judge(size_t got, bool error, int err, bool longer, int32_t& size, std::string& why, std::string& warning) {
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

std::FILE* open_file(const char* path, int32_t& size, std::string& why, std::string& warning) {
  size = 0;
  why.clear();
  warning.clear();
  std::FILE* f = std::fopen(path, "rb");
  if (!f) why = std::string("cannot open: ") + std::strerror(errno);
  return f;
}

}  // namespace

std::string pt_read_refusal() {
  // The player's message names its loader ("pt_takemod error: ..."); the
  // user is told what is wrong with the file.
  std::string why = pt_errorstr != nullptr ? pt_errorstr : "";
  static constexpr char k_loader[] = "pt_takemod error: ";
  if (why.rfind(k_loader, 0) == 0) why.erase(0, sizeof k_loader - 1);
  while (!why.empty() && (why.back() == '!' || why.back() == '.')) why.pop_back();
  if (why.rfind("module ", 0) == 0) why.replace(0, 7, "the file is ");
  return why.empty() ? std::string("not a module the player takes") : "not a module the player takes: " + why;
}

bool pt_read_file(const char* path, uint8_t* buf, int32_t& size, std::string& why, std::string& warning) {
  std::FILE* f = open_file(path, size, why, warning);
  if (!f) return false;
  const size_t got = std::fread(buf, 1, MODBUF_LIMIT, f);
  const bool error = std::ferror(f) != 0;
  const int err = errno;
  const bool longer = !error && got == static_cast<size_t>(MODBUF_LIMIT) && std::fgetc(f) != EOF;
  std::fclose(f);
  // A reload must not leave bytes of an earlier, longer file behind the new one.
  std::memset(buf + got, 0, static_cast<size_t>(MODBUF_LIMIT + MODBUF_SPARE) - got);
  return judge(got, error, err, longer, size, why, warning);
}

bool pt_read_file(const char* path, std::vector<uint8_t>& buf, int32_t& size, std::string& why, std::string& warning) {
  std::FILE* f = open_file(path, size, why, warning);
  if (!f) return false;
  // A buffer of the file's size (when it tells one) and the player's slack,
  // zeroed: the player reads nothing past them, and a whole megabyte would
  // cost every short run its zeroing.
  struct stat st;
  const bool sized = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 && st.st_size < MODBUF_LIMIT;
  const size_t room = sized ? static_cast<size_t>(st.st_size) + 1 : MODBUF_LIMIT;
  buf.assign(room + MODBUF_SPARE, 0);
  size_t got = std::fread(buf.data(), 1, room, f);
  if (sized && got == room && !std::ferror(f)) {
    // The file grew since fstat: read on as the player's buffer takes it.
    buf.resize(MODBUF_LIMIT + MODBUF_SPARE, 0);
    got += std::fread(buf.data() + got, 1, MODBUF_LIMIT - got, f);
  }
  const bool error = std::ferror(f) != 0;
  const int err = errno;
  const bool longer = !error && got == static_cast<size_t>(MODBUF_LIMIT) && std::fgetc(f) != EOF;
  std::fclose(f);
  return judge(got, error, err, longer, size, why, warning);
}
