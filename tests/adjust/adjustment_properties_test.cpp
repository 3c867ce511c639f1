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
  bool estimated = false;
};

nuclides::MassTable table_of(const std::vector<TableRow>& rows, double uncertainty_scale = 1.0) {
  testing_support::ScratchDir dir;
  std::string csv =
      "Z,A,symbol,mass_excess_micro_u,uncertainty_micro_u,mass_excess_keV,uncertainty_keV,"
      "estimated\n";
  for (const TableRow& row : rows) {
    const adjust::Nuclide nuclide = *adjust::parse_nuclide(row.nuclide);
    char line[160];
    std::snprintf(line, sizeof line, "0,%d,%s,%.9f,%.9g,0,0,%s\n", nuclide.A,
                  nuclide.symbol.c_str(), row.mass_excess, row.uncertainty * uncertainty_scale,
                  row.estimated ? "yes" : "no");
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

// A reciprocal pair leaves no nuclide that is only a reference: the
// group is anchored by its references' table values, never left out.
TEST(AdjustmentProperties, GroupWithoutAReferenceOnlyNuclideIsAnchoredByItsReferences) {
  const double rb85 = -88210.26396, cs133 = -94548.042;
  const Adjustment a =
      adjusted({equation("85Rb", "133Cs", 0.639, rb85 - 0.639 * cs133, 0.01, cs133, 1),
                equation("133Cs", "85Rb", 1.565, 43501.0271, 0.01, rb85, 5)},
               table_of(rubidium_caesium));
  EXPECT_EQ(a.undetermined_count(), 0u);
  EXPECT_TRUE(nuclide(a, "85Rb").anchored);
  EXPECT_TRUE(nuclide(a, "133Cs").anchored);
  ASSERT_EQ(a.notes.size(), 1u);
  EXPECT_EQ(a.notes[0],
            "no nuclide of 85Rb, 133Cs appears only as a reference: anchored by its references' "
            "table values (85Rb, 133Cs)");
  EXPECT_TRUE(a.warnings.empty());
  EXPECT_TRUE(a.data[0].used && a.data[1].used);
}

// With no table value to anchor a group, it stays undetermined and says
// so: a warning, so the run cannot end as if every datum were used.
TEST(AdjustmentProperties, GroupNothingAnchorsIsUndeterminedAndWarnedAbout) {
  const Adjustment a = adjusted({equation("200Hg", "201Hg", 0.995, -100.0, 0.01, -20000.0, 1),
                                 equation("201Hg", "200Hg", 1.005, 100.0, 0.01, -20000.0, 5)},
                                table_of(rubidium_caesium));
  EXPECT_EQ(a.undetermined_count(), 2u);
  EXPECT_EQ(a.determined_count(), 0u);
  ASSERT_FALSE(a.warnings.empty());
  EXPECT_EQ(
      a.warnings.back(),
      "nothing was adjusted: no datum ties any nuclide of the equations to an absolute value");
}

// 85Rb - 85Rb * 1.000 = V is a test of V against 0: it names no unknown,
// adds a degree of freedom, and its "reference" never moved.
TEST(AdjustmentProperties, NullEquationIsATestWithoutAReferenceWarning) {
  std::vector<Equation> equations = chain_network();
  equations.push_back(equation("85Rb", "85Rb", 1.0, 0.25, 0.01, 12345.0, 21));
  const Adjustment a = adjusted(equations, table_of(rubidium_caesium));
  const Datum& null = a.data[5];
  EXPECT_TRUE(null.used);
  EXPECT_NEAR(null.normalized_residual, 25.0, 1e-9);
  EXPECT_EQ(null.significance, 0.0);
  EXPECT_EQ(a.degrees_of_freedom, 3);
  for (const std::string& warning : a.warnings)
    EXPECT_EQ(warning.find("the adjusted 85Rb"), std::string::npos) << warning;
}

// 12C is 0 exactly by the definition of the unit, whether measured,
// referenced or named: 12C6+ against 4He2+ improves 4He, and a datum on
// 12C alone is a test.
TEST(AdjustmentProperties, CarbonTwelveIsZeroExactlyAndImprovesWhatItIsMeasuredAgainst) {
  const std::vector<TableRow> table = {{"4He", 2603.25413, 0.00016}, {"12C", 0.0, 0.0}};
  const double he4 = 2603.25413, V = -7809.762390, U = 0.00001;
  for (const bool named : {false, true}) {
    AdjustSettings settings;
    if (named) settings.anchors = {*adjust::parse_nuclide("12C")};
    const Adjustment a = adjusted({equation("12C", "4He", 3.0, V, U, he4, 1),
                                   equation("12C", "12C", 1.0, 0.00002, 0.00001, 0.0, 5)},
                                  table_of(table), settings);
    EXPECT_EQ(nuclide(a, "12C").mass_excess, 0.0);
    EXPECT_EQ(nuclide(a, "12C").uncertainty, 0.0);
    EXPECT_TRUE(nuclide(a, "12C").fixed);
    // 4He from the equation (sigma U/3) and its anchor together.
    const double w_equation = 9.0 / (U * U), w_table = 1.0 / (0.00016 * 0.00016);
    EXPECT_NEAR(nuclide(a, "4He").uncertainty, std::sqrt(1.0 / (w_equation + w_table)), 1e-12);
    EXPECT_LT(nuclide(a, "4He").uncertainty, 0.00016);
    EXPECT_NEAR(nuclide(a, "4He").mass_excess,
                (w_equation * (-V / 3.0) + w_table * he4) / (w_equation + w_table), 1e-9);
    EXPECT_TRUE(a.data[1].used);
    EXPECT_NEAR(a.data[1].normalized_residual, 2.0, 1e-9);
    // Three data (two equations, the 4He anchor) on one unknown.
    EXPECT_EQ(a.degrees_of_freedom, 2);
  }
}

struct TinyUncertainty {
  double U;
  double table_uncertainty;
};

// Two equations 22C-23C of tiny U against the 23C anchor of a huge one:
// each datum has h = 1/2 and half the influence on 22C exactly. Computed
// from products of the covariance with the design matrix, they cancelled
// catastrophically (h = -1.395, 152.6 %).
TEST(AdjustmentProperties, SignificanceAndInfluenceHoldAcrossTwentyOrdersOfMagnitude) {
  for (const TinyUncertainty& c : {TinyUncertainty{1e-5, 1070.0}, TinyUncertainty{1e-15, 1070.0},
                                   TinyUncertainty{1e-5, 1e150}}) {
    SCOPED_TRACE(std::to_string(c.U) + " " + std::to_string(c.table_uncertainty));
    const std::vector<TableRow> carbon = {{"22C", 57553.990, 248.515},
                                          {"23C", 68890.0, c.table_uncertainty, true}};
    const double G = 0.957, V = 57553.990 - G * 68890.0;
    const Adjustment a = adjusted({equation("22C", "23C", G, V + 2.5 * c.U, c.U, 68890.0, 1),
                                   equation("22C", "23C", G, V - 2.5 * c.U, c.U, 68890.0, 5)},
                                  table_of(carbon));
    ASSERT_EQ(a.data.size(), 3u);
    for (std::size_t d = 0; d < 2; ++d) {
      EXPECT_NEAR(a.data[d].significance, 0.5, 1e-9);
      ASSERT_FALSE(a.data[d].influence.empty());
      for (const auto& [k, influence] : a.data[d].influence) {
        EXPECT_NEAR(influence, a.nuclides[k].nuclide.name() == "22C" ? 0.5 : 0.0, 1e-9);
      }
      // 5 U apart, where V can hold that difference: 2.5 U each side.
      if (c.U > 1e-9) {
        EXPECT_NEAR(std::fabs(a.data[d].standardized_residual), 2.5 * std::sqrt(2.0), 1e-6);
      }
    }
    EXPECT_NEAR(a.data[2].significance, 1.0, 1e-9);
    EXPECT_EQ(a.flagged_count(), c.U > 1e-9 ? 1u : 0u);
  }
  // At 1e300 the variance of 23C is past double precision: refused, not
  // shown as a number.
  Adjustment a;
  std::string error;
  EXPECT_FALSE(adjust::adjust_equations(
      {equation("22C", "23C", 0.957, -8373.74, 1e-5, 68890.0, 1)},
      table_of({{"22C", 57553.990, 248.515}, {"23C", 68890.0, 1e300, true}}), {}, a, error));
  EXPECT_EQ(error.rfind("the adjustment has no finite result", 0), 0u) << error;
}

// Random networks over a row of neighbours, with uncertainties spread over
// twelve orders of magnitude: the significances add up to the number of
// unknowns and each nuclide's influences to 1, as the hat matrix demands.
TEST(AdjustmentProperties, SumsHoldOnRandomNetworksWithUncertaintiesOverTwelveOrders) {
  std::mt19937 random(2026);
  std::uniform_real_distribution<double> exponent(-6.0, 6.0);
  std::uniform_int_distribution<int> pick(0, 9);
  for (int network = 0; network < 40; ++network) {
    std::vector<TableRow> rows;
    std::vector<std::string> names;
    for (int k = 0; k < 10; ++k) names.push_back(std::to_string(100 + k) + "Ru");
    for (int k = 0; k < 10; ++k) {
      rows.push_back({names[static_cast<std::size_t>(k)].c_str(), -80000.0 + 100.0 * k,
                      std::pow(10.0, exponent(random))});
    }
    std::vector<Equation> equations;
    for (int e = 0; e < 25; ++e) {
      int m = pick(random), r = pick(random);
      if (m == r) r = (r + 1) % 10;
      const double G = (100.0 + m) / (100.0 + r);
      equations.push_back(equation(names[static_cast<std::size_t>(m)].c_str(),
                                   names[static_cast<std::size_t>(r)].c_str(), G,
                                   -80000.0 + 100.0 * m - G * (-80000.0 + 100.0 * r),
                                   std::pow(10.0, exponent(random)), -80000.0 + 100.0 * r, e + 1));
    }
    AdjustSettings settings;
    settings.anchor_all = network % 2 == 0;
    const Adjustment a = adjusted(equations, table_of(rows), settings);
    double sum = 0.0;
    std::vector<double> sums(a.nuclides.size(), 0.0);
    for (const Datum& datum : a.data) {
      sum += datum.significance;
      for (const auto& [k, influence] : datum.influence) sums[k] += influence;
    }
    EXPECT_NEAR(sum, static_cast<double>(unknowns(a)), 1e-9) << network;
    for (std::size_t k = 0; k < sums.size(); ++k) {
      if (a.nuclides[k].determined) {
        EXPECT_NEAR(sums[k], 1.0, 1e-9) << network << " " << k;
      }
    }
  }
}

// Values from systematics are no measurement: --anchor all leaves them
// out and says so; named, one is anchored with a warning.
TEST(AdjustmentProperties, EstimatedTableValuesAreNoAnchorsUnlessNamed) {
  std::vector<TableRow> rows = rubidium_caesium;
  rows[3].estimated = true;  // 133Cs
  AdjustSettings all;
  all.anchor_all = true;
  const Adjustment a = adjusted(chain_network(), table_of(rows), all);
  EXPECT_FALSE(nuclide(a, "133Cs").anchored);
  EXPECT_TRUE(nuclide(a, "87Rb").anchored);
  ASSERT_EQ(a.notes.size(), 1u);
  EXPECT_NE(a.notes[0].find("estimated (from systematics, not measured): 133Cs;"),
            std::string::npos)
      << a.notes[0];
  AdjustSettings named;
  named.anchors = {*adjust::parse_nuclide("133Cs")};
  const Adjustment b = adjusted(chain_network(), table_of(rows), named);
  EXPECT_TRUE(nuclide(b, "133Cs").anchored);
  ASSERT_EQ(b.warnings.size(), 1u);
  EXPECT_NE(b.warnings[0].find("133Cs is anchored as asked"), std::string::npos);
}

// 28CO is 12C + 16O: a molecular reference anchors through its atoms, with
// 12C fixed and 16O at its table value.
TEST(AdjustmentProperties, MoleculeIsTheSumOfItsAtoms) {
  const std::vector<TableRow> table = {{"12C", 0.0, 0.0},
                                       {"13C", 3354.83534, 0.00025},
                                       {"16O", -5085.38074, 0.00032},
                                       {"17O", -867.86714, 0.00069},
                                       {"28Si", -23073.46558, 0.00055}};
  const double co = -5085.38074, G = 1.0, V = -23073.46558 - co;
  const Adjustment a = adjusted({equation("28Si", "28CO", G, V, 0.0001, co, 1)}, table_of(table));
  EXPECT_EQ(a.undetermined_count(), 0u);
  EXPECT_TRUE(nuclide(a, "16O").anchored);
  EXPECT_EQ(nuclide(a, "12C").mass_excess, 0.0);
  EXPECT_NEAR(nuclide(a, "28CO").mass_excess, co, 1e-9);
  EXPECT_NEAR(nuclide(a, "28CO").uncertainty, 0.00032, 1e-12);
  EXPECT_NEAR(nuclide(a, "28Si").mass_excess, co + V, 1e-9);
  EXPECT_NEAR(nuclide(a, "28Si").uncertainty, std::sqrt(0.00032 * 0.00032 + 0.0001 * 0.0001),
              1e-12);
  ASSERT_FALSE(a.notes.empty());
  EXPECT_EQ(a.notes[0].rfind("28CO is taken as 12C + 16O", 0), 0u) << a.notes[0];
  // Named, it anchors through its atoms too.
  AdjustSettings named;
  named.anchors = {*adjust::parse_nuclide("28CO")};
  const Adjustment b =
      adjusted({equation("28CO", "28Si", G, -V, 0.0001, -23073.46558, 1)}, table_of(table), named);
  EXPECT_TRUE(nuclide(b, "16O").anchored);
  EXPECT_EQ(b.undetermined_count(), 0u);
}

// Two equations of one link, each of independent part 1 and common component
// 0.8 (U = sqrt(1.64)): together sigma 1.068, and a difference of 1 between
// them chi2 0.50. Taken as independent: 0.906 and 0.30.
TEST(AdjustmentProperties, CommonComponentCorrelatesTheData) {
  const double rb85 = -88210.26396, U = std::sqrt(1.64);
  const std::vector<Equation> equations = {equation("133Cs", "85Rb", 1.565, 43501.0, U, rb85, 1),
                                           equation("133Cs", "85Rb", 1.565, 43502.0, U, rb85, 5)};
  std::vector<TableRow> exact = rubidium_caesium;
  exact[0].uncertainty = 0.0;  // 85Rb fixed: 133Cs is the link alone
  AdjustSettings settings;
  settings.data_covariances = {{0, 1, 0.8 * 0.8}};
  const Adjustment a = adjusted(equations, table_of(exact), settings);
  EXPECT_NEAR(nuclide(a, "133Cs").uncertainty, std::sqrt(1.14), 1e-12);  // 1.068
  EXPECT_NEAR(a.chi2, 0.5, 1e-12);
  EXPECT_NEAR(nuclide(a, "133Cs").mass_excess, 1.565 * rb85 + 43501.5, 1e-9);
  const Adjustment independent = adjusted(equations, table_of(exact));
  EXPECT_NEAR(nuclide(independent, "133Cs").uncertainty, std::sqrt(0.82), 1e-12);  // 0.906
  EXPECT_NEAR(independent.chi2, 1.0 / 3.28, 1e-12);                                // 0.30
  double sum = 0.0;
  for (const Datum& datum : a.data) sum += datum.significance;
  EXPECT_NEAR(sum, static_cast<double>(unknowns(a)), 1e-12);
}

// A component common to the equations of two nuclides against one
// reference cancels in their difference: 133Cs - 87Rb keeps only the
// independent parts (0.04 each), whatever the common one adds to each U.
TEST(AdjustmentProperties, CommonComponentCancelsInADifference) {
  const double rb85 = -88210.26396, independent = 0.04;
  for (const double common : {0.0, 0.03, 0.5}) {
    const double U = std::sqrt(independent * independent + common * common);
    const std::vector<Equation> equations = {
        equation("133Cs", "85Rb", 1.565, 43501.0271, U, rb85, 1),
        equation("87Rb", "85Rb", 1.024, -492.1577, U, rb85, 5)};
    AdjustSettings settings;
    settings.data_covariances = {{0, 1, common * common}};
    settings.differences = {{*adjust::parse_nuclide("133Cs"), *adjust::parse_nuclide("87Rb")}};
    const Adjustment a = adjusted(equations, table_of(rubidium_caesium), settings);
    ASSERT_EQ(a.differences.size(), 1u);
    const double expected =
        2.0 * independent * independent + (1.565 - 1.024) * (1.565 - 1.024) * 0.00537 * 0.00537;
    EXPECT_NEAR(a.differences[0].uncertainty, std::sqrt(expected), 1e-12) << common;
  }
}

}  // namespace

// More nuclides than any dense decomposition took: a chain of 3,300 links
// from one anchor, each link adding its variance, adjusted without the
// covariance matrix, whose differences come from the factor alone.
TEST(AdjustmentProperties, ChainOfThousandsOfNuclidesAdjustsWithoutTheCovarianceMatrix) {
  const char* symbols[] = {"Ne", "Na", "Mg", "Al", "Si", "P", "S", "Cl", "Ar", "K", "Ca"};
  std::vector<std::string> names;
  for (const char* symbol : symbols) {
    for (int A = 1; A <= 300; ++A) names.push_back(std::to_string(A) + symbol);
  }
  std::vector<TableRow> rows;
  for (std::size_t k = 0; k < names.size(); ++k)
    rows.push_back({names[k].c_str(), -1000.0 + static_cast<double>(k), 0.5});
  std::vector<Equation> equations;
  const double U = 0.01;
  for (std::size_t k = 1; k < names.size(); ++k) {
    equations.push_back(equation(names[k].c_str(), names[k - 1].c_str(), 1.0, 1.0, U,
                                 -1000.0 + static_cast<double>(k - 1),
                                 static_cast<std::int64_t>(k)));
  }
  AdjustSettings settings;
  settings.covariance_matrix = false;
  settings.differences = {{*adjust::parse_nuclide(names.back()), *adjust::parse_nuclide(names[0])}};
  const Adjustment a = adjusted(equations, table_of(rows), settings);
  ASSERT_EQ(a.determined_count(), names.size());
  EXPECT_EQ(a.covariance.size(), 0);
  const double links = static_cast<double>(names.size() - 1);
  const adjust::NuclideResult& last = nuclide(a, names.back().c_str());
  EXPECT_NEAR(last.mass_excess, -1000.0 + links, 1e-9);
  EXPECT_NEAR(last.uncertainty, std::sqrt(0.25 + links * U * U), 1e-12);
  ASSERT_EQ(a.differences.size(), 1u);
  EXPECT_NEAR(a.differences[0].uncertainty, std::sqrt(links) * U, 1e-12);
  double sum = 0.0;
  for (const Datum& datum : a.data) sum += datum.significance;
  EXPECT_NEAR(sum, static_cast<double>(names.size()), 1e-9);
}
