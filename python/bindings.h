// bindings.h - the parts of the Python module, and what they share: inputs
// given as paths or as text, the shipped data, and errors raised as Python
// errors.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/input_unit.h"
#include "cli/quoting.h"

namespace freq2equat_python {

namespace py = pybind11;

void bind_convert(py::module_& module);
void bind_check(py::module_& module);
void bind_adjust(py::module_& module);
void bind_tables(py::module_& module);
void define_errors(py::module_& module);

// An input file of a call: a path, or text held in an anonymous
// in-memory file that the record layer reads as it reads a path.
class Input {
 public:
  // `value` is a path (str or os.PathLike) or the file's text (bytes, or a
  // str holding a line end, or an empty str); text is named `name` in
  // findings. A path that cannot be opened raises the OSError for it
  // (FileNotFoundError when it does not exist).
  Input(const py::handle& value, const std::string& name);
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  ~Input();

  const std::string& path() const { return path_; }    // to connect
  const std::string& shown() const { return shown_; }  // in findings and messages
  bool is_text() const { return descriptor_ >= 0; }

 private:
  std::string path_;
  std::string shown_;
  int descriptor_ = -1;
};

// A table argument: None for the shipped table `shipped`, False for none,
// else a path or the table's text.
struct TableChoice {
  TableChoice(const py::object& value, const std::string& shipped);
  TableChoice(const TableChoice&) = delete;
  TableChoice& operator=(const TableChoice&) = delete;

  // As messages name the table.
  std::string shown() const { return input ? input->shown() : cli::shown_name(path); }
  // Raises FileNotFoundError when the shipped table is missing (a module
  // copied without its data).
  void require_shipped() const;

  std::optional<Input> input;
  std::string path;  // empty: no table
  bool shipped = false;
};

// An in-memory file the record layer writes to, read back whole.
class MemoryFile {
 public:
  MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  ~MemoryFile();
  const std::string& path() const { return path_; }
  std::string contents() const;

 private:
  std::string path_;
  int descriptor_ = -1;
};

// Bytes read from or written for a file as a str: UTF-8, any other byte
// kept as a lone surrogate, so that text.encode("utf-8", "surrogateescape")
// gives the bytes back.
py::str file_text(std::string_view bytes);

// The shipped data file `name` (mass-excess-2020.csv, ...): beside the
// module in the build tree, where the installation put it otherwise.
std::string data_file(const std::string& name);

// Raises freq2equat.InputError (a ValueError) with its place; `line` 0
// for none, `column` 0 for the whole line.
[[noreturn]] void raise_input_error(const std::string& message, const std::string& file,
                                    std::int64_t line, std::int32_t column,
                                    const py::object& partial = py::none());
// Raises the OSError subclass for `error_number` (FileNotFoundError, ...).
[[noreturn]] void raise_os_error(int error_number, const std::string& path);

// Connects `unit` for reading only, with a status variable; raises OSError
// with the layer's reason when it cannot.
void connect_for_reading(std::int32_t unit, const Input& input);

// Releases a unit when the scope ends, an exception too.
struct UnitGuard {
  std::int32_t unit;
  ~UnitGuard() { cli::release_unit(unit); }
};

}  // namespace freq2equat_python
