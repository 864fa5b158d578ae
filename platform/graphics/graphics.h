#pragma once
// The graphics layer at a glance: colours, fonts, pens, brushes, the canvas, bitmaps, themes.

#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/graphics_objects.h"
#include "platform/graphics/themes.h"
