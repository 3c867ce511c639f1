// condition_text.h - a record-layer condition as one line for a message.
#pragma once

#include <cstdint>
#include <string>

namespace check {

// The layer's own text for its conditions, the system's reason (without its
// closing full stop) for the code of a failed file operation.
std::string condition_text(std::int32_t code);

}  // namespace check
