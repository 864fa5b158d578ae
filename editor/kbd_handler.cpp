#include "editor/kbd_handler.h"

namespace lab {

namespace {

// Sets a chain's running flag for the duration of a call, also when a handler raises.
class TRunning {
 public:
  explicit TRunning(bool& Flag) : flag_(Flag) { flag_ = true; }
  ~TRunning() { flag_ = false; }
  TRunning(const TRunning&) = delete;
  TRunning& operator=(const TRunning&) = delete;

 private:
  bool& flag_;
};

// Calls the handlers last first; Stop ends the chain early. A copy is called, so a handler may
// change the list.
template <class M, class Stop, class... A>
void RunChain(const TMethodList<M>& List, Stop stop, A&&... args) {
  for (int i = List.Count() - 1; i >= 0; --i) {
    if (i >= List.Count()) continue;
    const M handler = List.Items(i);
    handler(args...);
    if (stop()) return;
  }
}

}  // namespace

void TCodeEditKbdHandler::ExecuteKeyPress(TObject* Sender, char32_t& Key) {
  if (in_key_press_) return;
  TRunning running(in_key_press_);
  RunChain(key_press_, [&] { return Key == 0; }, Sender, Key);
}

void TCodeEditKbdHandler::ExecuteKeyDown(TObject* Sender, win::WORD& Key, TShiftState Shift) {
  if (in_key_down_) return;
  TRunning running(in_key_down_);
  RunChain(key_down_, [&] { return Key == 0; }, Sender, Key, Shift);
}

void TCodeEditKbdHandler::ExecuteKeyUp(TObject* Sender, win::WORD& Key, TShiftState Shift) {
  if (in_key_up_) return;
  TRunning running(in_key_up_);
  RunChain(key_up_, [&] { return Key == 0; }, Sender, Key, Shift);
}

void TCodeEditKbdHandler::ExecuteMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (in_mouse_down_) return;
  TRunning running(in_mouse_down_);
  RunChain(mouse_down_, [] { return false; }, Sender, Button, Shift, X, Y);
}

void TCodeEditKbdHandler::ExecuteMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (in_mouse_up_) return;
  TRunning running(in_mouse_up_);
  RunChain(mouse_up_, [] { return false; }, Sender, Button, Shift, X, Y);
}

void TCodeEditKbdHandler::ExecuteMouseCursor(TObject* Sender, const TBufferCoord& LineCharPos, TCursor& Cursor) {
  if (in_mouse_cursor_) return;
  TRunning running(in_mouse_cursor_);
  RunChain(mouse_cursor_, [] { return false; }, Sender, LineCharPos, Cursor);
}

}  // namespace lab
