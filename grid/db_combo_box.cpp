#include "grid/db_combo_box.h"

namespace lab {

void TCustomDBComboBoxX::DropDown() {
  if (OnGetItemsList) OnGetItemsList(this);
  TCustomComboBox::DropDown();
}

}  // namespace lab
