// robustness_test.cpp - the real freq2equat-check where its environment is
// hostile: empty operands, FIFOs, endless devices, full disks, names that
// hold newlines, oversized and malformed mass tables, lines of many
// megabytes under a memory limit. Each must end in one line on standard
// error and exit status 2, or in a complete check, and never hang.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/check/finding_cases.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

constexpr const char* R = testing_support::worked_reference;
constexpr const char* M = testing_support::worked_measurement;
constexpr const char* T = testing_support::worked_table;

constexpr const char* mass_header = "Z,A,symbol,mass_excess_micro_u,uncertainty_micro_u\n";

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool address_sanitizer = true;
#else
constexpr bool address_sanitizer = false;
#endif
#else
constexpr bool address_sanitizer = false;
#endif

// How the child runs beyond its arguments.
struct Setting {
  // Standard output goes to this path (relative to the scratch directory,
  // or absolute such as /dev/full) instead of a pipe.
  std::optional<std::string> standard_output;
  std::optional<rlim_t> address_space_mib;  // RLIMIT_AS
  std::optional<rlim_t> file_size_bytes;    // RLIMIT_FSIZE
};

Setting plain() { return Setting{}; }
Setting output_to(std::string path) {
  Setting setting;
  setting.standard_output = std::move(path);
  return setting;
}
Setting memory_limit(rlim_t mib) {
  Setting setting;
  setting.address_space_mib = mib;
  return setting;
}
Setting output_to_file_of_at_most(std::string path, rlim_t bytes) {
  Setting setting = output_to(std::move(path));
  setting.file_size_bytes = bytes;
  return setting;
}

RunResult run_check(const ScratchDir& dir, const std::vector<std::string>& arguments,
                    const Setting& setting) {
  RunOptions options;
  options.working_directory = dir.path();
  options.timeout_ms = 60000;  // a hang guard, far above any run here
  return testing_support::run_in_child(
      [&] {
        if (setting.standard_output) {
          const int fd = open(setting.standard_output->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
          if (fd < 0 || dup2(fd, 1) < 0) _exit(120);
        }
        if (setting.address_space_mib) {
          const rlim_t bytes = *setting.address_space_mib << 20;
          const rlimit limit{bytes, bytes};
          if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(119);
        }
        if (setting.file_size_bytes) {
          const rlimit limit{*setting.file_size_bytes, *setting.file_size_bytes};
          if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(118);
        }
        std::vector<char*> argv{const_cast<char*>(FREQ2EQUAT_CHECK_PROGRAM)};
        for (const std::string& argument : arguments)
          argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(FREQ2EQUAT_CHECK_PROGRAM, argv.data());
        _exit(127);
      },
      options);
}

struct Hostile {
  const char* name;
  std::vector<std::string> arguments;
  Setting setting;
  std::string standard_error;  // the whole of it
};

void PrintTo(const Hostile& hostile, std::ostream* out) { *out << hostile.name; }

class HostileRefusals : public testing::TestWithParam<Hostile> {};

// Each is refused at once with status 2 and one line that says why; the
// inputs stay as they were and nothing is left behind.
TEST_P(HostileRefusals, EndInOneLineWithStatus2) {
  const Hostile& hostile = GetParam();
  if (hostile.setting.address_space_mib && address_sanitizer) {
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
  }
  if (hostile.setting.standard_output == "/dev/full" && access("/dev/full", W_OK) != 0) {
    GTEST_SKIP() << "no /dev/full on this machine";
  }
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", T);
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
  dir.write("header-only.csv", mass_header);
  dir.write("no-header.csv", "37,85,Rb,-88210.26396,0.00537\n");
  {
    // Sparse: a table one byte over the limit costs no disk.
    const int fd = open(dir.file("huge.csv").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, (off_t{16} << 20) + 1), 0);
    close(fd);
  }
  const RunResult result = run_check(dir, hostile.arguments, hostile.setting);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_EQ(result.standard_error, hostile.standard_error);
  EXPECT_EQ(dir.read("vemo.freq"), std::string(R) + M);
}

const Hostile hostile_refusals[] = {
    // An unset $DIR in a script; "/" or "." are not what was meant.
    {"EmptyDirectory",
     {""},
     plain(),
     "freq2equat-check: the directory operand is empty (see --help)\n"},
    {"EmptyDirectoryAfterDashes",
     {"--", ""},
     plain(),
     "freq2equat-check: the directory operand is empty (see --help)\n"},
    {"EmptyOptionValue",
     {"--masses="},
     plain(),
     "freq2equat-check: option '--masses' needs a value (see --help)\n"},
    // A newline in a name must not split the message.
    {"NameWithNewline",
     {"--freq", "a\nb"},
     plain(),
     "freq2equat-check: cannot read 'a'$'\\n''b': No such file or directory\n"},
    {"UnknownOptionWithNewline",
     {"--x\ny"},
     plain(),
     "freq2equat-check: unknown option '--x'$'\\n''y' (see --help)\n"},
    {"NameWithQuote",
     {"--table", "it's"},
     plain(),
     "freq2equat-check: cannot read \"it's\": No such file or directory\n"},
    // Within double quotes the shell would expand $x: the quote goes alone.
    {"NameWithQuoteAndDollar",
     {"--table", "it's$x"},
     plain(),
     "freq2equat-check: cannot read 'it'$'\\'''s$x': No such file or directory\n"},
    // A FIFO would wait for a writer forever, for every input alike.
    {"MassesFifo",
     {"--masses", "fifo"},
     plain(),
     "freq2equat-check: cannot read 'fifo': not a regular file\n"},
    {"TableFifo",
     {"--table", "fifo"},
     plain(),
     "freq2equat-check: cannot read 'fifo': not a regular file\n"},
    {"FreqFifo",
     {"--freq", "fifo"},
     plain(),
     "freq2equat-check: cannot read 'fifo': not a regular file\n"},
    {"MassesDevice",
     {"--masses", "/dev/zero"},
     plain(),
     "freq2equat-check: cannot read '/dev/zero': not a regular file\n"},
    {"MassesTooLarge",
     {"--masses", "huge.csv"},
     plain(),
     "freq2equat-check: cannot read 'huge.csv': larger than 16 MiB\n"},
    {"MassesWithoutHeader",
     {"--masses", "no-header.csv"},
     plain(),
     "freq2equat-check: 'no-header.csv' is not a mass table: its line 1 does not start with the "
     "header "
     "Z,A,symbol,mass_excess_micro_u,uncertainty_micro_u\n"},
    {"MassesWithoutRows",
     {"--masses", "header-only.csv"},
     plain(),
     "freq2equat-check: 'header-only.csv': no usable mass excesses in it\n"},
    // An endless table: the first read that cannot end ends the check.
    {"TableEndless",
     {"--table", "/dev/zero"},
     memory_limit(512),
     "freq2equat-check: cannot read '/dev/zero' to its end: Buffer allocation failed\n"},
    // Standard output that cannot be written is a failed run.
    {"VersionToFullDisk",
     {"--version"},
     output_to("/dev/full"),
     "freq2equat-check: write error: No space left on device\n"},
    {"HelpToFullDisk",
     {"--help"},
     output_to("/dev/full"),
     "freq2equat-check: write error: No space left on device\n"},
    {"SummaryToFullDisk",
     {"--no-masses"},
     output_to("/dev/full"),
     "freq2equat-check: write error: No space left on device\n"},
    {"ListingOverFileSizeLimit",
     {"--no-masses", "-v"},
     output_to_file_of_at_most("listing.txt", 100),
     "freq2equat-check: write error: File too large\n"},
};

INSTANTIATE_TEST_SUITE_P(Check, HostileRefusals, testing::ValuesIn(hostile_refusals),
                         [](const testing::TestParamInfo<Hostile>& param) {
                           return std::string(param.param.name);
                         });

// A line of 48 MB is checked under a 300 MiB limit, and each of its findings
// shows a window of the line, not the line: standard error stays small.
TEST(HostileLimits, LongLineIsCheckedInLittleMemoryAndShownAsAWindow) {
  if (address_sanitizer)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  {
    std::ofstream table(dir.file("ionization.data"), std::ios::binary);
    table << T << "56 Ba 1 5.2 ";
    const std::string chunk(1 << 20, 'x');
    for (int i = 0; i < 48; ++i) table << chunk;
    table << "\n";
  }
  const RunResult result = run_check(dir, {"--no-masses"}, memory_limit(300));
  EXPECT_EQ(result.exit_status, 1) << result.standard_error.substr(0, 2000);
  EXPECT_LT(result.standard_error.size(), 2000u);
  // The value is quoted by its first 40 bytes, the line shown as a window.
  EXPECT_TRUE(
      finding_cases::has_finding(result.standard_error, "ionization.data:3:13", "row-leftover"))
      << result.standard_error;
  EXPECT_NE(result.standard_error.find("'" + std::string(40, 'x') + "...'"), std::string::npos);
  EXPECT_NE(result.standard_error.find("[row-leftover]\n56 Ba 1 5.2 xxxx"), std::string::npos);
  EXPECT_NE(result.standard_output.find("3 rows loaded; 0 errors, 1 warning"), std::string::npos)
      << result.standard_output;
}

struct Window {
  const char* name;
  std::string row;   // the third row of ionization.data
  std::string head;  // the finding's first line starts so
  char at_caret;     // the byte shown above the caret
  bool cut_before;   // the window starts with "..."
};

void PrintTo(const Window& window, std::ostream* out) { *out << window.name; }

class LongLineWindow : public testing::TestWithParam<Window> {};

// A finding in a long line shows a window of it, cut with "..." where the
// line goes on, and the caret stands under the column's byte.
TEST_P(LongLineWindow, KeepsTheCaretOnItsByte) {
  const Window& w = GetParam();
  ScratchDir dir;
  dir.write("vemo.freq", std::string(R) + M);
  dir.write("ionization.data", std::string(T) + w.row + "\n");
  const RunResult result = run_check(dir, {}, plain());
  const std::size_t at = result.standard_error.find(w.head);
  ASSERT_NE(at, std::string::npos) << result.standard_error;
  const std::size_t shown = result.standard_error.find('\n', at) + 1;
  const std::size_t caret = result.standard_error.find('\n', shown) + 1;
  const std::string window = result.standard_error.substr(shown, caret - 1 - shown);
  const std::string caret_line =
      result.standard_error.substr(caret, result.standard_error.find('\n', caret) - caret);
  EXPECT_EQ(window.substr(0, 3) == "...", w.cut_before) << window;
  EXPECT_EQ(window.substr(window.size() - 3), "...");
  EXPECT_LE(window.size(), 130u);
  ASSERT_EQ(caret_line.back(), '^');
  EXPECT_EQ(caret_line.find_first_not_of(' '), caret_line.size() - 1);
  EXPECT_EQ(window[caret_line.size() - 1], w.at_caret);
}

const std::string far(5000, ' ');

const Window windows[] = {
    {"FarIntoTheLine", "56 Ba 1 5.2" + far + "z" + far, "ionization.data:3:5012: warning: ", 'z',
     true},
    {"AtTheLineStart", "56 Ba x 5.2" + far, "ionization.data:3:7: ", 'x', false},
};

INSTANTIATE_TEST_SUITE_P(HostileLimits, LongLineWindow, testing::ValuesIn(windows),
                         [](const testing::TestParamInfo<Window>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
