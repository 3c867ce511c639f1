// table_identity.cpp - naming a table by its edition and checksum. The
// SHA-256 is GLib's, which every build has already beneath pango.
#include "nuclides/table_identity.h"

#include <glib.h>

#include "cli/quoting.h"

namespace nuclides {

namespace {

constexpr std::size_t shown_digits = 12;

}  // namespace

std::string sha256_prefix(std::string_view bytes) {
  GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
  // GLib takes the length as gssize: a table is read within a bound far
  // below it, so one update holds the whole file.
  g_checksum_update(checksum, reinterpret_cast<const guchar*>(bytes.data()),
                    static_cast<gssize>(bytes.size()));
  std::string digest = g_checksum_get_string(checksum);
  g_checksum_free(checksum);
  return digest.substr(0, shown_digits);
}

TableIdentity identify_table(std::string_view path, std::string_view bytes, std::string edition) {
  TableIdentity identity;
  const std::size_t slash = path.rfind('/');
  identity.file_name = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  identity.edition = std::move(edition);
  identity.checksum = sha256_prefix(bytes);
  return identity;
}

std::string TableIdentity::described() const {
  return cli::shown_name(file_name) + " (" +
         (edition.empty() ? std::string("edition not stated") : edition) + ", sha256 " + checksum +
         ")";
}

}  // namespace nuclides

namespace nuclides {

namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string stated_edition(std::string_view header) {
  for (std::size_t at = 0; at < header.size(); ++at) {
    if (!is_letter(header[at]) ||
        (at > 0 && (is_letter(header[at - 1]) || is_digit(header[at - 1]))))
      continue;
    std::size_t end = at;
    while (end < header.size() && is_letter(header[end])) ++end;
    std::size_t digits = end;
    while (digits < header.size() && is_digit(header[digits])) ++digits;
    const bool word_ends = digits == header.size() || !(is_letter(header[digits]));
    if (digits - end == 4 && word_ends) return std::string(header.substr(at, digits - at));
    at = end;
  }
  return {};
}

}  // namespace nuclides
