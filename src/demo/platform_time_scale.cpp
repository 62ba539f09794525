// ZAP_TIME_SCALE (see platform_time_scale.h).
#include "demo/platform_time_scale.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

bool platform_time_scale(int32_t* scale) {
  *scale = 0;
  const char* v = std::getenv("ZAP_TIME_SCALE");
  if (!v || !*v) return true;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(v, &end, 10);
  if (errno != 0 || *end != 0 || n < 1 || n > PLATFORM_MAX_TIME_SCALE) {
    std::fprintf(stderr, "zapcobbles: ZAP_TIME_SCALE must be a whole number from 1 to %d, not '%s'\n",
                 static_cast<int>(PLATFORM_MAX_TIME_SCALE), v);
    return false;
  }
  *scale = static_cast<int32_t>(n);
  return true;
}
