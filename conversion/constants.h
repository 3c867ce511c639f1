// constants.h - physical constants of the conversion.
#pragma once

namespace conversion {

// Mass of the electron in micro-u.
inline constexpr double electron_mass = 548.57990907;
// keV per micro-u: the energy equivalent of one micro-u.
inline constexpr double kev_per_micro_u = 0.9314940038;

}  // namespace conversion
