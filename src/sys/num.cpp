// Numbers on the command lines (see num.h).
#include "sys/num.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

// "-"? digits, or with a fraction: "-"? digits? ("." digits)?, at least one digit.
bool plain_number(const char* s, bool fraction, bool sign) {
  if (*s == '-' && sign) s++;
  bool any = false;
  for (; digit(*s); s++) any = true;
  if (fraction && *s == '.') {
    for (s++; digit(*s); s++) any = true;
  }
  return any && *s == '\0';
}

std::string decimal_text(double v) {
  char b[64];
  std::snprintf(b, sizeof b, "%g", v);
  return b;
}

std::string refused(const std::string& rule, const char* text) { return rule + ", not '" + text + "'"; }

}  // namespace

bool num_whole(const char* text, int64_t lo, int64_t hi, int64_t& value) {
  if (!plain_number(text, false, lo < 0)) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  value = v;
  return true;
}

bool num_decimal(const char* text, double lo, double hi, bool above, double& value) {
  if (!plain_number(text, true, lo < 0.0)) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v) || v > hi || v < lo || (above && v <= lo)) return false;
  value = v;
  return true;
}

std::string num_whole_rule(const char* option, int64_t lo, int64_t hi) {
  if (lo <= INT32_MIN && hi >= INT32_MAX) return std::string(option) + " must be a whole 32-bit number";
  std::string r = std::string(option) + " must be a whole number from " + std::to_string(lo);
  return hi >= INT32_MAX ? r + " on" : r + " to " + std::to_string(hi);
}

std::string num_decimal_rule(const char* option, double lo, double hi, bool above) {
  return std::string(option) + " must be a number " + (above ? "above " : "from ") + decimal_text(lo) +
         (above ? " and at most " : " to ") + decimal_text(hi);
}

bool num_option(const char* option, const char* text, int64_t lo, int64_t hi, int64_t& value, std::string& why) {
  if (num_whole(text, lo, hi, value)) return true;
  why = refused(num_whole_rule(option, lo, hi), text);
  return false;
}

bool num_option(const char* option, const char* text, int64_t lo, int64_t hi, int32_t& value, std::string& why) {
  int64_t v = 0;
  if (!num_option(option, text, lo, hi, v, why)) return false;
  value = static_cast<int32_t>(v);
  return true;
}

bool num_option(const char* option, const char* text, double lo, double hi, bool above, double& value,
                std::string& why) {
  if (num_decimal(text, lo, hi, above, value)) return true;
  why = refused(num_decimal_rule(option, lo, hi, above), text);
  return false;
}
