// equation_writer.h - the records of "vemo.equat".
//
// Per measurement: the warning record when a binding energy is missing, the
// equation record, the micro-u record, the keV record and one empty record.
// At the end of the run one closing record. Symbols are written as they were
// read, before any normalisation.
#pragma once

#include <cstdint>

#include "conversion/equation_arithmetic.h"

namespace conversion {

void write_warning(std::int32_t unit);
void write_equation(std::int32_t unit, const MeasurementRecord& measurement,
                    const ReferenceRecord& reference, const Equation& equation);
void write_micro_u(std::int32_t unit, const MeasurementRecord& measurement,
                   const Equation& equation);
void write_kev(std::int32_t unit, const Equation& equation);
void write_normal_closing(std::int32_t unit);
void write_failure_closing(std::int32_t unit);

}  // namespace conversion
