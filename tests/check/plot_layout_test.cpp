// plot_layout_test.cpp - the checker's picture laid out at every size and
// many counts of measurements: no text over another or off its page, every
// page within its shape, every point drawn; and the names of nuclides as a
// reader writes them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "check/comparison_plot.h"
#include "plot/nuclide_label.h"
#include "plot/render.h"
#include "tests/support/layout_overlaps.h"

namespace {

const char* const elements[] = {"Cs", "Rb", "Ca", "K", "Md", "Sn", "In", "Mg", "Hf", "Xe"};

// `count` measurements of every kind the picture draws apart: close to the
// table and far from it, beside narrow, wide and estimated bands, off the
// scale, a null equation, a molecule, one not compared, and references.
std::vector<check::Compared> measurements(int count) {
  std::vector<check::Compared> out;
  for (int i = 0; i < count; ++i) {
    check::Compared c;
    c.line = i + 2;
    c.block = i / 10 + 1;
    c.A = 20 + (i * 7) % 240;
    c.charge = 1 + i % 3;
    c.nuclide = std::to_string(c.A) + elements[i % 10];
    c.value = 100.0 + 0.01 * ((i * 13) % 7 - 3);
    c.sigma = 0.01 + 0.002 * (i % 5);
    c.table = nuclides::TableMass{100.0, i % 11 == 0 ? 320.0 : 0.005 * (i % 4), i % 13 == 4};
    if (i % 17 == 3) c.value = 100.0 + 3.0e4;  // far and off the scale
    if (i % 29 == 7) {
      c.nuclide = "28CO";
      c.A = 28;
      c.kind = nuclides::SymbolKind::molecule;
      c.compared_with = "12C+16O";
    }
    if (i % 10 == 0) c.reference = true;
    if (i == 1) c.nuclide = out.front().nuclide, c.A = out.front().A;  // a null equation
    if (i % 31 == 9) c.table.reset(), c.not_compared = "not a known nuclide";
    out.push_back(c);
  }
  return out;
}

struct IsomerInput {
  std::vector<check::StateLine> lines;
  std::vector<check::IsomerComparison> compared;
};

IsomerInput isomers(int count) {
  IsomerInput in;
  for (int i = 0; i < count / 8; ++i) {
    check::StateLine line;
    line.A = 100 + i;
    line.charge = 1;
    line.nuclide = std::to_string(line.A) + (i % 2 == 0 ? "Csm" : "Hfn");
    in.lines.push_back(line);
    check::IsomerComparison e;
    e.from = in.lines.size() - 1;
    e.nuclide = line.nuclide;
    e.measured = {138.75 + 0.01 * (i % 5), 0.03};
    e.table = nuclides::TableEnergy{138.7441, 0.0026, i % 3 == 2};
    in.compared.push_back(e);
  }
  return in;
}

struct Case {
  int count;
  plot::Size size;
  bool sigma;
};

class ComparisonLayout : public testing::TestWithParam<Case> {};

TEST_P(ComparisonLayout, NoTextOverAnotherOrOffItsPageAndEveryPointDrawn) {
  const Case c = GetParam();
  const std::vector<check::Compared> compared = measurements(c.count);
  const IsomerInput isomer = isomers(c.count);
  check::ComparisonPlotSettings settings;
  settings.title = "vemo.freq - AME2020";
  settings.size = c.size;
  settings.in_sigma = c.sigma;
  settings.isomers = &isomer.compared;
  settings.state_lines = &isomer.lines;
  const plot::Figure figure = check::comparison_figure(compared, settings);
  const plot::Layout layout = plot::layout_of(figure);
  EXPECT_EQ(testing_support::layout_fault(layout), "");

  const auto [points, drawn] = testing_support::points_and_drawn(figure, layout);
  EXPECT_EQ(drawn, points);
  if (c.size == plot::Size::slide) {
    for (const plot::Page& page : layout.pages) EXPECT_EQ(page.height, 540.0);
  }
}

std::vector<Case> cases() {
  std::vector<Case> all;
  for (const int count : {1, 15, 60, 250, 2000}) {
    for (const plot::Size size : {plot::Size::column, plot::Size::page, plot::Size::slide})
      all.push_back({count, size, count == 60});
  }
  return all;
}

std::string case_name(const testing::TestParamInfo<Case>& info) {
  static const char* const sizes[] = {"Column", "Page", "Slide"};
  return "Of" + std::to_string(info.param.count) + sizes[static_cast<int>(info.param.size)] +
         (info.param.sigma ? "Sigma" : "");
}

INSTANTIATE_TEST_SUITE_P(Plot, ComparisonLayout, testing::ValuesIn(cases()), case_name);

// A reader writes an isomer's state with its mass number (134mCs, 178m2Hf,
// 38mK), never the programs' spelling (134Csm, 38Kxm), and a molecule by
// its isotopes.
TEST(PlotLabels, IsomersAndMoleculesAsAReaderWritesThem) {
  struct Named {
    int A;
    const char* symbol;
    int charge;
    plot::Label label;
  };
  const Named names[] = {
      {134, "Csm", 1, {"134m", "Cs", "+"}},   {38, "Kxm", 1, {"38m", "K", "+"}},
      {178, "Hfn", 2, {"178m2", "Hf", "2+"}}, {133, "Cs  ", 0, {"133", "Cs", ""}},
      {2, "D", 1, {"2", "D", "+"}},
  };
  for (const Named& n : names) {
    const plot::Label label = plot::nuclide_label(n.A, n.symbol, n.charge);
    EXPECT_EQ(label.plain(), n.label.plain()) << n.symbol;
  }
  EXPECT_EQ(plot::molecule_label("12C+16O+16O", 1).plain(),
            "\u00b9\u00b2C\u00b9\u2076O\u2082\u207a");
}

}  // namespace

// An isomer line whose E* has nothing to be worked out from (no ground
// state measured, none in the mass table) is listed as not compared; one
// with an E* is drawn, not listed.
TEST(PlotIsomers, IsomerWithoutExcitationIsListedNotLeftOut) {
  IsomerInput isomer = isomers(8);
  isomer.compared.front().line = 2;
  std::vector<check::Compared> compared(2);
  for (std::int64_t line = 2; check::Compared& c : compared) {
    c.line = line++;
    c.A = 100;
    c.charge = 1;
    c.nuclide = "100Csm";
    c.kind = nuclides::SymbolKind::isomer;
  }
  check::ComparisonPlotSettings settings;
  settings.isomers = &isomer.compared;
  settings.state_lines = &isomer.lines;
  const plot::Figure figure = check::comparison_figure(compared, settings);
  std::vector<std::string> listed;
  for (const plot::Footnote& note : figure.footnotes) {
    for (const plot::Footnote::Item& item : note.items) listed.push_back(item.detail);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "line 3: no E*, its ground state is neither measured nor in the mass "
                        "table"}));
}
