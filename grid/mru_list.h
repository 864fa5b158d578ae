#pragma once
// TMRUListX: the texts a user entered lately in a column, newest first, offered again by the
// column's editor.

#include <memory>
#include <string>

#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"
#include "platform/rtl/string_list.h"

namespace lab {

class TMRUListX : public TPersistent {
  LAB_CLASS(TMRUListX, TPersistent)
  LAB_PROPERTIES(TMRUListX, TPersistent)
 public:
  explicit TMRUListX(TPersistent* AOwner);
  ~TMRUListX() override;

  bool Active() const noexcept { return active_; }
  void SetActive(bool Value) { active_ = Value; }
  // Whether texts written through the column's editor are added by themselves.
  bool AutoAdd() const noexcept { return auto_add_; }
  void SetAutoAdd(bool Value) { auto_add_ = Value; }
  // The most texts kept; a lower limit cuts the list at once. Negative counts as 0.
  int Limit() const noexcept { return limit_; }
  void SetLimit(int Value);
  TStrings* Items() const noexcept { return items_.get(); }
  void SetItems(TStrings* Value);

  // Puts the trimmed text at the top (removing an equal one further down) and cuts the list to
  // Limit; an empty text is ignored.
  void Add(const std::string& Text);

  TPersistent* GetOwner() override { return owner_; }
  void Assign(TPersistent* Source) override;

 private:
  void Cut();

  TPersistent* owner_;
  bool active_ = false;
  bool auto_add_ = true;
  int limit_ = 100;
  std::unique_ptr<TStringList> items_;
};

}  // namespace lab
