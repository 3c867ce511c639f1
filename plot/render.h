// render.h - a Figure written as SVG, PDF or PNG, chosen by the file's name.
//
// One drawing code serves the three formats: PDF (vector, fonts embedded)
// for a paper, PNG (300 dpi in print shapes, 1920 x 1080 pixels as a
// slide) and SVG (vector, as many pixels as the PNG). A picture that does
// not fit one page is a PDF of several pages, or numbered files for PNG
// and SVG ("p.png" becomes "p-1.png", "p-2.png", ...). Every file is
// replaced whole or not at all (cli/output_file.h, replace mode).
//
// A program that draws at the end of a long run checks its target first:
//
//   if (std::string why = plot::refusal_of(path); !why.empty()) { usage error: why }
//   ... the run ...
//   if (std::string why = plot::write_picture(figure, path); !why.empty()) { failure: why }
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plot/figure.h"
#include "plot/layout.h"

namespace cli {
class OutputSet;
struct NamesInUse;
}  // namespace cli

namespace plot {

enum class Format { svg, pdf, png };

// The shape named "column", "page" or "slide"; page for anything else.
Size size_named(const std::string& word);

// The format named by the extension of `path` (".svg", ".pdf", ".png", in
// any case), or none.
std::optional<Format> format_of(const std::string& path);

// Why `path` cannot take a picture, in one line, or an empty string: an
// extension that names no format, or an existing file that is not a
// regular file (a FIFO would block the writer, a device or directory cannot
// be replaced). Never blocks and never opens the path.
std::string refusal_of(const std::string& path);

// Draws `figure` into `path`. Returns an empty string, or one line that
// says why the picture could not be written ("cannot write 'p.png': No
// space left on device"); the targets are then as they were before.
// With `set`, the picture is a member of the set and gets its name with the
// set's other files (cli/output_file.h); the targets are untouched until
// then. `written`, when given, receives the names of the files written:
// `path` itself, or its numbered pages. With `in_use`, a numbered page that
// would be one of the program's inputs or other outputs is refused before
// anything is written.
std::string write_picture(const Figure& figure, const std::string& path,
                          cli::OutputSet* set = nullptr,
                          std::vector<std::string>* written = nullptr,
                          const cli::NamesInUse* in_use = nullptr);

// The name of page `number` (from 1) of a PNG or SVG picture of several
// pages: "out/p.png" -> "out/p-2.png".
std::string page_name(const std::string& path, std::size_t number);

// `names` as a listing shows them: "'p-1.png', 'p-2.png'".
std::string listed_names(const std::vector<std::string>& names);

// The layout `write_picture` would draw, for tests and for callers that
// want the picture's size (in points).
Layout layout_of(const Figure& figure);

}  // namespace plot
