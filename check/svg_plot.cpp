// svg_plot.cpp - drawing the comparison as SVG.
#include "check/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace check {

namespace {

constexpr int left_margin = 86;
constexpr int right_margin = 24;
constexpr int top_margin = 56;
constexpr int bottom_margin = 88;
constexpr int column_width = 64;
constexpr int plot_height = 320;

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string number(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

std::string comparison_svg(const std::vector<Compared>& compared, const std::string& title,
                           PlotSize& size) {
  std::vector<const Compared*> points;
  for (const Compared& c : compared) {
    if (c.table) points.push_back(&c);
  }
  // The scale follows the points it can show; those beyond 10 sigma go on
  // the edge and must not squeeze the rest.
  double largest = 0.0;
  for (const Compared* c : points) {
    const double s = std::fabs(c->sigmas());
    if (s <= 10.0) largest = std::max(largest, s);
  }
  // At least the 3 sigma band and a margin above it; at most 10, beyond
  // which points are drawn on the edge.
  const double range = std::clamp(std::ceil(largest) + 1.0, 4.0, 10.0);
  const int columns = std::max<int>(static_cast<int>(points.size()), 1);
  size.width = std::max(640, left_margin + right_margin + columns * column_width);
  size.height = top_margin + plot_height + bottom_margin;
  const int plot_width = size.width - left_margin - right_margin;
  const double step = static_cast<double>(plot_width) / columns;
  const auto y_of = [&](double sigmas) {
    return top_margin + plot_height / 2.0 - sigmas / range * (plot_height / 2.0);
  };

  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(size.width) +
         "\" height=\"" + std::to_string(size.height) + "\" viewBox=\"0 0 " + std::to_string(size.width) +
         " " + std::to_string(size.height) + "\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + std::to_string(left_margin) + "\" y=\"24\" font-size=\"15\">" + escaped(title) +
         "</text>\n";
  svg += "<text x=\"" + std::to_string(left_margin) +
         "\" y=\"42\" font-size=\"11\" fill=\"#444\">shaded: 1 and 3 sigma; bars: this file's own "
         "uncertainty; squares: reference lines; red: more than 3 sigma</text>\n";

  // Bands, grid and axis.
  const std::string x0 = std::to_string(left_margin);
  const std::string w = std::to_string(plot_width);
  svg += "<rect x=\"" + x0 + "\" y=\"" + number(y_of(3), 1) + "\" width=\"" + w + "\" height=\"" +
         number(y_of(-3) - y_of(3), 1) + "\" fill=\"#e3edf9\"/>\n";
  svg += "<rect x=\"" + x0 + "\" y=\"" + number(y_of(1), 1) + "\" width=\"" + w + "\" height=\"" +
         number(y_of(-1) - y_of(1), 1) + "\" fill=\"#bcd3ef\"/>\n";
  for (int s = -static_cast<int>(range); s <= static_cast<int>(range); ++s) {
    const std::string y = number(y_of(s), 1);
    svg += "<line x1=\"" + x0 + "\" x2=\"" + std::to_string(left_margin + plot_width) + "\" y1=\"" + y +
           "\" y2=\"" + y + "\" stroke=\"" + (s == 0 ? "#333" : "#d0d0d0") + "\" stroke-width=\"" +
           (s == 0 ? "1.2" : "0.6") + "\"/>\n";
    svg += "<text x=\"" + std::to_string(left_margin - 8) + "\" y=\"" + number(y_of(s) + 4, 1) +
           "\" font-size=\"11\" text-anchor=\"end\">" + std::to_string(s) + "</text>\n";
  }
  svg += "<rect x=\"" + x0 + "\" y=\"" + std::to_string(top_margin) + "\" width=\"" + w + "\" height=\"" +
         std::to_string(plot_height) + "\" fill=\"none\" stroke=\"#333\"/>\n";
  svg += "<text transform=\"translate(22," + number(top_margin + plot_height / 2.0, 1) +
         ") rotate(-90)\" font-size=\"12\" text-anchor=\"middle\">(this file - table) / combined "
         "sigma</text>\n";

  for (std::size_t i = 0; i < points.size(); ++i) {
    const Compared& c = *points[i];
    const double x = left_margin + step * (static_cast<double>(i) + 0.5);
    const double sigmas = c.sigmas();
    const bool outlier = std::fabs(sigmas) > 3.0;
    const char* colour = outlier ? "#c0392b" : "#1f4e9c";
    const std::string xs = number(x, 1);
    if (std::fabs(sigmas) > range) {
      // Off the scale: a triangle on the edge pointing the way it went.
      const double edge = sigmas > 0 ? y_of(range) : y_of(-range);
      const double tip = sigmas > 0 ? edge - 0.0 : edge;
      const double base = sigmas > 0 ? edge + 12 : edge - 12;
      svg += "<polygon points=\"" + number(x - 7, 1) + "," + number(base, 1) + " " + number(x + 7, 1) +
             "," + number(base, 1) + " " + xs + "," + number(tip, 1) + "\" fill=\"" + colour + "\"/>\n";
      char value[32];
      std::snprintf(value, sizeof value, std::fabs(sigmas) < 1e4 ? "%+.0f" : "%+.1e", sigmas);
      svg += "<text x=\"" + number(x, 1) + "\" y=\"" + number(sigmas > 0 ? base + 13 : base - 5, 1) +
             "\" font-size=\"10\" text-anchor=\"middle\" fill=\"" + colour + "\">" + escaped(std::isinf(sigmas) ? (sigmas > 0 ? "+inf" : "-inf") : value) +
             " sigma</text>\n";
    } else {
      const double bar = c.combined_sigma() > 0 ? c.sigma / c.combined_sigma() : 0.0;
      const double top = y_of(std::min(sigmas + bar, range));
      const double bottom = y_of(std::max(sigmas - bar, -range));
      svg += "<line x1=\"" + xs + "\" x2=\"" + xs + "\" y1=\"" + number(top, 1) + "\" y2=\"" +
             number(bottom, 1) + "\" stroke=\"" + colour + "\" stroke-width=\"1.5\"/>\n";
      for (const double end : {top, bottom}) {
        svg += "<line x1=\"" + number(x - 5, 1) + "\" x2=\"" + number(x + 5, 1) + "\" y1=\"" + number(end, 1) +
               "\" y2=\"" + number(end, 1) + "\" stroke=\"" + colour + "\" stroke-width=\"1.5\"/>\n";
      }
      const std::string y = number(y_of(sigmas), 1);
      if (c.reference) {
        svg += "<rect x=\"" + number(x - 5, 1) + "\" y=\"" + number(y_of(sigmas) - 5, 1) +
               "\" width=\"10\" height=\"10\" fill=\"white\" stroke=\"" + colour + "\" stroke-width=\"2\"/>\n";
      } else {
        svg += "<circle cx=\"" + xs + "\" cy=\"" + y + "\" r=\"5\" fill=\"" + colour + "\"/>\n";
      }
    }
    const double label_y = top_margin + plot_height + 20;
    svg += "<text x=\"" + xs + "\" y=\"" + number(label_y, 1) + "\" font-size=\"12\" text-anchor=\"middle\">" +
           escaped(c.nuclide) + "</text>\n";
    svg += "<text x=\"" + xs + "\" y=\"" + number(label_y + 15, 1) +
           "\" font-size=\"10\" text-anchor=\"middle\" fill=\"#444\">block " + std::to_string(c.block) +
           (c.reference ? " ref" : "") + "</text>\n";
    svg += "<text x=\"" + xs + "\" y=\"" + number(label_y + 28, 1) +
           "\" font-size=\"9\" text-anchor=\"middle\" fill=\"#777\">line " + std::to_string(c.line) +
           "</text>\n";
  }
  if (points.empty()) {
    svg += "<text x=\"" + number(left_margin + plot_width / 2.0, 1) + "\" y=\"" +
           number(y_of(0) - 10, 1) + "\" font-size=\"13\" text-anchor=\"middle\">nothing to compare with the "
           "table</text>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace check
