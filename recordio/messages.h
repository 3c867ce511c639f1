// messages.h - the texts of the failure report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace recordio {

// True for the layer's own condition codes, 10000 to 10071.
constexpr bool is_layer_condition(std::int32_t code) { return code >= 10000 && code <= 10071; }

// Heading line of the report for a layer condition, and for a system error.
inline constexpr std::string_view layer_heading = "Run-Time Error:";
inline constexpr std::string_view system_heading = "System Error:";

// Message text of a layer condition; empty for codes without a text.
std::string_view layer_message(std::int32_t code);

// Text of a system error code: the fixed texts of the codes the program's
// file operations meet, otherwise the platform's own description.
std::string system_error_text(std::int32_t code);

}  // namespace recordio
