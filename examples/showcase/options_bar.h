#pragma once
// A bar of check boxes above a data grid that switch its main options while it shows its data:
// grid lines, whole-row selection, selecting several records, raised frozen columns, the row under
// the current one highlighted, and column widths fitted to the window; and buttons of the window's
// own at its right end.

#include <functional>

#include "grid/dbgrid.h"
#include "platform/controls/custom_control.h"

namespace showcase {

class TGridOptionsBar : public lab::TCustomControl {
 public:
  // Owned by AOwner; placed at the top of Parent, above the grid.
  TGridOptionsBar(lab::TComponent* AOwner, lab::TWinControl* Parent, lab::TDBGridX* Grid);

  // A push button after the check boxes.
  void AddButton(const char* Caption, lab::TNotifyEvent OnClick);

 protected:
  void Paint() override;

 private:
  // A check box showing Get and calling Set when clicked.
  void AddBox(const char* Caption, std::function<bool()> Get, std::function<void(bool)> Set);

  lab::TDBGridX* grid_;
  int next_left_ = 8;
};

}  // namespace showcase
