// adjustment_properties_test.cpp - what every least-squares adjustment must
// satisfy, checked on small networks of equations built in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "adjust/adjustment.h"
#include "nuclides/mass_table.h"
#include "tests/support/scratch_dir.h"

namespace {

using adjust::Adjustment;
using adjust::AdjustSettings;
using adjust::Datum;
using adjust::Equation;

struct TableRow {
  const char* nuclide;
  double mass_excess;
  double uncertainty;
};

nuclides::MassTable table_of(const std::vector<TableRow>& rows, double uncertainty_scale = 1.0) {
  testing_support::ScratchDir dir;
  std::string csv =
      "Z,A,symbol,mass_excess_micro_u,uncertainty_micro_u,mass_excess_keV,uncertainty_keV,"
      "estimated\n";
  for (const TableRow& row : rows) {
    const adjust::Nuclide nuclide = *adjust::parse_nuclide(row.nuclide);
    char line[160];
    std::snprintf(line, sizeof line, "0,%d,%s,%.9f,%.9f,0,0,no\n", nuclide.A,
                  nuclide.symbol.c_str(), row.mass_excess, row.uncertainty * uncertainty_scale);
    csv += line;
  }
  dir.write("masses.csv", csv);
  nuclides::MassTable table;
  std::string error;
  cli::Diagnostics findings;
  EXPECT_TRUE(table.load(dir.file("masses.csv"), "masses.csv", findings, error)) << error;
  EXPECT_EQ(findings.warnings(), 0);
  return table;
}

// ME(measured) - G ME(reference) = V (U), converted with the reference at
// `reference_used`.
Equation equation(const char* measured, const char* reference, double G, double V, double U,
                  double reference_used, std::int64_t line = 1) {
  Equation e;
  e.file = "test.equat";
  e.line = line;
  e.measured = *adjust::parse_nuclide(measured);
  e.reference = *adjust::parse_nuclide(reference);
  e.G = G;
  e.V = V;
  e.U = U;
  e.reference_used = reference_used;
  e.mass_excess_measured = G * reference_used + V;
  return e;
}

const std::vector<TableRow> rubidium_caesium = {{"85Rb", -88210.26396, 0.00537},
                                                {"87Rb", -90819.471, 0.006},
                                                {"88Sr", -94387.747, 0.006},
                                                {"133Cs", -94548.042, 0.008}};

// The links of scenario A: two of 133Cs on 85Rb, a chain through 87Rb, 88Sr once.
std::vector<Equation> chain_network() {
  const double rb85 = -88210.26396;
  return {equation("133Cs", "85Rb", 1.565, 43501.02710, 0.010, rb85, 1),
          equation("87Rb", "85Rb", 1.024, -492.15770, 0.008, rb85, 5),
          equation("133Cs", "87Rb", 1.529, 44314.91916, 0.012, -90819.471, 9),
          equation("133Cs", "85Rb", 1.565, 43501.01710, 0.015, rb85, 13),
          equation("88Sr", "85Rb", 1.035, -3090.12380, 0.020, rb85, 17)};
}

Adjustment adjusted(const std::vector<Equation>& equations, const nuclides::MassTable& table,
                    const AdjustSettings& settings = {}) {
  Adjustment result;
  std::string error;
  EXPECT_TRUE(adjust::adjust_equations(equations, table, settings, result, error)) << error;
  return result;
}

const adjust::NuclideResult& nuclide(const Adjustment& a, const char* name) {
  for (const auto& n : a.nuclides) {
    if (n.nuclide.name() == name) return n;
  }
  ADD_FAILURE() << name << " is not among the nuclides";
  return a.nuclides.front();
}

std::size_t unknowns(const Adjustment& a) {
  return static_cast<std::size_t>(std::count_if(a.nuclides.begin(), a.nuclides.end(),
                                                [](const auto& n) { return n.determined; }));
}

// A fault in the covariance or in the weights shows at once here: h sums
// to the number of unknowns only for the true hat matrix.
TEST(AdjustmentProperties, SignificancesAddUpToTheNumberOfUnknowns) {
  for (const bool anchor_all : {false, true}) {
    AdjustSettings settings;
    settings.anchor_all = anchor_all;
    const Adjustment a = adjusted(chain_network(), table_of(rubidium_caesium), settings);
    double sum = 0.0;
    for (const Datum& datum : a.data) sum += datum.significance;
    EXPECT_NEAR(sum, static_cast<double>(unknowns(a)), 1e-9) << "anchor all: " << anchor_all;
    EXPECT_EQ(a.degrees_of_freedom, static_cast<int>(a.data.size() - unknowns(a)));
  }
}

// Influence taken from the wrong row or column of C K^T W no longer sums
// to 1 over the data of a nuclide.
TEST(AdjustmentProperties, EachNuclidesInfluencesAddUpToOne) {
  AdjustSettings settings;
  settings.anchors = {*adjust::parse_nuclide("133Cs")};
  const Adjustment a = adjusted(chain_network(), table_of(rubidium_caesium), settings);
  std::vector<double> sums(a.nuclides.size(), 0.0);
  for (const Datum& datum : a.data) {
    for (const auto& [k, influence] : datum.influence) sums[k] += influence;
  }
  for (std::size_t k = 0; k < sums.size(); ++k) {
    EXPECT_NEAR(sums[k], 1.0, 1e-9) << a.nuclides[k].nuclide.name();
  }
}

TEST(AdjustmentProperties, TwoEquationsOnOneLinkGiveTheirWeightedMean) {
  const double rb85 = -88210.26396;
  const double V1 = 43501.02710, U1 = 0.010, V2 = 43501.01710, U2 = 0.015;
  const Adjustment a = adjusted({equation("133Cs", "85Rb", 1.565, V1, U1, rb85, 1),
                                 equation("133Cs", "85Rb", 1.565, V2, U2, rb85, 5)},
                                table_of(rubidium_caesium));
  const double w1 = 1.0 / (U1 * U1), w2 = 1.0 / (U2 * U2);
  const double mean = (w1 * V1 + w2 * V2) / (w1 + w2);
  EXPECT_NEAR(nuclide(a, "133Cs").mass_excess, 1.565 * rb85 + mean, 1e-9);
  EXPECT_NEAR(nuclide(a, "133Cs").uncertainty,
              std::sqrt(1.565 * 1.565 * 0.00537 * 0.00537 + 1.0 / (w1 + w2)), 1e-12);
  EXPECT_NEAR(a.chi2, (V1 - V2) * (V1 - V2) / (U1 * U1 + U2 * U2), 1e-9);
  EXPECT_EQ(a.degrees_of_freedom, 1);
}

// Rows and unknowns are put in order by the program; a result that hung on
// the order of the input would differ here beyond rounding.
TEST(AdjustmentProperties, OrderOfTheEquationsDoesNotMatter) {
  const nuclides::MassTable table = table_of(rubidium_caesium);
  const Adjustment first = adjusted(chain_network(), table);
  std::vector<Equation> shuffled = chain_network();
  std::mt19937 random(22);
  for (int round = 0; round < 5; ++round) {
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    const Adjustment again = adjusted(shuffled, table);
    EXPECT_NEAR(again.chi2, first.chi2, 1e-9);
    ASSERT_EQ(again.nuclides.size(), first.nuclides.size());
    for (std::size_t k = 0; k < first.nuclides.size(); ++k) {
      EXPECT_NEAR(again.nuclides[k].mass_excess, first.nuclides[k].mass_excess, 1e-9);
      EXPECT_NEAR(again.nuclides[k].uncertainty, first.nuclides[k].uncertainty, 1e-12);
    }
  }
}

TEST(AdjustmentProperties, ScalingEveryUncertaintyKeepsTheValuesAndScalesChi2) {
  const double c = 3.0;
  std::vector<Equation> scaled = chain_network();
  for (Equation& e : scaled) e.U *= c;
  const Adjustment plain = adjusted(chain_network(), table_of(rubidium_caesium));
  const Adjustment wide = adjusted(scaled, table_of(rubidium_caesium, c));
  EXPECT_NEAR(wide.chi2, plain.chi2 / (c * c), 1e-9);
  for (std::size_t k = 0; k < plain.nuclides.size(); ++k) {
    EXPECT_NEAR(wide.nuclides[k].mass_excess, plain.nuclides[k].mass_excess, 1e-9);
    EXPECT_NEAR(wide.nuclides[k].uncertainty, c * plain.nuclides[k].uncertainty, 1e-12);
  }
}

// Nothing ties 200Hg and 201Hg to an absolute value: guessing one would
// give numbers that mean nothing.
TEST(AdjustmentProperties, UndeterminedComponentIsListedNotSolved) {
  std::vector<Equation> equations = chain_network();
  equations.push_back(equation("200Hg", "201Hg", 0.995, -100.0, 0.01, -20000.0, 21));
  const Adjustment a = adjusted(equations, table_of(rubidium_caesium));
  EXPECT_FALSE(nuclide(a, "200Hg").determined);
  EXPECT_FALSE(nuclide(a, "201Hg").determined);
  EXPECT_TRUE(nuclide(a, "133Cs").determined);
  EXPECT_FALSE(a.data[5].used);
  EXPECT_EQ(a.degrees_of_freedom, 2);  // as without the loose equation
  EXPECT_NEAR(nuclide(a, "133Cs").mass_excess, -94548.040663, 1e-6);
}

TEST(AdjustmentProperties, AnchorOfUncertaintyZeroFixesItsNuclide) {
  const std::vector<TableRow> carbon = {{"12C", 0.0, 0.0}, {"13C", 3354.83534, 0.00025}};
  AdjustSettings settings;
  settings.anchors = {*adjust::parse_nuclide("13C")};
  const Adjustment a = adjusted({equation("13C", "12C", 1.083, 3354.83634, 0.00325, 0.0, 1),
                                 equation("13C", "12C", 1.083, 3354.83434, 0.00325, 0.0, 5)},
                                table_of(carbon), settings);
  EXPECT_EQ(nuclide(a, "12C").mass_excess, 0.0);
  EXPECT_EQ(nuclide(a, "12C").uncertainty, 0.0);
  EXPECT_TRUE(nuclide(a, "12C").fixed);
  // 13C: the weighted mean of the two equations and its own table value.
  const double w_equations = 2.0 / (0.00325 * 0.00325), w_table = 1.0 / (0.00025 * 0.00025);
  EXPECT_NEAR(nuclide(a, "13C").mass_excess, 3354.83534, 1e-9);
  EXPECT_NEAR(nuclide(a, "13C").uncertainty, std::sqrt(1.0 / (w_equations + w_table)), 1e-12);
  EXPECT_EQ(a.degrees_of_freedom, 2);
}

// --reject drops the worst datum first and stops once none exceeds the
// threshold; dropping a good one instead would leave chi2 high.
TEST(AdjustmentProperties, RejectDropsTheWorstDatumOnly) {
  const double rb85 = -88210.26396;
  std::vector<Equation> equations = {equation("133Cs", "85Rb", 1.565, 43501.0271, 0.01, rb85, 1),
                                     equation("133Cs", "85Rb", 1.565, 43501.0272, 0.01, rb85, 5),
                                     equation("133Cs", "85Rb", 1.565, 43501.0269, 0.01, rb85, 9),
                                     equation("133Cs", "85Rb", 1.565, 43501.5000, 0.01, rb85, 13)};
  const Adjustment flagged = adjusted(equations, table_of(rubidium_caesium));
  EXPECT_TRUE(flagged.data[3].flagged);
  EXPECT_EQ(flagged.flagged_count(), 1u);
  AdjustSettings settings;
  settings.reject = true;
  const Adjustment cleaned = adjusted(equations, table_of(rubidium_caesium), settings);
  ASSERT_EQ(cleaned.rejected, std::vector<std::size_t>{3});
  EXPECT_TRUE(cleaned.data[3].rejected);
  EXPECT_EQ(cleaned.flagged_count(), 0u);
  EXPECT_EQ(cleaned.degrees_of_freedom, 2);
  EXPECT_NEAR(nuclide(cleaned, "133Cs").mass_excess,
              1.565 * rb85 + (43501.0271 + 43501.0272 + 43501.0269) / 3.0, 1e-9);
}

// The reference moved from the value its conversion used by far more than
// U allows for the linear form: the user must convert again.
TEST(AdjustmentProperties, LinearFormWarningWhenAReferenceMoves) {
  const double rb85 = -88210.26396;
  // Converted with 85Rb 100 micro-u off its table value: V is off by up to
  // 0.15 micro-u against a U of 0.01.
  const Adjustment a =
      adjusted({equation("133Cs", "85Rb", 1.565, 43501.0271, 0.01, rb85 + 100.0, 1)},
               table_of(rubidium_caesium));
  ASSERT_EQ(a.warnings.size(), 1u);
  EXPECT_NE(
      a.warnings[0].find("test.equat:1: 133Cs-85Rb: the adjusted 85Rb is -100.000000 micro-u"),
      std::string::npos)
      << a.warnings[0];
  const Adjustment quiet =
      adjusted({equation("133Cs", "85Rb", 1.565, 43501.0271, 0.01, rb85 + 0.5, 1)},
               table_of(rubidium_caesium));
  EXPECT_TRUE(quiet.warnings.empty());
}

TEST(AdjustmentProperties, AnchorThatNoEquationNamesIsRefused) {
  AdjustSettings settings;
  settings.anchors = {*adjust::parse_nuclide("90Zr")};
  Adjustment result;
  std::string error;
  EXPECT_FALSE(adjust::adjust_equations(chain_network(), table_of(rubidium_caesium), settings,
                                        result, error));
  EXPECT_EQ(error, "--anchor 90Zr: no equation names it");
}

}  // namespace
