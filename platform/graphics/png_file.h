#pragma once
// Saving a surface as a PNG file, for a person to look at what was drawn (tests save on demand).

#include <string>

#include "platform/graphics/gdi_objects.h"

namespace lab {

// False when the file cannot be written.
bool SaveSurfaceToPNG(TGdiBitmap* surface, const std::string& file_name);

}  // namespace lab
