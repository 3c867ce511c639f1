// report.cpp - the text report on standard output.
#include "adjust/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/diagnostics.h"
#include "cli/number_text.h"
#include "cli/quoting.h"

namespace adjust {

namespace {

using cli::fixed;

std::string padded(std::string text, std::size_t width, bool right = true) {
  if (text.size() >= width) return text;
  const std::string blanks(width - text.size(), ' ');
  return right ? blanks + text : text + blanks;
}

std::string formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Rounded to two decimals, a tiny negative residual would show as -0.00.
std::string residual_text(double value) {
  return formatted("%.2f", std::fabs(value) < 0.005 ? 0.0 : value);
}

// Influences shown beside a datum: those above 1 %, as percentages.
std::string influences(const Adjustment& a, const Datum& datum) {
  std::string text;
  for (const auto& [k, influence] : datum.influence) {
    if (!(influence > 0.01)) continue;
    text += " " + a.nuclides[k].nuclide.name() + " " + formatted("%.1f", influence * 100.0) + " %";
  }
  return text;
}

std::string datum_place(const Adjustment& a, const Datum& datum) {
  if (datum.kind == Datum::Kind::anchor) return "anchor";
  const Equation& equation = a.equations[datum.equation];
  return cli::shown_name(equation.file) + ":" + std::to_string(equation.line);
}

}  // namespace

std::string datum_name(const Adjustment& adjustment, const Datum& datum) {
  if (datum.kind == Datum::Kind::anchor) return adjustment.nuclides[datum.nuclide].nuclide.name();
  return adjustment.equations[datum.equation].name();
}

std::string text_report(const Adjustment& a, const ReportSettings& settings) {
  std::string out;
  std::size_t determined = 0;
  for (const NuclideResult& nuclide : a.nuclides) determined += nuclide.determined ? 1 : 0;

  out += "Adjusted mass excesses (micro-u" + std::string(settings.kev ? ", and keV" : "") + "), " +
         cli::count_of(static_cast<long>(determined), "nuclide") + "; table: " +
         (settings.masses_table.checksum.empty() ? settings.masses_name
                                                 : settings.masses_table.described()) +
         (settings.nubase_name.empty() ? std::string()
                                       : "; excitation energies: " + settings.nubase_name) +
         "\n";
  if (settings.kev || !a.differences.empty()) {
    out += "keV by the table's factor, " + formatted("%.12g", settings.kev_per_micro_u * 1.0e6) +
           " keV per u\n";
  }
  out += "  nuclide        adjusted         +/-           table         +/-  diff/sigma";
  if (settings.kev) out += "      adjusted keV     +/- keV";
  out += "\n";
  for (const NuclideResult& nuclide : a.nuclides) {
    if (!nuclide.determined) continue;
    std::string line = "  " + padded(nuclide.nuclide.name(), 8, false) +
                       padded(fixed(nuclide.mass_excess, 6), 15) +
                       padded(fixed(nuclide.uncertainty, 6), 12);
    if (nuclide.table) {
      const double sigma = std::sqrt(nuclide.uncertainty * nuclide.uncertainty +
                                     nuclide.table->uncertainty * nuclide.table->uncertainty);
      const double difference = nuclide.mass_excess - nuclide.table->mass_excess;
      line += padded(fixed(nuclide.table->mass_excess, 6), 16) +
              padded(fixed(nuclide.table->uncertainty, 6), 12) +
              padded(sigma > 0.0 ? cli::sigma_count(difference / sigma) : "-", 12);
    } else if (!nuclide.atoms.empty()) {
      std::string sum;
      for (const auto& [atom, count] : nuclide.atoms) {
        sum += (sum.empty() ? "" : " + ") +
               (count > 1 ? std::to_string(count) + " " : std::string()) +
               a.nuclides[atom].nuclide.name();
      }
      line += padded("(" + sum + ")", 40);
    } else {
      line += padded("(not in the table)", 40);
    }
    if (settings.kev) {
      line += padded(fixed(nuclide.mass_excess * settings.kev_per_micro_u, 6), 18) +
              padded(fixed(nuclide.uncertainty * settings.kev_per_micro_u, 6), 12);
    }
    if (nuclide.fixed) {
      line += "  fixed";
    } else if (nuclide.anchored) {
      line += "  anchored";
    }
    out += line + "\n";
  }

  out += "\nchi2 = " + formatted("%.4f", a.chi2) + " for " +
         cli::count_of(a.degrees_of_freedom, "degree") + " of freedom";
  out += a.birge_ratio ? "; Birge ratio " + formatted("%.4f", *a.birge_ratio) + "\n"
                       : "; no Birge ratio without a degree of freedom\n";
  if (a.p_value) {
    out += "P(chi2 > " + formatted("%.4f", a.chi2) + ") = " + formatted("%.4g", *a.p_value) +
           " for consistent data\n";
  }
  if (!a.differences.empty()) {
    out += "\nDifferences ME(A) - ME(B), with the covariance of A and B:\n";
    for (const Difference& d : a.differences) {
      std::string line = "  " + padded(d.minuend.name() + "-" + d.subtrahend.name(), 18, false);
      if (!d.determined) {
        out += line + "  undetermined\n";
        continue;
      }
      const double kev = settings.kev_per_micro_u;
      line += padded(fixed(d.value, 6), 15) + " +/- " + fixed(d.uncertainty, 6) + " micro-u" +
              padded(fixed(d.value * kev, 6), 16) + " +/- " + fixed(d.uncertainty * kev, 6) +
              " keV" + padded(fixed(d.value * kev * 1000.0, 3), 16) + " +/- " +
              fixed(d.uncertainty * kev * 1000.0, 3) + " eV";
      out += line + "\n";
    }
  }

  std::size_t place_width = 6;
  std::size_t name_width = 8;
  for (const Datum& datum : a.data) {
    place_width = std::max(place_width, datum_place(a, datum).size());
    name_width = std::max(name_width, datum_name(a, datum).size());
  }
  out +=
      "\nData: value (uncertainty), adjusted value, normalized residual, significance h, "
      "influence above 1 %\n";
  for (const Datum& datum : a.data) {
    const int decimals = datum.kind == Datum::Kind::anchor ? 6 : 5;
    std::string line = "  " + padded(datum_place(a, datum), place_width, false) + "  " +
                       padded(datum_name(a, datum), name_width, false) +
                       padded(fixed(datum.value, decimals), 15) + " (" +
                       fixed(datum.uncertainty, decimals) + ")";
    if (!datum.used && !datum.rejected) {
      out += line + "  undetermined\n";
      continue;
    }
    line += "  adjusted " + fixed(datum.adjusted, decimals) + "  residual " +
            residual_text(datum.normalized_residual);
    if (datum.rejected) {
      out += line + "  REJECTED\n";
      continue;
    }
    line += "  h " + formatted("%.3f", datum.significance) + " " + influences(a, datum);
    if (datum.flagged) {
      line += "  << FLAGGED: standardized residual " + residual_text(datum.standardized_residual);
    }
    out += line + "\n";
  }

  if (a.flagged_count() > 0) {
    out += "\nThe flagged datum has the largest standardized residual, above " +
           formatted("%g", settings.threshold) +
           "; the others are judged again without it (--reject drops it and adjusts again)\n";
  }
  if (!a.rejected.empty()) {
    out += "\nRejected, in the order dropped:\n";
    for (const std::size_t d : a.rejected) {
      out += "  " + datum_place(a, a.data[d]) + " " + datum_name(a, a.data[d]) + "\n";
    }
  }

  bool any_undetermined = false;
  for (const NuclideResult& nuclide : a.nuclides) {
    if (nuclide.determined) continue;
    if (!any_undetermined)
      out += "\nUndetermined: no anchor ties these nuclides to an absolute value\n";
    any_undetermined = true;
    out += "  " + nuclide.nuclide.name() + ":";
    for (const Datum& datum : a.data) {
      if (datum.kind != Datum::Kind::equation) continue;
      const Equation& equation = a.equations[datum.equation];
      if (equation.measured == nuclide.nuclide || equation.reference == nuclide.nuclide) {
        out += " " + cli::shown_name(equation.file) + ":" + std::to_string(equation.line) + " " +
               equation.name();
      }
    }
    out += "\n";
  }

  if (!a.notes.empty()) {
    out += "\nNotes:\n";
    for (const std::string& note : a.notes) out += "  " + note + "\n";
  }
  if (!a.warnings.empty()) {
    out += "\nWarnings:\n";
    for (const std::string& warning : a.warnings) out += "  " + warning + "\n";
  }
  return out;
}

}  // namespace adjust
