#include "platform/graphics/png_file.h"

namespace lab {

bool SaveSurfaceToPNG(TGdiBitmap* surface, const std::string& file_name) {
  if (!surface || surface->Width() == 0 || surface->Height() == 0) return false;
  surface->BeginDirect();
  return cairo_surface_write_to_png(surface->Surface(), file_name.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace lab
