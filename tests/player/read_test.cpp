// Reading a module file by the one rule the demo and zapmod share
// (pt_read_file): what is taken, what is refused, and what is said.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "player/pt_read.h"

namespace {

// A fresh directory for the files of one test.
std::string temp_dir() {
  char templ[] = "/tmp/zap-read-XXXXXX";
  const char* d = mkdtemp(templ);
  return d ? std::string(d) + "/" : std::string();
}

void write_bytes(const std::string& path, size_t n, uint8_t first) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; i++) bytes[i] = static_cast<uint8_t>(first + i);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (n > 0) {
    ASSERT_EQ(std::fwrite(bytes.data(), 1, n, f), n);
  }
  std::fclose(f);
}

}  // namespace

TEST(ModuleRead, TakesUpToTheLimitWarnsWhenLongerAndRefusesTheRest) {
  const std::string dir = temp_dir();
  ASSERT_FALSE(dir.empty());
  mkdir((dir + "adir").c_str(), 0755);
  struct Case {
    const char* name;
    long bytes;  // file size; -1: no file, -2: a directory
    bool taken;
    int32_t size;
    const char* why;      // start of the refusal
    const char* warning;  // the warning when taken
  };
  const Case cases[] = {
      {"missing", -1, false, 0, "cannot open: No such file or directory", ""},
      {"adir", -2, false, 0, "cannot read: Is a directory", ""},
      {"empty", 0, false, 0, "empty file", ""},
      {"small", 1500, true, 1500, "", ""},
      {"exact", MODBUF_LIMIT, true, MODBUF_LIMIT, "", ""},
      {"longer", MODBUF_LIMIT + 1, true, MODBUF_LIMIT, "", "longer than 1000000 bytes; only those are read"},
  };
  std::vector<uint8_t> buf(MODBUF_LIMIT + MODBUF_SPARE, 0xAA);
  for (const Case& c : cases) {
    const std::string path = dir + c.name;
    if (c.bytes >= 0) write_bytes(path, static_cast<size_t>(c.bytes), 7);
    int32_t size = -1;
    std::string why = "x", warning = "x";
    EXPECT_EQ(pt_read_file(path.c_str(), buf.data(), size, why, warning), c.taken) << c.name;
    EXPECT_EQ(size, c.size) << c.name;
    EXPECT_EQ(why, c.why) << c.name;
    EXPECT_EQ(warning, c.warning) << c.name;
    // The growing buffer (zapmod's) by the same rule: sized to the file and
    // the spare bytes, zero after it.
    std::vector<uint8_t> grown;
    int32_t grown_size = -1;
    std::string grown_why, grown_warning;
    EXPECT_EQ(pt_read_file(path.c_str(), grown, grown_size, grown_why, grown_warning), c.taken) << c.name;
    EXPECT_EQ(grown_size, c.size) << c.name;
    EXPECT_EQ(grown_why, c.why) << c.name;
    EXPECT_EQ(grown_warning, c.warning) << c.name;
    if (c.taken) {
      ASSERT_GE(grown.size(), static_cast<size_t>(c.size) + MODBUF_SPARE) << c.name;
      EXPECT_TRUE(std::equal(grown.begin(), grown.begin() + c.size, buf.begin())) << c.name;
      for (size_t i = static_cast<size_t>(c.size); i < grown.size(); i++) ASSERT_EQ(grown[i], 0) << c.name;
    }
    if (c.taken) {
      EXPECT_EQ(buf[0], 7) << c.name;
      EXPECT_EQ(buf[static_cast<size_t>(c.size) - 1], static_cast<uint8_t>(7 + c.size - 1)) << c.name;
      // The bytes past the file, the spare ones too, are zero: nothing of an
      // earlier, longer file is left behind.
      for (size_t i = static_cast<size_t>(c.size); i < buf.size(); i++) ASSERT_EQ(buf[i], 0) << c.name << " at " << i;
    }
    std::remove(path.c_str());
  }
  rmdir((dir + "adir").c_str());
  rmdir(dir.c_str());
}

// What a user reads of a refusal, in the demo and zapmod alike: the loader's
// words without its own name.
TEST(ModuleRead, ARefusalIsSaidWithoutTheLoadersName) {
  const char* const saved = pt_errorstr;
  const struct {
    const char* errorstr;
    const char* said;
  } cases[] = {
      {"pt_takemod error: unknown module type!", "not a module the player takes: unknown module type"},
      {"pt_takemod error: module cut short in header (19 of 1084 bytes)",
       "not a module the player takes: the file is cut short in header (19 of 1084 bytes)"},
      {"", "not a module the player takes"},
      {nullptr, "not a module the player takes"},
      {"something else.", "not a module the player takes: something else"},
  };
  for (const auto& c : cases) {
    pt_errorstr = c.errorstr;
    EXPECT_EQ(pt_read_refusal(), c.said) << (c.errorstr ? c.errorstr : "null");
  }
  pt_errorstr = saved;
}
