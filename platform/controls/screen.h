#pragma once
// TScreen: the program's forms, the active form and control, the screen size, the cursor the whole
// program shows (Cursor other than crDefault overrides every control's) and the hint font.

#include <memory>
#include <vector>

#include "platform/controls/control_types.h"
#include "platform/graphics/graphics_objects.h"

namespace lab {

class TScreen {
 public:
  TScreen();
  ~TScreen();

  int FormCount() const noexcept { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int Index) const { return forms_.at(static_cast<std::size_t>(Index)); }
  int IndexOfForm(TCustomForm* Form) const;
  TCustomForm* ActiveForm() const noexcept { return active_form_; }
  TWinControl* ActiveControl() const noexcept { return active_control_; }

  int Width() const;
  int Height() const;
  int PixelsPerInch() const noexcept { return 96; }

  TCursor Cursor() const noexcept { return cursor_; }
  void SetCursor(TCursor v);
  // The cursor table (the graphics layer's): an image for each number; setting takes an image
  // loaded from a resource for a number of the program's own.
  TCursorImage* Cursors(TCursor Index) const { return ScreenCursor(Index); }
  void SetCursors(TCursor Index, TCursorImage* Image) { SetScreenCursor(Index, Image); }
  // Shows a cursor number now.
  void ShowCursor(TCursor Index);

  TFont* HintFont();
  TFont* MenuFont();

  TNotifyEvent OnActiveControlChange, OnActiveFormChange;

  // Bookkeeping of the forms (TCustomForm calls these).
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActive(TCustomForm* Form, TWinControl* Control);
  TCustomForm* FocusedForm() const noexcept { return focused_form_; }
  void SetFocusedForm(TCustomForm* Form) noexcept { focused_form_ = Form; }

 private:
  std::vector<TCustomForm*> forms_;
  TCustomForm* active_form_ = nullptr;
  TWinControl* active_control_ = nullptr;
  TCustomForm* focused_form_ = nullptr;
  TCursor cursor_ = crDefault;
  std::unique_ptr<TFont> hint_font_, menu_font_;
};

// Made on first use; lives as long as the program.
struct TScreenRef {
  TScreen* operator->() const;
  operator TScreen*() const;  // NOLINT: reads like the framework's global
};
inline constexpr TScreenRef Screen{};

}  // namespace lab
