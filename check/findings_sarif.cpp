// findings_sarif.cpp - the findings as a SARIF log.
#include "check/findings_sarif.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#ifndef FREQ2EQUAT_VERSION
#define FREQ2EQUAT_VERSION "unknown"
#endif

namespace check {

namespace {

using nlohmann::ordered_json;

std::string_view level_of(Severity severity) {
  switch (severity) {
    case Severity::error:
      return "error";
    case Severity::warning:
      return "warning";
    case Severity::note:
      return "note";
    default:
      return "none";
  }
}

// A path as a URI reference, the bytes a URI cannot hold percent-encoded.
std::string uri_of(std::string_view name) {
  std::string uri = name.starts_with('/') ? "file://" : "";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') ||
                       std::string_view("-._~/").find(c) != std::string_view::npos;
    if (plain) {
      uri += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      uri += escaped;
    }
  }
  return uri;
}

std::string hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

ordered_json region_of(const Finding& finding) {
  // A region starts on a line; a finding about a file as a whole is on its first.
  ordered_json region = {{"startLine", std::max<std::int64_t>(finding.line, 1)}};
  if (finding.bytes.offset >= 0) {
    if (finding.column > 0) region["startColumn"] = finding.bytes.character_column;
    region["byteOffset"] = finding.bytes.offset;
  }
  return region;
}

ordered_json result_of(const Finding& finding, std::size_t rule_index,
                       const std::vector<FindingFile>& files) {
  const FindingKindInfo& kind = kind_info(finding.kind);
  std::string_view path = finding.file;
  for (const FindingFile& file : files) {
    if (file.shown == finding.file) path = file.path;
  }
  const ordered_json artifact = {{"uri", uri_of(path)}};
  ordered_json result = {
      {"ruleId", kind.id},
      {"ruleIndex", rule_index},
      {"level", level_of(kind.severity)},
      {"message", {{"text", message_of(finding)}}},
      {"locations",
       {{{"physicalLocation", {{"artifactLocation", artifact}, {"region", region_of(finding)}}}}}}};
  std::uint64_t print = fnv1a(kind.id);
  print = fnv1a(":" + std::to_string(finding.column) + ":" + hex(finding.bytes.line_hash), print);
  result["partialFingerprints"] = {{"lineContentHash/v1", hex(print)}};
  if (finding.replacement && finding.bytes.offset >= 0) {
    // Lines and columns beside the bytes: some viewers place a fix by them
    // alone, in characters as every column of the log.
    ordered_json deleted = {{"startLine", std::max<std::int64_t>(finding.line, 1)}};
    if (finding.column > 0) {
      deleted["startColumn"] = finding.bytes.character_column;
      deleted["endColumn"] = finding.bytes.character_column + finding.bytes.replaced_characters;
    }
    deleted["byteOffset"] = finding.bytes.offset;
    deleted["byteLength"] = finding.replacement->length;
    const ordered_json replacement = {{"deletedRegion", std::move(deleted)},
                                      {"insertedContent", {{"text", finding.replacement->text}}}};
    result["fixes"] = {
        {{"description", {{"text", "write '" + finding.replacement->text + "' here"}}},
         {"artifactChanges", {{{"artifactLocation", artifact}, {"replacements", {replacement}}}}}}};
  }
  return result;
}

}  // namespace

std::string findings_sarif(const Findings& findings, const std::vector<FindingFile>& files) {
  ordered_json rules = ordered_json::array();
  std::vector<std::size_t> rule_index(finding_kinds().size());  // by kind
  for (const FindingKindInfo& kind : finding_kinds()) {
    if (kind.severity == Severity::listing) continue;
    rule_index[static_cast<std::size_t>(kind.kind)] = rules.size();
    rules.push_back({{"id", kind.id},
                     {"shortDescription", {{"text", kind_description(kind.kind)}}},
                     {"defaultConfiguration", {{"level", level_of(kind.severity)}}}});
  }
  ordered_json results = ordered_json::array();
  for (const Finding& finding : findings) {
    if (kind_info(finding.kind).severity == Severity::listing) continue;
    results.push_back(
        result_of(finding, rule_index[static_cast<std::size_t>(finding.kind)], files));
  }
  const ordered_json driver = {
      {"name", "freq2equat-check"}, {"version", FREQ2EQUAT_VERSION}, {"rules", std::move(rules)}};
  const ordered_json log = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
                            {"version", "2.1.0"},
                            {"runs",
                             {{{"tool", {{"driver", driver}}},
                               {"columnKind", "unicodeCodePoints"},
                               {"results", std::move(results)}}}}};
  // Bytes that are no UTF-8 (a symbol as written) are replaced, not refused.
  return log.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace check
