#include "grid/grid_sum_list.h"

#include "grid/dbgrid.h"

namespace lab {

void TDBGridXSumList::DeclareProperties(TPropertyDeclarer<TDBGridXSumList>& P) {
  using S = TDBGridXSumList;
  P.Property("Active", &S::Active, &S::SetActive).Default(false);
  P.Property("ExternalRecalc", &S::ExternalRecalc, &S::SetExternalRecalc).Default(false);
  P.Property("VirtualRecords", &S::VirtualRecords, &S::SetVirtualRecords).Default(false);
  P.Property("OnAfterRecalcAll", &S::OnAfterRecalcAll);
  P.Property("OnRecalcAll", &S::OnRecalcAll);
  P.Property("SumListChanged", &S::SumListChanged);
}

TDBGridXSumList::TDBGridXSumList(TCustomDBGridX* AGrid) : TDBSumListProducer(AGrid), grid_(AGrid) {
  SetSubComponent(true);
}

bool TDBGridXSumList::Designing() const { return grid_->ComponentState().Contains(csDesigning); }

bool TDBGridXSumList::Active() const { return Designing() ? design_active_ : TDBSumListProducer::Active(); }

void TDBGridXSumList::SetActive(bool Value) {
  if (Designing()) {
    design_active_ = Value;
    return;
  }
  TDBSumListProducer::SetActive(Value);
}

void TDBGridXSumList::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TDBGridXSumList*>(Source)) {
    SetExternalRecalc(src->ExternalRecalc());
    SetVirtualRecords(src->VirtualRecords());
    SetActive(src->Active());
    return;
  }
  TDBSumListProducer::Assign(Source);
}

void TDBGridXSumList::DoRecalcAll() {
  grid_->SumListRecalcAll();
  TDBSumListProducer::DoRecalcAll();
}

void TDBGridXSumList::DoAfterRecalcAll() {
  grid_->SumListAfterRecalcAll();
  TDBSumListProducer::DoAfterRecalcAll();
}

void TDBGridXSumList::DoSumListChanged() {
  grid_->InvalidateFooter();
  TDBSumListProducer::DoSumListChanged();
}

}  // namespace lab
