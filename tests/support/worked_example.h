// worked_example.h - the two table rows and the two lines of the worked
// example, the smallest input that gives a full equation group.
#pragma once

namespace testing_support {

inline constexpr const char* worked_table = "37 Rb 1 4.177\n55 Cs 1 3.894\n";
inline constexpr const char* worked_reference = "  85Rb     1    -88210.35000000     0.00500000\n";
inline constexpr const char* worked_measurement =
    " 133Cs     1   1565221.53684744     0.00012000\n";

}  // namespace testing_support
