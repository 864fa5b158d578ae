// The editor's unit registration: linking the editor library brings this file in
// (lab_register_units in CMakeLists.txt), so forms name TCodeEdit without the program starting the
// editor first. The framework's units are registered first, whichever library's registration runs
// first.

#include "editor/codeedit.h"
#include "platform/platform_units.h"

namespace lab {
namespace {

bool RegisterEditorUnits() {
  RegisterPlatformUnits();
  RegisterUnit(CodeEditUnit);
  return true;
}

}  // namespace
}  // namespace lab

extern "C" const bool lab_editor_units = lab::RegisterEditorUnits();
