// data_covariance.cpp - the statements of a data covariance file.
#include "adjust/data_covariance.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <string_view>

#include "cli/bounded_file.h"
#include "cli/quoting.h"
#include "cli/text_lines.h"

namespace adjust {

namespace {

// A few hundred statements for a campaign; far more is not such a file.
constexpr std::size_t size_limit = std::size_t{4} << 20;

std::vector<std::string_view> words_of(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    const std::size_t begin = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    if (at > begin) words.push_back(line.substr(begin, at - begin));
  }
  return words;
}

bool number(std::string_view text, double& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// What a text shows of a word of a file that may hold any bytes.
std::string shown_word(std::string_view word) {
  return cli::quoted_name(std::string(word.substr(0, 80)));
}

}  // namespace

bool read_data_covariance(const std::string& path, const std::string& shown,
                          const std::vector<Equation>& equations,
                          std::vector<DataCovariance>& covariances, std::string& error) {
  std::string bytes, reason;
  if (!cli::read_bounded_file(path, size_limit, bytes, reason)) {
    error = "cannot read " + cli::quoted_name(shown) + ": " + reason;
    return false;
  }
  std::map<std::string, std::size_t> by_place;
  for (std::size_t e = 0; e < equations.size(); ++e)
    by_place.emplace(equations[e].file + ":" + std::to_string(equations[e].line), e);

  struct Part {
    std::size_t equation;
    double part;
  };
  std::map<std::string, std::vector<Part>> groups;
  std::set<std::pair<std::size_t, std::string>> in_group;
  cli::TextLines lines(bytes);
  std::string_view line;
  while (lines.next(line)) {
    const std::int64_t line_number = lines.number();
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    const std::vector<std::string_view> words = words_of(line);
    if (words.empty()) continue;
    const std::string here = shown + ":" + std::to_string(line_number) + ": ";
    const auto equation_at = [&](std::string_view place, std::size_t& e) {
      const auto found = by_place.find(std::string(place));
      if (found == by_place.end()) {
        error = here + shown_word(place) + " is no equation's FILE:LINE as the report names it";
        return false;
      }
      e = found->second;
      return true;
    };
    if (words[0] == "common" && words.size() == 4) {
      std::size_t e = 0;
      double part = 0.0;
      if (!equation_at(words[2], e)) return false;
      if (!number(words[3], part)) {
        error = here + "the part " + shown_word(words[3]) + " is not a finite number";
        return false;
      }
      if (std::fabs(part) > equations[e].U) {
        error =
            here + "the common component " + std::string(words[3]) + " exceeds the equation's U";
        return false;
      }
      const std::string name(words[1]);
      if (!in_group.emplace(e, name).second) {
        error = here + std::string(words[2]) + " is in " + shown_word(words[1]) + " already";
        return false;
      }
      groups[name].push_back({e, part});
    } else if (words[0] == "correlation" && words.size() == 4) {
      std::size_t first = 0, second = 0;
      double rho = 0.0;
      if (!equation_at(words[1], first) || !equation_at(words[2], second)) return false;
      if (first == second) {
        error = here + "an equation's correlation with itself is 1";
        return false;
      }
      if (!number(words[3], rho) || std::fabs(rho) > 1.0) {
        error = here + "the correlation " + shown_word(words[3]) + " is not a number in [-1, 1]";
        return false;
      }
      covariances.push_back({first, second, rho * equations[first].U * equations[second].U});
    } else {
      error = here + "not 'common NAME FILE:LINE PART' or 'correlation FILE:LINE FILE:LINE RHO'";
      return false;
    }
  }
  for (const auto& [name, parts] : groups) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
      for (std::size_t j = i + 1; j < parts.size(); ++j) {
        if (parts[i].equation == parts[j].equation) continue;
        covariances.push_back(
            {parts[i].equation, parts[j].equation, parts[i].part * parts[j].part});
      }
    }
  }
  return true;
}

}  // namespace adjust
