// Chooses the back-end a program runs on: LAB_BACKEND (headless or x11) when set, else X11 when
// DISPLAY names a display, else headless.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/backend/headless.h"
#include "platform/backend/x11.h"
#include "platform/rtl/exceptions.h"

namespace lab {

std::unique_ptr<TBackend> CreateDefaultBackend() {
  const char* chosen = std::getenv("LAB_BACKEND");
  const std::string_view want = chosen ? chosen : "";
  const char* display = std::getenv("DISPLAY");
  if (want == "x11" || (want.empty() && display && *display)) {
    try {
      return CreateX11Backend();
    } catch (const Exception& e) {
      std::fprintf(stderr, "%s; running without a display\n", e.Message().c_str());
    }
  }
  return CreateHeadlessBackend();
}

}  // namespace lab
