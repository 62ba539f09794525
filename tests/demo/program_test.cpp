// The demo program itself, run headless on the test data set with one file
// missing or broken at a time: each stops before the display opens with one
// line naming the file and the reason, and exit status 1. A missing font
// only warns. The good runs use ZAP_TIME_SCALE, so the 204 s song passes in
// a fraction of a second, silently.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "demo_testutil.h"

namespace {

struct Outcome {
  int status;
  std::string err;
};

// Runs the demo in dir with env's settings ("A=1 B=2", "-u A").
Outcome run_demo(const std::string& dir, const std::string& env) {
  const std::string err = dir + "stderr.txt";
  // SDL 2 keeps a few allocations past SDL_Quit; the leak checker of a
  // sanitizer build is told to look past them, as in the test programs.
  const std::string supp = dir + "lsan.supp";
  write_file(supp, "leak:libSDL2-2.0.so\n");
  const std::string cmd = "cd '" + dir + "' && env " + env + " LSAN_OPTIONS=suppressions='" + supp + "' '" +
                          ZAP_DEMO_BINARY + "' </dev/null >/dev/null 2>'" + err + "'";
  const int rc = std::system(cmd.c_str());
  std::ifstream in(err);
  std::stringstream ss;
  ss << in.rdbuf();
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ss.str()};
}

struct Case {
  const char* name;
  const char* file;     // under data/; null: no change
  const char* content;  // new content; null: remove the file; "<dir>": a directory in its place;
                        // "<half>": the first half of the file
  const char* env;
  int status;
  const char* message;  // the whole of standard error
};

const Case kCases[] = {
    {"whole_run", nullptr, nullptr, "ZAP_TIME_SCALE=1000", 0, ""},
    {"missing_picture", "hipcat.cgm", nullptr, "", 1,
     "zapcobbles: data/hipcat.cgm: cannot open: No such file or directory\n"},
    {"empty_picture", "zoomer.cgm", "BEGMF \"x\";\nENDMF;\n", "", 1,
     "zapcobbles: data/zoomer.cgm: the picture holds nothing to draw\n"},
    {"not_a_picture", "bottles.cgm", "hello\n", "", 1, "zapcobbles: data/bottles.cgm: not a picture (no BEGMF)\n"},
    {"missing_star", "stara2.cgm", nullptr, "", 1,
     "zapcobbles: data/stara2.cgm: cannot open: No such file or directory\n"},
    {"missing_drawing", "afrogirl.txt", nullptr, "", 1,
     "zapcobbles: data/afrogirl.txt: cannot open: No such file or directory\n"},
    {"bad_drawing", "grooveking.txt", "2 0 0 8 8\n-5\n", "", 1,
     "zapcobbles: data/grooveking.txt: stroke 1: bad point count -5\n"},
    {"missing_module", "da_plim.mod", nullptr, "", 1,
     "zapcobbles: data/da_plim.mod: cannot open: No such file or directory\n"},
    {"unreadable_module", "da_plim.mod", "<dir>", "", 1, "zapcobbles: data/da_plim.mod: cannot read: Is a directory\n"},
    {"refused_module", "da_plim.mod", "not a module at all", "", 1,
     "zapcobbles: data/da_plim.mod: the player refuses it (pt_takemod error: module cut short in header (19 of "
     "1084 bytes))\n"},
    {"missing_font", "fontti.raw", nullptr, "ZAP_TIME_SCALE=1000", 0,
     "zapcobbles: data/fontti.raw: No such file or directory; texts show as solid blocks\n"},
    {"unreadable_drawing", "afrogirl.txt", "<dir>", "", 1, "zapcobbles: data/afrogirl.txt: cannot read: Is a directory\n"},
    // Every other file missing, empty, cut short or not what it should be.
    {"missing_pictures", "ankels.cgm", nullptr, "", 1,
     "zapcobbles: data/ankels.cgm: cannot open: No such file or directory\n"},
    {"missing_last_picture", "bottles.cgm", nullptr, "", 1,
     "zapcobbles: data/bottles.cgm: cannot open: No such file or directory\n"},
    {"missing_first_star", "stara.cgm", nullptr, "", 1,
     "zapcobbles: data/stara.cgm: cannot open: No such file or directory\n"},
    {"missing_first_drawing", "grooveking.txt", nullptr, "", 1,
     "zapcobbles: data/grooveking.txt: cannot open: No such file or directory\n"},
    {"empty_picture_file", "swing1.cgm", "", "", 1, "zapcobbles: data/swing1.cgm: not a picture (no BEGMF)\n"},
    {"cut_picture", "strutter.cgm", "<half>", "", 1, "zapcobbles: data/strutter.cgm: cut short (no ENDMF at its end)\n"},
    {"cut_star", "stara2.cgm", "<half>", "", 1, "zapcobbles: data/stara2.cgm: cut short (no ENDMF at its end)\n"},
    {"empty_drawing", "afrogirl.txt", "", "", 1, "zapcobbles: data/afrogirl.txt: the drawing holds nothing to draw\n"},
    {"garbage_drawing", "grooveking.txt", "\x01\x02 zap\n", "", 1,
     "zapcobbles: data/grooveking.txt: the drawing holds nothing to draw\n"},
    {"cut_drawing", "afrogirl.txt", "3 0 0 8 8 16\n", "", 1,
     "zapcobbles: data/afrogirl.txt: cut short by the end of the file in stroke 0\n"},
    {"empty_module", "da_plim.mod", "", "", 1,
     "zapcobbles: data/da_plim.mod: the player refuses it (pt_takemod error: module cut short in header (0 of 1084 "
     "bytes))\n"},
    {"cut_font", "fontti.raw", "\x01\x02\x03", "ZAP_TIME_SCALE=1000", 0,
     "zapcobbles: data/fontti.raw: 3 of 122880 bytes; the letters past them show as solid blocks\n"},
    {"no_display", nullptr, nullptr, "SDL_VIDEODRIVER=zap-no-such-driver", 1, nullptr},
    {"no_display_at_all", nullptr, nullptr, "-u SDL_VIDEODRIVER -u DISPLAY -u WAYLAND_DISPLAY", 1, nullptr},
    {"bad_time_scale", nullptr, nullptr, "ZAP_TIME_SCALE=fast", 1,
     "zapcobbles: ZAP_TIME_SCALE must be a whole number from 1 to 1000, not 'fast'\n"},
};

TEST(Program, BadInputStopsWithOneLineAndAMissingFontOnlyWarns) {
  for (const Case& c : kCases) {
    const std::string root = make_temp_root();
    write_demo_assets(root);
    if (c.file) {
      const std::string path = root + "data/" + c.file;
      std::remove(path.c_str());
      if (c.content && std::string(c.content) == "<half>") {
        std::ifstream in(demo_assets_root() + "data/" + c.file, std::ios::binary);
        std::stringstream whole;
        whole << in.rdbuf();
        ASSERT_TRUE(write_file(path, whole.str().substr(0, whole.str().size() / 2))) << c.name;
      } else if (c.content && std::string(c.content) == "<dir>") {
        ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
      } else if (c.content) {
        ASSERT_TRUE(write_file(path, c.content));
      }
    }
    const Outcome r = run_demo(root, c.env);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    if (c.message) {
      EXPECT_EQ(r.err, c.message) << c.name;
    } else {
      // Our one line; SDL's display probes may add their own before it.
      const size_t at = r.err.find("zapcobbles: ");
      ASSERT_NE(at, std::string::npos) << c.name << ": " << r.err;
      EXPECT_EQ(r.err.compare(at, 22, "zapcobbles: no display"), 0) << c.name << ": " << r.err;
      EXPECT_EQ(r.err.find('\n', at), r.err.size() - 1) << c.name << ": one line of ours";
    }
  }
}

TEST(Program, WithoutADataDirectoryItSaysWhereToRunIt) {
  const std::string root = make_temp_root();
  const Outcome r = run_demo(root, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no data directory in /tmp/zap-demo-"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("run the demo from the project root"), std::string::npos) << r.err;
}

}  // namespace
