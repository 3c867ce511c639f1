// equations_file.cpp - the records of an equations file, group by group.
#include "adjust/equations_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>

#include "cli/bounded_file.h"
#include "cli/diagnostics.h"
#include "cli/input_unit.h"
#include "cli/quoting.h"
#include "conversion/binding_energy_table.h"
#include "conversion/equation_formats.h"
#include "nuclides/physical_limits.h"
#include "nuclides/symbols.h"
#include "recordio/current_record.h"
#include "recordio/input_editing.h"
#include "recordio/record_trace.h"
#include "recordio/units.h"

namespace adjust {

namespace {

using nuclides::without_trailing_blanks;
using recordio::EditDescriptor;
using recordio::FormatList;
using recordio::InputItem;
using recordio::Outcome;
using Kind = EditDescriptor::Kind;

// On input a literal takes no columns, so each list is read with its
// literals turned into skips of their width: the fields are then read from
// the very columns the writer's list put them in.
template <std::size_t N>
constexpr std::array<EditDescriptor, N> read_list(const EditDescriptor (&list)[N]) {
  std::array<EditDescriptor, N> read{};
  for (std::size_t i = 0; i < N; ++i) {
    read[i] = list[i].kind == Kind::literal
                  ? recordio::skip(static_cast<std::int32_t>(list[i].text.size()))
                  : list[i];
  }
  return read;
}

constexpr auto equation_read = read_list(conversion::equation_list);
constexpr auto micro_u_read = read_list(conversion::micro_u_list);
constexpr auto kev_read = read_list(conversion::kev_list);

// A file that is not an equations file at all would give a finding per
// line; after this many the rest says nothing new.
constexpr int most_errors = 20;
// A line shown under a finding is cut here: a binary file may hold lines
// of megabytes.
constexpr std::size_t longest_line_shown = 160;

constexpr const char* equation_fields[] = {
    "mass number", "symbol", "reference mass number", "reference symbol", "G", "V", "U"};
constexpr const char* micro_u_fields[] = {"mass number", "symbol", "mass excess", "uncertainty"};
constexpr const char* kev_fields[] = {"mass excess in keV", "uncertainty in keV"};

bool is_blank(std::string_view record) {
  return record.find_first_not_of(' ') == std::string_view::npos;
}

// 0 when `record` holds the literals of the writer's `list` in their
// columns, blanks where it skips, and nothing but blanks after its last
// column; else the first column (1 for the first) that differs.
std::int32_t layout_difference(FormatList list, std::string_view record) {
  std::size_t at = 0;
  const auto expect = [&](char c) {
    const char found = at < record.size() ? record[at] : '\0';
    ++at;
    return found == c;
  };
  for (const EditDescriptor& descriptor : list) {
    switch (descriptor.kind) {
      case Kind::integer:
      case Kind::real:
      case Kind::character:
        at += static_cast<std::size_t>(descriptor.width);
        if (at > record.size()) return static_cast<std::int32_t>(record.size()) + 1;
        break;
      case Kind::skip:
        for (std::int32_t i = 0; i < descriptor.width; ++i) {
          if (!expect(' ')) return static_cast<std::int32_t>(at);
        }
        break;
      case Kind::literal:
        for (const char c : descriptor.text) {
          if (!expect(c)) return static_cast<std::int32_t>(at);
        }
        break;
      case Kind::record_break:
        break;
    }
  }
  for (; at < record.size(); ++at) {
    if (record[at] != ' ') return static_cast<std::int32_t>(at) + 1;
  }
  return 0;
}

// The `index`-th field of a writer's list: its kind, and its first and
// last column (1 for the first).
struct Field {
  Kind kind = Kind::skip;
  std::int32_t decimals = 0;
  std::int32_t first = 1;
  std::int32_t last = 1;
};

Field field_at(FormatList list, std::size_t index) {
  std::int32_t column = 1;
  std::size_t field = 0;
  for (const EditDescriptor& descriptor : list) {
    const bool data = descriptor.kind == Kind::integer || descriptor.kind == Kind::real ||
                      descriptor.kind == Kind::character;
    const std::int32_t width = descriptor.kind == Kind::literal
                                   ? static_cast<std::int32_t>(descriptor.text.size())
                                   : descriptor.width;
    if (data && field++ == index)
      return {descriptor.kind, descriptor.decimals, column, column + width - 1};
    if (descriptor.kind != Kind::record_break) column += width;
  }
  return {Kind::skip, 0, column, column};
}

std::pair<std::int32_t, std::int32_t> field_span(FormatList list, std::size_t index) {
  const Field field = field_at(list, index);
  return {field.first, field.last};
}

// A bound in a message: 769500, not 769500.000000.
std::string whole(double bound) { return std::to_string(std::llround(bound)); }

// "columns 34-48"
std::string field_columns(FormatList list, std::size_t index) {
  const auto [first, last] = field_span(list, index);
  return "columns " + std::to_string(first) + "-" + std::to_string(last);
}

class Reader {
 public:
  Reader(const std::string& path, const std::string& shown, std::int32_t unit,
         cli::Diagnostics& diagnostics, EquationsFile& file)
      : quoted_(cli::quoted_name(path)), shown_(shown), diagnostics_(diagnostics), file_(file) {
    request_.unit = unit;
    request_.error_branch = true;
    request_.end_branch = true;
    request_.status = &status_;
  }

  bool read(std::string& refusal);

 private:
  enum class Expect { group, micro_u, kev };

  void error(std::int32_t column, const std::string& message) {
    const std::string_view shown = std::string_view(record_).substr(0, longest_line_shown);
    diagnostics_.report(cli::Severity::error, shown_, line_, column, message, shown);
    ++file_.errors;
    // Until the next empty record, the rest of this group says nothing new.
    skipping_ = true;
    expect_ = Expect::group;
  }

  // The text of the `index`-th field of the record, blanks around it dropped.
  std::string_view field_text(FormatList list, std::size_t index) const;
  // True when the `index`-th field holds a number as the converter writes
  // it; else an error finding, false.
  bool written_number(FormatList list, std::size_t index, const char* name);
  // True when `value`, read from the `index`-th field, lies within `limit`
  // of 0 (and above `lowest`); else an error finding naming the datum as the
  // file holds it and `why`, false.
  bool within(FormatList list, std::size_t index, const char* name, double value, double lowest,
              double limit, const std::string& why);
  // Reads `items` from the record begun; false after an error finding.
  bool read_fields(FormatList writer_list, std::span<const InputItem> items,
                   const char* const* names);
  void start_group();
  void unread_tail();
  void read_micro_u();
  void read_kev();

  std::string quoted_;  // for one-line messages
  std::string shown_;   // for the FILE of findings
  cli::Diagnostics& diagnostics_;
  EquationsFile& file_;
  recordio::StatementRequest request_;
  std::int32_t status_ = 0;
  Expect expect_ = Expect::group;
  bool skipping_ = false;
  bool closed_ = false;
  bool warning_before_ = false;
  std::int64_t line_ = 0;
  std::string record_;
  Equation equation_;
};

std::string_view Reader::field_text(FormatList list, std::size_t index) const {
  const Field field = field_at(list, index);
  std::string_view text =
      std::string_view(record_).substr(static_cast<std::size_t>(field.first - 1),
                                       static_cast<std::size_t>(field.last - field.first + 1));
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text.remove_prefix(first);
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

bool Reader::written_number(FormatList list, std::size_t index, const char* name) {
  const Field field = field_at(list, index);
  if (field.kind == Kind::character) return true;
  const std::string_view text = field_text(list, index);
  const std::string named = std::string(name) + " (" + field_columns(list, index) + ")";
  // The record layer reads a blank field as 0 and puts the point of a
  // number written without one d digits from its end: -492 in an F15.5
  // field is -0.00492. The converter writes every digit and every point, so
  // either is a hand edit that would pass for a datum.
  if (text.empty()) {
    error(field.first, named + " is blank: the converter writes a number in every field");
    return false;
  }
  if (field.kind == Kind::real && text.find('.') == std::string_view::npos) {
    error(field.first, named + " is '" + cli::excerpt(text) +
                           "', a number without a decimal point: the converter writes every "
                           "value with one, and without it the last " +
                           std::to_string(field.decimals) + " digits would be read as decimals");
    return false;
  }
  return true;
}

bool Reader::within(FormatList list, std::size_t index, const char* name, double value,
                    double lowest, double limit, const std::string& why) {
  if (std::fabs(value) <= limit && value >= lowest) return true;
  error(field_at(list, index).first, std::string(name) + " (" + field_columns(list, index) +
                                         ") is '" + cli::excerpt(field_text(list, index)) + "', " +
                                         why);
  return false;
}

bool Reader::read_fields(FormatList writer_list, std::span<const InputItem> items,
                         const char* const* names) {
  for (std::size_t index = 0; index < items.size(); ++index) {
    if (recordio::read_item(request_, items[index]) != Outcome::success) {
      error(field_span(writer_list, index).first, std::string(names[index]) + " (" +
                                                      field_columns(writer_list, index) +
                                                      "): " + cli::condition_text(status_));
      return false;
    }
    if (!written_number(writer_list, index, names[index])) return false;
  }
  recordio::end_read(request_);
  return true;
}

void Reader::start_group() {
  if (is_blank(record_)) {
    skipping_ = false;
    if (warning_before_) {
      diagnostics_.report(cli::Severity::warning, shown_, line_, 1,
                          "a warning record with no equation after it", record_);
      warning_before_ = false;
    }
    return;
  }
  if (skipping_) return;
  const std::string text = without_trailing_blanks(record_);
  if (text.size() == conversion::warning_text.size() + 1 && text[0] == ' ' &&
      text.substr(1) == conversion::warning_text) {
    warning_before_ = true;
    return;
  }
  if (layout_difference(conversion::normal_closing_list, record_) == 0) {
    file_.end = FileEnd::normal;
    closed_ = true;
    return;
  }
  if (layout_difference(conversion::failure_closing_list, record_) == 0) {
    file_.end = FileEnd::reading_error;
    closed_ = true;
    return;
  }
  const std::int32_t difference = layout_difference(conversion::equation_list, record_);
  if (difference != 0) {
    error(difference,
          "not an equation record, a warning record, an empty record or a closing record");
    return;
  }
  equation_ = Equation{};
  equation_.line = line_;
  equation_.binding_energy_missing = warning_before_;
  warning_before_ = false;
  conversion::Symbol measured{}, reference{};
  const InputItem items[] = {InputItem::of(equation_.measured.A),
                             InputItem::text(measured.data(), 4),
                             InputItem::of(equation_.reference.A),
                             InputItem::text(reference.data(), 4),
                             InputItem::of(equation_.G),
                             InputItem::of(equation_.V),
                             InputItem::of(equation_.U)};
  if (!read_fields(conversion::equation_list, items, equation_fields)) return;
  equation_.measured.symbol = without_trailing_blanks({measured.data(), measured.size()});
  equation_.reference.symbol = without_trailing_blanks({reference.data(), reference.size()});
  for (const auto& [value, index] :
       {std::pair{equation_.G, std::size_t{4}}, std::pair{equation_.V, std::size_t{5}}}) {
    if (!std::isfinite(value)) {
      error(field_span(conversion::equation_list, index).first,
            std::string(equation_fields[index]) + " is not a finite number");
      return;
    }
  }
  if (!(equation_.U > 0.0) || !std::isfinite(equation_.U)) {
    error(field_span(conversion::equation_list, 6).first,
          "U (" + field_columns(conversion::equation_list, 6) +
              ") is not above 0: an equation without an uncertainty cannot be weighted");
    return;
  }
  if (equation_.G == 0.0) {
    error(field_span(conversion::equation_list, 4).first,
          "G (" + field_columns(conversion::equation_list, 4) +
              ") is 0: the reference's mass excess cannot be recovered from the micro-u record");
    return;
  }
  // Numbers no measurement gives would dominate, or break, the solution:
  // each is refused with the datum as the file holds it, not as a double
  // of a thousand digits.
  constexpr FormatList list = conversion::equation_list;
  const double ratio_limit = nuclides::largest_mass_number_ratio;
  const double difference_limit = nuclides::mass_excess_limit * (1.0 + std::fabs(equation_.G));
  if (!within(list, 4, "G", equation_.G, -ratio_limit, ratio_limit,
              "beyond +/-" + whole(ratio_limit) + ": no ratio of two mass numbers is this large") ||
      !within(list, 6, "U", equation_.U, nuclides::smallest_equation_uncertainty,
              nuclides::largest_equation_uncertainty,
              "outside 0.00001 to 1000 micro-u: no frequency-ratio measurement is that precise "
              "or that imprecise, and the converter writes no such U") ||
      !within(list, 5, "V", equation_.V, -difference_limit, difference_limit,
              "beyond +/-" + whole(difference_limit) +
                  " micro-u, (1 + G) times the largest mass excess: no difference of two mass "
                  "excesses is this large")) {
    return;
  }
  expect_ = Expect::micro_u;
}

void Reader::read_micro_u() {
  const std::int32_t difference = layout_difference(conversion::micro_u_list, record_);
  if (difference != 0) {
    error(difference, "not the micro-u record that must follow the equation record of line " +
                          std::to_string(equation_.line));
    return;
  }
  Nuclide nuclide;
  conversion::Symbol symbol{};
  double sigma = 0.0;
  const InputItem items[] = {InputItem::of(nuclide.A), InputItem::text(symbol.data(), 4),
                             InputItem::of(equation_.mass_excess_measured), InputItem::of(sigma)};
  if (!read_fields(conversion::micro_u_list, items, micro_u_fields)) return;
  nuclide.symbol = without_trailing_blanks({symbol.data(), symbol.size()});
  if (!std::isfinite(equation_.mass_excess_measured)) {
    error(field_span(conversion::micro_u_list, 2).first, "the mass excess is not a finite number");
    return;
  }
  const double limit = nuclides::mass_excess_limit;
  if (!within(conversion::micro_u_list, 2, "the mass excess", equation_.mass_excess_measured,
              -limit, limit,
              "beyond +/-" + whole(limit) +
                  " micro-u: no nuclide's mass excess is "
                  "this large")) {
    return;
  }
  if (nuclide != equation_.measured) {
    error(field_span(conversion::micro_u_list, 0).first,
          "the micro-u record names " + nuclide.name() + ", its equation on line " +
              std::to_string(equation_.line) + " " + equation_.measured.name());
    return;
  }
  equation_.reference_used = (equation_.mass_excess_measured - equation_.V) / equation_.G;
  expect_ = Expect::kev;
}

void Reader::read_kev() {
  const std::int32_t difference = layout_difference(conversion::kev_list, record_);
  if (difference != 0) {
    error(difference, "not the keV record that must follow the micro-u record");
    return;
  }
  double value = 0.0, sigma = 0.0;
  const InputItem items[] = {InputItem::of(value), InputItem::of(sigma)};
  if (!read_fields(conversion::kev_list, items, kev_fields)) return;
  file_.equations.push_back(equation_);
  expect_ = Expect::group;
}

// The record layer delivers a last line without LF, but not when a CR
// stands before its last byte: the file's lines then end in CR alone, and
// the one record they would make is no equation. Without a word none of
// its equations would be read.
void Reader::unread_tail() {
  const recordio::RecordTrace& trace = *recordio::find_unit(request_.unit)->trace;
  const std::string_view raw = trace.raw.view();
  const std::size_t cr = raw.find('\r');
  if (trace.line_feed || cr == std::string_view::npos || cr + 1 >= raw.size()) return;
  line_ = trace.line_number;
  record_.assign(raw.substr(0, std::min(cr, longest_line_shown)));
  error(static_cast<std::int32_t>(cr) + 1,
        "the lines from here on end in CR alone, which ends no line: none of them is read; "
        "save the file with LF or CR LF line ends");
}

bool Reader::read(std::string& refusal) {
  for (;;) {
    switch (expect_) {
      case Expect::group:
        request_.format = equation_read;
        break;
      case Expect::micro_u:
        request_.format = micro_u_read;
        break;
      case Expect::kev:
        request_.format = kev_read;
        break;
    }
    const Outcome outcome = recordio::begin_read(request_);
    if (outcome == Outcome::end_of_file) {
      unread_tail();
      break;
    }
    if (outcome != Outcome::success) {
      refusal = "cannot read " + quoted_ + ": " + cli::condition_text(status_);
      return false;
    }
    record_.assign(recordio::current_record().view());
    line_ = recordio::find_unit(request_.unit)->trace->line_number;
    if (file_.errors >= most_errors) {
      recordio::end_read(request_);
      diagnostics_.report(
          cli::Severity::note, shown_, line_, 0,
          "the rest of the file is not read after " + std::to_string(most_errors) + " errors", {});
      break;
    }
    if (closed_) {
      if (!is_blank(record_)) error(1, "a record after the closing record");
      recordio::end_read(request_);
      continue;
    }
    const Expect expected = expect_;
    switch (expected) {
      case Expect::group:
        start_group();
        break;
      case Expect::micro_u:
        read_micro_u();
        break;
      case Expect::kev:
        read_kev();
        break;
    }
    // A read that ended early has already ended its statement.
    if (request_.kind == recordio::StatementKind::read) recordio::end_read(request_);
  }
  if (expect_ != Expect::group) {
    record_.clear();
    ++line_;
    error(1, "the file ends inside the equation group of line " + std::to_string(equation_.line));
  }
  return true;
}

}  // namespace

bool read_equations_file(const std::string& path, const std::string& shown, std::int32_t unit,
                         cli::Diagnostics& diagnostics, EquationsFile& file, std::string& refusal) {
  // A FIFO, a terminal or a directory would block the read or never end:
  // only a regular file is an equations file.
  if (const std::string why = cli::input_refusal(path); !why.empty()) {
    refusal = "cannot read " + cli::quoted_name(path) + ": " + why;
    return false;
  }
  if (const std::string why = cli::connect_for_reading(unit, path); !why.empty()) {
    refusal = "cannot read " + cli::quoted_name(path) + ": " + why;
    return false;
  }
  recordio::RecordTrace trace;
  recordio::find_unit(unit)->trace = &trace;

  Reader reader(path, shown, unit, diagnostics, file);
  const bool read = reader.read(refusal);

  cli::release_unit(unit);
  return read;
}

}  // namespace adjust
