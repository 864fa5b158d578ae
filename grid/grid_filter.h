#pragma once
// TSTDBGridXFilter: the grid-wide settings of the title filter row. Visible adds the filter row
// under the titles (the grid lays out again); Local asks the grid to filter by its own means rather
// than the data server's. BeginUpdate/EndUpdate count the grid's own changes of the filter
// columns, so they are not taken for the user's.

#include "platform/classes/properties.h"
#include "platform/rtl/persistent.h"

namespace lab {

class TCustomDBGridX;

class TSTDBGridXFilter : public TPersistent {
  LAB_CLASS(TSTDBGridXFilter, TPersistent)
  LAB_PROPERTIES(TSTDBGridXFilter, TPersistent)
 public:
  explicit TSTDBGridXFilter(TCustomDBGridX* AGrid) : grid_(AGrid) {}

  TCustomDBGridX* Grid() const noexcept { return grid_; }
  bool Local() const noexcept { return local_; }
  void SetLocal(bool Value) noexcept { local_ = Value; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool Value);

  void BeginUpdate() noexcept { ++update_count_; }
  // Never below zero.
  void EndUpdate() noexcept {
    if (update_count_ > 0) --update_count_;
  }
  int UpdateCount() const noexcept { return update_count_; }

  // Visible, then Local.
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;

 private:
  TCustomDBGridX* grid_;
  bool local_ = false;
  int update_count_ = 0;
  bool visible_ = false;
};

}  // namespace lab
