// table_identity_json.h - a table's identity as both programs' JSON names
// it: {"file", "edition" (null when the file states none), "sha256"}.
// Header-only: only programs that write JSON include it, and they link
// nlohmann-json themselves.
#pragma once

#include <nlohmann/json.hpp>

#include "nuclides/table_identity.h"

namespace nuclides {

inline nlohmann::ordered_json table_identity_json(const TableIdentity& table) {
  nlohmann::ordered_json entry = nlohmann::ordered_json::object();
  entry["file"] = table.file_name;
  entry["edition"] = table.edition.empty() ? nlohmann::ordered_json(nullptr)
                                           : nlohmann::ordered_json(table.edition);
  entry["sha256"] = table.checksum;
  return entry;
}

}  // namespace nuclides
