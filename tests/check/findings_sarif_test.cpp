// findings_sarif_test.cpp - --sarif: a log that validates against the SARIF
// 2.1.0 schema, each finding at its line, column and byte, fingerprints that
// survive lines added above, and fixes that mend what they say.
//
// tests/data/sarif-schema-2.1.0.json is the schema of the OASIS SARIF
// technical committee (sarif-2.1/schema/sarif-schema-2.1.0.json, errata 01),
// unmodified but for five descriptions that name the format's standard in other
// words; Debian's python3-jsonschema validates it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/check/finding_cases.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"

namespace {

using nlohmann::json;
using testing_support::ScratchDir;

json check_with_sarif(const ScratchDir& dir, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"--sarif", "found.sarif"});
  testing_support::RunOptions options;
  options.working_directory = dir.path();
  testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, arguments);
  const std::optional<std::string> text = dir.read("found.sarif");
  return text ? json::parse(*text, nullptr, false) : json();
}

// The result of rule `id` on `line`, or null.
json result_on(const json& log, const std::string& id, long line) {
  for (const json& result : log["runs"][0]["results"]) {
    if (result["ruleId"] == id &&
        result["locations"][0]["physicalLocation"]["region"]["startLine"] == line)
      return result;
  }
  return {};
}

// "vemo.freq:2:7" -> 2.
long line_of(const std::string& place) {
  const std::size_t colon = place.find(':');
  return std::stol(place.substr(colon + 1));
}

bool all_valid(const std::vector<std::string>& logs) {
  std::vector<std::string> arguments = {
      "-c",
      "import json, sys, jsonschema\n"
      "schema = json.load(open(sys.argv[1]))\n"
      "for name in sys.argv[2:]:\n"
      "    jsonschema.validate(json.load(open(name)), schema)\n",
      std::string(FREQ2EQUAT_TEST_DATA) + "/sarif-schema-2.1.0.json"};
  arguments.insert(arguments.end(), logs.begin(), logs.end());
  const auto run = testing_support::run_program("/usr/bin/python3", {}, arguments);
  EXPECT_EQ(run.exit_status, 0) << run.standard_error;
  return run.exit_status == 0;
}

// Every finding case: its finding is a result at its line, the log
// validates, and a fix, applied as a code-scanning service applies it,
// makes the finding go away on a second check.
TEST(FindingsSarif, EveryCaseValidatesAndItsFixMends) {
  ScratchDir logs_dir;
  std::vector<std::string> logs;
  int fixed = 0;
  for (const finding_cases::Case& c : finding_cases::cases()) {
    if (c.arguments == finding_cases::make_table || !c.environment.empty()) continue;
    ScratchDir dir;
    finding_cases::write_files(c, dir);
    const json log = check_with_sarif(dir, c.arguments);
    ASSERT_TRUE(log.is_object()) << c.name;
    logs_dir.write(std::string(c.name) + ".sarif", *dir.read("found.sarif"));
    logs.push_back(logs_dir.file(std::string(c.name) + ".sarif"));
    const json result = result_on(log, c.id, line_of(c.place));
    ASSERT_TRUE(result.is_object()) << c.name << "\n" << log["runs"][0]["results"].dump(2);
    EXPECT_FALSE(result["partialFingerprints"].empty()) << c.name;
    if (!result.contains("fixes")) continue;
    const json& change = result["fixes"][0]["artifactChanges"][0];
    const std::string file = change["artifactLocation"]["uri"];
    std::string bytes = *dir.read(file);
    const json& replacement = change["replacements"][0];
    bytes.replace(replacement["deletedRegion"]["byteOffset"].get<std::size_t>(),
                  replacement["deletedRegion"]["byteLength"].get<std::size_t>(),
                  replacement["insertedContent"]["text"].get<std::string>());
    dir.write(file, bytes);
    EXPECT_TRUE(result_on(check_with_sarif(dir, c.arguments), c.id, line_of(c.place)).is_null())
        << c.name << ": the fix does not mend\n"
        << bytes;
    ++fixed;
  }
  EXPECT_GE(fixed, 5) << "the cases of a tab, a BOM, a comma, NEW and a symbol carry fixes";
  all_valid(logs);
}

// The byte a finding points at, where column and byte part: after a tab,
// at a CR (which has no column), and past the end of an unended last line.
TEST(FindingsSarif, BytesWhereColumnsAndBytesPart) {
  const std::string R = finding_cases::R;
  const std::string M = finding_cases::M;
  const struct {
    const char* name;
    std::string freq;
    std::string id;
    long line;
    std::size_t byte;
    int column;  // in characters, a tab as one
  } cases[] = {
      {"TheTab", R + " 133Cs\t    1   1565221.53684744     0.00012000\n", "tab-moves-fields", 2,
       R.size() + 6, 7},
      {"ALoneCr", "  85Rb     1    -88210.35000000\r     0.00500000\n" + M, "lone-cr", 1, 31, 32},
      {"CrLineEnds", R + finding_cases::unended(M) + "\r" + finding_cases::unended(M) + "\r",
       "cr-line-ends", 2, R.size() + M.size() - 1, static_cast<int>(M.size())},
      {"UnendedLastLine", R + M + finding_cases::unended(M), "last-line-no-end", 3,
       R.size() + 2 * M.size() - 1, static_cast<int>(M.size())},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("vemo.freq", c.freq);
    dir.write("ionization.data", finding_cases::T);
    const json result = result_on(check_with_sarif(dir, {"--no-masses"}), c.id, c.line);
    ASSERT_TRUE(result.is_object()) << c.name;
    const json& region = result["locations"][0]["physicalLocation"]["region"];
    EXPECT_EQ(region["byteOffset"].get<std::size_t>(), c.byte) << c.name;
    EXPECT_EQ(region["startColumn"].get<int>(), c.column) << c.name;
  }
}

// Columns count characters, as the log declares (unicodeCodePoints), where
// a character is several bytes: a row of a table read whole with a
// two-byte letter before the field (in its Z, which the table does not
// read), and a byte-order mark, three bytes and one character, which the
// fix deletes.
TEST(FindingsSarif, ColumnsCountCharactersNotBytes) {
  const struct {
    const char* name;
    std::string table;
    std::string masses;
    std::string id;
    long line;
    int start;
    int end;  // of the fix's deleted region; 0: no fix
  } cases[] = {
      {"LetterBeforeTheField", finding_cases::T,
       std::string(finding_cases::mass_header) + "\xC3\xA9,133,Cs,1,-1,,,no\n" +
           finding_cases::caesium_row,
       "mass-table-row", 2, 12, 0},
      {"ByteOrderMark", "\xEF\xBB\xBF" + finding_cases::T, {}, "byte-order-mark", 1, 1, 2},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("vemo.freq", finding_cases::R + finding_cases::M);
    dir.write("ionization.data", c.table);
    std::vector<std::string> arguments = {"--no-masses"};
    if (!c.masses.empty()) {
      dir.write("m.csv", c.masses);
      arguments = {"--masses", "m.csv"};
    }
    const json result = result_on(check_with_sarif(dir, arguments), c.id, c.line);
    ASSERT_TRUE(result.is_object()) << c.name;
    EXPECT_EQ(result["locations"][0]["physicalLocation"]["region"]["startColumn"], c.start)
        << c.name;
    if (c.end == 0) continue;
    const json& deleted =
        result["fixes"][0]["artifactChanges"][0]["replacements"][0]["deletedRegion"];
    EXPECT_EQ(deleted["startColumn"], c.start) << c.name;
    EXPECT_EQ(deleted["endColumn"], c.end) << c.name;
  }
}

// A fingerprint is made of the line's content, not its number: a block
// added above leaves it as it was.
TEST(FindingsSarif, FingerprintSurvivesLinesAddedAbove) {
  const std::string tabbed = " 133Cs\t    1   1565221.53684744     0.00012000\n";
  std::string prints[2];
  for (int added = 0; added < 2; ++added) {
    ScratchDir dir;
    const std::string block = finding_cases::R + finding_cases::M + "    NEW\n";
    dir.write("vemo.freq", (added ? block : "") + finding_cases::R + tabbed);
    dir.write("ionization.data", finding_cases::T);
    const json result =
        result_on(check_with_sarif(dir, {"--no-masses"}), "tab-moves-fields", added ? 5 : 2);
    ASSERT_TRUE(result.is_object());
    prints[added] = result["partialFingerprints"].dump();
  }
  EXPECT_EQ(prints[0], prints[1]);
}

}  // namespace
