// The nuclear-properties reader over the whole shipped table and over rows
// that carry each of the published format's pitfalls.
#include "nuclides/nubase_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/scratch_dir.h"

namespace {

const std::string shipped = std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/nubase2020.mas20.txt";

class ShippedNubase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    table_ = new nuclides::NubaseTable;
    cli::Diagnostics findings;
    findings.capture_into(&findings_text_);
    std::string error;
    ASSERT_TRUE(table_->load(shipped, "nubase2020.mas20.txt", findings, error)) << error;
  }
  static void TearDownTestSuite() { delete table_; }
  static nuclides::NubaseTable* table_;
  static std::string findings_text_;
};
nuclides::NubaseTable* ShippedNubase::table_ = nullptr;
std::string ShippedNubase::findings_text_;

// A column off by one in any field shows first in these counts.
TEST_F(ShippedNubase, EveryRowIsReadWithoutAFinding) {
  EXPECT_EQ(findings_text_, "");
  EXPECT_EQ(table_->ground_states(), 3558u);
  EXPECT_EQ(table_->other_states(), 2285u);
  EXPECT_EQ(table_->non_existent_states(), 16u);
  EXPECT_EQ(table_->identity().edition, "Nubase2020");
  // sha256sum of the shipped file.
  EXPECT_EQ(table_->identity().checksum, "eb4e0661f24a");
  EXPECT_EQ(table_->identity().file_name, "nubase2020.mas20.txt");
}

TEST_F(ShippedNubase, IsomersHoldThePublishedExcitationEnergies) {
  struct Case {
    std::int32_t A;
    const char* element;
    char letter;
    double excitation, sigma;
    bool estimated, uncertain_order, reversed_order;
  };
  const Case cases[] = {
      {178, "Hf", 'n', 2446.09, 0.08, false, false, false},  // 178m2Hf
      {134, "Cs", 'm', 138.7441, 0.0026, false, false, false},
      {38, "K", 'm', 130.15, 0.04, false, false, false},   // one-letter element
      {214, "Ra", 'x', 6577.0, 1.8, false, false, false},  // a fourth isomer
      {45, "Cr", 'm', 107.0, 1.0, false, true, false},     // "*" in column 68
      {100, "Y", 'm', 144.0, 16.0, false, false, true},    // "&" in column 69
  };
  for (const Case& c : cases) {
    const nuclides::NuclearState* state = table_->find(c.A, c.element, c.letter);
    ASSERT_NE(state, nullptr) << c.A << c.element << c.letter;
    ASSERT_TRUE(state->excitation);
    EXPECT_EQ(state->excitation->value, c.excitation) << c.A << c.element;
    EXPECT_EQ(state->excitation->uncertainty, c.sigma) << c.A << c.element;
    EXPECT_EQ(state->excitation->estimated, c.estimated) << c.A << c.element;
    EXPECT_EQ(state->order_uncertain, c.uncertain_order) << c.A << c.element;
    EXPECT_EQ(state->order_reversed, c.reversed_order) << c.A << c.element;
  }
  const nuclides::NuclearState* refuted = table_->find(76, "Cu", 'm');
  ASSERT_NE(refuted, nullptr);
  EXPECT_TRUE(refuted->non_existent);
  EXPECT_FALSE(refuted->excitation);
  EXPECT_FALSE(refuted->mass_excess);
}

// The table's mass excess and excitation columns agree (within the largest
// of the three uncertainties) on every numeric isomer row but two, as the
// table itself stands; a column read from the wrong place breaks this.
TEST_F(ShippedNubase, MassExcessesAgreeWithGroundStatePlusExcitation) {
  int numeric = 0;
  std::vector<std::string> disagreeing;
  for (const auto& [key, state] : table_->states()) {
    if (!state.excitation) continue;
    const nuclides::NuclearState* ground = table_->find(state.A, state.element, ' ');
    ASSERT_NE(ground, nullptr);
    ++numeric;
    const double off =
        state.mass_excess->value - (ground->mass_excess->value + state.excitation->value);
    const double within =
        std::max({state.mass_excess->uncertainty, ground->mass_excess->uncertainty,
                  state.excitation->uncertainty});
    if (std::fabs(off) > within)
      disagreeing.push_back(std::to_string(state.A) + state.element + state.letter);
  }
  EXPECT_EQ(numeric, 2269);
  EXPECT_EQ(disagreeing, (std::vector<std::string>{"71Nim", "92Sem"}));
}

// A line with each text starting at its column (1 for the first byte).
std::string at(std::initializer_list<std::pair<std::size_t, std::string>> fields) {
  std::string line;
  for (const auto& [column, text] : fields) {
    line.resize(column - 1, ' ');
    line += text;
  }
  return line + "\n";
}

// Each row below carries one pitfall of the published format; the reader
// must keep the good ones with the right values and leave out the bad ones
// with a finding at their column.
TEST(NubaseRows, PitfallsAreReadOrReportedAtTheirColumn) {
  const std::string rows = "# Nubase2020 test rows\n" +
                           // A ragged ground state: the line ends after its mass uncertainty.
                           at({{1, "134 0550"}, {12, "134Cs"}, {19, "-86891.165"}, {32, "0.016"}}) +
                           // Estimates ("#"), and both ordering flags.
                           at({{1, "134 0551"},
                               {12, "134Csm"},
                               {19, "-86752#"},
                               {32, "200#"},
                               {43, "139#"},
                               {55, "200#"},
                               {68, "*&"}}) +
                           // A refuted state: no mass excess, "non-exist".
                           at({{1, "076 0291"}, {12, "76Cu m"}, {43, "non-exist"}, {66, "RN"}}) +
                           // A letter on a ground state.
                           at({{1, "077 0290"}, {12, "77Cu m"}, {19, "-73000"}, {32, "100"}}) +
                           // A mass excess that is no number.
                           at({{1, "078 0290"}, {12, "78Cu"}, {19, "-5x000"}, {32, "100"}}) +
                           // The first row again.
                           at({{1, "134 0550"}, {12, "134Cs"}, {19, "-86891.165"}, {32, "0.016"}}) +
                           // A tab shifts every column after it.
                           at({{1, "079 0290\t79Cu"}, {19, "-5000"}, {32, "100"}}) +
                           // An element that is none.
                           at({{1, "080 0290"}, {12, "80Qq"}, {19, "-5000"}, {32, "100"}});
  testing_support::ScratchDir dir;
  dir.write("rows.txt", rows);
  nuclides::NubaseTable table;
  cli::Diagnostics findings;
  std::string text;
  findings.capture_into(&text);
  std::string error;
  ASSERT_TRUE(table.load(dir.file("rows.txt"), "rows.txt", findings, error)) << error;
  EXPECT_EQ(table.ground_states(), 1u);
  EXPECT_EQ(table.other_states(), 2u);
  const nuclides::NuclearState* estimated = table.find(134, "Cs", 'm');
  ASSERT_NE(estimated, nullptr);
  EXPECT_TRUE(estimated->excitation->estimated);
  EXPECT_EQ(estimated->excitation->value, 139.0);
  EXPECT_TRUE(estimated->order_uncertain);
  EXPECT_TRUE(estimated->order_reversed);
  EXPECT_EQ(table.find(134, "Cs", ' ')->mass_excess->value, -86891.165);
  EXPECT_TRUE(table.find(76, "Cu", 'm')->non_existent);
  for (const char* place :
       {"rows.txt:5:17: warning", "rows.txt:6:19: warning", "rows.txt:7:12: warning",
        "rows.txt:8:9: warning", "rows.txt:9:12: warning"}) {
    EXPECT_NE(text.find(place), std::string::npos) << place << " in\n" << text;
  }
  EXPECT_EQ(findings.warnings(), 5);
}

}  // namespace
