// The demo's command line: one table of good and bad command lines with what
// each sets or says, and the program itself answering --help, --version and a
// bad value before it opens anything (no display, no data here).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "demo/options.h"
#include "music/heard.h"
#include "demo_testutil.h"

namespace {

struct Line {
  const char* args;  // words separated by single spaces
  options_action action;
  const char* set;    // "data fullscreen scale mute start loop offset gentle warning" as the parse leaves them
  const char* error;  // what is wrong, for a bad one (the message adds the program's name and the line to --help)
};

const Line kLines[] = {
    {"", OPTIONS_RUN, "- 0 0 0 1 0 0 0 1", ""},
    {"--data /opt/zap --fullscreen --scale 5 --mute --start 10 --loop --av-offset -500", OPTIONS_RUN,
     "/opt/zap 1 5 1 10 1 -500 0 1", ""},
    {"--data=d --scale=1 --start=1 --av-offset=500", OPTIONS_RUN, "d 0 1 0 1 0 500 0 1", ""},
    {"--fullscreen --window", OPTIONS_RUN, "- 0 0 0 1 0 0 0 1", ""},
    {"--window --fullscreen", OPTIONS_RUN, "- 1 0 0 1 0 0 0 1", ""},
    {"--scale 8 --scale 2", OPTIONS_RUN, "- 0 2 0 1 0 0 0 1", ""},
    {"--gentle", OPTIONS_RUN, "- 0 0 0 1 0 0 1 1", ""},
    {"--no-warning", OPTIONS_RUN, "- 0 0 0 1 0 0 0 0", ""},
    {"--loop --gentle --no-warning --start 7", OPTIONS_RUN, "- 0 0 0 7 1 0 1 0", ""},
    {"--gentle=yes", OPTIONS_BAD, nullptr, "--gentle takes no value"},
    {"--no-warning=1", OPTIONS_BAD, nullptr, "--no-warning takes no value"},
    {"--warning", OPTIONS_BAD, nullptr, "unknown option '--warning'"},
    {"--gentle --nowarning", OPTIONS_BAD, nullptr, "unknown option '--nowarning'"},
    // --help and --version win wherever they stand, whatever else the line
    // holds; the first of them decides.
    {"-h", OPTIONS_HELP, nullptr, ""},
    {"--loop --help", OPTIONS_HELP, nullptr, ""},
    {"--version --help", OPTIONS_VERSION, nullptr, ""},
    {"--help --version", OPTIONS_HELP, nullptr, ""},
    {"--help --scale 0", OPTIONS_HELP, nullptr, ""},
    {"--bogus --help", OPTIONS_HELP, nullptr, ""},
    {"--scale 0 --version", OPTIONS_VERSION, nullptr, ""},
    {"--data --help", OPTIONS_HELP, nullptr, ""},
    {"stray -h", OPTIONS_HELP, nullptr, ""},
    // Numbers as every tool reads them: the word whole, no sign where none
    // can be, no space, no '+'.
    {"--scale x", OPTIONS_BAD, nullptr, "--scale must be a whole number from 1 to 8, not 'x'"},
    {"--scale 0", OPTIONS_BAD, nullptr, "--scale must be a whole number from 1 to 8, not '0'"},
    {"--scale=9", OPTIONS_BAD, nullptr, "--scale must be a whole number from 1 to 8, not '9'"},
    {"--scale 2.5", OPTIONS_BAD, nullptr, "--scale must be a whole number from 1 to 8, not '2.5'"},
    {"--scale +3", OPTIONS_BAD, nullptr, "--scale must be a whole number from 1 to 8, not '+3'"},
    {"--scale ~3", OPTIONS_BAD, nullptr, "--scale must be a whole number from 1 to 8, not ' 3'"},
    {"--scale 3~", OPTIONS_BAD, nullptr, "--scale must be a whole number from 1 to 8, not '3 '"},
    {"--scale", OPTIONS_BAD, nullptr, "missing value after --scale"},
    {"--start 11", OPTIONS_BAD, nullptr, "--start must be a whole number from 1 to 10, not '11'"},
    {"--start -1", OPTIONS_BAD, nullptr, "--start must be a whole number from 1 to 10, not '-1'"},
    {"--start= --loop", OPTIONS_BAD, nullptr, "--start must be a whole number from 1 to 10, not ''"},
    {"--av-offset -501", OPTIONS_BAD, nullptr, "--av-offset must be a whole number from -500 to 500, not '-501'"},
    {"--av-offset 99999999999999999999", OPTIONS_BAD, nullptr,
     "--av-offset must be a whole number from -500 to 500, not '99999999999999999999'"},
    {"--data", OPTIONS_BAD, nullptr, "missing value after --data"},
    {"--data=", OPTIONS_BAD, nullptr, "--data must name a directory, not ''"},
    {"--mute=yes", OPTIONS_BAD, nullptr, "--mute takes no value"},
    {"--help=me", OPTIONS_BAD, nullptr, "--help takes no value"},
    {"--fulscreen", OPTIONS_BAD, nullptr, "unknown option '--fulscreen'"},
    {"-f", OPTIONS_BAD, nullptr, "unknown option '-f'"},
    {"data", OPTIONS_BAD, nullptr, "unexpected argument 'data'"},
};

std::string settings() {
  std::ostringstream s;
  s << (opt_data ? opt_data : "-") << ' ' << opt_fullscreen << ' ' << opt_scale << ' ' << opt_mute << ' ' << opt_start
    << ' ' << opt_loop << ' ' << heard_offset_ms << ' ' << opt_gentle << ' ' << opt_warning;
  return s.str();
}

TEST(Options, TableOfCommandLines) {
  for (const Line& l : kLines) {
    std::vector<std::string> words{"zapcobbles"};
    std::istringstream in(l.args);
    for (std::string w; std::getline(in, w, ' ');) {
      for (char& c : w)
        if (c == '~') c = ' ';  // a space inside a word
      words.push_back(w);
    }
    if (words.size() == 2 && words[1].empty()) words.pop_back();
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    const options_action a = options_parse(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(a, l.action) << l.args;
    EXPECT_EQ(options_exit_status(a), a == OPTIONS_RUN ? -1 : a == OPTIONS_BAD ? 2 : 0) << l.args;
    if (l.set) {
      EXPECT_EQ(settings(), l.set) << l.args;
    }
    const std::string what = l.error;
    EXPECT_EQ(options_error, what.empty() ? "" : "zapcobbles: " + what + "\nTry 'zapcobbles --help'.\n") << l.args;
  }
  options_parse(1, std::vector<const char*>{"zapcobbles"}.data());  // the defaults for the tests after this one
  // Every switch of the table is in the usage, each on a line of its own.
  for (const char* o : {"--gentle", "--no-warning", "--loop", "--start SCENE", "--mute"}) {
    EXPECT_NE(std::string(options_usage()).find(std::string("\n  ") + o + " "), std::string::npos) << o;
  }
}

// The program answers before it looks for data or a display: run from an
// empty directory with no display at all.
TEST(Options, TheProgramAnswersBeforeOpeningAnything) {
  const std::string dir = make_temp_root();
  struct Run {
    const char* args;
    int status;
    const char* out_starts;  // standard output
    const char* err;         // standard error, whole
  } runs[] = {
      {"--help", 0, "Usage: zapcobbles [OPTION]...\n", ""},
      {"--version", 0, "zapcobbles (Zap Cobbles) ", ""},
      {"--start 0", 2, "",
       "zapcobbles: --start must be a whole number from 1 to 10, not '0'\nTry 'zapcobbles --help'.\n"},
      {"--bogus --help", 0, "Usage: zapcobbles [OPTION]...\n", ""},
      {"--start 0 --version", 0, "zapcobbles (Zap Cobbles) ", ""},
  };
  for (const Run& r : runs) {
    const std::string cmd = "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=zap-none '" +
                            ZAP_DEMO_BINARY + "' " + r.args + " >'" + dir + "out' 2>'" + dir + "err' </dev/null";
    const int rc = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, r.status) << r.args;
    auto slurp = [&](const char* name) {
      std::FILE* f = std::fopen((dir + name).c_str(), "rb");
      std::string s;
      for (int c; f && (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
      if (f) std::fclose(f);
      return s;
    };
    EXPECT_EQ(slurp("out").rfind(r.out_starts, 0), 0u) << r.args;
    EXPECT_EQ(slurp("err"), r.err) << r.args;
  }
}

}  // namespace
