// statement.h - the statement request, outcomes, items and format lists.
//
// Every statement of the record layer (connect, release, read, write) takes
// its arguments from one StatementRequest that the caller fills before the
// first call and keeps until the statement has ended. Every call returns an
// Outcome, which the caller tests before making the next call.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace recordio {

// What a call into the layer tells its caller to do next.
enum class Outcome : int {
  success = 0,      // go on with the statement
  failure = 1,      // take the error branch (also end of file without an end branch)
  end_of_file = 2,  // take the end-of-file branch
  recorded = 3,     // the condition is in the status variable; the statement is over
};

// Numbered as the failure report's keyword table; kind 0 doubles as "no
// statement in progress".
enum class StatementKind : int {
  rewind = 0,
  backspace = 1,
  open = 2,
  close = 3,
  inquire = 4,
  read = 5,
  write = 6,
  endfile = 7,
};

enum class Transfer { fixed_column, free_form };

// One edit descriptor of a format list.
struct EditDescriptor {
  enum class Kind { integer, real, character, skip, literal, record_break };
  Kind kind;
  std::int32_t width = 0;     // Iw, Fw.d, Aw (0 for Aw: the item's length); n of nX
  std::int32_t decimals = 0;  // d of Fw.d; m (minimum digits) of Iw
  std::string_view text{};    // a literal's characters
};

using FormatList = std::span<const EditDescriptor>;

class PreparedFormat;  // prepared_format.h

// Descriptor constructors, so that format lists read like their notation:
//   constexpr EditDescriptor list[] = {skip(5), integer(6), character(4), literal("-")};
constexpr EditDescriptor integer(std::int32_t w, std::int32_t m = 1) {
  return {EditDescriptor::Kind::integer, w, m, {}};
}
constexpr EditDescriptor real(std::int32_t w, std::int32_t d) {
  return {EditDescriptor::Kind::real, w, d, {}};
}
constexpr EditDescriptor character(std::int32_t w = 0) {
  return {EditDescriptor::Kind::character, w, 0, {}};
}
constexpr EditDescriptor skip(std::int32_t n) { return {EditDescriptor::Kind::skip, n, 0, {}}; }
constexpr EditDescriptor literal(std::string_view text) {
  return {EditDescriptor::Kind::literal, 0, 0, text};
}
constexpr EditDescriptor record_break() { return {EditDescriptor::Kind::record_break, 0, 0, {}}; }

// The arguments of one statement. Fields a statement does not use are ignored.
struct StatementRequest {
  // Set by the layer when a statement begins, back to 0 when it has ended
  // successfully; the failure report names the kind in force.
  StatementKind kind = StatementKind::rewind;
  std::int32_t unit = 0;

  bool error_branch = false;
  bool end_branch = false;
  // Status variable: a two's-complement integer of 1, 2 or 4 bytes; nullptr
  // when the statement has none.
  void* status = nullptr;
  int status_width = 4;

  // Connect and release.
  std::string_view file_name{};
  std::optional<std::string_view> status_keyword{};
  std::optional<std::string_view> form_keyword{};
  // "read" connects for reading only, so that a file the user may not
  // write (or that must not change) can still be read; absent, a unit is
  // open for reading and writing.
  std::optional<std::string_view> action_keyword{};

  // Read and write.
  Transfer transfer = Transfer::fixed_column;
  FormatList format{};
  // The layout of `format` made once (use_format sets both), or nullptr.
  const PreparedFormat* prepared = nullptr;

  // Set when a condition was recorded in the status variable: the rest of the
  // statement's calls then do nothing and succeed.
  bool statement_failed = false;
};

// The variable that one read item fills.
// The place first and the two small numbers side by side: 16 bytes, and
// an item of a fixed type and size is made with two stores.
struct InputItem {
  enum class Type { integer32, real64, text };
  void* place;
  std::int32_t size;  // bytes: 4 for integers, 8 for doubles, L for text
  Type type;

  static InputItem of(std::int32_t& v) { return {&v, 4, Type::integer32}; }
  static InputItem of(double& v) { return {&v, 8, Type::real64}; }
  static InputItem text(char* chars, std::int32_t length) { return {chars, length, Type::text}; }
};

// The value that one write item shows: the member its type names. The
// three share their storage, so that an item is made with two stores and
// a statement's items are passed in fewer bytes.
struct OutputItem {
  enum class Type { integer32, real64, text };
  Type type;
  union {
    std::int32_t integer;
    double real;
    std::string_view text;
  };

  static constexpr OutputItem of(std::int32_t v) { return OutputItem(v); }
  static constexpr OutputItem of(double v) { return OutputItem(v); }
  static constexpr OutputItem of(std::string_view chars) { return OutputItem(chars); }

 private:
  constexpr explicit OutputItem(std::int32_t v) : type(Type::integer32), integer(v) {}
  constexpr explicit OutputItem(double v) : type(Type::real64), real(v) {}
  constexpr explicit OutputItem(std::string_view chars) : type(Type::text), text(chars) {}
};

}  // namespace recordio
