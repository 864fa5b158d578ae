// Chooses the back-end a program runs on.

#include <cstdlib>
#include <string_view>

#include "platform/backend/headless.h"

namespace lab {

std::unique_ptr<TBackend> CreateDefaultBackend() { return CreateHeadlessBackend(); }

}  // namespace lab
