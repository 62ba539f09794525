// The data directory lookup: the command line, the installed tree, the
// source tree of a build, the working directory (see datadir.h).
#include "demo/datadir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>

#include "sys/version.h"

namespace {

// A directory holds the demo's data when its data/ holds the module: every
// other file is checked, with its own message, when it is loaded.
bool holds_data(const std::string& dir) {
  struct stat st;
  const std::string probe = (dir.empty() ? std::string(".") : dir) + "/data/da_plim.mod";
  return stat(probe.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string without_slash(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// dir/.. style paths read better with the dots resolved: through the file
// system when they exist, else by the words alone.
std::string resolved(const std::string& dir) {
  std::array<char, 4096> out{};
  if (realpath(dir.c_str(), out.data()) == nullptr) {
    return without_slash(std::filesystem::path(dir).lexically_normal().string());
  }
  return out.data();
}

bool try_dir(const std::string& dir, std::string& root, std::string& looked) {
  if (holds_data(dir)) {
    root = dir;
    return true;
  }
  if (!looked.empty()) looked += ", ";
  looked += dir.empty() ? std::string("the working directory") : dir;
  return false;
}

}  // namespace

std::string datadir_program_dir() {
  std::array<char, 4096> exe{};
  const ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size() - 1);
  if (n <= 0) return "";
  std::string path(exe.data(), static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

bool datadir_in_build(const std::string& program_dir, const std::string& build_dir) {
  if (program_dir.empty() || build_dir.empty()) return false;
  const std::string bin = resolved(program_dir);
  const std::string build = resolved(build_dir);
  return bin.compare(0, build.size(), build) == 0 && (bin.size() == build.size() || bin[build.size()] == '/');
}

bool datadir_find(const char* given, std::string& root, std::string& looked) {
  looked.clear();
  if (given != nullptr) return try_dir(without_slash(given), root, looked);

  // A program in the build tree (the demo at its top, a tool below it) is
  // not installed: it reads the source tree's data, wherever it is started
  // from, and never an older installed copy.
  const std::string bin = datadir_program_dir();
  if (datadir_in_build(bin, ZAP_BUILD_DIR)) {
    if (try_dir(ZAP_SOURCE_DIR, root, looked)) return true;
  } else {
    if (!bin.empty() && try_dir(resolved(bin + "/" + ZAP_INSTALL_DATA_FROM_BIN), root, looked)) return true;
    if (try_dir(ZAP_INSTALL_DATA_DIR, root, looked)) return true;
  }
  return try_dir("", root, looked);
}
