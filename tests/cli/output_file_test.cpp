// output_file_test.cpp - the one owner of written files, in its two modes.
#include "cli/output_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace {

using cli::OutputMode;
using testing_support::ScratchDir;

struct Case {
  const char* name;
  OutputMode mode;
  const char* existing;  // the target's bytes beforehand, or null
  bool written;
  const char* after;  // the target's bytes afterwards
  const char* error;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class Modes : public testing::TestWithParam<Case> {};

// What each mode does with a free and a taken name, and that nothing but
// the target is ever left in the directory.
TEST_P(Modes, WriteWholeOrLeaveAsItWas) {
  const Case& c = GetParam();
  ScratchDir dir;
  if (c.existing != nullptr) dir.write("it's.txt", c.existing);
  std::string error;
  bool taken = false;
  EXPECT_EQ(cli::write_whole_file(dir.file("it's.txt"), c.mode, "new", error, &taken), c.written);
  EXPECT_EQ(dir.read("it's.txt").value_or("<none>"), c.after);
  EXPECT_EQ(taken, !c.written);
  EXPECT_EQ(error, c.written ? "" : "\"" + dir.file("it's.txt") + "\"" + c.error);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"it's.txt"});
}

const Case cases[] = {
    {"NewOnlyFreeName", OutputMode::new_only, nullptr, true, "new", ""},
    {"NewOnlyTakenName", OutputMode::new_only, "old", false, "old", " exists"},
    {"ReplaceFreeName", OutputMode::replace, nullptr, true, "new", ""},
    {"ReplaceTakenName", OutputMode::replace, "old", true, "new", ""},
};

INSTANTIATE_TEST_SUITE_P(OutputFile, Modes, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& param) {
                           return std::string(param.param.name);
                         });

// Replacing through a symbolic link replaces the file it names and keeps
// the link; a new-only file never follows one, even a dangling one.
TEST(OutputFile, SymbolicLinks) {
  ScratchDir dir;
  dir.write("real.txt", "old");
  ASSERT_EQ(::symlink("real.txt", dir.file("link.txt").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere.txt", dir.file("dangling.txt").c_str()), 0);
  std::string error;
  EXPECT_TRUE(cli::write_whole_file(dir.file("link.txt"), OutputMode::replace, "new", error));
  EXPECT_EQ(dir.read("real.txt").value_or(""), "new");
  char target[64] = {};
  EXPECT_GT(::readlink(dir.file("link.txt").c_str(), target, sizeof target - 1), 0);
  EXPECT_STREQ(target, "real.txt");
  EXPECT_FALSE(cli::write_whole_file(dir.file("dangling.txt"), OutputMode::new_only, "x", error));
  EXPECT_FALSE(dir.read("nowhere.txt").has_value());
}

// A failure names the file in quotes and gives the system's reason.
TEST(OutputFile, FailureGivesTheSystemsReason) {
  ScratchDir dir;
  for (const OutputMode mode : {OutputMode::new_only, OutputMode::replace}) {
    std::string error;
    EXPECT_FALSE(cli::write_whole_file(dir.file("absent/a\nb"), mode, "x", error));
    EXPECT_EQ(error,
              "cannot write '" + dir.file("absent/a") + "'$'\\n''b': No such file or directory");
  }
}

}  // namespace
