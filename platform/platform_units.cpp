#include "platform/platform_units.h"

#include "platform/controls/controls_unit.h"
#include "platform/db/db_unit.h"
#include "platform/graphics/graphics_unit.h"

namespace lab {

void RegisterPlatformUnits() {
  RegisterUnit(GraphicsUnit);
  RegisterUnit(ControlsUnit);
  RegisterUnit(DBUnit);
}

}  // namespace lab

// Linking the platform library brings this file in (lab_register_units in CMakeLists.txt).
extern "C" const bool lab_platform_units = (lab::RegisterPlatformUnits(), true);
