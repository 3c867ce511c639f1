// inputs.cpp - inputs as paths or text, the shipped data, Python errors.
#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "cli/diagnostics.h"
#include "cli/input_unit.h"
#include "cli/paths.h"
#include "cli/quoting.h"
#include "nuclides/installed_data.h"
#include "python/bindings.h"
#include "recordio/statement.h"
#include "recordio/units.h"

namespace freq2equat_python {

namespace {

// freq2equat.InputError, made once when the module is loaded.
PyObject* input_error_type = nullptr;

void write_all(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(descriptor, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) raise_os_error(n < 0 ? errno : ENOSPC, "(in-memory file)");
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// An anonymous file in memory, reachable by a name the layer can open.
int memory_file(const std::string& name, std::string& path) {
  const int descriptor = ::memfd_create(name.c_str(), MFD_CLOEXEC);
  if (descriptor < 0) raise_os_error(errno, name);
  path = "/proc/self/fd/" + std::to_string(descriptor);
  return descriptor;
}

bool readable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

}  // namespace

Input::Input(const py::handle& value, const std::string& name) {
  py::object text;
  if (py::isinstance<py::bytes>(value)) {
    text = py::reinterpret_borrow<py::object>(value);
  } else if (py::isinstance<py::str>(value)) {
    const std::string s = value.cast<std::string>();
    // A file name holds no line end; the text of any file of these has one
    // at least, or is empty.
    if (s.empty() || s.find('\n') != std::string::npos) {
      text = py::bytes(s);
    } else {
      path_ = s;
    }
  } else if (py::hasattr(value, "__fspath__")) {
    const py::module_ os = py::module_::import("os");
    path_ = os.attr("fsdecode")(os.attr("fspath")(value)).cast<std::string>();
  } else {
    throw py::type_error(name + ": a path or the file's text is wanted");
  }
  if (text) {
    descriptor_ = memory_file(name, path_);
    write_all(descriptor_, text.cast<std::string_view>());
    shown_ = name;
    return;
  }
  struct stat status {};
  if (::stat(path_.c_str(), &status) != 0) raise_os_error(errno, path_);
  if (S_ISDIR(status.st_mode)) raise_os_error(EISDIR, path_);
  shown_ = cli::shown_name(path_);
}

Input::~Input() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

MemoryFile::MemoryFile() { descriptor_ = memory_file("freq2equat-output", path_); }

MemoryFile::~MemoryFile() { ::close(descriptor_); }

std::string MemoryFile::contents() const {
  std::string bytes;
  char buffer[65536];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(descriptor_, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raise_os_error(errno, "(in-memory file)");
    if (n == 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

py::str file_text(std::string_view bytes) {
  PyObject* text =
      PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "surrogateescape");
  if (text == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}

TableChoice::TableChoice(const py::object& value, const std::string& shipped_name) {
  if (value.is_none()) {
    path = data_file(shipped_name);
    shipped = true;
  } else if (!(py::isinstance<py::bool_>(value) && !value.cast<bool>())) {
    input.emplace(value, shipped_name);
    path = input->path();
  }
}

void TableChoice::require_shipped() const {
  if (shipped) static_cast<void>(Input(py::str(path), cli::base_name(path)));
}

std::string data_file(const std::string& name) {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&data_file), &info) != 0 && info.dli_fname != nullptr) {
    std::string directory = info.dli_fname;
    const std::size_t slash = directory.rfind('/');
    directory = slash == std::string::npos ? "." : directory.substr(0, slash);
    for (const std::string& candidate :
         {directory + "/../share/freq2equat/" + name,
          directory + "/" + FREQ2EQUAT_DATA_FROM_MODULE + "/" + name}) {
      if (readable(candidate)) return candidate;
    }
  }
  return nuclides::installed_data(name);
}

void define_errors(py::module_& module) {
  input_error_type = PyErr_NewExceptionWithDoc(
      "freq2equat.InputError",
      "Bad input: a value, line or table the programs would not accept.\n\n"
      "Attributes: file, line and column (None where the error has no such\n"
      "place; column 0 means the whole line), message, and partial: for\n"
      "convert(), the equations converted before the line that stopped it.",
      PyExc_ValueError, nullptr);
  module.add_object("InputError", py::handle(input_error_type));
}

void raise_input_error(const std::string& message, const std::string& file, std::int64_t line,
                       std::int32_t column, const py::object& partial) {
  std::string text;
  if (!file.empty()) {
    text = file + ':';
    if (line > 0) text += std::to_string(line) + ':';
    if (line > 0 && column > 0) text += std::to_string(column) + ':';
    text += ' ';
  }
  text += message;
  py::object error = py::reinterpret_borrow<py::object>(input_error_type)(file_text(text));
  error.attr("file") = file.empty() ? py::object(py::none()) : py::object(file_text(file));
  error.attr("line") = line > 0 ? py::object(py::int_(line)) : py::object(py::none());
  error.attr("column") = line > 0 ? py::object(py::int_(column)) : py::object(py::none());
  error.attr("message") = file_text(message);
  error.attr("partial") = partial;
  PyErr_SetObject(input_error_type, error.ptr());
  throw py::error_already_set();
}

void raise_os_error(int error_number, const std::string& path) {
  errno = error_number;
  PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
  throw py::error_already_set();
}

void connect_for_reading(std::int32_t unit, const Input& input) {
  if (const std::string why = cli::connect_for_reading(unit, input.path()); !why.empty()) {
    const std::string message = "cannot read " + cli::quoted_name(input.shown()) + ": " + why;
    PyErr_SetString(PyExc_OSError, message.c_str());
    throw py::error_already_set();
  }
}

}  // namespace freq2equat_python
