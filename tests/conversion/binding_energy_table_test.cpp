// binding_energy_table_test.cpp - loading "ionization.data" and looking up
// the two ions of a measurement.
#include "conversion/binding_energy_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "recordio/units.h"
#include "tests/support/scratch_dir.h"

namespace {

using conversion::BindingEnergyTable;
using conversion::normalised_symbol;
using conversion::Symbol;

Symbol sym(const char (&text)[5]) { return {text[0], text[1], text[2], text[3]}; }

double micro_u(double ev) { return ev * 0.001 / 0.9314940038; }

TEST(SymbolNormalisation, IsomerMarkersDropped) {
  struct Case {
    const char* given;
    const char* expected;
  };
  for (const Case& c : {Case{"Rbm ", "Rb  "}, Case{"Inx ", "In  "}, Case{"Hxm ", "H   "},
                        Case{"Cm  ", "Cm  "}, Case{"Hm  ", "Hm  "}, Case{"Rbn ", "Rb  "},
                        Case{"Agmx", "Agx "}, Case{"NEW ", "NEW "}, Case{"Xxxx", "Xx  "}}) {
    Symbol given{c.given[0], c.given[1], c.given[2], c.given[3]};
    Symbol expected{c.expected[0], c.expected[1], c.expected[2], c.expected[3]};
    EXPECT_EQ(normalised_symbol(given), expected) << c.given;
  }
}

class TableLoading : public ::testing::Test {
 protected:
  BindingEnergyTable load(const std::string& bytes) {
    dir_.write("ionization.data", bytes);
    testing_support::WorkingDirectory cwd(dir_.path());
    recordio::StatementRequest open;
    open.unit = 10;
    open.file_name = "ionization.data";
    open.status_keyword = "old";
    EXPECT_EQ(recordio::open_unit(open), recordio::Outcome::success);
    BindingEnergyTable table;
    table.load(10);
    recordio::StatementRequest close;
    close.unit = 10;
    recordio::close_unit(close);
    return table;
  }
  testing_support::ScratchDir dir_;
};

TEST_F(TableLoading, ChargeStatesAndLastMatchWins) {
  const auto table = load("37 Rb 1 4.177\n37 Rb 2 31.47\n55 Cs 1 3.894\n55 Cs 1 3.9\n");
  ASSERT_EQ(table.size(), 4);
  auto e = table.look_up(sym("Rb  "), 1, sym("Cs  "), 1);
  EXPECT_EQ(e.reference, micro_u(4.177));
  EXPECT_EQ(e.measured, micro_u(3.9)) << "the later of two matching rows";
  e = table.look_up(sym("Rb  "), 2, sym("Rb  "), 3);
  EXPECT_EQ(e.reference, micro_u(31.47));
  EXPECT_EQ(e.measured, 0.0);
  e = table.look_up(sym("Rbm "), 1, sym("rb  "), 1);
  EXPECT_EQ(e.reference, micro_u(4.177)) << "Rbm finds Rb";
  EXPECT_EQ(e.measured, 0.0) << "case is significant";
}

// A table row spelled with the isomer letter can never be found: the ion's
// symbol is normalised before the comparison, the row's is not.
TEST_F(TableLoading, RowWithIsomerSymbolIsNeverFound) {
  const auto table = load("37 Rbm 1 4.177\n");
  EXPECT_EQ(table.look_up(sym("Rbm "), 1, sym("Rb  "), 1).reference, 0.0);
}

TEST_F(TableLoading, RowShapes) {
  struct Case {
    const char* name;
    std::string bytes;
    int size;
    double cs_energy;  // eV, 0 when not found
  };
  const Case cases[] = {
      {"row over two lines", "55 Cs\n1 3.894\n", 1, 3.894},
      {"fifth value dropped", "55 Cs 1 3.894 99\n37 Rb 1 4.177\n", 2, 3.894},
      {"quoted and commas", "55,'Cs',1,3.894\n", 1, 3.894},
      {"empty table", "", 0, 0.0},
      {"last row without line feed", "37 Rb 1 4.177\n55 Cs 1 3.894", 2, 3.894},
      {"short last row not counted", "55 Cs 1 3.894\n37 Rb 1\n", 1, 3.894},
      // The bad row keeps its index, and the next row starts on the next line.
      {"bad row keeps its place", "55 Cs 1.5 3.894\n55 Cs 1 3.8\n", 2, 3.8},
      {"zero energy", "55 Cs 1 0\n", 1, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto table = load(c.bytes);
    EXPECT_EQ(table.size(), c.size);
    EXPECT_EQ(table.look_up(sym("Cs  "), 1, sym("Cs  "), 1).reference,
              c.cs_energy == 0.0 ? 0.0 : micro_u(c.cs_energy));
  }
}

TEST_F(TableLoading, BadRowKeepsWhatWasRead) {
  const auto table = load("55 Cs 1.5 3.894\n");
  ASSERT_EQ(table.size(), 1);
  EXPECT_EQ(table.row(1).table_number, 55);
  EXPECT_EQ(table.row(1).table_symbol, sym("Cs  "));
  EXPECT_EQ(table.row(1).table_charge, 0);
  EXPECT_EQ(table.row(1).table_energy, 0.0);
}

TEST_F(TableLoading, OnlyTheFirst450RowsAreRead) {
  std::string bytes;
  for (int i = 1; i <= 460; ++i) bytes += std::to_string(i) + " X " + std::to_string(i) + " 1.0\n";
  const auto table = load(bytes);
  EXPECT_EQ(table.size(), 450);
  EXPECT_EQ(table.row(450).table_charge, 450);
  EXPECT_EQ(table.look_up(sym("X   "), 451, sym("X   "), 450).reference, 0.0);
}

// The lookup must give exactly what a scan of every row in file order, the
// last match winning, gives: checked against that scan on random tables
// dense with duplicate keys, isomer symbols and zero energies.
TEST_F(TableLoading, LookupEqualsTheLastMatchOfAScan) {
  std::mt19937 random(7);
  const char* symbols[] = {"Rb", "Cs", "Rbm", "H", "Hxm", "K", "'C s'", "'O''B'", "Az", "x"};
  for (int round = 0; round < 20; ++round) {
    std::string bytes;
    const int rows = static_cast<int>(random() % 460);
    for (int i = 0; i < rows; ++i) {
      bytes += std::to_string(i) + " " + symbols[random() % 10] + " " +
               std::to_string(random() % 4) + " " + std::to_string(random() % 3) + "." +
               std::to_string(random() % 1000) + "\n";
    }
    const auto table = load(bytes);
    const Symbol ions[] = {sym("Rb  "), sym("Cs  "), sym("Rbm "), sym("H   "), sym("Hxm "),
                           sym("K   "), sym("C s "), sym("O'B "), sym("Xe  "), sym("Axmz"),
                           sym("xxx "), sym("Hxn "), sym("Azx ")};
    for (const Symbol& reference : ions) {
      for (const Symbol& measured : ions) {
        const std::int32_t qr = static_cast<std::int32_t>(random() % 4);
        const std::int32_t qm = static_cast<std::int32_t>(random() % 4);
        double scan_ref = 0.0, scan_meas = 0.0;
        for (int i = 1; i <= table.size(); ++i) {
          const auto& row = table.row(i);
          if (row.table_symbol == normalised_symbol(reference) && row.table_charge == qr)
            scan_ref = row.table_energy;
          if (row.table_symbol == normalised_symbol(measured) && row.table_charge == qm)
            scan_meas = row.table_energy;
        }
        const auto found = table.look_up(reference, qr, measured, qm);
        ASSERT_EQ(found.reference, scan_ref);
        ASSERT_EQ(found.measured, scan_meas);
      }
    }
  }
}

}  // namespace
