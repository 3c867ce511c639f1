// output_file_test.cpp - the one owner of written files, in its two modes.
#include "cli/output_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/paths.h"
#include "tests/support/run_program.h"
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

// The new file's permissions: the old file's when one is replaced, else
// those of a file made under the umask.
TEST(OutputFile, Permissions) {
  struct PermissionCase {
    int existing;  // the old file's mode, or -1 for none
    OutputMode mode;
    mode_t after;
  };
  const mode_t mask = ::umask(022);
  for (const PermissionCase& c : {PermissionCase{-1, OutputMode::replace, 0644},
                                  PermissionCase{-1, OutputMode::new_only, 0644},
                                  PermissionCase{0600, OutputMode::replace, 0600},
                                  PermissionCase{0751, OutputMode::replace, 0751}}) {
    SCOPED_TRACE(c.existing);
    ScratchDir dir;
    if (c.existing >= 0) {
      dir.write("f", "old");
      ::chmod(dir.file("f").c_str(), static_cast<mode_t>(c.existing));
    }
    std::string error;
    EXPECT_TRUE(cli::write_whole_file(dir.file("f"), c.mode, "new", error)) << error;
    struct stat after {};
    ::stat(dir.file("f").c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, c.after);
  }
  ::umask(mask);
}

// What exists and is not a regular file is not replaced: /dev/null stays a
// device even for root, a FIFO and a link to it a FIFO.
TEST(OutputFile, OnlyRegularFilesAreReplaced) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("fifo", dir.file("link").c_str()), 0);
  for (const std::string& path : {std::string("/dev/null"), dir.file("fifo"), dir.file("link")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(cli::output_refusal(path), "cannot write '" + path + "': not a regular file");
    std::string error;
    EXPECT_FALSE(cli::write_whole_file(path, OutputMode::replace, "x", error));
    EXPECT_EQ(error, "cannot write '" + path + "': not a regular file");
  }
  EXPECT_EQ(cli::output_refusal(dir.file("absent")), "");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"fifo", "link"}));
}

// A set names its files only when every one is complete: a member that
// fails leaves the other targets as they were, and no temporary file.
TEST(OutputSet, EveryFileOrNone) {
  ScratchDir dir;
  dir.write("a", "old");
  {
    cli::OutputSet set;
    std::string error;
    EXPECT_TRUE(set.write_whole(dir.file("a"), OutputMode::replace, "new", error));
    EXPECT_FALSE(set.write_whole(dir.file("no/b"), OutputMode::replace, "new", error));
    EXPECT_EQ(dir.read("a").value(), "old");
  }
  EXPECT_EQ(dir.names(), std::vector<std::string>{"a"});
  cli::OutputSet set;
  std::string error;
  EXPECT_TRUE(set.write_whole(dir.file("a"), OutputMode::replace, "new a", error));
  EXPECT_TRUE(set.write_whole(dir.file("b"), OutputMode::new_only, "new b", error));
  EXPECT_EQ(dir.read("a").value(), "old");
  EXPECT_EQ(set.place_all(), "");
  EXPECT_EQ(dir.read("a").value(), "new a");
  EXPECT_EQ(dir.read("b").value(), "new b");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"a", "b"}));
}

// A signal that ends the program while it writes removes the temporary
// files, and the process still ends by that signal; the targets keep their
// old contents.
TEST(OutputFile, SignalsRemoveTheTemporaryFiles) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    ScratchDir dir;
    dir.write("a", "old");
    const testing_support::RunResult run = testing_support::run_in_child(
        [&] {
          ::signal(signal_number, SIG_DFL);
          cli::OutputSet set;
          std::string error;
          set.write_whole(dir.file("a"), OutputMode::replace, std::string(1 << 20, 'x'), error);
          cli::OutputFile& b = set.add(dir.file("b"), OutputMode::new_only);
          b.open();
          b.write(std::string(1 << 20, 'y'));
          ::kill(::getpid(), signal_number);
          ::_exit(0);
        },
        {});
    EXPECT_EQ(run.exit_status, 128 + signal_number);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a"});
    EXPECT_EQ(dir.read("a").value(), "old");
  }
}

}  // namespace
