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

#include "demo/datadir.h"
#include "demo_testutil.h"
#include "sys/version.h"

namespace {

struct Outcome {
  int status;
  std::string err;
};

// Runs program in dir with env's settings ("A=1 B=2", "-u A") and the
// arguments args.
Outcome run_program(const std::string& program, const std::string& dir, const std::string& env,
                    const std::string& args) {
  const std::string err = dir + "stderr.txt";
  // SDL 2 keeps a few allocations past SDL_Quit; the leak checker of a
  // sanitizer build is told to look past them, as in the test programs.
  const std::string supp = dir + "lsan.supp";
  write_file(supp, "leak:libSDL2-2.0.so\n");
  const std::string cmd = "cd '" + dir + "' && env " + env + " LSAN_OPTIONS=suppressions='" + supp + "' '" +
                          program + "' " + args + " </dev/null >/dev/null 2>'" + err + "'";
  const int rc = std::system(cmd.c_str());
  std::ifstream in(err);
  std::stringstream ss;
  ss << in.rdbuf();
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ss.str()};
}

// The demo run in dir on the data under dir.
Outcome run_demo(const std::string& dir, const std::string& env) {
  return run_program(ZAP_DEMO_BINARY, dir, env, "--data '" + dir + "'");
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
     "zapcobbles: data/da_plim.mod: not a module the player takes: the file is cut short in header (19 of 1084 "
     "bytes)\n"},
    {"missing_font", "fontti.raw", nullptr, "ZAP_TIME_SCALE=1000", 0,
     "zapcobbles: data/fontti.raw: No such file or directory; texts show as solid blocks\n"},
    {"unreadable_drawing", "afrogirl.txt", "<dir>", "", 1,
     "zapcobbles: data/afrogirl.txt: cannot read: Is a directory\n"},
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
    {"cut_picture", "strutter.cgm", "<half>", "", 1,
     "zapcobbles: data/strutter.cgm: cut short (no ENDMF at its end)\n"},
    {"cut_star", "stara2.cgm", "<half>", "", 1, "zapcobbles: data/stara2.cgm: cut short (no ENDMF at its end)\n"},
    {"empty_drawing", "afrogirl.txt", "", "", 1, "zapcobbles: data/afrogirl.txt: the drawing holds nothing to draw\n"},
    {"garbage_drawing", "grooveking.txt", "\x01\x02 zap\n", "", 1,
     "zapcobbles: data/grooveking.txt: the drawing holds nothing to draw\n"},
    {"cut_drawing", "afrogirl.txt", "3 0 0 8 8 16\n", "", 1,
     "zapcobbles: data/afrogirl.txt: cut short by the end of the file in stroke 0\n"},
    {"empty_module", "da_plim.mod", "", "", 1, "zapcobbles: data/da_plim.mod: empty file\n"},
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
      // The files are named under the --data directory.
      std::string want = c.message;
      const size_t at = want.find("zapcobbles: data/");
      if (at != std::string::npos) want.insert(at + 12, root);
      EXPECT_EQ(r.err, want) << c.name;
    } else {
      // Our one line; SDL's display probes may add their own before it.
      const size_t at = r.err.find("zapcobbles: ");
      ASSERT_NE(at, std::string::npos) << c.name << ": " << r.err;
      EXPECT_EQ(r.err.compare(at, 22, "zapcobbles: no display"), 0) << c.name << ": " << r.err;
      EXPECT_EQ(r.err.find('\n', at), r.err.size() - 1) << c.name << ": one line of ours";
    }
  }
}

// Where the data are looked for, in order: --data alone when given; for an
// installed program its installed data directory (relative to the program,
// then the configured prefix), for a program in its build tree the source
// tree; then the working directory. Each candidate here holds only the
// module (which marks a data directory), so the first file loaded after it
// names the directory chosen; no display makes the source tree's run stop.
TEST(Program, DataDirectoryLookupOrder) {
  if (std::ifstream(ZAP_DEMO_BINARY).get() == '#') GTEST_SKIP() << "the program runs through an emulator script";
  const std::string root = make_temp_root();
  const std::string installed = root + "share/";
  const std::string given = root + "given/";
  const std::string here = root + "here/";
  for (const std::string& d : {installed, given, here}) {
    ASSERT_EQ(std::system(("mkdir -p '" + d + "data' && echo x > '" + d + "data/da_plim.mod'").c_str()), 0);
  }
  // An installed program: bin/zapcobbles, its data in ZAP_INSTALL_DATA_FROM_BIN.
  const std::string bin = root + "prefix/bin/";
  const std::string data = bin + ZAP_INSTALL_DATA_FROM_BIN + "/";
  ASSERT_EQ(std::system(("mkdir -p '" + bin + "' && cp '" + ZAP_DEMO_BINARY + "' '" + bin + "'").c_str()), 0);
  const std::string program = bin + "zapcobbles";
  const std::string missing = ": cannot open: No such file or directory\n";
  struct Step {
    const char* what;
    std::string program, args, install_from;  // install_from: copied to the installed place ("": none)
    int status;
    std::string err;
  } steps[] = {
      {"installed beats the working directory", program, "", installed, 1,
       "zapcobbles: " + root + "prefix/share/zapcobbles/data/grooveking.txt" + missing},
      {"--data beats both", program, "--data " + given, installed, 1,
       "zapcobbles: " + given + "data/grooveking.txt" + missing},
      {"--data alone, even when it holds nothing", program, "--data=" + root, installed, 1,
       "zapcobbles: --data " + root + ": no data/ there; give the directory that holds data/\n"},
      {"then the working directory", program, "", "", 1, "zapcobbles: data/grooveking.txt" + missing},
      {"the build tree's program reads its source tree", ZAP_DEMO_BINARY, "", "", 1, "zapcobbles: no display"},
  };
  for (const Step& st : steps) {
    std::system(("rm -rf '" + root + "prefix/share'").c_str());
    if (!st.install_from.empty()) {
      ASSERT_EQ(std::system(("mkdir -p '" + root + "prefix/share' && cp -r '" + st.install_from + "' '" + data +
                             "'").c_str()), 0);
    }
    const Outcome r = run_program(st.program, here, "SDL_VIDEODRIVER=zap-no-such-driver", st.args);
    EXPECT_EQ(r.status, st.status) << st.what << ": " << r.err;
    EXPECT_EQ(r.err.compare(r.err.find("zapcobbles: ") == std::string::npos ? 0 : r.err.find("zapcobbles: "),
                            st.err.size(), st.err), 0) << st.what << ": " << r.err;
  }
  // Nowhere: one line saying where it looked.
  std::system(("rm -rf '" + here + "data'").c_str());
  const Outcome r = run_program(program, here, "", "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "zapcobbles: no data directory: looked in " + root + "prefix/share/zapcobbles, " +
                       ZAP_INSTALL_DATA_DIR + ", the working directory; give --data DIR\n");
}

// A build tree reached through a symbolic link is still the build tree: the
// program's own place (/proc/self/exe) is the real path, the configured build
// path may name the link.
TEST(Program, ABuildTreeThroughALinkIsStillTheBuildTree) {
  const std::string root = make_temp_root();
  ASSERT_EQ(
      std::system(("mkdir -p '" + root + "real/build/tools' '" + root + "real/buildx' && ln -s real '" + root + "link'")
                      .c_str()),
      0);
  const struct {
    std::string program, build;
    bool in;
  } cases[] = {
      {root + "real/build", root + "link/build", true},
      {root + "real/build/tools", root + "link/build/", true},
      {root + "link/build/tools", root + "real/build", true},
      {root + "real/buildx", root + "link/build", false},
      {root + "real", root + "link/build", false},
      {"", root + "real/build", false},
  };
  for (const auto& c : cases) EXPECT_EQ(datadir_in_build(c.program, c.build), c.in) << c.program << " in " << c.build;
}

}  // namespace
