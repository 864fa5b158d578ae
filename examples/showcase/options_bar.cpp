#include "options_bar.h"

#include "platform/controls/button.h"
#include "platform/controls/check_box.h"

namespace showcase {

using namespace lab;

TGridOptionsBar::TGridOptionsBar(TComponent* AOwner, TWinControl* Parent, TDBGridX* Grid)
    : TCustomControl(AOwner), grid_(Grid) {
  SetControlStyle(ControlStyle() + csAcceptsControls);
  SetParent(Parent);
  SetAlign(alTop);
  SetHeight(28);
  auto options = [Grid](TDBGridOptions o) {
    return std::pair{[Grid, o] { return (Grid->Options() * o) == o; },
                     [Grid, o](bool On) { Grid->SetOptions(On ? Grid->Options() + o : Grid->Options() - o); }};
  };
  auto options_x = [Grid](TDBGridXOption o) {
    return std::pair{[Grid, o] { return Grid->OptionsX().Contains(o); },
                     [Grid, o](bool On) { Grid->SetOptionsX(On ? Grid->OptionsX() + o : Grid->OptionsX() - o); }};
  };
  auto [lines_on, lines] = options({dgColLines, dgRowLines});
  AddBox("Lines", lines_on, lines);
  // Whole rows are selected without an editor: editing comes back with cells.
  AddBox("Row select", [Grid] { return Grid->Options().Contains(dgRowSelect); },
         [Grid](bool On) {
           Grid->SetOptions(On ? Grid->Options() + dgRowSelect : Grid->Options() - dgRowSelect + dgEditing);
         });
  auto [multi_on, multi] = options({dgMultiSelect});
  AddBox("Multi select", multi_on, multi);
  auto [frozen_on, frozen] = options_x(dgxFrozen3D);
  AddBox("Frozen 3D", frozen_on, frozen);
  auto [highlight_on, highlight] = options_x(dgxRowHighlight);
  AddBox("Row highlight", highlight_on, highlight);
  AddBox("Auto-fit widths", [Grid] { return Grid->AutoFitColWidths(); },
         [Grid](bool On) { Grid->SetAutoFitColWidths(On); });
}

void TGridOptionsBar::AddBox(const char* Caption, std::function<bool()> Get, std::function<void(bool)> Set) {
  auto* box = new TCheckBox(Owner());
  box->SetParent(this);
  box->SetCaption(Caption);
  const int width = 28 + 7 * static_cast<int>(std::string_view(Caption).size());
  box->SetBounds(next_left_, 5, width, 18);
  next_left_ += width + 12;
  box->SetChecked(Get());
  // The grid keeps the keyboard: a click only switches the option.
  box->OnClick = [this, box, Set](TObject*) {
    Set(box->Checked());
    if (grid_->CanFocus()) grid_->SetFocus();
  };
}

void TGridOptionsBar::AddButton(const char* Caption, TNotifyEvent OnClick) {
  auto* button = new TButton(Owner());
  button->SetParent(this);
  button->SetCaption(Caption);
  const int width = 24 + 7 * static_cast<int>(std::string_view(Caption).size());
  button->SetBounds(next_left_ + 12, 2, width, 24);
  next_left_ += width + 24;
  button->OnClick = std::move(OnClick);
}

void TGridOptionsBar::Paint() {
  Canvas()->Brush()->SetColor(clBtnFace);
  Canvas()->FillRect(ClientRect());
}

}  // namespace showcase
