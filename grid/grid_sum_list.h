#pragma once
// TDBGridXSumList: the grid's footer aggregates, a summing producer owned by the grid and streamed
// as part of it ("SumList.Active = True"). A recalculation fires the grid's OnSumListRecalcAll and
// OnSumListAfterRecalcAll, and changed values repaint the footer rows; the sum list's own published
// events fire as well, so a form handling them does not cut the grid off. The grid hands it the
// dataset when it is loaded, when its data source changes and when its link opens or closes.

#include "grid/sum_list.h"

namespace lab {

class TCustomDBGridX;

class TDBGridXSumList : public TDBSumListProducer {
  LAB_CLASS(TDBGridXSumList, TDBSumListProducer)
  LAB_PROPERTIES(TDBGridXSumList, TDBSumListProducer)
 public:
  // Inactive until switched on.
  explicit TDBGridXSumList(TCustomDBGridX* AGrid);

  TCustomDBGridX* Grid() const noexcept { return grid_; }

  // While the grid is being designed the state is only recorded: the producer works at run time.
  bool Active() const;
  void SetActive(bool Value);
  // Kept and streamed for the grid's data services.
  bool ExternalRecalc() const noexcept { return external_recalc_; }
  void SetExternalRecalc(bool Value) noexcept { external_recalc_ = Value; }
  bool VirtualRecords() const noexcept { return virtual_records_; }
  void SetVirtualRecords(bool Value) noexcept { virtual_records_ = Value; }

  // Active, ExternalRecalc and VirtualRecords. The aggregates stay: they belong to this grid's
  // footers.
  void Assign(TPersistent* Source) override;

 protected:
  void DoRecalcAll() override;
  void DoAfterRecalcAll() override;
  void DoSumListChanged() override;

 private:
  bool Designing() const;

  TCustomDBGridX* grid_;
  bool design_active_ = false;
  bool external_recalc_ = false;
  bool virtual_records_ = false;
};

}  // namespace lab
