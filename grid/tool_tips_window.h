#pragma once
// TToolTipsWindow: the window in which the grid shows the whole text of a cell that does not fit.
// It measures and writes the text in the font the grid hands in with the hint data (the cell's
// own font), in the window text colour.

#include "platform/controls/hint_window.h"

namespace lab {

class TToolTipsWindow : public THintWindow {
  LAB_CLASS(TToolTipsWindow, THintWindow)
 public:
  explicit TToolTipsWindow(TComponent* AOwner) : THintWindow(AOwner) {}
  // AData: the TFont to write in, or nullptr for the hint font.
  TRect CalcHintRect(int MaxWidth, const std::string& AHint, void* AData) override;
};

// Makes one (the hint information's window class).
THintWindow* NewToolTipsWindow(TComponent* AOwner);

}  // namespace lab
