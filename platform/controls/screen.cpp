#include "platform/controls/screen.h"

#include <algorithm>

#include "platform/controls/backend.h"
#include "platform/controls/cursor.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/window_manager.h"

namespace lab {

using namespace lab::win;

TScreen* TScreenRef::operator->() const {
  static TScreen* screen = new TScreen;
  return screen;
}

TScreenRef::operator TScreen*() const { return operator->(); }

TScreen::TScreen() = default;

TScreen::~TScreen() = default;

int TScreen::IndexOfForm(TCustomForm* Form) const {
  auto it = std::find(forms_.begin(), forms_.end(), Form);
  return it == forms_.end() ? -1 : static_cast<int>(it - forms_.begin());
}

int TScreen::Width() const { return Backend().ScreenSize().cx; }
int TScreen::Height() const { return Backend().ScreenSize().cy; }

void TScreen::AddForm(TCustomForm* Form) { forms_.push_back(Form); }

void TScreen::RemoveForm(TCustomForm* Form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), Form), forms_.end());
  if (active_form_ == Form) {
    active_form_ = nullptr;
    active_control_ = nullptr;
  }
  if (focused_form_ == Form) focused_form_ = nullptr;
  if (active_control_ && active_control_->ParentForm() == Form) active_control_ = nullptr;
}

void TScreen::SetActive(TCustomForm* Form, TWinControl* Control) {
  const bool formChanged = active_form_ != Form;
  const bool controlChanged = active_control_ != Control;
  active_form_ = Form;
  active_control_ = Control;
  // The most recently active form moves to the front of the list.
  auto it = std::find(forms_.begin(), forms_.end(), Form);
  if (it != forms_.end()) std::rotate(forms_.begin(), it, it + 1);
  if (formChanged && OnActiveFormChange) OnActiveFormChange(nullptr);
  if (controlChanged && OnActiveControlChange) OnActiveControlChange(nullptr);
}

void TScreen::SetCursor(TCursor v) {
  if (cursor_ == v) return;
  cursor_ = v;
  if (v != crDefault) {
    ShowCursor(v);
    return;
  }
  // Back to the cursor of whatever lies under the pointer.
  POINT p;
  GetCursorPos(p);
  if (HWND h = wm::WindowFromPoint(p))
    wm::SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  else
    ShowCursor(crDefault);
}

void TScreen::ShowCursor(TCursor Index) { wm::ShowCursorNumber(Index); }

TFont* TScreen::HintFont() {
  if (!hint_font_) hint_font_ = std::make_unique<TFont>();
  return hint_font_.get();
}

TFont* TScreen::MenuFont() {
  if (!menu_font_) menu_font_ = std::make_unique<TFont>();
  return menu_font_.get();
}

}  // namespace lab
