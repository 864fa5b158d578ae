#pragma once
// The Win32 face of the graphics layer's device-context functions, for component code that calls
// them by their Win32 names; the graphics and controls layers include the graphics header itself.

#include "platform/graphics/gdi.h"
