// undetermined_group_test.cpp - the groups freq2equat-check says the
// adjustment leaves undetermined are the ones freq2equat-adjust leaves
// undetermined on the converter's output of the same file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/check/finding_cases.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using nlohmann::json;
using testing_support::RunOptions;
using testing_support::ScratchDir;

json json_written(const ScratchDir& dir, const std::string& program,
                  std::vector<std::string> arguments, const std::string& name) {
  RunOptions options;
  options.working_directory = dir.path();
  testing_support::run_program(program, options, arguments);
  return json::parse(dir.read(name).value_or("null"), nullptr, false);
}

// The nuclides of every undetermined-group finding.
std::set<std::string> named_by_the_checker(const json& document) {
  std::set<std::string> names;
  for (const json& finding : document["findings"]) {
    if (finding["id"] != "undetermined-group") continue;
    const std::string list = finding["values"]["nuclides"].get<std::string>();
    for (std::size_t at = 0; at <= list.size();) {
      const std::size_t comma = std::min(list.find(", ", at), list.size());
      names.insert(list.substr(at, comma - at));
      at = comma + 2;
    }
  }
  return names;
}

std::set<std::string> left_out_by_the_adjustment(const json& document) {
  std::set<std::string> names;
  for (const json& name : document["undetermined"]) names.insert(name.get<std::string>());
  return names;
}

TEST(UndeterminedGroup, TheCheckerNamesWhatTheAdjustmentLeavesOut) {
  using finding_cases::Cs133;
  using finding_cases::Rb85;
  const std::string header = finding_cases::mass_header;
  const std::string both_ways = finding_cases::reciprocal_rb85_cs133;
  const struct {
    const char* name;
    std::string freq;
    std::string masses;
    std::set<std::string> undetermined;
  } cases[] = {
      // Each also measured, neither with a measured table value.
      {"ReciprocalPairOfEstimatedValues",
       both_ways,
       header + "37,85,Rb,-88210.26,0.005,,,yes\n55,133,Cs,-94548.04,0.008,,,yes\n",
       {"85Rb", "133Cs"}},
      // A measured table value of a reference anchors the loop.
      {"ReciprocalPairOfMeasuredValues",
       both_ways,
       header + "37,85,Rb,-88210.26,0.005,,,no\n55,133,Cs,-94548.04,0.008,,,yes\n",
       {}},
      // A reference that only references anchors even at an estimated value.
      {"EstimatedReferenceOnly",
       Rb85 + Cs133,
       header + "37,85,Rb,-88210.26,0.005,,,yes\n55,133,Cs,-94548.04,0.008,,,yes\n",
       {}},
      // The reference line's own mass excess anchors nothing.
      {"ReferenceTheTableLacks",
       Rb85 + Cs133,
       header + finding_cases::caesium_row,
       {"85Rb", "133Cs"}},
      // A molecule whose atoms the table lacks is a nuclide of its own.
      {"MoleculeWhoseAtomsTheTableLacks",
       finding_cases::Si28 + finding_cases::CO28,
       header + "6,12,C,0,0,,,no\n",
       {"28CO", "28Si"}},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("vemo.freq", c.freq);
    dir.write("ionization.data", finding_cases::rows_2020);
    dir.write("m.csv", c.masses);
    const json checked = json_written(dir, FREQ2EQUAT_CHECK_PROGRAM,
                                      {"--masses", "m.csv", "--json", "c.json"}, "c.json");
    RunOptions options;
    options.working_directory = dir.path();
    ASSERT_EQ(testing_support::run_program(FREQ2EQUAT_PROGRAM, options).exit_status, 0) << c.name;
    const json adjusted =
        json_written(dir, FREQ2EQUAT_ADJUST_PROGRAM,
                     {"--masses", "m.csv", "--json", "a.json", "vemo.equat"}, "a.json");
    ASSERT_TRUE(checked.is_object() && adjusted.is_object()) << c.name;
    EXPECT_EQ(left_out_by_the_adjustment(adjusted), c.undetermined) << c.name;
    EXPECT_EQ(named_by_the_checker(checked), c.undetermined) << c.name;
  }
}

}  // namespace
