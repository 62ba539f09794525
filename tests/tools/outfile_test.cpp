// The tools' output files (tools/common/outfile): the mode a new file gets,
// an output that is a symbolic link, and a signal the moment the temporary
// file beside the output has been made.
//
// 64-bit directory offsets, so that readdir answers on a 32-bit build run on
// a 64-bit file system (qemu-arm), where the 32-bit call fails with EOVERFLOW.
#define _FILE_OFFSET_BITS 64

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "common/outfile.h"
#include "common/tool.h"

// The link's --wrap=mkostemp sends here; a set signal is raised as soon as
// the file exists, before mkostemp returns.
extern "C" int __real_mkostemp(char* templ, int flags);
namespace {
int g_raise_after_make = 0;
}
extern "C" int __wrap_mkostemp(char* templ, int flags) {
  const int fd = __real_mkostemp(templ, flags);
  if (fd >= 0 && g_raise_after_make) std::raise(g_raise_after_make);
  return fd;
}

namespace {

std::string temp_dir() {
  char t[] = "/tmp/zap-outfile-XXXXXX";
  EXPECT_NE(mkdtemp(t), nullptr);
  return std::string(t) + "/";
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string listing(const std::string& dir) {
  std::string out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") out += n + " ";
    }
    closedir(d);
  }
  return out;
}

TEST(OutFile, NewAndReplacedFilesGetTheUsualModeAndALinkStaysALink) {
  const mode_t old_mask = umask(022);
  tool_begin("outfile_test");
  const std::string dir = temp_dir();
  // A new file and a replaced one: 0666 less the umask, as any program's.
  ASSERT_TRUE(out_save((dir + "new").c_str(), "abc", 3));
  ASSERT_TRUE(out_save((dir + "new").c_str(), "abcd", 4));
  struct stat st {};
  ASSERT_EQ(stat((dir + "new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(slurp(dir + "new"), "abcd");
  // Through a symbolic link the file it names is written; the link stays.
  ASSERT_EQ(symlink("new", (dir + "link").c_str()), 0);
  ASSERT_TRUE(out_save((dir + "link").c_str(), "xyz", 3));
  ASSERT_EQ(lstat((dir + "link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
  EXPECT_EQ(slurp(dir + "new"), "xyz");
  EXPECT_EQ(listing(dir).size(), std::string("new link ").size()) << listing(dir);
  umask(old_mask);
  std::system(("rm -rf '" + dir + "'").c_str());
}

// A signal that arrives just after the temporary file is made, before the
// tool has noted it, must still find it noted: the run ends with 128 + the
// signal and leaves nothing beside the output.
TEST(OutFileDeathTest, ASignalJustAfterTheTemporaryFileIsMadeLeavesNothing) {
  const std::string dir = temp_dir();
  const std::string out = dir + "out.bin";
  EXPECT_EXIT(
      {
        tool_begin("outfile_test");
        g_raise_after_make = SIGTERM;
        out_file o;
        out_open(o, out.c_str());
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(128 + SIGTERM), "");
  EXPECT_EQ(listing(dir), "");
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
