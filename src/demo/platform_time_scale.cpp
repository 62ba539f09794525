// ZAP_TIME_SCALE (see platform_time_scale.h), read as every number on the
// command line is (sys/num.h).
#include "demo/platform_time_scale.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sys/num.h"

bool platform_time_scale(int32_t* scale) {
  *scale = 0;
  const char* v = std::getenv("ZAP_TIME_SCALE");
  if (!v || !*v) return true;
  std::string why;
  if (!num_option("ZAP_TIME_SCALE", v, 1, PLATFORM_MAX_TIME_SCALE, *scale, why)) {
    std::fprintf(stderr, "zapcobbles: %s\n", why.c_str());
    return false;
  }
  return true;
}
