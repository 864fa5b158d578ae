#pragma once
// The framework's units that make classes known by name (graphics, controls, data access), registered
// as the program starts (see unit_init.h), in the order they start in.

namespace lab {

void RegisterPlatformUnits();

}  // namespace lab
