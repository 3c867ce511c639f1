// findings_golden_test.cpp - the words of every finding, pinned in one file.
//
// tests/data/check/findings.golden holds what the checker says on each input
// of finding_cases.h: its exit status, standard error, and with -v its
// standard output. A change of wording is a change of that file, reviewed
// as one diff. After a deliberate change, regenerate it and read the diff:
//
//   FREQ2EQUAT_UPDATE_GOLDEN=1 build/release/tests/check_tests --gtest_filter='FindingsGolden.*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "check/finding_kinds.h"
#include "tests/check/finding_cases.h"
#include "tests/support/scratch_dir.h"

namespace {

const std::string golden_path = std::string(FREQ2EQUAT_TEST_DATA) + "/check/findings.golden";

std::string golden_text() {
  std::string text =
      "# What freq2equat-check says on the inputs of tests/check/finding_cases.h;\n"
      "# regenerate as tests/check/findings_golden_test.cpp says.\n";
  for (const finding_cases::Case& c : finding_cases::cases()) {
    const testing_support::RunResult result = finding_cases::run(c);
    text += "\n## " + std::string(c.name) + ": exit " + std::to_string(result.exit_status) + "\n";
    text += result.standard_error;
    if (std::find(c.arguments.begin(), c.arguments.end(), "-v") != c.arguments.end())
      text += "-- standard output\n" + result.standard_output;
  }
  return text;
}

// Every message, word for word, as the golden file has it.
TEST(FindingsGolden, MatchesTheGoldenFile) {
  const std::string text = golden_text();
  if (std::getenv("FREQ2EQUAT_UPDATE_GOLDEN") != nullptr) {
    testing_support::write_file(golden_path, text);
    GTEST_SKIP() << "written: " << golden_path;
  }
  const std::optional<std::string> golden = testing_support::read_file(golden_path);
  ASSERT_TRUE(golden.has_value()) << golden_path;
  EXPECT_EQ(text, *golden) << "regenerate as findings_golden_test.cpp says, then review the diff";
}

// A kind of finding that no case gives has words nobody reviewed, and a
// kind the man page does not list is one a user cannot look up.
TEST(FindingsGolden, EveryKindIsPinnedAndDocumented) {
  const std::optional<std::string> golden = testing_support::read_file(golden_path);
  const std::optional<std::string> man =
      testing_support::read_file(std::string(FREQ2EQUAT_SOURCE_DIR) + "/docs/freq2equat-check.1");
  ASSERT_TRUE(golden && man);
  for (const check::FindingKindInfo& kind : check::finding_kinds()) {
    const bool listing = kind.severity == check::Severity::listing;
    // A listing entry has no bracketed identifier: it is found by its words.
    if (!listing) {
      EXPECT_NE(golden->find("[" + std::string(kind.id) + "]\n"), std::string::npos) << kind.id;
    }
    EXPECT_NE(man->find("\\fB" + std::string(kind.id) + "\\fR"), std::string::npos) << kind.id;
  }
}

}  // namespace
