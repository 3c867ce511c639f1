// render.cpp - one layout, one drawing, three kinds of cairo surface.
#include "plot/render.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "cli/output_file.h"
#include "cli/paths.h"
#include "cli/quoting.h"
#include "plot/draw.h"
#include "plot/text.h"

namespace plot {

namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Text as XML character data: valid UTF-8, markup characters escaped, and
// the control characters XML forbids (a file name may hold any byte but
// '/' and NUL) shown as U+FFFD, so that a renderer still reads the file.
std::string xml_escaped(const std::string& text) {
  const std::string valid = valid_utf8(text);
  std::string out;
  for (const char c : valid) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r') {
          out += "\ufffd";
        } else {
          out += c;
        }
    }
  }
  return out;
}

// What the picture shows, as text: an SVG's outlines of glyphs cannot be
// searched or read aloud, its title and description can.
std::string svg_text_of(const Figure& figure) {
  std::string desc;
  for (const Section& section : figure.sections) {
    desc += section.heading.empty() ? section.axis_label : section.heading;
    desc += ":";
    for (const Group& group : section.groups) {
      for (const Point& point : group.points) {
        desc += " " + point.label.plain();
        if (!point.caption.empty()) desc += " " + point.caption;
        desc += ";";
      }
    }
    desc += "\n";
  }
  for (const Footnote& note : figure.footnotes) {
    desc += note.lead;
    for (std::size_t i = 0; i < note.items.size(); ++i) {
      const Footnote::Item& item = note.items[i];
      desc += " " + item.label.plain() + (item.detail.empty() ? "" : " " + item.detail);
      if (i + 1 < note.items.size()) desc += note.separator;
    }
    desc += "\n";
  }
  return "\n<title>" + xml_escaped(figure.title) + "</title>\n<desc>" + xml_escaped(desc) +
         "</desc>";
}

// Bytes from cairo into a file, the first failure kept.
cairo_status_t to_file(void* closure, const unsigned char* data, unsigned int length) {
  auto* file = static_cast<cli::OutputFile*>(closure);
  return file->write({reinterpret_cast<const char*>(data), length}) ? CAIRO_STATUS_SUCCESS
                                                                    : CAIRO_STATUS_WRITE_ERROR;
}

cairo_status_t to_string(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string drawing_failed(const std::string& path, cairo_status_t status) {
  return "cannot write " + cli::quoted_name(path) + ": " + cairo_status_to_string(status);
}

}  // namespace

Size size_named(const std::string& word) {
  if (word == "column") return Size::column;
  if (word == "slide") return Size::slide;
  return Size::page;
}

std::optional<Format> format_of(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  const std::string extension = lower(path.substr(dot));
  if (extension == ".svg") return Format::svg;
  if (extension == ".pdf") return Format::pdf;
  if (extension == ".png") return Format::png;
  return std::nullopt;
}

std::string refusal_of(const std::string& path) {
  if (!format_of(path)) {
    return "cannot tell the picture's format from " + cli::quoted_name(path) +
           ": name it .svg, .pdf or .png";
  }
  return cli::output_refusal(path);
}

std::string page_name(const std::string& path, std::size_t number) {
  const std::size_t dot = path.rfind('.');
  return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

std::string listed_names(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ", ";
    text += cli::quoted_name(name);
  }
  return text;
}

Layout layout_of(const Figure& figure) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
  Context cr(cairo_create(surface.get()));
  return lay_out(figure, cr.get());
}

namespace {

// One file: every page of a PDF, or page `only` of a PNG or SVG.
std::string write_file(const Figure& figure, const Layout& layout, Format format,
                       const std::string& path, std::size_t only, cli::OutputSet* set) {
  const double scale = layout.shape.pixels_per_point;
  const Page& first = layout.pages[format == Format::pdf ? 0 : only];
  const double width_px = std::round(layout.width() * scale);
  const double height_px = std::ceil(first.height * scale);

  cli::OutputFile own(path, cli::OutputMode::replace);
  cli::OutputFile& file = set != nullptr ? set->add(path, cli::OutputMode::replace) : own;
  if (!file.open()) return file.error();
  Surface surface;
  std::string svg;
  switch (format) {
    case Format::pdf:
      surface.reset(
          cairo_pdf_surface_create_for_stream(to_file, &file, layout.width(), first.height));
      cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE,
                                     valid_utf8(figure.title).c_str());
      break;
    case Format::svg:
      surface.reset(cairo_svg_surface_create_for_stream(to_string, &svg, width_px, height_px));
      cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
      break;
    case Format::png:
      surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width_px),
                                               static_cast<int>(height_px)));
      break;
  }
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    return drawing_failed(path, cairo_surface_status(surface.get()));
  }
  {
    Context cr(cairo_create(surface.get()));
    if (format == Format::pdf) {
      for (std::size_t i = 0; i < layout.pages.size(); ++i) {
        cairo_pdf_surface_set_size(surface.get(), layout.width(), layout.pages[i].height);
        draw(cr.get(), layout, layout.pages[i]);
        cairo_show_page(cr.get());
      }
    } else {
      cairo_scale(cr.get(), scale, scale);
      draw(cr.get(), layout, layout.pages[only]);
    }
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
      return drawing_failed(path, cairo_status(cr.get()));
  }
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  if (format == Format::png) {
    status = cairo_surface_write_to_png_stream(surface.get(), to_file, &file);
  } else {
    cairo_surface_finish(surface.get());
    status = cairo_surface_status(surface.get());
  }
  if (format == Format::svg && status == CAIRO_STATUS_SUCCESS) {
    const std::size_t root = svg.find("<svg");
    const std::size_t end = root == std::string::npos ? root : svg.find('>', root);
    if (end != std::string::npos) svg.insert(end + 1, svg_text_of(figure));
    file.write(svg);
  }
  if (!file.error().empty()) return file.error();
  if (status != CAIRO_STATUS_SUCCESS) return drawing_failed(path, status);
  if (!(set != nullptr ? file.finish() : file.commit())) return file.error();
  return {};
}

}  // namespace

std::string write_picture(const Figure& figure, const std::string& path, cli::OutputSet* set,
                          std::vector<std::string>* written, const cli::NamesInUse* in_use) {
  if (std::string why = refusal_of(path); !why.empty()) return why;
  const Format format = *format_of(path);
  const Layout layout = layout_of(figure);
  if (format == Format::pdf || layout.pages.size() == 1) {
    if (std::string why = write_file(figure, layout, format, path, 0, set); !why.empty())
      return why;
    if (written != nullptr) written->push_back(path);
    return {};
  }
  // Pages as files of their own; without a set they are kept together
  // all the same: every one is written before any gets its name.
  cli::OutputSet own;
  cli::OutputSet& pages = set != nullptr ? *set : own;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < layout.pages.size(); ++i) {
    const std::string name = page_name(path, i + 1);
    if (std::string why = refusal_of(name); !why.empty()) return why;
    if (in_use != nullptr) {
      if (std::string why = in_use->clash_of("--plot", name); !why.empty()) return why;
    }
    if (std::string why = write_file(figure, layout, format, name, i, &pages); !why.empty())
      return why;
    names.push_back(name);
  }
  if (set == nullptr) {
    if (const std::string lost = own.place_all(); !lost.empty()) return lost;
  }
  if (written != nullptr) written->insert(written->end(), names.begin(), names.end());
  return {};
}

}  // namespace plot

// fontconfig, which pango asks for its fonts, keeps what it parsed of its
// configuration until the process ends and drops part of it on the way (a
// known leak of the library, not of this code); in a sanitizer build the
// leak checker is told so, or every program that draws would fail its run.
#if defined(__SANITIZE_ADDRESS__)
#define PLOT_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLOT_LEAK_CHECKED 1
#endif
#endif
#ifdef PLOT_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
// Nor may the note that a suppression was used reach standard error, which
// the tests compare.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif
