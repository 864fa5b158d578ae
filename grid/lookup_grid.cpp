#include "grid/lookup_grid.h"

#include "grid/special_row.h"

namespace lab {

TDBLookupGridX::TDBLookupGridX(TComponent* AOwner)
    : TCustomDBGridX(AOwner), spec_row_(std::make_unique<TSpecRowX>(this)) {
  TCustomDBGridX::SetOptions(TCustomDBGridX::Options() - TDBGridOptions{dgIndicator, dgTitles, dgEditing});
  SetOptions(TDBLookupGridXOptions{dlgColLinesX});
  SetReadOnly(true);
}

TDBLookupGridX::~TDBLookupGridX() = default;

TDBLookupGridXOptions TDBLookupGridX::Options() const {
  const TDBGridOptions grid = TCustomDBGridX::Options();
  const TDBGridXOptions x = OptionsX();
  TDBLookupGridXOptions o;
  if (grid.Contains(dgColumnResize)) o.Include(dlgColumnResizeX);
  if (grid.Contains(dgColLines)) o.Include(dlgColLinesX);
  if (grid.Contains(dgRowLines)) o.Include(dlgRowLinesX);
  if (x.Contains(dgxAutoSortMarking)) o.Include(dlgAutoSortMarkingX);
  if (x.Contains(dgxMultiSortMarking)) o.Include(dlgMultiSortMarkingX);
  return o;
}

void TDBLookupGridX::SetOptions(TDBLookupGridXOptions Value) {
  TDBGridOptions grid = TCustomDBGridX::Options() - TDBGridOptions{dgColumnResize, dgColLines, dgRowLines};
  if (Value.Contains(dlgColumnResizeX)) grid.Include(dgColumnResize);
  if (Value.Contains(dlgColLinesX)) grid.Include(dgColLines);
  if (Value.Contains(dlgRowLinesX)) grid.Include(dgRowLines);
  TDBGridXOptions x = OptionsX() - TDBGridXOptions{dgxAutoSortMarking, dgxMultiSortMarking};
  if (Value.Contains(dlgAutoSortMarkingX)) x.Include(dgxAutoSortMarking);
  if (Value.Contains(dlgMultiSortMarkingX)) x.Include(dgxMultiSortMarking);
  TCustomDBGridX::SetOptions(grid);
  SetOptionsX(x);
}

void TDBLookupGridX::SetSpecRow(TSpecRowX* Value) { spec_row_->Assign(Value); }

}  // namespace lab
