// Isomer names between the programs' symbols and the table's rows, the
// spelling hint for the other common ways of writing them, and the
// excitation energy from two ratios.
#include "nuclides/isomer_names.h"

#include <gtest/gtest.h>

#include <cmath>

#include "conversion/binding_energy_table.h"
#include "conversion/constants.h"
#include "nuclides/excitation_energy.h"
#include "nuclides/nubase_table.h"
#include "nuclides/state_mass.h"

namespace {

TEST(IsomerNames, MistypedIsomersGetTheConventionalSpelling) {
  const struct {
    const char* written;
    const char* hint;  // empty: no hint
  } cases[] = {
      {"38Km", "38Kxm"},
      {"38mK", "38Kxm"},
      {"134mCs", "134Csm"},
      {"Cs134m", "134Csm"},
      {"178m2Hf", "178Hfn"},
      {"178Hfm2", "178Hfn"},
      {"178m1Hf", "178Hfm"},
      {"Hf-178m2", "178Hfn"},
      {"134Cs-m", "134Csm"},
      {"1Hm", "1Hxm"},  // conventional already, or no isomer:
      {"38Kxm", ""},
      {"134Csm", ""},
      {"178Hfn", ""},
      {"244Cm", ""},
      {"150Sm", ""},
      {"134Cs", ""},
      {"178m3Hf", ""},
      {"38Qm", ""},
      {"m", ""},
      {"", ""},
      {"0134mCs", ""},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> hint = nuclides::conventional_spelling(c.written);
    EXPECT_EQ(hint.value_or(""), c.hint) << c.written;
  }
}

// Every isomer of the shipped table with a letter the converter drops gets
// a symbol that names it back and that the converter's own lookup turns
// into the ground state's element: the two sides cannot drift apart.
TEST(IsomerNames, TableRowsAndSymbolsMapBothWays) {
  nuclides::NubaseTable table;
  cli::Diagnostics findings;
  std::string error;
  ASSERT_TRUE(table.load(std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/nubase2020.mas20.txt",
                         "nubase", findings, error));
  const struct {
    std::int32_t A;
    const char* element;
    char letter;
    const char* symbol;
  } cases[] = {{38, "K", 'm', "Kxm"}, {134, "Cs", 'm', "Csm"}, {178, "Hf", 'n', "Hfn"},
               {98, "Y", 'x', "Yxx"}, {174, "Lu", 'x', "Lux"}, {1, "H", ' ', "H"},
               {178, "Hf", 'p', ""}};
  for (const auto& c : cases) {
    ASSERT_NE(table.find(c.A, c.element, c.letter), nullptr) << c.A << c.element << c.letter;
    const std::string symbol = nuclides::symbol_of_state({c.element, c.letter});
    EXPECT_EQ(symbol, c.symbol);
    if (symbol.empty()) continue;
    const std::optional<nuclides::StateName> back = nuclides::state_of_symbol(symbol);
    ASSERT_TRUE(back) << symbol;
    EXPECT_EQ(back->element, c.element);
    EXPECT_EQ(back->letter, c.letter);
    conversion::Symbol field = {' ', ' ', ' ', ' '};
    std::copy(symbol.begin(), symbol.end(), field.begin());
    const conversion::Symbol looked_up = conversion::normalised_symbol(field);
    EXPECT_EQ(std::string(looked_up.data(), std::string_view(c.element).size()), c.element);
  }
  // Not the convention: the converter's lookup would keep these whole.
  for (const char* symbol : {"Km", "Cs m", "Hfp", "Qq", "Kx"}) {
    EXPECT_FALSE(nuclides::state_of_symbol(symbol)) << symbol;
  }
}

// 134Cs m against 134Cs in one charge state: R - 1 = 1.112330e-6 for the
// table's 138.7441 keV. The ground state's ion mass is built here
// independently: A u plus the table's mass excess, less one electron, plus
// the first ionisation energy of Cs (3.893905695 eV).
TEST(ExcitationFromRatios, TheCaesiumIsomerFromItsRatio) {
  const double ground_ion = 134.0e6 - 93281.499 - conversion::electron_mass +
                            3.893905695e-3 / conversion::kev_per_micro_u;
  const double ground_ratio = 0.99876543210;  // any reference
  const double isomer_ratio = ground_ratio * (1.0 + 1.112330e-6);
  const nuclides::Excitation e =
      nuclides::excitation_from_ratios(isomer_ratio, 1.0e-11, ground_ratio, 1.0e-11, ground_ion);
  // 1.112330e-6 is given to 7 digits: half a unit of its last is 6e-5 keV.
  EXPECT_NEAR(e.value, 138.7441, 1.0e-4);
  // Two independent 1e-11 uncertainties on ratios near 1, over the ion's
  // mass: sqrt(2) x 1e-11 x m c^2.
  EXPECT_NEAR(e.uncertainty,
              std::sqrt(2.0) * 1.0e-11 / ground_ratio * ground_ion * conversion::kev_per_micro_u,
              1.0e-9);
}

}  // namespace

namespace {

// An isomer's table value is its ground state's plus E*: for 134Csm it
// must land on the isomer's own mass excess in the nuclear-properties
// table (-86752.421(16) keV), which the mass table does not hold.
TEST(StateTableMass, AnIsomerIsItsGroundStatePlusTheExcitationEnergy) {
  nuclides::MassTable masses;
  nuclides::NubaseTable properties;
  cli::Diagnostics findings;
  std::string error;
  ASSERT_TRUE(masses.load(std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/mass-excess-2020.csv", "csv",
                          findings, error));
  ASSERT_TRUE(properties.load(std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/nubase2020.mas20.txt",
                              "nubase2020.mas20.txt", findings, error));
  std::string why_not;
  const auto isomer = nuclides::state_table_mass(masses, &properties, 134, {"Cs", 'm'}, why_not);
  ASSERT_TRUE(isomer) << why_not;
  const double kev = *masses.kev_per_micro_u();
  EXPECT_NEAR(isomer->mass_excess * kev, -86752.421, 0.016);
  EXPECT_NEAR(isomer->uncertainty, std::hypot(0.017, 0.0026 / kev), 1.0e-12);
  EXPECT_FALSE(isomer->estimated);

  const auto ground = nuclides::state_table_mass(masses, &properties, 134, {"Cs", ' '}, why_not);
  ASSERT_TRUE(ground);
  EXPECT_EQ(ground->mass_excess, -93281.499);

  const struct {
    std::int32_t A;
    nuclides::StateName state;
    const nuclides::NubaseTable* table;
    const char* why_not;
  } missing[] = {
      {76,
       {"Cu", 'm'},
       &properties,
       "76Cum does not exist by nubase2020.mas20.txt (\"non-exist\")"},
      {134, {"Cs", 'n'}, &properties, "134Csn is not in nubase2020.mas20.txt"},
      {134, {"Cs", 'm'}, nullptr, "no table of excitation energies for 134Csm"},
      {400, {"Cs", 'm'}, &properties, "400Cs is not in the mass table"},
  };
  for (const auto& m : missing) {
    EXPECT_FALSE(nuclides::state_table_mass(masses, m.table, m.A, m.state, why_not));
    EXPECT_EQ(why_not, m.why_not);
  }
}

}  // namespace
