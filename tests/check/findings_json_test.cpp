// findings_json_test.cpp - --json: every finding of the text report, with
// its identifier, place and numbers, the comparison rows and the summary,
// in the keys freq2equat-check(1) lists.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/check/finding_cases.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using nlohmann::json;
using testing_support::ScratchDir;

struct Written {
  testing_support::RunResult result;
  json document;
};

Written check_with_json(const ScratchDir& dir, std::vector<std::string> arguments = {}) {
  arguments.insert(arguments.begin(), {"--json", "found.json"});
  testing_support::RunOptions options;
  options.working_directory = dir.path();
  Written written{testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, arguments), {}};
  const std::optional<std::string> text = dir.read("found.json");
  if (text) written.document = json::parse(*text, nullptr, false);
  return written;
}

// Each finding case: the JSON holds the finding the text report places, at
// the same line and column, with the summary's counts; a remark is there
// without -v too, and no JSON value is NaN (which JSON cannot hold).
TEST(FindingsJson, EveryCaseHasItsFindingAtItsPlace) {
  for (const finding_cases::Case& c : finding_cases::cases()) {
    if (c.arguments == finding_cases::make_table || !c.environment.empty()) continue;
    ScratchDir dir;
    finding_cases::write_files(c, dir);
    const Written written = check_with_json(dir, c.arguments);
    ASSERT_TRUE(written.document.is_object()) << c.name;
    bool found = false;
    for (const json& finding : written.document["findings"]) {
      const std::string place =
          finding["file"].get<std::string>() + ":" + std::to_string(finding["line"].get<long>()) +
          (finding["column"].get<int>() == 0 ? std::string()
                                             : ":" + std::to_string(finding["column"].get<int>()));
      if (place == c.place && finding["id"] == c.id) found = true;
      EXPECT_FALSE(finding["message"].get<std::string>().empty()) << c.name;
    }
    EXPECT_TRUE(found) << c.name << "\n" << written.document.dump(2);
    const json& summary = written.document["summary"];
    EXPECT_EQ(summary["errors"].get<int>() + summary["warnings"].get<int>() > 0,
              written.result.exit_status == 1)
        << c.name;
  }
}

// The numbers behind a finding and a comparison row are numbers, not text:
// the worked example's reference lies 0.086 micro-u from the table.
TEST(FindingsJson, NumbersStayNumbers) {
  ScratchDir dir;
  dir.write("vemo.freq", finding_cases::R + finding_cases::M);
  dir.write("ionization.data", finding_cases::T);
  const Written written = check_with_json(dir);
  ASSERT_TRUE(written.document.is_object());
  const json& rows = written.document["comparison"];
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1]["nuclide"], "133Cs");
  EXPECT_TRUE(rows[1]["difference"].is_number());
  EXPECT_NEAR(rows[1]["this_work"].get<double>(), -94548.173901, 1e-6);
  EXPECT_TRUE(rows[0]["correction"].is_null()) << "a reference has no correction";
  EXPECT_EQ(written.document["summary"]["measurements"], 1);
  const json& finding = written.document["findings"][0];
  EXPECT_EQ(finding["id"], "reference-far-from-table");
  EXPECT_TRUE(finding["values"]["value"].is_number()) << finding.dump(2);
}

// The published mass table gives the CSV's numbers; the JSON names both
// tables by file, edition and checksum, and carries an isomer's E* from the
// ratios beside the table's.
TEST(FindingsJson, NamesItsTablesAndCarriesTheIsomers) {
  ScratchDir dir;
  dir.write("vemo.freq",
            " 133Cs     1    -94548.04200000     0.00800000\n"
            " 178Hf     1   1338875.80684367     0.00012000\n"
            " 178Hfn    1   1338895.57330260     0.00012000\n");
  dir.write("ionization.data", finding_cases::rows_2020 + "72 Hf 1 6.825\n");
  const json from_csv = check_with_json(dir).document;
  const json published = check_with_json(dir, {"--masses", std::string(FREQ2EQUAT_TEST_DATA) +
                                                               "/nuclides/ame2020-mass.mas20.txt"})
                             .document;
  ASSERT_TRUE(from_csv.is_object() && published.is_object());
  EXPECT_EQ(from_csv["comparison"], published["comparison"]);
  EXPECT_EQ(from_csv["isomers"], published["isomers"]);
  EXPECT_EQ(from_csv["tables"]["masses"]["file"], "mass-excess-2020.csv");
  EXPECT_EQ(published["tables"]["masses"]["file"], "ame2020-mass.mas20.txt");
  EXPECT_EQ(published["tables"]["masses"]["sha256"].get<std::string>().size(), 12u);
  EXPECT_EQ(published["tables"]["nubase"]["file"], "nubase2020.mas20.txt");
  const json& isomer = published["isomers"].at(0);
  EXPECT_EQ(isomer["nuclide"], "178Hfn");
  EXPECT_EQ(isomer["ground_state_line"], 2);
  EXPECT_NEAR(isomer["excitation"].get<double>(), 2447.09, 0.01);  // 1 keV above
  EXPECT_EQ(isomer["table"].get<double>(), 2446.09);
  EXPECT_EQ(isomer["table_estimated"], false);
}

// --json replaces the file it names (it is a report, made again on each
// run), but never an input.
TEST(FindingsJson, ReplacesItsFileButNoInput) {
  ScratchDir dir;
  dir.write("vemo.freq", finding_cases::R + finding_cases::M);
  dir.write("ionization.data", finding_cases::T);
  dir.write("found.json", "old");
  EXPECT_TRUE(check_with_json(dir, {"--no-masses"}).document.is_object());
  testing_support::RunOptions options;
  options.working_directory = dir.path();
  const auto refused =
      testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, {"--json", "vemo.freq"});
  EXPECT_EQ(refused.exit_status, 2);
  EXPECT_EQ(dir.read("vemo.freq"), finding_cases::R + finding_cases::M);
}

}  // namespace
