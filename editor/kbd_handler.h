#pragma once
// TCodeEditKbdHandler: the editor offers each key and mouse event to registered handlers before it
// acts on them. Handlers run last registered first; a key handler that sets the key to 0 keeps the
// ones after it (and the editor) from seeing it. A chain that is already running is not entered
// again.

#include <vector>

#include "editor/edit_types.h"
#include "editor/event_method.h"
#include "platform/controls/control_types.h"
#include "platform/graphics/cursors.h"

namespace lab {

// Handlers as the lists keep them: comparable, so that they can be removed again.
using TKeyPressMethod = TEventMethod<TObject*, char32_t&>;
using TKeyMethod = TEventMethod<TObject*, win::WORD&, TShiftState>;
using TMouseMethod = TEventMethod<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseCursorMethod = TEventMethod<TObject*, const TBufferCoord&, TCursor&>;

// Methods in the order registered.
template <class M>
class TMethodList {
 public:
  void Add(const M& AHandler) { items_.push_back(AHandler); }
  // Removes the last registration of AHandler.
  void Remove(const M& AHandler) {
    for (std::size_t i = items_.size(); i-- > 0;)
      if (items_[i] == AHandler) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
  }
  int Count() const { return static_cast<int>(items_.size()); }
  const M& Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }

 private:
  std::vector<M> items_;
};

class TCodeEditKbdHandler : public TObject {
  LAB_CLASS(TCodeEditKbdHandler, TObject)
 public:
  void AddKeyPressHandler(const TKeyPressMethod& AHandler) { key_press_.Add(AHandler); }
  void RemoveKeyPressHandler(const TKeyPressMethod& AHandler) { key_press_.Remove(AHandler); }
  void AddKeyDownHandler(const TKeyMethod& AHandler) { key_down_.Add(AHandler); }
  void RemoveKeyDownHandler(const TKeyMethod& AHandler) { key_down_.Remove(AHandler); }
  void AddKeyUpHandler(const TKeyMethod& AHandler) { key_up_.Add(AHandler); }
  void RemoveKeyUpHandler(const TKeyMethod& AHandler) { key_up_.Remove(AHandler); }
  void AddMouseDownHandler(const TMouseMethod& AHandler) { mouse_down_.Add(AHandler); }
  void RemoveMouseDownHandler(const TMouseMethod& AHandler) { mouse_down_.Remove(AHandler); }
  void AddMouseUpHandler(const TMouseMethod& AHandler) { mouse_up_.Add(AHandler); }
  void RemoveMouseUpHandler(const TMouseMethod& AHandler) { mouse_up_.Remove(AHandler); }
  void AddMouseCursorHandler(const TMouseCursorMethod& AHandler) { mouse_cursor_.Add(AHandler); }
  void RemoveMouseCursorHandler(const TMouseCursorMethod& AHandler) { mouse_cursor_.Remove(AHandler); }

  void ExecuteKeyPress(TObject* Sender, char32_t& Key);
  void ExecuteKeyDown(TObject* Sender, win::WORD& Key, TShiftState Shift);
  void ExecuteKeyUp(TObject* Sender, win::WORD& Key, TShiftState Shift);
  void ExecuteMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ExecuteMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ExecuteMouseCursor(TObject* Sender, const TBufferCoord& LineCharPos, TCursor& Cursor);

  const TMethodList<TKeyPressMethod>& KeyPressHandlers() const { return key_press_; }
  const TMethodList<TKeyMethod>& KeyDownHandlers() const { return key_down_; }
  const TMethodList<TKeyMethod>& KeyUpHandlers() const { return key_up_; }
  const TMethodList<TMouseMethod>& MouseDownHandlers() const { return mouse_down_; }
  const TMethodList<TMouseMethod>& MouseUpHandlers() const { return mouse_up_; }
  const TMethodList<TMouseCursorMethod>& MouseCursorHandlers() const { return mouse_cursor_; }

 private:
  TMethodList<TKeyPressMethod> key_press_;
  TMethodList<TKeyMethod> key_down_;
  TMethodList<TKeyMethod> key_up_;
  TMethodList<TMouseMethod> mouse_down_;
  TMethodList<TMouseMethod> mouse_up_;
  TMethodList<TMouseCursorMethod> mouse_cursor_;
  bool in_key_press_ = false;
  bool in_key_down_ = false;
  bool in_key_up_ = false;
  bool in_mouse_down_ = false;
  bool in_mouse_up_ = false;
  bool in_mouse_cursor_ = false;
};

}  // namespace lab
