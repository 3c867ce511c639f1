// nuclide.cpp - nuclide names on the command line.
#include "adjust/nuclide.h"

#include <charconv>

namespace adjust {

std::optional<Nuclide> parse_nuclide(std::string_view text) {
  const std::size_t digits = text.find_first_not_of("0123456789");
  if (digits == 0 || digits == std::string_view::npos) return std::nullopt;
  Nuclide nuclide;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + digits, nuclide.A);
  if (ec != std::errc() || end != text.data() + digits) return std::nullopt;
  nuclide.symbol = std::string(text.substr(digits));
  // A symbol field is 4 characters wide; anything longer names no nuclide
  // of an equations file.
  if (nuclide.symbol.size() > 4 || nuclide.symbol.find(' ') != std::string::npos)
    return std::nullopt;
  return nuclide;
}

std::optional<std::pair<Nuclide, Nuclide>> parse_difference(std::string_view text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto minuend = parse_nuclide(text.substr(0, dash));
  const auto subtrahend = parse_nuclide(text.substr(dash + 1));
  if (!minuend || !subtrahend) return std::nullopt;
  return std::pair{*minuend, *subtrahend};
}

}  // namespace adjust
