// nuclide.h - a nuclide as the equations name it: mass number and symbol.
//
// The symbol is taken as written, trailing blanks dropped, so an isomer
// ("Csm") or a molecule ("C6H6") is a nuclide of its own. Nuclides sort by
// mass number, then symbol, which is the order every listing uses.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace adjust {

struct Nuclide {
  std::int32_t A = 0;
  std::string symbol;

  std::string name() const { return std::to_string(A) + symbol; }
  auto operator<=>(const Nuclide&) const = default;
  bool operator==(const Nuclide&) const = default;
};

// "133Cs" -> {133, "Cs"}; nothing when the text is not digits followed by a
// symbol.
std::optional<Nuclide> parse_nuclide(std::string_view text);

// "187Re-187Os" -> {187Re, 187Os}; nothing when the text is not two
// nuclides joined by '-'.
std::optional<std::pair<Nuclide, Nuclide>> parse_difference(std::string_view text);

}  // namespace adjust
