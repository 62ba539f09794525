// Numbers on the command lines (the demo's and every tool's) and in the
// environment: whole numbers and decimals, held to a range, each word taken
// whole (no spaces, no '+', nothing after the digits). One parser, so that
// every program takes and refuses the same words.
// A refused value gets a message that names the option and the range:
//   "--volume must be a whole number from 0 to 252, not '300'"
//   "--seconds must be a number above 0 and at most 3600, not 'x'"
#pragma once

#include <cstdint>
#include <string>

// A whole decimal number from lo to hi ('-' only when lo is below 0).
bool num_whole(const char* text, int64_t lo, int64_t hi, int64_t& value);
// A decimal number (digits with an optional fraction, or a fraction alone)
// from lo to hi, or above lo when above is true.
bool num_decimal(const char* text, double lo, double hi, bool above, double& value);

// The rule a refused value breaks: "OPT must be a whole number from LO to HI"
// (from LO on when HI is INT32_MAX or more; "a whole 32-bit number" for all
// of them) and "OPT must be a number above LO and at most HI" / "from LO to HI".
std::string num_whole_rule(const char* option, int64_t lo, int64_t hi);
std::string num_decimal_rule(const char* option, double lo, double hi, bool above);

// The option's value, or false with why = the rule and the value refused.
bool num_option(const char* option, const char* text, int64_t lo, int64_t hi, int32_t& value, std::string& why);
bool num_option(const char* option, const char* text, int64_t lo, int64_t hi, int64_t& value, std::string& why);
bool num_option(const char* option, const char* text, double lo, double hi, bool above, double& value,
                std::string& why);
