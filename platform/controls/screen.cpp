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
  if (activeForm_ == Form) {
    activeForm_ = nullptr;
    activeControl_ = nullptr;
  }
  if (focusedForm_ == Form) focusedForm_ = nullptr;
  if (activeControl_ && activeControl_->ParentForm() == Form) activeControl_ = nullptr;
}

void TScreen::SetActive(TCustomForm* Form, TWinControl* Control) {
  const bool formChanged = activeForm_ != Form;
  const bool controlChanged = activeControl_ != Control;
  activeForm_ = Form;
  activeControl_ = Control;
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
  if (!hintFont_) hintFont_ = std::make_unique<TFont>();
  return hintFont_.get();
}

TFont* TScreen::MenuFont() {
  if (!menuFont_) menuFont_ = std::make_unique<TFont>();
  return menuFont_.get();
}

}  // namespace lab
