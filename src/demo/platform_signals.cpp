// Termination signals (see platform_signals.h). Owns the flag the handler sets.
#include "demo/platform_signals.h"

#include <signal.h>

#include <csignal>
#include <cstring>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t g_signalled = 0;

[[maybe_unused]] void on_signal(int) { g_signalled = 1; }

}  // namespace

void platform_catch_signals() {
#if !defined(__EMSCRIPTEN__)
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
#if defined(ZAP_HANDHELD)
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
#else
  // SDL turns SIGINT and SIGTERM into the close request; SIGHUP (the
  // terminal closed) it leaves alone, which would end the program with 129.
  sigaction(SIGHUP, &sa, nullptr);
#endif
#endif
}

bool platform_signalled() { return g_signalled != 0; }
