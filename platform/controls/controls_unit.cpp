#include "platform/controls/controls_unit.h"

#include "platform/classes/class_registry.h"
#include "platform/controls/forms.h"
#include "platform/controls/menus.h"
#include "platform/controls/scroll_bar.h"
#include "platform/controls/timer.h"
#include "platform/graphics/graphics_unit.h"

namespace lab {

namespace {

void StartControls() {
  UseUnit(GraphicsUnit);
  RegisterClasses<TForm, TScrollBar, TPopupMenu, TMenuItem, TTimer>();
}

}  // namespace

constinit const TUnit ControlsUnit{"Controls", &StartControls};

}  // namespace lab
