// The published fixed-column mass table: the 2020 file gives the CSV's
// values on every row, and the 2016 layout (one digit less in several
// columns) is read by the format its header states.
#include "nuclides/published_mass_table.h"

#include <gtest/gtest.h>

#include "cli/bounded_file.h"
#include "nuclides/mass_table.h"
#include "nuclides/table_identity.h"

namespace {

const std::string published =
    std::string(FREQ2EQUAT_TEST_DATA) + "/nuclides/ame2020-mass.mas20.txt";
const std::string csv = std::string(FREQ2EQUAT_SOURCE_DIR) + "/data/mass-excess-2020.csv";

std::string bytes_of(const std::string& path) {
  std::string bytes;
  std::string reason;
  EXPECT_TRUE(cli::read_bounded_file(path, std::size_t{16} << 20, bytes, reason)) << reason;
  return bytes;
}

// Equal as doubles, not within a tolerance: the micro-u mass excess is
// worked out on the atomic mass's decimal digits, so any rounding of a
// rounded value would show here.
TEST(PublishedMassTable, The2020FileGivesTheCsvValuesOnEveryRow) {
  const std::string bytes = bytes_of(published);
  ASSERT_TRUE(nuclides::is_published_mass_table(bytes));
  std::vector<nuclides::PublishedMass> rows;
  std::vector<nuclides::LeftOutRow> left_out;
  std::string edition;
  std::string error;
  ASSERT_TRUE(nuclides::read_published_mass_table(bytes, "ame2020-mass.mas20.txt", rows, left_out,
                                                  edition, error))
      << error;
  EXPECT_TRUE(left_out.empty());
  cli::Diagnostics findings;
  EXPECT_EQ(edition, "Ame2020");
  // sha256sum of the file.
  EXPECT_EQ(nuclides::sha256_prefix(bytes), "5ffac3813cb2");

  nuclides::MassTable table;
  ASSERT_TRUE(table.load(csv, "mass-excess-2020.csv", findings, error)) << error;
  ASSERT_EQ(rows.size(), 3558u);
  ASSERT_EQ(table.size(), rows.size());
  int estimated = 0;
  for (const nuclides::PublishedMass& row : rows) {
    const auto expected = table.find(row.A, row.element);
    ASSERT_TRUE(expected) << row.A << row.element;
    EXPECT_EQ(row.mass_excess, expected->mass_excess) << row.A << row.element;
    EXPECT_EQ(row.uncertainty, expected->uncertainty) << row.A << row.element;
    EXPECT_EQ(row.estimated, expected->estimated) << row.A << row.element;
    estimated += row.estimated;
  }
  EXPECT_GT(estimated, 1000);
  EXPECT_FALSE(nuclides::is_published_mass_table(bytes_of(csv)));
}

constexpr std::string_view header_2016 =
    "1    a0dsskgw                                 A T O M I C   M A S S   A D J U S T M E N T\n"
    "       \"The Ame2016 atomic mass evaluation (I)\"\n"
    "   format    :  "
    "a1,i3,i5,i5,i5,1x,a3,a4,1x,f13.5,f11.5,f11.3,f9.3,1x,a2,f11.3,f9.3,1x,i3,1x,f12.5,f11.5\n"
    "                cc NZ  N  Z  A    el  o     mass  unc binding unc      B  beta  unc    "
    "atomic_mass   unc\n"
    "\n"
    "N-Z    N    Z   A  EL    O     MASS EXCESS           BINDING ENERGY/A        BETA-DECAY "
    "ENERGY               ATOMIC MASS\n"
    "                                   (keV)                  (keV)                    (keV)  "
    "                      (micro-u)\n";

TEST(PublishedMassTable, The2016LayoutIsReadByItsOwnFormat) {
  const std::string bytes =
      std::string(header_2016) +
      "0  1    1    0    1 n          8071.31713    0.00046        0.0      0.0 B-    782.347    "
      "0.000   1 008664.91582    0.00049\n"
      "  24   79   55  134 Cs         -86891.152      0.016   8398.647    0.000 B-   2058.837    "
      "0.014 133   906718.475      0.017\n"
      "  -3    0    3    3 Li -pp         28667#      2000#     -2267#     667# B-          *     "
      "       3      030775#      2147#\n"
      // A mass that cannot be calculated, and a row whose N and Z miss its A
      // (the last line ends without a line feed, as the published file does).
      "  -3    0    3    3 Be -pp              *          *     -2267#     667# B-          *     "
      "       3            *          *\n"
      "   0    2    2    5 He         2424.91565    0.00015   7073.915    0.000 B- -22898.274  "
      "212.132   4 002603.25413    0.00016";
  ASSERT_TRUE(nuclides::is_published_mass_table(bytes));
  std::vector<nuclides::PublishedMass> rows;
  std::vector<nuclides::LeftOutRow> left_out;
  std::string edition;
  std::string error;
  ASSERT_TRUE(
      nuclides::read_published_mass_table(bytes, "mass16.txt", rows, left_out, edition, error))
      << error;
  EXPECT_EQ(edition, "Ame2016");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].mass_excess, 8664.91582);
  EXPECT_EQ(rows[0].uncertainty, 0.00049);
  EXPECT_EQ(rows[1].mass_excess, -93281.525);
  EXPECT_EQ(rows[1].kev, -86891.152);
  EXPECT_EQ(rows[2].mass_excess, 30775.0);
  EXPECT_TRUE(rows[2].estimated);
  EXPECT_FALSE(rows[1].estimated);
  ASSERT_EQ(left_out.size(), 2u);
  EXPECT_EQ(left_out[0].line, 11);
  EXPECT_EQ(left_out[0].column, 29);
  EXPECT_EQ(left_out[0].reason, "the mass is marked not calculable");
  EXPECT_EQ(left_out[1].line, 12);
  EXPECT_EQ(left_out[1].column, 5);
  EXPECT_EQ(left_out[1].reason, "N and Z do not add up to the mass number 5");
}

TEST(PublishedMassTable, AHeaderWithoutAFormatOrTitlesIsRefused) {
  const struct {
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"just some text\n", "states no row format"},
      {"   format    :  a1,i3,i5\n", "is not the mass table's"},
      {"   format    :  "
       "a1,i3,i5,i5,i5,1x,a3,a4,1x,f13.5,f11.5,f11.3,f9.3,1x,a2,f11.3,f9.3,1x,i3,1x,f12.5,f11.5\n",
       "no column titles"},
  };
  for (const auto& c : cases) {
    std::vector<nuclides::PublishedMass> rows;
    std::vector<nuclides::LeftOutRow> left_out;
    std::string edition;
    std::string error;
    EXPECT_FALSE(
        nuclides::read_published_mass_table(c.bytes, "t.txt", rows, left_out, edition, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace

namespace {

// Both programs load their table through MassTable, which tells the
// published file from the CSV by its header: the same values either way,
// each named by its own edition and checksum.
TEST(PublishedMassTable, MassTableLoadsEitherFormatAlike) {
  nuclides::MassTable from_csv;
  nuclides::MassTable from_published;
  cli::Diagnostics findings;
  std::string error;
  ASSERT_TRUE(from_csv.load(csv, "csv", findings, error)) << error;
  ASSERT_TRUE(from_published.load(published, "published", findings, error)) << error;
  EXPECT_EQ(findings.warnings(), 0);
  EXPECT_EQ(from_published.size(), from_csv.size());
  const auto cs = from_published.find(134, "Cs");
  ASSERT_TRUE(cs);
  EXPECT_EQ(cs->mass_excess, from_csv.find(134, "Cs")->mass_excess);
  EXPECT_EQ(from_published.kev_per_micro_u(), from_csv.kev_per_micro_u());
  // The table's factor, 931494.10242 keV/u, to the digits of its largest
  // measured row (1e-8); an estimate's six digits would miss it by 2e-6.
  EXPECT_NEAR(*from_csv.kev_per_micro_u(), 0.93149410242, 1.0e-8);
  EXPECT_EQ(from_published.identity().described(),
            "ame2020-mass.mas20.txt (Ame2020, sha256 5ffac3813cb2)");
  EXPECT_EQ(from_csv.identity().described(),
            "mass-excess-2020.csv (Atomic mass excesses from the 2020 atomic mass table, sha256 "
            "d2eaffe45cf4)");
}

}  // namespace
