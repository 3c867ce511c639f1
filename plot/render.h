// render.h - a Figure written as SVG, PDF or PNG, chosen by the file's name.
//
// One drawing code serves the three formats: PDF (16 cm wide, vector, fonts
// embedded) for a paper, PNG (1600 pixels wide) for a slide, SVG (1600
// pixels wide, vector) for the web. The file is replaced whole or not at
// all (cli/output_file.h, replace mode).
//
// A program that draws at the end of a long run checks its target first:
//
//   if (std::string why = plot::refusal_of(path); !why.empty()) { usage error: why }
//   ... the run ...
//   if (std::string why = plot::write_picture(figure, path); !why.empty()) { failure: why }
#pragma once

#include <optional>
#include <string>

#include "plot/figure.h"
#include "plot/layout.h"

namespace plot {

enum class Format { svg, pdf, png };

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
// space left on device"); the target is then as it was before.
std::string write_picture(const Figure& figure, const std::string& path);

// The layout `write_picture` would draw, for tests and for callers that
// want the picture's size (in points, 16 cm wide).
Layout layout_of(const Figure& figure);

// Pixels per point of the PNG and SVG pictures: 1600 pixels over 16 cm.
inline constexpr double pixels_per_point = 1600.0 / picture_width;

}  // namespace plot
