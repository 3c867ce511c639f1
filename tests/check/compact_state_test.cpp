// What the checker keeps of a file's lines until its end, in the compact
// form that lets it read a million lines in bounded memory: the comparison
// entries (their numbers and a shared record per nuclide), the uncertainty
// outliers judged block by block, and the listing's number texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "check/compared.h"
#include "check/measurement_uncertainty_rules.h"
#include "cli/number_text.h"
#include "recordio/current_record.h"
#include "recordio/output_fields.h"

namespace {

const std::string shipped = std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/mass-excess-2020.csv";

check::Compared entry(std::int64_t line, std::int32_t A, double value) {
  check::Compared c;
  c.line = line;
  c.block = 1;
  c.A = A;
  c.charge = 1;
  c.value = value;
  c.sigma = 0.01;
  return c;
}

// The nuclide's table value is looked up once and shared: a later line of
// the same nuclide whose value is not finite must still say so, and an
// earlier one's table value must not be lost to it.
TEST(ComparedRows, NuclideSharedButFinitenessPerLine) {
  nuclides::MassTable masses;
  std::string error;
  ASSERT_TRUE(masses.load(shipped, error)) << error;
  check::ComparedRows rows;
  const conversion::Symbol cs = {'C', 's', ' ', ' '};
  const conversion::Symbol csm = {'C', 's', 'm', ' '};
  rows.add(entry(2, 133, NAN), cs, masses);
  rows.add(entry(3, 133, -94548.0), cs, masses);
  rows.add(entry(4, 134, -86800.0), csm, masses);
  ASSERT_EQ(rows.size(), 3u);
  const check::Compared nan = rows.at(0);
  EXPECT_FALSE(nan.table);
  EXPECT_EQ(nan.not_compared, "no finite value");
  const check::Compared caesium = rows.at(1);
  ASSERT_TRUE(caesium.table);
  EXPECT_EQ(caesium.nuclide, "133Cs");
  EXPECT_NEAR(caesium.table->mass_excess, -94548.042, 0.01);
  EXPECT_EQ(caesium.line, 3);
  const check::Compared isomer = rows.at(2);
  EXPECT_EQ(isomer.compared_with, "ground state 134Cs");
  EXPECT_EQ(isomer.kind, nuclides::SymbolKind::isomer);
}

// A block too small for a median waits for the whole file while the blocks
// after it are judged as they end: the findings still come in the order of
// their lines, each showing its own line.
TEST(RelativeUncertainties, OutliersInTheOrderOfTheirLines) {
  check::RelativeUncertainties rules;
  const std::string records[] = {"line 2", "line 3", "line 5", "line 6", "line 7", "line 8"};
  const auto add = [&](int block, const std::string& reference, std::int64_t line, double relative,
                       const std::string& record) {
    rules.add(block, reference, 1, 1.0e6, relative * 1.0e6, {"vemo.freq", line, record}, 34);
  };
  // Block 1 (two lines, 500x apart from the other blocks against 85Rb),
  // block 2 with an outlier of its own, block 3 the same reference.
  add(1, "85Rb", 2, 5.0e-7, records[0]);
  add(1, "85Rb", 3, 5.0e-7, records[1]);
  add(2, "85Rb", 5, 1.0e-9, records[2]);
  add(2, "85Rb", 6, 1.0e-9, records[3]);
  add(2, "85Rb", 7, 1.0e-9, records[4]);
  add(2, "85Rb", 8, 1.0e-6, records[5]);
  add(3, "85Rb", 10, 1.0e-9, "line 10");
  add(3, "85Rb", 11, 1.0e-9, "line 11");
  add(3, "85Rb", 12, 1.0e-9, "line 12");
  const check::Findings found = rules.outliers("vemo.freq");
  ASSERT_EQ(found.size(), 3u);
  const std::int64_t lines[] = {2, 3, 8};
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].line, lines[i]);
    EXPECT_EQ(found[i].source, "line " + std::to_string(lines[i]));
  }
  EXPECT_EQ(found[0].number("scope"), 1);  // the reference's median
  EXPECT_EQ(found[2].number("scope"), 0);  // its block's
}

// The listing's numbers take a narrow field first: every value, the ones
// too wide for it too, must come out as the widest field shows it.
TEST(NumberText, FixedAsTheWidestFieldShowsIt) {
  const double values[] = {-94548.173901, 0.5,    -0.0,    5.0e-7,  1.0e15,   9.99999999e21,
                           1.0e22,        1.0e25, -1.0e33, 1.0e300, INFINITY, NAN};
  for (const double value : values) {
    for (const int decimals : {0, 2, 6, 8, 16}) {
      recordio::CurrentRecord field;
      recordio::DigitString digits;
      ASSERT_TRUE(recordio::edit_real(field, value, 340, decimals, digits));
      std::string wide(field.view());
      wide.erase(0, wide.find_first_not_of(' '));
      EXPECT_EQ(cli::fixed(value, decimals), wide) << value << " " << decimals;
    }
  }
}

}  // namespace
