// Output files written through a temporary file (see outfile.h).
#include "outfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tool.h"

namespace {

constexpr size_t k_buffer_bytes = 1 << 16;

// errno after a failed call; never 0, so a failure is never taken for success.
int failure_errno() { return errno ? errno : EIO; }

// Written in place: anything that exists and is not a plain file.
bool in_place(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

// Whether new files can be made in path's directory.
bool dir_writable(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  return access(dir.c_str(), W_OK) == 0;
}

// "DIR/.NAME.XXXXXX" beside path, made, opened and registered for a signal
// (slot); -1 on failure (errno set). The signals are held from the making to
// the registering, so that none between the two leaves the file behind.
int make_temp(const std::string& path, std::string& temp, int& slot) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::vector<char> t;
  const std::string pattern = dir + "." + name + ".XXXXXX";
  t.assign(pattern.begin(), pattern.end());
  t.push_back('\0');
  int fd;
  {
    const tool_signal_hold hold;
    fd = mkostemp(t.data(), O_CLOEXEC);
    if (fd >= 0) slot = tool_temp_add(t.data(), false);
  }
  if (fd < 0) return -1;
  temp = t.data();
  fchmod(fd, static_cast<mode_t>(tool_file_mode()));
  return fd;
}

void forget_temp(out_file& o) {
  tool_temp_drop(o.slot);
  o.slot = -1;
  o.temp.clear();
}

}  // namespace

out_file::~out_file() { out_abandon(*this); }

bool out_open(out_file& o, const char* path) {
  out_abandon(o);
  o.path = path;
  o.error = 0;
  // A plain file in a directory that takes no new file is written in place.
  if (in_place(path) || (access(path, W_OK) == 0 && !dir_writable(o.path))) {
    o.f = std::fopen(path, "wb");
  } else {
    const int fd = make_temp(o.path, o.temp, o.slot);
    if (fd >= 0) {
      o.f = fdopen(fd, "wb");
      if (!o.f) {
        const int err = errno;
        close(fd);
        unlink(o.temp.c_str());
        forget_temp(o);
        errno = err;
      }
    }
  }
  if (!o.f) {
    tool_error("%s: %s", path, std::strerror(errno));
    return false;
  }
  // A buffer of our own: given none, the C library keeps one of a disk
  // block (4 KiB) whatever size is asked for.
  if (!o.buffer) o.buffer.reset(new char[k_buffer_bytes]);  // not zeroed: the stream fills it
  std::setvbuf(o.f, o.buffer.get(), _IOFBF, k_buffer_bytes);
  return true;
}

void out_fail(out_file& o, int err) {
  if (!o.error) o.error = err ? err : EIO;
}

bool out_write(out_file& o, const void* data, size_t bytes) {
  if (o.error || !o.f) return false;
  errno = 0;
  if (bytes > 0 && std::fwrite(data, 1, bytes, o.f) != bytes) out_fail(o, failure_errno());
  return !o.error;
}

bool out_write_block(out_file& o, const void* data, size_t bytes) {
  if (o.error || !o.f) return false;
  errno = 0;
  if (std::fflush(o.f) != 0) {
    out_fail(o, failure_errno());
    return false;
  }
  const int fd = fileno(o.f);
  const char* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t n = write(fd, p, bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      out_fail(o, n < 0 ? failure_errno() : EIO);
      return false;
    }
    p += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

bool out_write_at(out_file& o, long offset, const void* data, size_t bytes) {
  if (o.error || !o.f) return false;
  errno = 0;
  if (std::fseek(o.f, offset, SEEK_SET) != 0) out_fail(o, failure_errno());
  return out_write(o, data, bytes);
}

bool out_close(out_file& o) {
  if (!o.f) return false;
  errno = 0;
  if (!o.error && (std::fflush(o.f) != 0 || std::ferror(o.f))) out_fail(o, failure_errno());
  errno = 0;
  if (std::fclose(o.f) != 0) out_fail(o, failure_errno());
  o.f = nullptr;
  if (!o.error && !o.temp.empty() && std::rename(o.temp.c_str(), o.path.c_str()) != 0) out_fail(o, errno);
  if (o.error) {
    tool_error("%s: write error: %s", o.path.c_str(), std::strerror(o.error));
    if (!o.temp.empty()) unlink(o.temp.c_str());
  }
  forget_temp(o);
  return !o.error;
}

void out_abandon(out_file& o) {
  if (!o.f) return;
  std::fclose(o.f);
  o.f = nullptr;
  if (!o.temp.empty()) unlink(o.temp.c_str());
  forget_temp(o);
}

bool out_save(const char* path, const void* data, size_t bytes) {
  out_file o;
  if (!out_open(o, path)) return false;
  out_write(o, data, bytes);
  return out_close(o);
}
