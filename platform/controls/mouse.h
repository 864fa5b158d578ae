#pragma once
// TMouse: the mouse settings the controls read, and the global Mouse.

#include "platform/controls/control_types.h"

namespace lab {

class TMouse {
 public:
  // Whether dragging starts at the press, or only after the mouse moved DragThreshold pixels.
  bool DragImmediate() const noexcept { return drag_immediate_; }
  void SetDragImmediate(bool v) noexcept { drag_immediate_ = v; }
  int DragThreshold() const noexcept { return drag_threshold_; }
  void SetDragThreshold(int v) noexcept { drag_threshold_ = v; }
  // Lines a wheel notch scrolls (the system setting).
  int WheelScrollLines() const noexcept { return wheel_scroll_lines_; }
  void SetWheelScrollLines(int v) noexcept { wheel_scroll_lines_ = v; }
  bool WheelPresent() const noexcept { return true; }
  TPoint CursorPos() const;
  // The control that has the mouse captured (a graphic control captures through its parent).
  TControl* Capture() const;

 private:
  bool drag_immediate_ = true;
  int drag_threshold_ = 5;
  int wheel_scroll_lines_ = 3;
};

extern TMouse* const Mouse;

// The control that has the mouse captured, and setting it (nullptr releases).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// A control going away stops being the one that holds the mouse.
void ForgetCaptureControl(TControl* Control);

}  // namespace lab
