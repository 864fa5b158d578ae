#include "grid/tool_tips_window.h"

#include "platform/graphics/graphics_objects.h"

namespace lab {

TRect TToolTipsWindow::CalcHintRect(int MaxWidth, const std::string& AHint, void* AData) {
  if (AData) {
    Canvas()->Font()->Assign(static_cast<TFont*>(AData));
    Canvas()->Font()->SetColor(clWindowText);
  }
  return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
}

THintWindow* NewToolTipsWindow(TComponent* AOwner) { return new TToolTipsWindow(AOwner); }

}  // namespace lab
