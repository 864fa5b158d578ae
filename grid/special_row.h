#pragma once
// TSpecRowX: the special first row of a lookup drop-down ("(none)", "all" ...): the key value it
// stands for, the texts of its cells, and whether it shows, also for values not in the list.

#include <string>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"
#include "platform/rtl/variant.h"

namespace lab {

class TSpecRowX : public TPersistent {
  LAB_CLASS(TSpecRowX, TPersistent)
  LAB_PROPERTIES(TSpecRowX, TPersistent)
 public:
  explicit TSpecRowX(TPersistent* AOwner) : owner_(AOwner) {}

  // The key value the row stands for (Null, a scalar, or an array for several key fields); it
  // travels in forms as "Value".
  const Variant& Value() const noexcept { return value_; }
  void SetValue(const Variant& V);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool V);
  // The row is also shown for key values that the list does not hold.
  bool ShowIfNotInKeyList() const noexcept { return show_if_not_in_key_list_; }
  void SetShowIfNotInKeyList(bool V);
  // The cell texts separated by ";"; one cell by index, empty outside the list.
  const std::string& CellsText() const noexcept { return cells_text_; }
  void SetCellsText(const std::string& V);
  std::string CellText(int Index) const;

  TPersistent* GetOwner() override { return owner_; }
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler& Filer) override;

  // Fired after every change.
  TNotifyEvent OnChanged;

 private:
  void Changed();

  TPersistent* owner_;
  Variant value_ = Null();
  bool visible_ = false;
  bool show_if_not_in_key_list_ = true;
  std::string cells_text_;
};

}  // namespace lab
