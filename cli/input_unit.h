// input_unit.h - a unit connected to an input file for reading only, and
// released again, as every program that reads through the record layer
// connects its inputs: an existing formatted file, never created or
// written, with a status variable so that no condition ends the process.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

// Connects `unit` to `path`. Empty when connected, otherwise the reason
// the layer gives ("No such file or directory"), for the caller to put
// after the file's name.
std::string connect_for_reading(std::int32_t unit, const std::string& path);

// Releases `unit`; nothing it meets stops the program.
void release_unit(std::int32_t unit);

}  // namespace cli
