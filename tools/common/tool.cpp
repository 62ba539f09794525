// The tools' shared conventions (see tool.h).
#include "tool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "sys/version.h"

namespace {

constexpr size_t k_name_bytes = 64;
constexpr size_t k_temp_slots = 8;
constexpr size_t k_path_bytes = 4096;

char g_name[k_name_bytes] = "tool";
char g_prefix[2 * k_name_bytes] = "tool";
uint32_t g_file_mode = 0644;

// A registered path: written first, then marked in use, so that the handler
// never reads a half-written one.
struct temp_slot {
  char path[k_path_bytes];
  volatile std::sig_atomic_t used;
  bool directory;
};
std::array<temp_slot, k_temp_slots> g_temps{};
volatile std::sig_atomic_t g_child = 0;

// Only async-signal-safe calls: kill, unlink, rmdir, _exit.
extern "C" void on_signal(int sig) {
  if (g_child > 0) kill(g_child, SIGKILL);
  for (size_t i = g_temps.size(); i-- > 0;) {
    temp_slot& t = g_temps[i];
    if (!t.used) continue;
    std::atomic_signal_fence(std::memory_order_acquire);  // the path as written before `used`
    if (t.directory) rmdir(t.path);
    else unlink(t.path);
  }
  _exit(128 + sig);
}

void catch_signal(int sig) {
  struct sigaction old {};
  if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) return;
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, nullptr);
}

void copy_text(char* to, size_t size, const char* from) {
  std::snprintf(to, size, "%s", from);
}

}  // namespace

void tool_begin(const char* name) {
  copy_text(g_name, sizeof g_name, name);
  copy_text(g_prefix, sizeof g_prefix, name);
  const mode_t mask = umask(0);
  umask(mask);
  g_file_mode = 0666u & ~static_cast<uint32_t>(mask);
  catch_signal(SIGINT);
  catch_signal(SIGTERM);
}

void tool_sub(const char* sub) { std::snprintf(g_prefix, sizeof g_prefix, "%s %s", g_name, sub); }

const char* tool_prefix() { return g_prefix; }
const char* tool_name() { return g_name; }

void tool_error(const char* format, ...) {
  char text[1024];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  std::fprintf(stderr, "%s: %s\n", g_prefix, text);
}

std::string tool_usage_message(const char* prefix, const std::string& what) { return cli_usage_error(prefix, what); }

int tool_finish(int status) {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "%s: standard output: write error: %s\n", g_prefix, std::strerror(errno ? errno : EIO));
    return status == 0 ? 1 : status;
  }
  return status;
}

int tool_help(const char* text) {
  std::fputs(text, stdout);
  return tool_finish(0);
}

int tool_version() {
  zap_print_version(g_name);
  return tool_finish(0);
}

int tool_usage_exit(const std::string& message) {
  std::fputs(message.c_str(), stderr);
  return 2;
}

int tool_temp_add(const char* path, bool directory) {
  for (size_t i = 0; i < g_temps.size(); i++) {
    temp_slot& t = g_temps[i];
    if (t.used) continue;
    if (std::strlen(path) >= sizeof t.path) return -1;
    copy_text(t.path, sizeof t.path, path);
    t.directory = directory;
    // The plain path and flag must be in memory before the handler can see
    // the slot in use: the volatile store alone does not order them.
    std::atomic_signal_fence(std::memory_order_release);
    t.used = 1;
    return static_cast<int>(i);
  }
  return -1;
}

void tool_temp_drop(int slot) {
  if (slot >= 0 && static_cast<size_t>(slot) < g_temps.size()) g_temps[static_cast<size_t>(slot)].used = 0;
}

uint32_t tool_file_mode() { return g_file_mode; }

void tool_child(int pid) { g_child = pid; }

tool_signal_hold::tool_signal_hold() {
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGINT);
  sigaddset(&held, SIGTERM);
  sigprocmask(SIG_BLOCK, &held, &old);
}

tool_signal_hold::~tool_signal_hold() {
  const int err = errno;  // what failed inside the hold, for the caller's message
  sigprocmask(SIG_SETMASK, &old, nullptr);
  errno = err;
}

int tool_pick(int argc, char** argv, const char* tool, const tool_subcommand* subs, int count, const char* usage,
              const char*& help, bool& version, std::string& message) {
  help = nullptr;
  version = false;
  message.clear();
  int sub = -1;
  for (int s = 0; argc >= 2 && s < count; s++)
    if (!std::strcmp(argv[1], subs[s].name)) sub = s;
  switch (cli_wants(argc, argv, 1)) {
    case CLI_HELP:
      help = sub >= 0 ? subs[sub].usage : usage;
      return -1;
    case CLI_VERSION:
      version = true;
      return -1;
    case CLI_RUN:
      break;
  }
  if (argc < 2) {
    message = tool_usage_message(tool, "a command is needed");
  } else if (sub < 0) {
    message = tool_usage_message(tool, std::string("unknown command '") + argv[1] + "'");
  }
  return sub;
}
