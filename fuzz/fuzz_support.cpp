// fuzz_support.cpp - scratch files, findings and the checks of written records.
#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "conversion/constants.h"
#include "conversion/equation_formats.h"
#include "recordio/input_fields.h"
#include "recordio/platform.h"

namespace fuzz_support {

namespace {

using recordio::EditDescriptor;
using Kind = recordio::EditDescriptor::Kind;

std::string make_scratch_directory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/f2e-fuzz.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) fail("cannot create a scratch directory", pattern);
  return pattern;
}

std::string* scratch_path = nullptr;

void remove_scratch_directory() {
  if (scratch_path == nullptr) return;
  // The targets only ever make these plain files, and the run directory.
  for (const char* name : {"in.txt", "out.txt", "stdout.txt", "stderr.txt", "run/vemo.freq",
                           "run/ionization.data", "run/vemo.equat"}) {
    ::unlink((*scratch_path + "/" + name).c_str());
  }
  ::rmdir((*scratch_path + "/run").c_str());
  ::rmdir(scratch_path->c_str());
}

[[noreturn]] void stopped_inside_fuzzer(int status) {
  char text[96];
  std::snprintf(text, sizeof text, "the record layer ended the process (status %d)", status);
  fail(text);
}

// 10^-d for the decimals of the program's real fields.
double unit_of_last_decimal(std::int32_t decimals) {
  constexpr double units[] = {1.0,  1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7, 1e-8,
                              1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15, 1e-16};
  return decimals >= 0 && decimals <= 16 ? units[decimals] : 0.0;
}

double power_of_ten_for_width(std::int32_t exponent) {
  double p = 1.0;
  for (std::int32_t i = 0; i < exponent; ++i) p *= 10.0;
  return p;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool all_of(std::string_view text, char c) {
  for (char x : text) {
    if (x != c) return false;
  }
  return true;
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      out += byte;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out + "\"";
}

enum class RealShape { number, infinity, not_a_number, asterisks };

// The grammar of an Fw.d field; empty when it holds.
std::string real_shape(std::string_view field, std::int32_t width, std::int32_t decimals,
                       RealShape& shape) {
  if (field.size() != static_cast<std::size_t>(width)) return "real field of the wrong width";
  if (all_of(field, '*')) {
    shape = RealShape::asterisks;
    return {};
  }
  std::size_t at = 0;
  while (at < field.size() && field[at] == ' ') ++at;
  if (at < field.size() && field[at] == '-') ++at;
  const std::string_view rest = field.substr(at);
  if (rest == "INF" || rest == "NaN") {
    shape = rest == "INF" ? RealShape::infinity : RealShape::not_a_number;
    return {};
  }
  std::size_t digits_before = 0;
  while (at < field.size() && is_digit(field[at])) {
    ++at;
    ++digits_before;
  }
  if (at == field.size() || field[at] != '.') return "real field without its point";
  ++at;
  if (field.size() - at != static_cast<std::size_t>(decimals))
    return "real field with the wrong decimals";
  for (; at < field.size(); ++at) {
    if (!is_digit(field[at])) return "real field with a non-digit among its decimals";
  }
  // Every field of the program has a column for the "0" before the point.
  if (digits_before == 0) return "real field without the 0 before the point";
  shape = RealShape::number;
  return {};
}

std::string with_context(std::string_view what, std::string_view field) {
  return std::string(what) + " in " + quoted(field);
}

}  // namespace

// ---------------------------------------------------------------------------
// Files

const std::string& scratch_directory() {
  if (scratch_path == nullptr) {
    scratch_path = new std::string(make_scratch_directory());
    std::atexit(remove_scratch_directory);
  }
  return *scratch_path;
}

std::string scratch_file(std::string_view name) {
  return scratch_directory() + "/" + std::string(name);
}

bool write_file(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* at = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, at, left);
    if (n <= 0) {
      ::close(fd);
      return false;
    }
    at += n;
    left -= static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0;
}

bool read_file(const std::string& path, std::string& bytes) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

void remove_file(const std::string& path) { ::unlink(path.c_str()); }

// ---------------------------------------------------------------------------
// Findings

void fail(std::string_view what, std::string_view context) {
  std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
  if (!context.empty()) {
    const std::string shown = quoted(context.substr(0, 4000));
    std::fprintf(stderr, "  context: %s\n", shown.c_str());
  }
  std::fflush(stderr);
  std::abort();
}

void trap_run_stops() { recordio::platform::set_exit_handler(stopped_inside_fuzzer); }

// ---------------------------------------------------------------------------
// Format lists

std::vector<FieldPlace> field_places(recordio::FormatList format) {
  std::vector<FieldPlace> places;
  std::size_t column = 0;
  for (const EditDescriptor& d : format) {
    switch (d.kind) {
      case Kind::integer:
      case Kind::real:
      case Kind::character:
        places.push_back({column, d});
        column += static_cast<std::size_t>(d.width);
        break;
      case Kind::skip:
        column += static_cast<std::size_t>(d.width);
        break;
      case Kind::literal:
        column += d.text.size();
        break;
      case Kind::record_break:
        return places;
    }
  }
  return places;
}

std::size_t record_width(recordio::FormatList format) {
  std::size_t column = 0;
  for (const EditDescriptor& d : format) {
    if (d.kind == Kind::record_break) break;
    column += d.kind == Kind::literal ? d.text.size() : static_cast<std::size_t>(d.width);
  }
  return column;
}

std::string check_fixed_columns(std::string_view record, recordio::FormatList format) {
  if (record.size() != record_width(format)) {
    return "record of " + std::to_string(record.size()) + " columns where its list fixes " +
           std::to_string(record_width(format));
  }
  std::size_t column = 0;
  for (const EditDescriptor& d : format) {
    if (d.kind == Kind::record_break) break;
    if (d.kind == Kind::skip) {
      if (!all_of(record.substr(column, static_cast<std::size_t>(d.width)), ' ')) {
        return "skipped columns not blank";
      }
    } else if (d.kind == Kind::literal) {
      if (record.substr(column, d.text.size()) != d.text) {
        return "literal " + quoted(d.text) + " not in its columns";
      }
    }
    column += d.kind == Kind::literal ? d.text.size() : static_cast<std::size_t>(d.width);
  }
  return {};
}

// ---------------------------------------------------------------------------
// Fields

int shown_significant_digits(std::string_view field) {
  int count = 0;
  bool started = false;
  for (char c : field) {
    if (!is_digit(c)) continue;
    if (c != '0') started = true;
    if (started) ++count;
  }
  return count;
}

bool reread_real(std::string_view field, std::int32_t decimals, double& value) {
  RealShape shape{};
  if (!real_shape(field, static_cast<std::int32_t>(field.size()), decimals, shape).empty() ||
      shape != RealShape::number || shown_significant_digits(field) > 15) {
    return false;
  }
  recordio::TextBuffer scratch;
  const std::int32_t code = recordio::edit_real_field(field, decimals, scratch, value);
  if (code != 0)
    fail("a written real field does not read back (code " + std::to_string(code) + ")", field);
  return true;
}

std::string check_real_field(std::string_view field, std::int32_t width, std::int32_t decimals,
                             double value) {
  RealShape shape{};
  if (std::string problem = real_shape(field, width, decimals, shape); !problem.empty()) {
    return with_context(problem, field);
  }
  const bool negative = std::signbit(value);
  switch (shape) {
    case RealShape::infinity:
      if (!std::isinf(value)) return with_context("INF for a finite value", field);
      if ((field.find('-') != std::string_view::npos) != negative)
        return with_context("INF with the wrong sign", field);
      return {};
    case RealShape::not_a_number:
      if (!std::isnan(value)) return with_context("NaN for a number", field);
      if ((field.find('-') != std::string_view::npos) != negative)
        return with_context("NaN with the wrong sign bit", field);
      return {};
    case RealShape::asterisks: {
      if (std::isnan(value)) return with_context("asterisks for NaN in a field wide enough", field);
      if (std::isinf(value)) {
        return width >= 3 + (negative ? 1 : 0)
                   ? with_context("asterisks for INF in a field wide enough", field)
                   : std::string{};
      }
      const std::int32_t room = width - (negative ? 1 : 0) - decimals - 1;
      if (std::fabs(value) < 0.999 * power_of_ten_for_width(room)) {
        return with_context("asterisks for a value that fits", field);
      }
      return {};
    }
    case RealShape::number:
      break;
  }
  if (!std::isfinite(value)) return with_context("digits for INF or NaN", field);
  const bool minus_shown = field.find('-') != std::string_view::npos;
  if (minus_shown && !negative) return with_context("minus sign on a positive value", field);
  double reread = 0.0;
  if (!reread_real(field, decimals, reread)) return {};
  const double tolerance = 0.5 * unit_of_last_decimal(decimals) + 1e-14 * std::fabs(value);
  if (!(std::fabs(reread - value) <= tolerance)) {
    char text[160];
    std::snprintf(text, sizeof text, "field re-reads as %.17g for %.17g (F%d.%d)", reread, value,
                  static_cast<int>(width), static_cast<int>(decimals));
    return with_context(text, field);
  }
  // A shown nonzero digit with a sign must belong to a negative value, and a
  // negative value that shows digits other than zero must show its sign.
  if (negative && reread != 0.0 && !minus_shown)
    return with_context("negative value without its sign", field);
  return {};
}

std::string check_integer_field(std::string_view field, std::int32_t width, std::int32_t value) {
  if (field.size() != static_cast<std::size_t>(width))
    return with_context("integer field of the wrong width", field);
  const std::string digits = std::to_string(value);  // "-" and digits, no plus sign
  if (digits.size() > static_cast<std::size_t>(width)) {
    if (!all_of(field, '*')) return with_context("no asterisks for an integer too wide", field);
    return {};
  }
  const std::string expected =
      std::string(static_cast<std::size_t>(width) - digits.size(), ' ') + digits;
  if (field != expected) return with_context("integer field is not " + quoted(expected), field);
  std::int32_t reread = 0;
  if (recordio::edit_integer_field(field, reread) != 0 || reread != value) {
    return with_context("integer field does not read back", field);
  }
  return {};
}

// ---------------------------------------------------------------------------
// Whole files

std::string split_records(std::string_view file, std::vector<std::string_view>& records) {
  records.clear();
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t lf = file.find('\n', at);
    if (lf == std::string_view::npos) return "last line without CR LF";
    if (lf == at || file[lf - 1] != '\r') return "a line that ends in LF without CR";
    const std::string_view record = file.substr(at, lf - 1 - at);
    if (record.find('\r') != std::string_view::npos) return "a CR inside a record";
    records.push_back(record);
    at = lf + 1;
  }
  return {};
}

namespace {

std::string check_reals_of(std::string_view record, recordio::FormatList format) {
  for (const FieldPlace& place : field_places(format)) {
    if (place.descriptor.kind != Kind::real) continue;
    const std::string_view field =
        record.substr(place.column, static_cast<std::size_t>(place.descriptor.width));
    RealShape shape{};
    if (std::string problem =
            real_shape(field, place.descriptor.width, place.descriptor.decimals, shape);
        !problem.empty()) {
      return with_context(problem, field);
    }
  }
  return {};
}

std::string_view field_at(std::string_view record, const FieldPlace& place) {
  return record.substr(place.column, static_cast<std::size_t>(place.descriptor.width));
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

// The keV field against the micro-u field it was converted from.
std::string check_converted(std::string_view micro_u, std::string_view kev, std::int32_t decimals) {
  const bool micro_inf = trimmed(micro_u).find("INF") != std::string_view::npos;
  const bool kev_inf = trimmed(kev).find("INF") != std::string_view::npos;
  const bool micro_nan = micro_u.find("NaN") != std::string_view::npos;
  const bool kev_nan = kev.find("NaN") != std::string_view::npos;
  if (micro_inf != kev_inf || micro_nan != kev_nan) return "keV and micro-u disagree on INF or NaN";
  if (micro_inf &&
      (micro_u.find('-') == std::string_view::npos) != (kev.find('-') == std::string_view::npos)) {
    return "keV and micro-u infinities of different signs";
  }
  double m = 0.0;
  double k = 0.0;
  if (!reread_real(micro_u, decimals, m) || !reread_real(kev, decimals, k)) return {};
  const double factor = conversion::kev_per_micro_u;
  const double half = 0.5 * unit_of_last_decimal(decimals);
  const double tolerance = half + factor * half + 3e-14 * std::fabs(m) + 1e-300;
  if (!(std::fabs(k - m * factor) <= tolerance)) {
    char text[160];
    std::snprintf(text, sizeof text, "keV %.17g is not %.17g micro-u times the factor", k, m);
    return text;
  }
  return {};
}

std::string check_group(std::string_view equation, std::string_view micro_u, std::string_view kev) {
  for (const auto& [record, format, name] :
       {std::tuple{equation, recordio::FormatList(conversion::equation_list), "equation"},
        std::tuple{micro_u, recordio::FormatList(conversion::micro_u_list), "micro-u"},
        std::tuple{kev, recordio::FormatList(conversion::kev_list), "keV"}}) {
    if (std::string problem = check_fixed_columns(record, format); !problem.empty()) {
      return std::string(name) + " record: " + problem;
    }
    if (std::string problem = check_reals_of(record, format); !problem.empty()) {
      return std::string(name) + " record: " + problem;
    }
  }
  const auto eq = field_places(conversion::equation_list);
  const auto mu = field_places(conversion::micro_u_list);
  const auto kv = field_places(conversion::kev_list);
  // The measured nuclide of the equation (I6, A4) and of the micro-u record
  // (I4, A4) were written from the same items.
  if (field_at(equation, eq[1]) != field_at(micro_u, mu[1])) return "symbols of one group differ";
  const std::string_view a6 = trimmed(field_at(equation, eq[0]));
  const std::string_view a4 = field_at(micro_u, mu[0]);
  if (all_of(a4, '*')) {
    if (a6.size() <= 4) return "mass number fits I4 but is asterisks";
  } else if (trimmed(a4) != a6) {
    return "mass numbers of one group differ";
  }
  for (std::size_t i = 0; i < 2; ++i) {
    if (std::string problem = check_converted(field_at(micro_u, mu[2 + i]), field_at(kev, kv[i]),
                                              mu[2 + i].descriptor.decimals);
        !problem.empty()) {
      return problem;
    }
  }
  return {};
}

}  // namespace

std::string check_equation_file(std::string_view file) {
  std::vector<std::string_view> records;
  if (std::string problem = split_records(file, records); !problem.empty()) return problem;
  if (records.empty()) return "no closing record";
  const std::size_t last = records.size() - 1;
  if (records[last] != normal_closing && records[last] != failure_closing) {
    return "last record is not a closing record: " + quoted(records[last]);
  }
  std::size_t i = 0;
  while (i < last) {
    const std::size_t group = i;
    if (records[i] == warning_record) ++i;
    if (i + 3 >= last) return "group cut short at record " + std::to_string(group + 1);
    if (std::string problem = check_group(records[i], records[i + 1], records[i + 2]);
        !problem.empty()) {
      return "record " + std::to_string(i + 1) + ": " + problem;
    }
    if (!records[i + 3].empty())
      return "group not ended by an empty record at record " + std::to_string(i + 4);
    i += 4;
  }
  return {};
}

}  // namespace fuzz_support
