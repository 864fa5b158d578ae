#pragma once
// TDBComboBoxX: the combo box of the data-aware edit controls, as far as the grid uses it (as
// the editor of its filter row): a text with a Variant value behind it (a key and the text shown
// for it may differ), and a list that is asked for when it is about to drop down, so a long list
// is only made when the user opens it.

#include "platform/controls/combo_box.h"
#include "platform/rtl/variant.h"

namespace lab {

class TCustomDBComboBoxX : public TCustomComboBox {
  LAB_CLASS(TCustomDBComboBoxX, TCustomComboBox)
 public:
  explicit TCustomDBComboBoxX(TComponent* AOwner) : TCustomComboBox(AOwner) {}

  const Variant& Value() const noexcept { return value_; }
  void SetValue(const Variant& Value) { SetVariantValue(Value); }

  // Fires before the list drops down, to fill Items.
  TNotifyEvent OnGetItemsList;

 protected:
  virtual void SetVariantValue(const Variant& Value) { value_ = Value; }
  void DropDown() override;

 private:
  Variant value_ = Null();
};

class TDBComboBoxX : public TCustomDBComboBoxX {
  LAB_CLASS(TDBComboBoxX, TCustomDBComboBoxX)
 public:
  using TCustomDBComboBoxX::TCustomDBComboBoxX;
};

}  // namespace lab
