// table_identity.h - which table a result was compared with.
//
// A file name says little: copies of the "same" 2020 file in circulation
// differ by a few line-end blanks, and the next edition may keep the name.
// A table is named by its file name, the edition its own text states, and
// the first 12 hex digits of the SHA-256 of its bytes.
#pragma once

#include <string>
#include <string_view>

namespace nuclides {

struct TableIdentity {
  std::string file_name;  // the last part of the path read
  std::string edition;    // as the file states it; empty when it does not
  std::string checksum;   // first 12 hex digits of the SHA-256 of the file

  // "ame2020-mass.mas20.txt (Ame2020, sha256 0123456789ab)"; "edition not
  // stated" in place of an edition the file does not give.
  std::string described() const;
};

// The identity of the table read from `path` whose bytes are `bytes`.
TableIdentity identify_table(std::string_view path, std::string_view bytes, std::string edition);

// The first 12 lower-case hex digits of the SHA-256 of `bytes`.
std::string sha256_prefix(std::string_view bytes);

}  // namespace nuclides

namespace nuclides {

// The first word of `header` made of letters and a four-digit year
// ("Nubase2020", "Ame2020", "AME2016"), as the tables name their edition;
// empty when there is none.
std::string stated_edition(std::string_view header);

}  // namespace nuclides
