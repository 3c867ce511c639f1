// adjustment_plot_test.cpp - the adjustment's picture laid out at every
// size and many counts: no text over another or off its page, every
// determined nuclide and every datum drawn, the undetermined listed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adjust/adjustment_plot.h"
#include "plot/render.h"
#include "tests/support/layout_overlaps.h"

namespace {

const char* const symbols[] = {"Cs", "Rb", "Csm", "Kxm", "Md", "Sn", "In", "Mg", "Hfn", "Xe"};

// `count` data on as many nuclides: most near the table, some far, one
// flagged, some rejected, anchored and undetermined nuclides among them.
adjust::Adjustment adjustment(int count) {
  adjust::Adjustment a;
  for (int i = 0; i < count; ++i) {
    adjust::NuclideResult n;
    n.nuclide = {20 + i % 250, symbols[i % 10]};
    n.nuclide.A += 250 * (i / 250);
    n.table = nuclides::TableMass{100.0, i % 9 == 0 ? 400.0 : 0.01, i % 13 == 5};
    n.determined = i % 23 != 11;
    n.anchored = i % 19 == 2;
    n.mass_excess = 100.0 + (i % 17 == 3 ? 5.0 : 0.002 * (i % 5 - 2));
    n.uncertainty = 0.004 + 0.001 * (i % 4);
    a.nuclides.push_back(n);
    adjust::Equation e;
    e.measured = n.nuclide;
    a.equations.push_back(e);
    adjust::Datum d;
    d.equation = a.equations.size() - 1;
    d.used = i % 31 != 4;
    d.rejected = !d.used;
    d.flagged = i == 7;
    d.normalized_residual = i == 7 ? 42.0 : 0.3 * (i % 7 - 3);
    a.data.push_back(d);
  }
  return a;
}

struct Case {
  int count;
  plot::Size size;
};

class AdjustmentLayout : public testing::TestWithParam<Case> {};

TEST_P(AdjustmentLayout, NoTextOverAnotherOrOffItsPageAndEveryPointDrawn) {
  const Case c = GetParam();
  const adjust::Adjustment a = adjustment(c.count);
  const plot::Figure figure =
      adjust::adjustment_figure(a, "vemo.equat, adjusted", 0.0, c.count == 60, c.size);
  const plot::Layout layout = plot::layout_of(figure);
  EXPECT_EQ(testing_support::layout_fault(layout), "");
  const auto [points, drawn] = testing_support::points_and_drawn(figure, layout);
  EXPECT_EQ(drawn, points);
  std::size_t undetermined = 0;
  for (const plot::Footnote& note : figure.footnotes) {
    if (note.lead == "Not determined:") undetermined = note.items.size();
  }
  EXPECT_EQ(undetermined, a.undetermined_count());
}

std::vector<Case> cases() {
  std::vector<Case> all;
  for (const int count : {1, 15, 60, 250, 2000}) {
    for (const plot::Size size : {plot::Size::column, plot::Size::page, plot::Size::slide})
      all.push_back({count, size});
  }
  return all;
}

std::string case_name(const testing::TestParamInfo<Case>& info) {
  static const char* const sizes[] = {"Column", "Page", "Slide"};
  return "Of" + std::to_string(info.param.count) + sizes[static_cast<int>(info.param.size)];
}

INSTANTIATE_TEST_SUITE_P(Plot, AdjustmentLayout, testing::ValuesIn(cases()), case_name);

struct Distance {
  const char* name;
  double difference;    // micro-u from the table, whose uncertainty is 0.003
  const char* caption;  // under the label
};

void PrintTo(const Distance& d, std::ostream* out) { *out << d.name; }

class SigmaNote : public testing::TestWithParam<Distance> {};

// Beyond 3 combined standard deviations (0.005 micro-u here: the adjusted
// 0.004 and the table's 0.003) a nuclide is red with its distance written,
// whichever side it lies; within them it is a point like any other, though
// 2 combined are over 3 of the table's alone.
TEST_P(SigmaNote, OnlyBeyondThreeCombinedStandardDeviations) {
  const Distance& d = GetParam();
  adjust::Adjustment a;
  adjust::NuclideResult n;
  n.nuclide = {133, "Cs"};
  n.table = nuclides::TableMass{-94548.042, 0.003, false};
  n.determined = true;
  n.mass_excess = n.table->mass_excess + d.difference;
  n.uncertainty = 0.004;
  a.nuclides.push_back(n);
  const plot::Figure figure = adjust::adjustment_figure(a, "adjusted");
  const plot::Point& point = figure.sections.at(0).groups.at(0).points.at(0);
  EXPECT_EQ(point.caption, d.caption);
  EXPECT_EQ(point.highlighted, *d.caption != '\0');
}

const Distance distances[] = {
    {"TwoSigmaAbove", 0.010, ""},
    {"JustWithinThreeBelow", -0.0145, ""},
    {"JustBeyondThreeAbove", 0.0175, "3.5\u03c3"},
    {"FiveSigmaBelow", -0.025, "5.0\u03c3"},
};

INSTANTIATE_TEST_SUITE_P(Plot, SigmaNote, testing::ValuesIn(distances),
                         [](const testing::TestParamInfo<Distance>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
