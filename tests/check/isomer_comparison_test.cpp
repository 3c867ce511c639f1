// Isomers beside the table's excitation energies: E* from the two ratios
// when the ground state is in the same block and charge state, over the
// table's ground state otherwise, and the finding beyond 3 sigma.
#include "check/isomer_comparison.h"

#include <gtest/gtest.h>

#include <cmath>

#include "conversion/constants.h"

namespace {

const std::string shipped = std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/nubase2020.mas20.txt";

// 178Hf and 178Hfn (178m2Hf, 2446.09 keV) as singly charged ions over a
// 133Cs+ reference, with ratios of 1e-9 relative uncertainty.
constexpr double ground_excess = -56291.5;  // micro-u, about the table's
constexpr double reference_ion = 133.0e6 - 94564.5 - conversion::electron_mass;

check::StateLine hafnium(std::int64_t line, int block, std::int32_t charge, char letter,
                         double excitation_kev) {
  check::StateLine s;
  s.line = line;
  s.block = block;
  s.A = 178;
  s.charge = charge;
  s.state = {"Hf", letter};
  s.nuclide = letter == ' ' ? "178Hf" : "178Hfn";
  s.value = ground_excess + excitation_kev / conversion::kev_per_micro_u;
  s.sigma_over_ground = 1.5;
  s.ground = nuclides::TableMass{ground_excess, 1.5, false};
  const double ion = 178.0e6 + s.value - charge * conversion::electron_mass;
  s.ratio = (ion / charge) / reference_ion;
  s.ratio_sigma = *s.ratio * 1.0e-9;
  return s;
}

class IsomerComparison : public ::testing::Test {
 protected:
  void SetUp() override {
    cli::Diagnostics findings;
    std::string error;
    ASSERT_TRUE(table_.load(shipped, "nubase2020.mas20.txt", findings, error)) << error;
  }
  nuclides::NubaseTable table_;
};

TEST_F(IsomerComparison, TheGroundStateOfTheSameBlockAndChargeGivesEStarFromTheRatios) {
  const struct {
    const char* what;
    std::vector<check::StateLine> lines;
    std::int64_t ground_line;  // 0: over the table's ground state
  } cases[] = {
      {"same block and charge", {hafnium(3, 1, 1, ' ', 0.0), hafnium(4, 1, 1, 'n', 2446.09)}, 3},
      {"the nearer of two",
       {hafnium(3, 1, 1, ' ', 0.0), hafnium(9, 1, 1, 'n', 2446.09), hafnium(10, 1, 1, ' ', 0.0)},
       10},
      {"another block", {hafnium(3, 1, 1, ' ', 0.0), hafnium(8, 2, 1, 'n', 2446.09)}, 0},
      {"another charge", {hafnium(3, 1, 2, ' ', 0.0), hafnium(4, 1, 1, 'n', 2446.09)}, 0},
  };
  for (const auto& c : cases) {
    const std::vector<check::IsomerComparison> compared = check::compare_isomers(c.lines, &table_);
    ASSERT_EQ(compared.size(), 1u) << c.what;
    const check::IsomerComparison& e = compared.front();
    EXPECT_EQ(e.ground_line, c.ground_line) << c.what;
    ASSERT_TRUE(e.table) << c.what;
    EXPECT_EQ(e.table->value, 2446.09);
    EXPECT_EQ(e.table->uncertainty, 0.08);
    EXPECT_NEAR(e.measured.value, 2446.09, 1.0e-6) << c.what;
    if (c.ground_line != 0) {
      // Two ratios of 1e-9 each over the ion's 178 u: the reference, the
      // electrons and the table's 1.5 micro-u do not enter.
      const double expected = std::sqrt(2.0) * 1.0e-9 * 178.0e6 * conversion::kev_per_micro_u;
      EXPECT_NEAR(e.measured.uncertainty, expected, 1.0e-3 * expected) << c.what;
    } else {
      EXPECT_NEAR(e.measured.uncertainty, 1.5 * conversion::kev_per_micro_u, 1.0e-12) << c.what;
    }
    EXPECT_FALSE(check::isomer_finding(e, "nubase2020.mas20.txt", {})) << c.what;
  }
}

TEST_F(IsomerComparison, FarFromTheTableIsAWarningAndFromSystematicsANote) {
  const std::vector<check::StateLine> far = {hafnium(3, 1, 1, ' ', 0.0),
                                             hafnium(4, 1, 1, 'n', 2447.09)};
  const auto compared = check::compare_isomers(far, &table_);
  ASSERT_EQ(compared.size(), 1u);
  const auto finding = check::isomer_finding(compared.front(), "nubase2020.mas20.txt", {});
  ASSERT_TRUE(finding);
  EXPECT_EQ(finding->kind, check::FindingKind::isomer_excitation_far);
  EXPECT_NE(check::message_of(*finding).find("line 3"), std::string::npos)
      << check::message_of(*finding);

  check::IsomerComparison estimated = compared.front();
  estimated.table->estimated = true;
  estimated.order_uncertain = true;
  const auto note = check::isomer_finding(estimated, "nubase2020.mas20.txt", {});
  ASSERT_TRUE(note);
  EXPECT_EQ(note->kind, check::FindingKind::isomer_excitation_systematics);
  EXPECT_NE(check::message_of(*note).find("order of ground state and isomer uncertain"),
            std::string::npos);
}

TEST_F(IsomerComparison, AStateTheTableRefutesIsNotCompared) {
  check::StateLine copper = hafnium(4, 1, 1, 'm', 100.0);
  copper.A = 76;
  copper.state = {"Cu", 'm'};
  copper.nuclide = "76Cum";
  const auto compared = check::compare_isomers({copper}, &table_);
  ASSERT_EQ(compared.size(), 1u);
  EXPECT_FALSE(compared.front().table);
  EXPECT_EQ(compared.front().not_compared, "\"non-exist\" in the table");
  EXPECT_EQ(check::compare_isomers({copper}, nullptr).front().not_compared,
            "no table of excitation energies");
}

}  // namespace
