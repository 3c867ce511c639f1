// layout_overlaps.h - what a picture's layout promises about its texts:
// none over another, none over a frame it does not belong in, none off its
// page. Shared by the tests of the checker's and the adjustment's pictures.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "plot/layout.h"

namespace testing_support {

// The first broken promise of `layout`, said in one line, or "".
inline std::string layout_fault(const plot::Layout& layout) {
  constexpr double slack = 0.05;  // points: rounding of the measured extents
  const auto overlap = [&](const plot::Rect& a, const plot::Rect& b) {
    return a.x + slack < b.right() && b.x + slack < a.right() && a.y + slack < b.bottom() &&
           b.y + slack < a.bottom();
  };
  const auto named = [](const plot::PlacedText& t) {
    std::string text;
    for (const plot::Run& run : t.text) text += run.text;
    return "'" + text + "'";
  };
  for (std::size_t p = 0; p < layout.pages.size(); ++p) {
    const plot::Page& page = layout.pages[p];
    const std::string where = "page " + std::to_string(p + 1) + ": ";
    // Texts outside every frame, and texts inside their own column's frame.
    std::vector<const plot::PlacedText*> texts;
    std::vector<const plot::Rect*> home;  // the frame a text may lie in, or none
    for (const plot::PlacedText& t : page.texts) texts.push_back(&t), home.push_back(nullptr);
    for (const plot::Panel& panel : page.panels) {
      for (const plot::PlacedText& t : panel.texts) {
        texts.push_back(&t);
        home.push_back(t.ink == plot::PlacedText::plain ? nullptr : &panel.frame);
      }
      for (const plot::Column& c : panel.columns) {
        for (const plot::PlacedText& t : c.texts) {
          texts.push_back(&t);
          home.push_back(t.ink == plot::PlacedText::plain ? nullptr : &panel.frame);
        }
      }
    }
    std::vector<plot::Rect> swatches;
    for (const plot::Swatch& s : page.swatches) {
      const double size = layout.shape.text;
      swatches.push_back({s.x - size, s.baseline - size * 0.9, size, size});
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const plot::Rect& a = texts[i]->box;
      if (a.x < -slack || a.y < -slack || a.right() > layout.width() + slack ||
          a.bottom() > page.height + slack)
        return where + named(*texts[i]) + " leaves the page";
      for (std::size_t j = i + 1; j < texts.size(); ++j) {
        if (overlap(a, texts[j]->box))
          return where + named(*texts[i]) + " overlaps " + named(*texts[j]);
      }
      for (const plot::Rect& s : swatches) {
        if (overlap(a, s)) return where + named(*texts[i]) + " overlaps a legend swatch";
      }
      for (const plot::Panel& panel : page.panels) {
        if (&panel.frame == home[i]) continue;
        if (overlap(a, panel.frame)) return where + named(*texts[i]) + " overlaps a frame";
      }
    }
    for (const plot::Panel& panel : page.panels) {
      if (panel.frame.bottom() > page.height) return where + "a frame leaves the page";
    }
    if (layout.shape.fixed_height && page.height > layout.shape.most_height)
      return where + "taller than a slide";
    if (page.height > layout.shape.most_height + slack) return where + "taller than a page";
  }
  return {};
}

// The points `figure` holds and the columns its layout drew, which must be
// equal: no point is ever left out.
inline std::pair<std::size_t, std::size_t> points_and_drawn(const plot::Figure& figure,
                                                            const plot::Layout& layout) {
  std::size_t points = 0, drawn = 0;
  for (const plot::Section& section : figure.sections) {
    for (const plot::Group& group : section.groups) points += group.points.size();
  }
  for (const plot::Page& page : layout.pages) {
    for (const plot::Panel& panel : page.panels) drawn += panel.columns.size();
  }
  return {points, drawn};
}

}  // namespace testing_support
