// connect_keywords.h - the keywords of connect and release statements, and
// the blanks around file names.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace recordio {

enum class Keyword {
  absent,
  invalid,
  new_status,
  old_status,
  unknown,
  replace,
  keep,
  remove,
  formatted,
  unformatted,
  binary,
  read,
  write,
  read_write
};

struct KeywordText {
  std::string_view text;
  Keyword keyword;
};

inline constexpr KeywordText status_keywords[] = {{"NEW", Keyword::new_status},
                                                  {"OLD", Keyword::old_status},
                                                  {"UNKNOWN", Keyword::unknown},
                                                  {"REPLACE", Keyword::replace}};
inline constexpr KeywordText form_keywords[] = {{"FORMATTED", Keyword::formatted},
                                                {"UNFORMATTED", Keyword::unformatted},
                                                {"BINARY", Keyword::binary}};
inline constexpr KeywordText action_keywords[] = {
    {"READ", Keyword::read}, {"WRITE", Keyword::write}, {"READWRITE", Keyword::read_write}};
inline constexpr KeywordText release_keywords[] = {{"KEEP", Keyword::keep},
                                                   {"DELETE", Keyword::remove}};

inline std::string_view drop_trailing_blanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Trailing blanks are dropped and case is folded, but a leading blank is
// kept, so " new" matches nothing.
template <std::size_t N>
inline Keyword match_keyword(const std::optional<std::string_view>& given,
                             const KeywordText (&table)[N]) {
  if (!given) return Keyword::absent;
  const std::string_view value = drop_trailing_blanks(*given);
  for (const auto& entry : table) {
    if (entry.text.size() != value.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < value.size() && same; ++i) {
      char c = value[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      same = c == entry.text[i];
    }
    if (same) return entry.keyword;
  }
  return Keyword::invalid;
}

inline std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return drop_trailing_blanks(text);
}

}  // namespace recordio
