// Shared by the command-line fuzz targets: the input as a command line. Words
// are parted by zero bytes (a trailing one ends the last word and adds none),
// each in a heap block of exactly its length and terminator, so that a read
// past a word's end is a heap overflow; argv[0] is the program and
// argv[argc] is null, as main is given them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sys/cli.h"

struct fuzz_argv {
  std::vector<std::unique_ptr<char[]>> words;
  std::vector<char*> argv;
  int argc = 0;

  fuzz_argv(const char* program, const uint8_t* data, size_t size, size_t max_words) {
    add(program, std::strlen(program));
    size_t start = 0;
    for (size_t i = 0; i <= size && words.size() <= max_words; i++) {
      if (i == size && start == size) break;
      if (i == size || data[i] == 0) {
        add(reinterpret_cast<const char*>(data + start), i - start);
        start = i + 1;
      }
    }
    for (auto& w : words) argv.push_back(w.get());
    argv.push_back(nullptr);
    argc = static_cast<int>(words.size());
  }

  // The index of the word that p points at the start of, or -1.
  int index_of(const char* p) const {
    for (int i = 0; i < argc; i++)
      if (p == argv[static_cast<size_t>(i)]) return i;
    return -1;
  }

 private:
  void add(const char* s, size_t n) {
    words.emplace_back(new char[n + 1]);
    std::copy(s, s + n, words.back().get());
    words.back()[n] = '\0';
  }
};

// Aborts, so that libFuzzer keeps the input, when an invariant fails.
inline void fuzz_check(bool ok) {
  if (!ok) std::abort();
}

// Whether s ends with suffix.
inline bool fuzz_ends_with(const char* s, const char* suffix) {
  const size_t a = std::strlen(s), b = std::strlen(suffix);
  return a >= b && !std::strcmp(s + a - b, suffix);
}

// Runs a tool's parser, parse(argc, argv, options, message), on the line and
// checks what every parser owes its caller: the words come back unchanged,
// and a second parse gives the same answer, message and options (same(a, b)
// compares two option sets). Returns the first parse's answer.
template <class Options, class Parse, class Same>
bool fuzz_parse(fuzz_argv& line, Parse parse, Same same, Options& o, std::string& message) {
  const std::vector<std::string> before(line.argv.begin(), line.argv.end() - 1);
  const bool ok = parse(line.argc, line.argv.data(), o, message);
  fuzz_check(std::vector<std::string>(line.argv.begin(), line.argv.end() - 1) == before);
  Options again;
  std::string message_again;
  fuzz_check(parse(line.argc, line.argv.data(), again, message_again) == ok);
  fuzz_check(message_again == message && (!ok || same(o, again)));
  return ok;
}

// A usage error in the one shape (sys/cli.h): "PREFIX: what", newline, "Try
// 'PREFIX --help'.", newline, where PREFIX (up to the first ": ") is the tool's
// name, or it and a subcommand's.
inline bool fuzz_usage_shape(const std::string& m, const char* tool) {
  const size_t colon = m.find(": ");
  if (m.rfind(tool, 0) != 0 || colon == std::string::npos) return false;
  const std::string prefix = m.substr(0, colon);
  if (prefix != tool && prefix.rfind(std::string(tool) + " ", 0) != 0) return false;
  const std::string tail = "\nTry '" + prefix + " --help'.\n";
  return m.size() > tail.size() && m.compare(m.size() - tail.size(), tail.size(), tail) == 0;
}

// What the line asks for before anything else: -h, --help or --version,
// wherever they stand, the first deciding.
inline cli_ask fuzz_wants(const fuzz_argv& line) { return cli_wants(line.argc, line.argv.data(), 1); }
