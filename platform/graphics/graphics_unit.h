#pragma once
// Start-up of the graphics layer: the names of colours, cursors and character sets become known to
// forms, and the graphics classes that forms create by name are registered.

#include "platform/classes/unit_init.h"

namespace lab {

extern const TUnit GraphicsUnit;

}  // namespace lab
