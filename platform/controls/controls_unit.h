#pragma once
// The controls' unit start-up: the framework's control classes become known by name (so forms can
// be read from their text) and the graphics layer starts first.

#include "platform/classes/unit_init.h"

namespace lab {

extern const TUnit ControlsUnit;

}  // namespace lab
