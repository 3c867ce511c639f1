// plot_test.cpp - the checker's --plot picture in its three formats, opened
// by real renderers, its refusals and failed writes, and the plot library's
// vertical scale and text.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "cli/output_file.h"
#include "plot/draw.h"
#include "plot/render.h"
#include "plot/text.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/worked_example.h"

namespace {

using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::ScratchDir;

RunResult check(const ScratchDir& dir, const std::vector<std::string>& arguments,
                RunOptions options = {}) {
  options.working_directory = dir.path();
  if (!options.timeout_ms) options.timeout_ms = 60000;
  return testing_support::run_program(FREQ2EQUAT_CHECK_PROGRAM, options, arguments);
}

std::string source_file(const std::string& relative) {
  return testing_support::read_file(std::string(FREQ2EQUAT_EXAMPLES) + "/../" + relative).value();
}

// A fixed-column line of vemo.freq.
std::string freq_line(int A, const std::string& symbol, int charge, double value, double sigma) {
  char line[96];
  std::snprintf(line, sizeof line, "%4d%-4s%4d%19.8f  %13.8f\n", A, symbol.c_str(), charge, value,
                sigma);
  return line;
}

// 270 measurements of different nuclides against 12C+, each ratio what
// the table's mass excess gives (no binding energies: ionization.data holds
// carbon only), spread by a few standard deviations; one block per ten.
std::string generated_measurements() {
  constexpr double electron = 548.57990907;
  std::istringstream table(source_file("data/mass-excess-2020.csv"));
  std::string row;
  std::vector<std::pair<int, std::pair<std::string, double>>> nuclides;
  while (std::getline(table, row)) {
    if (!row.empty() && row.back() == '\r') row.pop_back();
    if (row.empty() || row[0] == '#' || row[0] == 'Z') continue;
    std::vector<std::string> f;
    std::stringstream cells(row);
    for (std::string cell; std::getline(cells, cell, ',');) f.push_back(cell);
    if (f.size() < 8 || f[7] != "no" || f[2] == "n" || std::stod(f[4]) > 50.0) continue;
    nuclides.push_back({std::stoi(f[1]), {f[2], std::stod(f[3])}});
  }
  std::string freq;
  if (nuclides.empty()) return freq;  // the test then fails on its labels
  const double reference = 12.0e6 - electron;
  for (int i = 0; i < 270; ++i) {
    if (i % 10 == 0) freq += (i > 0 ? "    NEW\n" : "") + freq_line(12, "C", 1, 0.0, 0.0);
    const auto& [A, nuclide] = nuclides[static_cast<std::size_t>(i) * nuclides.size() / 270];
    const double mass = A * 1.0e6 + nuclide.second - electron;
    const double sigma = mass * 2.0e-10;
    const double shift = sigma * static_cast<double>((i * 7) % 9 - 4);
    freq += freq_line(A, nuclide.first, 1, (mass + shift) / reference * 1.0e6,
                      2.0e-10 * 1.0e6 * mass / reference);
  }
  return freq;
}

bool have(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

struct Size {
  double width = 0.0;
  double height = 0.0;
};

// The PNG decoded by cairo: its size, or nothing when it does not decode.
std::optional<Size> png_size(const std::string& path) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  std::optional<Size> size;
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
    size = Size{static_cast<double>(cairo_image_surface_get_width(image)),
                static_cast<double>(cairo_image_surface_get_height(image))};
  }
  cairo_surface_destroy(image);
  return size;
}

// pdfinfo's "Page size: W x H pts".
std::optional<Size> pdf_size(const ScratchDir& dir, const std::string& name) {
  const std::string command =
      "pdfinfo '" + dir.file(name) + "' > '" + dir.file("info.txt") + "' 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  const std::string info = dir.read("info.txt").value();
  const std::size_t at = info.find("Page size:");
  Size size;
  if (at == std::string::npos ||
      std::sscanf(info.c_str() + at, "Page size: %lf x %lf pts", &size.width, &size.height) != 2) {
    return std::nullopt;
  }
  std::remove(dir.file("info.txt").c_str());
  return size;
}

struct Input {
  const char* name;
  std::string freq;
  std::string table;
  std::vector<std::string> labels;  // in the SVG's text
  int points = 0;                   // when not 0: the points the SVG's text lists
  bool paged = false;               // more than one page: PDF pages, numbered PNG and SVG files
};

void PrintTo(const Input& input, std::ostream* out) { *out << input.name; }

class PictureFormats : public testing::TestWithParam<Input> {};

// Each format opens in a real renderer at the page's size (17.8 cm, 2102
// pixels), a picture of many pages as one PDF and numbered PNG and SVG
// files, named on standard output; the SVG carries the title and the
// labels as text.
TEST_P(PictureFormats, RenderAtTheDeclaredSize) {
  if (!have("rsvg-convert") || !have("pdftoppm") || !have("pdfinfo")) {
    GTEST_SKIP()
        << "rsvg-convert or pdftoppm missing: scripts/ensure-tools.sh --tests installs them";
  }
  const Input& input = GetParam();
  ScratchDir dir;
  dir.write("vemo.freq", input.freq);
  dir.write("ionization.data", input.table);
  std::size_t pages = 1;
  for (const char* name : {"p.svg", "p.pdf", "p.png"}) {
    const RunResult result = check(dir, {"--plot", name});
    EXPECT_LE(result.exit_status, 1) << result.standard_error;
    if (input.paged && std::string(name) != "p.pdf") {
      const std::string& out = result.standard_output;
      const std::size_t listed = out.find("picture: '" + plot::page_name(name, 1) + "', '" +
                                          plot::page_name(name, 2) + "'");
      ASSERT_NE(listed, std::string::npos) << out;
      pages = static_cast<std::size_t>(
          std::count(out.begin() + static_cast<std::ptrdiff_t>(listed),
                     out.begin() + static_cast<std::ptrdiff_t>(out.find('\n', listed)), ','));
      pages += 1;
    }
  }
  std::vector<std::string> names{"ionization.data", "p.pdf", "vemo.freq"};
  for (const char* name : {"p.png", "p.svg"}) {
    if (!input.paged) names.push_back(name);
    for (std::size_t page = 1; input.paged && page <= pages; ++page)
      names.push_back(plot::page_name(name, page));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(dir.names(), names);
  if (input.paged) {
    ASSERT_TRUE(have("pdfinfo"));
    const std::string info =
        "pdfinfo '" + dir.file("p.pdf") + "' | grep -q '^Pages: *" + std::to_string(pages) + "$'";
    EXPECT_EQ(std::system(info.c_str()), 0) << pages << " pages";
  }
  const std::string png_name = input.paged ? "p-1.png" : "p.png";
  const std::string svg_name = input.paged ? "p-1.svg" : "p.svg";

  const double pixels_per_point = plot::shape_of(plot::Size::page).pixels_per_point;
  const std::optional<Size> png = png_size(dir.file(png_name));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 2102);
  const std::optional<Size> pdf = pdf_size(dir, "p.pdf");
  ASSERT_TRUE(pdf);
  EXPECT_NEAR(pdf->width, 178.0 / 25.4 * 72.0, 0.01);
  EXPECT_NEAR(pdf->height * pixels_per_point, png->height, 1.0);
  const std::string pdf_render =
      "pdftoppm -r 20 -png '" + dir.file("p.pdf") + "' '" + dir.file("pdf") + "'";
  ASSERT_EQ(std::system(pdf_render.c_str()), 0);
  EXPECT_TRUE(png_size(dir.file("pdf-1.png")));

  const std::string svg = dir.read(svg_name).value();
  const std::string declared =
      "width=\"2102px\" height=\"" + std::to_string(static_cast<int>(png->height)) + "px\"";
  EXPECT_NE(svg.find(declared), std::string::npos) << declared;
  const std::string svg_render =
      "rsvg-convert '" + dir.file(svg_name) + "' -o '" + dir.file("svg.png") + "'";
  ASSERT_EQ(std::system(svg_render.c_str()), 0);
  const std::optional<Size> rendered = png_size(dir.file("svg.png"));
  ASSERT_TRUE(rendered);
  EXPECT_EQ(rendered->width, png->width);
  EXPECT_EQ(rendered->height, png->height);
  for (const std::string& label : input.labels) {
    EXPECT_NE(svg.find(label), std::string::npos) << label;
  }
  if (input.points > 0) {
    // The description's first line lists the points, each ended by ';'.
    const std::size_t desc = svg.find("<desc>");
    ASSERT_NE(desc, std::string::npos);
    const std::string first = svg.substr(desc, svg.find('\n', desc) - desc);
    EXPECT_EQ(std::count(first.begin(), first.end(), ';'), input.points);
  }
}

std::vector<Input> inputs() {
  const std::string examples = FREQ2EQUAT_EXAMPLES;
  return {
      {"BundledExample",
       testing_support::read_file(examples + "/vemo.freq").value(),
       testing_support::read_file(examples + "/ionization.data").value(),
       {"<title>vemo.freq - AME2020</title>", "\u00b9\u00b3\u00b3Cs\u207a;",
        "\u2074\u2070Ca\u00b2\u207a;", "\u00b9\u00b3\u2078Ba\u207a;", "References, not drawn",
        "\u2078\u2075Rb\u207a (block 1)",
        "Isomers: excitation energy, this work \u2212 table: "
        "\u00b9\u00b3\u2074\u1d50Cs\u207a table 138.7441 \u00b1 0.0026 keV;"}},
      // 133Cs 0.058 micro-u below the table, 5.0 combined standard
      // deviations: red, with its distance and no sign.
      {"PointFiveSigmaBelow",
       "  85Rb     1    -88210.26396000     0.00537000\n"
       " 133Cs     1   1565221.53612974     0.00001000\n",
       "37 Rb 1 4.177128\n55 Cs 1 3.893906\n",
       {"\u00b9\u00b3\u00b3Cs\u207a 5.0\u03c3;"}},
      {"Generated270",
       generated_measurements(),
       "  6 C   1 11.260288\n",
       {"\u00b9\u00b2C\u207a (blocks 1, 2, 3,"},
       270,
       true},
  };
}

INSTANTIATE_TEST_SUITE_P(Plot, PictureFormats, testing::ValuesIn(inputs()),
                         [](const testing::TestParamInfo<Input>& param) {
                           return std::string(param.param.name);
                         });

// Many points go on further pages of the same width, never into a wider
// picture or out of it: all 270 are drawn, each page is at most a page tall.
TEST(Plot, ManyPointsMakePagesNotAWiderPicture) {
  plot::Figure figure;
  figure.sections.emplace_back();
  for (int i = 0; i < 270; ++i) {
    plot::Point point;
    point.label = {std::to_string(i + 1), "X", "+"};
    point.value = (i % 7) - 3.0;
    point.error = 1.0;
    figure.sections.back().groups.push_back({{point}});
  }
  const plot::Layout layout = plot::layout_of(figure);
  EXPECT_GT(layout.pages.size(), 2u);
  std::size_t drawn = 0;
  for (const plot::Page& page : layout.pages) {
    EXPECT_LE(page.height, 23.0 / 2.54 * 72.0);
    for (const plot::Panel& panel : page.panels) {
      drawn += panel.columns.size();
      EXPECT_LE(panel.columns.back().x, layout.width());
    }
  }
  EXPECT_EQ(drawn, 270u);
  EXPECT_NEAR(layout.width(), 178.0 / 25.4 * 72.0, 1e-9);
}

// A picture named through a symbolic link replaces the file the link names
// and leaves the link in place.
TEST(Plot, WritesThroughASymbolicLink) {
  ScratchDir dir;
  dir.write("vemo.freq",
            std::string(testing_support::worked_reference) + testing_support::worked_measurement);
  dir.write("ionization.data", testing_support::worked_table);
  dir.write("real.svg", "old");
  ASSERT_EQ(::symlink("real.svg", dir.file("link.svg").c_str()), 0);
  EXPECT_LE(check(dir, {"--plot", "link.svg"}).exit_status, 1);
  struct stat status {};
  ASSERT_EQ(::lstat(dir.file("link.svg").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(dir.read("real.svg").value().rfind("<?xml", 0), 0u);
  EXPECT_EQ(dir.names(),
            (std::vector<std::string>{"ionization.data", "link.svg", "real.svg", "vemo.freq"}));
}

struct ScaleCase {
  const char* name;
  std::vector<plot::Point> points;
  std::vector<bool> on_scale;
};

void PrintTo(const ScaleCase& c, std::ostream* out) { *out << c.name; }

class Scales : public testing::TestWithParam<ScaleCase> {};

plot::Point point(double value, double error, double band, bool highlighted = false) {
  plot::Point p;
  p.value = value;
  p.error = error;
  p.band = band;
  p.highlighted = highlighted;
  return p;
}

// Every bar of a point on the scale lies inside the frame, a band too
// unless it is marked as cut at the frame, and the largest of them fills
// most of it: a scale twice too large, or one set by a band so wide that
// the bars shrink to dots, fails here.
TEST_P(Scales, BandsAndBarsFillTheFrameWithoutLeavingIt) {
  const ScaleCase& c = GetParam();
  plot::Figure figure;
  figure.sections.push_back({"", "axis", {{c.points}}, true});
  const plot::Layout layout = plot::layout_of(figure);
  ASSERT_EQ(layout.pages.size(), 1u);
  ASSERT_EQ(layout.pages[0].panels.size(), 1u);
  const plot::Panel& panel = layout.pages[0].panels[0];
  EXPECT_DOUBLE_EQ(panel.y_of(panel.scale.high), panel.frame.y);
  EXPECT_DOUBLE_EQ(panel.y_of(panel.scale.low), panel.frame.bottom());
  double reach = 0.0;
  for (std::size_t i = 0; i < c.points.size(); ++i) {
    const plot::Point& p = c.points[i];
    EXPECT_EQ(panel.on_scale(p.value), c.on_scale[i]) << "point " << i;
    if (!c.on_scale[i]) continue;
    const bool cut = panel.columns[i].band_clipped;
    for (const double edge :
         {p.value + p.error, p.value - p.error, cut ? 0.0 : p.band, cut ? 0.0 : -p.band}) {
      EXPECT_GE(panel.y_of(edge), panel.frame.y) << "point " << i;
      EXPECT_LE(panel.y_of(edge), panel.frame.bottom()) << "point " << i;
      reach = std::max(reach, std::fabs(panel.y_of(edge) - panel.y_of(0.0)));
    }
  }
  EXPECT_GT(reach, 0.6 * panel.frame.height / 2.0);
}

const ScaleCase scale_cases[] = {
    {"BandsFarBeyondTheBars", {point(0.1, 0.01, 3.0), point(-0.2, 0.02, 1.0)}, {true, true}},
    {"BandsNearTheBars", {point(0.1, 0.1, 0.25), point(-0.2, 0.02, 0.1)}, {true, true}},
    {"BarsBeyondTheBands", {point(5.0, 2.0, 1.0), point(-1.0, 0.5, 0.2)}, {true, true}},
    {"ModestOutlierShown", {point(0.5, 0.2, 1.0), point(2.5, 0.2, 0.5, true)}, {true, true}},
    {"FarOutlierOnTheEdge", {point(0.5, 0.2, 1.0), point(-35.0, 0.3, 0.5, true)}, {true, false}},
    {"FarOutlierOnTheTopEdge", {point(0.5, 0.2, 1.0), point(35.0, 0.3, 0.5, true)}, {true, false}},
    {"Tiny", {point(2e-6, 1e-6, 3e-6), point(-1e-6, 1e-6, 1e-6)}, {true, true}},
};

// Whether the drawn page has a point's colour (red or blue, not the grey
// of the grid or the pale band) at (x, y), in points.
bool coloured_at(cairo_surface_t* image, double scale, double x, double y) {
  const unsigned char* row = cairo_image_surface_get_data(image) +
                             static_cast<long>(y * scale) * cairo_image_surface_get_stride(image);
  std::uint32_t pixel = 0;
  std::memcpy(&pixel, row + 4 * static_cast<long>(x * scale), sizeof pixel);
  const int channels[] = {static_cast<int>(pixel >> 16 & 0xFF), static_cast<int>(pixel >> 8 & 0xFF),
                          static_cast<int>(pixel & 0xFF)};
  return *std::max_element(channels, channels + 3) - *std::min_element(channels, channels + 3) >
         100;
}

// A point off the scale is a triangle on the edge it lies beyond, and the
// legend explains the triangle only when one is drawn.
TEST_P(Scales, OffScalePointsAreTrianglesOnTheirEdge) {
  const ScaleCase& c = GetParam();
  plot::Figure figure;
  figure.legend.push_back({plot::Mark::edge_triangle, false, false, "off the scale"});
  figure.sections.push_back({"", "axis", {{c.points}}, true});
  const plot::Layout layout = plot::layout_of(figure);
  const plot::Page& page = layout.pages.at(0);
  const bool any_off = std::find(c.on_scale.begin(), c.on_scale.end(), false) != c.on_scale.end();
  EXPECT_EQ(page.swatches.size(), any_off ? 1u : 0u);

  constexpr double scale = 2.0;
  cairo_surface_t* image = cairo_image_surface_create(
      CAIRO_FORMAT_RGB24, static_cast<int>(std::ceil(layout.width() * scale)),
      static_cast<int>(std::ceil(page.height * scale)));
  cairo_t* cr = cairo_create(image);
  cairo_scale(cr, scale, scale);
  plot::draw(cr, layout, page);
  cairo_destroy(cr);
  cairo_surface_flush(image);
  const plot::Panel& panel = page.panels.at(0);
  // Halfway into a triangle from either edge.
  const double inward = layout.shape.text * 0.6;
  for (std::size_t i = 0; i < c.points.size(); ++i) {
    if (c.on_scale[i]) continue;  // its bar may reach an edge
    const bool below = c.points[i].value < 0.0;
    const bool above = !below;
    const double x = panel.columns.at(i).x;
    EXPECT_EQ(coloured_at(image, scale, x, panel.frame.y + 1.0 + inward), above) << "point " << i;
    EXPECT_EQ(coloured_at(image, scale, x, panel.frame.bottom() - 1.0 - inward), below)
        << "point " << i;
  }
  cairo_surface_destroy(image);
}

// Values no measurement has but a broken input gives (NaN, infinities, the
// ends of the double range) still give a finite scale with a few ticks.
TEST(Plot, ScaleStaysFiniteAtTheEndsOfTheDoubleRange) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<plot::Point>> cases = {
      {point(nan, nan, nan)},
      {point(inf, 1.0, 1.0), point(-inf, inf, 0.0)},
      {point(1e308, 1e308, 1e308), point(-1e308, 0.0, 0.0)},
      {point(5e-324, 5e-324, 0.0)},
      {point(0.0, 0.0, 0.0)},
      {point(7.0, 1.0, 0.0, true)}};
  for (const bool symmetric : {true, false}) {
    for (const std::vector<plot::Point>& points : cases) {
      std::vector<const plot::Point*> pointers;
      for (const plot::Point& p : points) pointers.push_back(&p);
      const plot::Scale scale = plot::scale_for(pointers, symmetric);
      EXPECT_TRUE(std::isfinite(scale.high - scale.low) && scale.high > scale.low)
          << points[0].value;
      EXPECT_GT(scale.step, 0.0) << points[0].value;
      EXPECT_LT((scale.high - scale.low) / scale.step, 20.0) << points[0].value;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Plot, Scales, testing::ValuesIn(scale_cases),
                         [](const testing::TestParamInfo<ScaleCase>& param) {
                           return std::string(param.param.name);
                         });

// A new picture gets the mode any new file gets from the umask (not the
// 0600 of the temporary file it is written as), alone or in a set of outputs.
TEST(Plot, NewPictureTakesTheModeOfTheUmask) {
  ScratchDir dir;
  plot::Figure figure;
  figure.sections.push_back({"", "axis", {{{point(1.0, 0.5, 0.0)}}}, true});
  const std::vector<std::string> names = {"p.svg", "p.pdf", "p.png", "in-set.png"};
  const mode_t mask = ::umask(022);
  cli::OutputSet set;
  for (const std::string& name : names) {
    const bool in_set = name == "in-set.png";
    EXPECT_EQ(plot::write_picture(figure, dir.file(name), in_set ? &set : nullptr), "") << name;
  }
  EXPECT_EQ(set.place_all(), "");
  ::umask(mask);
  for (const std::string& name : names) {
    struct stat status {};
    ASSERT_EQ(::stat(dir.file(name).c_str(), &status), 0) << name;
    EXPECT_EQ(status.st_mode & 07777, 0644u) << name;
  }
}

struct Refusal {
  const char* name;
  std::vector<std::string> arguments;
  std::string message;  // the last line of standard error
  bool at_once;         // before any reading: the whole of standard error
  enum Setup { none, fifo, table_copy, old_picture } setup = none;
  RunOptions options = {};
};

// Standard error with a line end in front, so that its first line is found
// as "\n" + line like every other.
std::string with_line_end(const std::string& text) { return "\n" + text; }

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class PlotRefusals : public testing::TestWithParam<Refusal> {};

// A picture that cannot be written is one line and status 2, at once when
// the target is wrong, and never leaves a partial or temporary file: an
// old picture of that name stays as it was.
TEST_P(PlotRefusals, OneLineStatus2AndNothingLeftBehind) {
  const Refusal& refusal = GetParam();
  ScratchDir dir;
  dir.write("vemo.freq",
            std::string(testing_support::worked_reference) + testing_support::worked_measurement);
  dir.write("ionization.data", testing_support::worked_table);
  if (refusal.setup == Refusal::fifo) {
    ASSERT_EQ(::mkfifo(dir.file("fifo.svg").c_str(), 0644), 0);
  }
  if (refusal.setup == Refusal::table_copy)
    dir.write("m.svg", source_file("data/mass-excess-2020.csv"));
  if (refusal.setup == Refusal::old_picture) dir.write("p.png", "old");
  const std::vector<std::string> before = dir.names();
  const RunResult result = check(dir, refusal.arguments, refusal.options);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 2);
  if (refusal.at_once) {
    EXPECT_EQ(result.standard_error, refusal.message);
  } else {
    ASSERT_GE(result.standard_error.size(), refusal.message.size()) << result.standard_error;
    EXPECT_EQ(with_line_end(result.standard_error)
                  .substr(result.standard_error.size() - refusal.message.size()),
              "\n" + refusal.message)
        << result.standard_error;
  }
  EXPECT_EQ(dir.names(), before);
  if (refusal.setup == Refusal::old_picture) {
    EXPECT_EQ(dir.read("p.png"), "old");
  }
}

RunOptions limited_to(std::uint64_t bytes) {
  RunOptions options;
  options.file_size_limit = bytes;
  return options;
}

const Refusal plot_refusals[] = {
    {"NoFormat",
     {"--plot", "p.txt"},
     "freq2equat-check: cannot tell the picture's format from 'p.txt': name it .svg, .pdf or "
     ".png\n",
     true},
    {"Fifo",
     {"--plot", "fifo.svg"},
     "freq2equat-check: cannot write 'fifo.svg': not a regular file\n",
     true,
     Refusal::fifo},
    {"OverTheMassTable",
     {"--plot", "m.svg", "--masses", "m.svg"},
     "freq2equat-check: --plot 'm.svg' names an input file, 'm.svg'\n",
     true,
     Refusal::table_copy},
    {"UnknownUnit",
     {"--plot", "p.svg", "--plot-unit", "eV"},
     "freq2equat-check: option '--plot-unit' takes micro-u or keV, not 'eV' (see --help)\n",
     true},
    {"NoSuchDirectory",
     {"--plot", "absent/p.svg"},
     "freq2equat-check: cannot write 'absent/p.svg': No such file or directory\n",
     false},
    {"FileSizeLimit",
     {"--plot", "p.png"},
     "freq2equat-check: cannot write 'p.png': File too large\n",
     false,
     Refusal::old_picture,
     limited_to(4096)},
};

INSTANTIATE_TEST_SUITE_P(Plot, PlotRefusals, testing::ValuesIn(plot_refusals),
                         [](const testing::TestParamInfo<Refusal>& param) {
                           return std::string(param.param.name);
                         });

// A picture's numbered pages are files it writes like any other: a page
// that would be an input or another output is refused, status 2, and
// nothing is written (the file keeps what it held).
TEST(PlotPages, PageThatNamesAnotherFileIsRefused) {
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"--plot", "p.png", "--json", "p-2.png"},
       "freq2equat-check: --json and --plot name the same file, 'p-2.png'\n"},
      {{"--plot", "p.png", "--masses", "p-2.png"},
       "freq2equat-check: --plot 'p-2.png' names an input file, 'p-2.png'\n"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    dir.write("vemo.freq", generated_measurements());
    dir.write("ionization.data", "  6 C   1 11.260288\n");
    const std::string held = source_file("data/mass-excess-2020.csv");
    dir.write("p-2.png", held);
    const RunResult result = check(dir, c.arguments);
    EXPECT_EQ(result.exit_status, 2) << c.message;
    EXPECT_EQ(with_line_end(result.standard_error)
                  .substr(result.standard_error.size() + 1 - c.message.size()),
              c.message);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"ionization.data", "p-2.png", "vemo.freq"}));
    EXPECT_EQ(dir.read("p-2.png"), held);
  }
}

// A cairo context on a small image, for measuring text.
struct Measure {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  cairo_t* cr = cairo_create(surface);
  ~Measure() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
};

// Text a caller gives (a file name in a title) is shown as it is: read as
// markup it would lose its tags, fail to parse, or change size, and its
// width would no longer be that of its characters side by side.
TEST(PlotText, MarkupCharactersInTextAreShownNotObeyed) {
  Measure m;
  const std::string texts[] = {
      "a<b>c</b>.freq", "x&amp;y", "<span size='40000'>W</span>", "a<b", "&", "R&D's \"run\"",
  };
  for (const std::string& text : texts) {
    double sum = 0.0;
    for (const char c : text) sum += plot::width_of(m.cr, plot::rich(std::string(1, c)), 11.0);
    const double width = plot::width_of(m.cr, plot::rich(text), 11.0);
    EXPECT_NEAR(width, sum, 0.03 * sum) << text;
  }
  EXPECT_EQ(cairo_status(m.cr), CAIRO_STATUS_SUCCESS);
}

// The layout measures on an unscaled context, the PNG and the SVG draw on
// one scaled 3.5 times, the rotated labels under a turn: a width that
// changed with the transformation (hinted metrics, rounded glyph positions)
// would let labels overlap or leave their columns.
TEST(PlotText, WidthIsTheSameUnderEveryTransformation) {
  Measure m;
  const plot::RichText texts[] = {
      plot::rich(plot::Label{"133", "Cs", "+"}),
      plot::rich(plot::Label{"134m", "Cs", "2+"}),
      plot::rich("this work \u2212 table (\u03bcu), 1\u03c3"),
  };
  for (const plot::RichText& text : texts) {
    for (const double size : {7.0, 9.0, 12.0}) {
      cairo_identity_matrix(m.cr);
      const double flat = plot::width_of(m.cr, text, size);
      EXPECT_GT(flat, size) << text[0].text;
      cairo_scale(m.cr, 300.0 / 72.0, 300.0 / 72.0);
      EXPECT_NEAR(plot::width_of(m.cr, text, size), flat, 1e-3 * flat) << text[0].text;
      cairo_rotate(m.cr, -1.5707963267948966);
      EXPECT_NEAR(plot::width_of(m.cr, text, size), flat, 1e-3 * flat) << text[0].text;
    }
  }
}

// A title made of a file name with markup characters, bytes that are not
// UTF-8 and a control character still gives pictures that open, and the
// SVG's title says the name, escaped.
TEST(PlotText, HostileTitleGivesPicturesThatOpen) {
  ScratchDir dir;
  plot::Figure figure;
  figure.title = "<b>R&D</b>\xff\x01.equat, adjusted";
  plot::Point point;
  point.label = {"133", "Cs", "+"};
  point.caption = "a<b";
  figure.sections.push_back({"<i>heading</i>", "axis & unit", {{{point}}}, true});
  figure.footnotes.push_back({"lead <&>", {{{"1", "H", "+"}, "(x<y)"}}});
  for (const char* name : {"t.svg", "t.png", "t.pdf"}) {
    EXPECT_EQ(plot::write_picture(figure, dir.file(name)), "") << name;
  }
  EXPECT_TRUE(png_size(dir.file("t.png")));
  const std::string svg = dir.read("t.svg").value();
  EXPECT_NE(svg.find("<title>&lt;b&gt;R&amp;D&lt;/b&gt;\ufffd\ufffd.equat, adjusted</title>"),
            std::string::npos);
  EXPECT_NE(svg.find("&lt;i&gt;heading&lt;/i&gt;: \u00b9\u00b3\u00b3Cs\u207a a&lt;b;"),
            std::string::npos);
  if (have("rsvg-convert")) {
    const std::string render =
        "rsvg-convert '" + dir.file("t.svg") + "' -o '" + dir.file("svg.png") + "' 2>/dev/null";
    EXPECT_EQ(std::system(render.c_str()), 0);
  }
  if (have("pdfinfo")) {
    EXPECT_TRUE(pdf_size(dir, "t.pdf"));
  }
}

}  // namespace
