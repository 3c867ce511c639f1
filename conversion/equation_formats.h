// equation_formats.h - the format lists of the records of "vemo.equat".
//
// Public so that everything that writes or reads these records (the writer,
// the adjustment's reader, the tests, the fuzzer and the benchmark) takes
// the one list instead of a copy of it.
#pragma once

#include <string_view>

#include "recordio/statement.h"

namespace conversion {

// (5X,I6,A4,'-',I4,A4,'*',F6.3,' =',F15.5,' (',F9.5,')')
// ME(meas) - G * ME(ref) = V (U): A_meas, symbol_meas, A_ref, symbol_ref, G, V, U.
inline constexpr recordio::EditDescriptor equation_list[] = {
    recordio::skip(5),      recordio::integer(6),    recordio::character(4),
    recordio::literal("-"), recordio::integer(4),    recordio::character(4),
    recordio::literal("*"), recordio::real(6, 3),    recordio::literal(" ="),
    recordio::real(15, 5),  recordio::literal(" ("), recordio::real(9, 5),
    recordio::literal(")")};

// (13X,I4,A4,' =',F15.6,' +/-',F11.6,' micro-u')
// A_meas, symbol_meas, its mass excess and uncertainty in micro-u.
inline constexpr recordio::EditDescriptor micro_u_list[] = {
    recordio::skip(13),      recordio::integer(4),         recordio::character(4),
    recordio::literal(" ="), recordio::real(15, 6),        recordio::literal(" +/-"),
    recordio::real(11, 6),   recordio::literal(" micro-u")};

// (13X,8X,' =',F15.6,' +/-',F11.6,' keV',/): the same in keV; the record
// break leaves the empty record that ends every group.
inline constexpr recordio::EditDescriptor kev_list[] = {
    recordio::skip(13),        recordio::skip(8),         recordio::literal(" ="),
    recordio::real(15, 6),     recordio::literal(" +/-"), recordio::real(11, 6),
    recordio::literal(" keV"), recordio::record_break()};

inline constexpr recordio::EditDescriptor normal_closing_list[] = {
    recordio::literal("0"), recordio::literal("Normal End of Freq.Ratios to Equations Conversion")};

inline constexpr recordio::EditDescriptor failure_closing_list[] = {
    recordio::literal("0"), recordio::literal("Error in File Reading")};

// The free-form record written before an equation whose binding energy is
// missing (a free-form write puts one blank before it).
inline constexpr std::string_view warning_text = "WARNING : el.+mol. binding en. not found";

}  // namespace conversion
