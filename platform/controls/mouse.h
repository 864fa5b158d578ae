#pragma once
// TMouse: the mouse settings the controls read, and the global Mouse.

#include "platform/controls/control_types.h"

namespace lab {

class TMouse {
 public:
  // Whether dragging starts at the press, or only after the mouse moved DragThreshold pixels.
  bool DragImmediate() const noexcept { return dragImmediate_; }
  void SetDragImmediate(bool v) noexcept { dragImmediate_ = v; }
  int DragThreshold() const noexcept { return dragThreshold_; }
  void SetDragThreshold(int v) noexcept { dragThreshold_ = v; }
  // Lines a wheel notch scrolls (the system setting).
  int WheelScrollLines() const noexcept { return wheelScrollLines_; }
  void SetWheelScrollLines(int v) noexcept { wheelScrollLines_ = v; }
  bool WheelPresent() const noexcept { return true; }
  TPoint CursorPos() const;
  // The control that has the mouse captured (a graphic control captures through its parent).
  TControl* Capture() const;

 private:
  bool dragImmediate_ = true;
  int dragThreshold_ = 5;
  int wheelScrollLines_ = 3;
};

extern TMouse* const Mouse;

// The control that has the mouse captured, and setting it (nullptr releases).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// A control going away stops being the one that holds the mouse.
void ForgetCaptureControl(TControl* Control);

}  // namespace lab
