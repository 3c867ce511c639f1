// label.cpp - a label as one line of Unicode text, for where no markup goes:
// an SVG's <title> and <desc>, and the keys callers sort labels by.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "plot/figure.h"

namespace plot {

namespace {

// Unicode's superscript forms of the characters a label's raised parts
// hold (digits, charge signs, the "m" of an isomer, the "n" of a state).
struct Raised {
  char plain;
  std::string_view raised;
};
constexpr Raised superscripts[] = {
    {'0', "\u2070"}, {'1', "\u00b9"}, {'2', "\u00b2"}, {'3', "\u00b3"}, {'4', "\u2074"},
    {'5', "\u2075"}, {'6', "\u2076"}, {'7', "\u2077"}, {'8', "\u2078"}, {'9', "\u2079"},
    {'+', "\u207a"}, {'-', "\u207b"}, {'m', "\u1d50"}, {'n', "\u207f"},
};

// A character Unicode has no superscript of keeps a caret in front.
std::string superscript(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto* found = std::find_if(std::begin(superscripts), std::end(superscripts),
                                     [c](const Raised& r) { return r.plain == c; });
    if (found == std::end(superscripts)) {
      out += '^';
      out += c;
    } else {
      out += found->raised;
    }
  }
  return out;
}

}  // namespace

std::string Label::plain() const { return superscript(before) + text + superscript(after); }

}  // namespace plot
