// nuclide.h - nuclides named on the command line.
//
// A nuclide is the equations' (nuclides/nuclide.h): mass number and symbol
// as written.
#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "nuclides/nuclide.h"

namespace adjust {

using nuclides::Nuclide;

// "133Cs" -> {133, "Cs"}; nothing when the text is not digits followed by a
// symbol.
std::optional<Nuclide> parse_nuclide(std::string_view text);

// "187Re-187Os" -> {187Re, 187Os}; nothing when the text is not two
// nuclides joined by '-'.
std::optional<std::pair<Nuclide, Nuclide>> parse_difference(std::string_view text);

}  // namespace adjust
