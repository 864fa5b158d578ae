#include "platform/grids/grid_types.h"

#include <string>

#include "platform/rtl/exceptions.h"

namespace lab {

void InvalidGridOperation(std::string_view Message) {
  throw EInvalidGridOperation(std::string(Message));
}

}  // namespace lab
