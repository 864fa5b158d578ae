#include "grid/drop_down_box.h"

#include "grid/dbgrid.h"
#include "grid/special_row.h"
#include "platform/db/data_source.h"

namespace lab {

void TColumnDropDownBoxX::DeclareProperties(TPropertyDeclarer<TColumnDropDownBoxX>& P) {
  using B = TColumnDropDownBoxX;
  P.Property("AutoFitColWidths", &B::AutoFitColWidths, &B::SetAutoFitColWidths).Default(true);
  P.Property("ColumnDefValues", &B::ColumnDefValues, &B::SetColumnDefValues).Stored([](B& b) {
    const IColumnDropDownOwnerX* owner = b.DropDownOwner();
    return owner && owner->DropDownGridMade();
  });
  P.Property("Columns", &B::Columns, &B::SetColumns).Stored(&B::ColumnsCustomised);
  P.Property("ListSource", &B::ListSource, &B::SetListSource);
  P.Property("Options", &B::Options, &B::SetOptions).Default(TDBLookupGridXOptions{dlgColLinesX});
  P.Property("UseMultiTitle", &B::UseMultiTitle, &B::SetUseMultiTitle).Default(false);
}

TColumnDropDownBoxX::TColumnDropDownBoxX(TPersistent* AOwner)
    : owner_(AOwner), spec_row_(std::make_unique<TSpecRowX>(this)) {}

TColumnDropDownBoxX::~TColumnDropDownBoxX() = default;

IColumnDropDownOwnerX* TColumnDropDownBoxX::DropDownOwner() const {
  return dynamic_cast<IColumnDropDownOwnerX*>(owner_);
}

void TColumnDropDownBoxX::SetListSource(TDataSource* Value) {
  if (list_source_ == Value) return;
  list_source_ = Value;
  if (IColumnDropDownOwnerX* owner = DropDownOwner()) owner->SetDropDownListSource(Value);
}

TDBGridColumnsX* TColumnDropDownBoxX::Columns() const {
  IColumnDropDownOwnerX* owner = DropDownOwner();
  return owner ? owner->DropDownGrid()->Columns() : nullptr;
}

void TColumnDropDownBoxX::SetColumns(TDBGridColumnsX* Value) {
  if (TDBGridColumnsX* columns = Columns()) columns->Assign(Value);
}

TColumnDefValuesX* TColumnDropDownBoxX::ColumnDefValues() const {
  IColumnDropDownOwnerX* owner = DropDownOwner();
  return owner ? owner->DropDownGrid()->ColumnDefValues() : nullptr;
}

void TColumnDropDownBoxX::SetColumnDefValues(TColumnDefValuesX* Value) {
  if (TColumnDefValuesX* defaults = ColumnDefValues()) defaults->Assign(Value);
}

TDBLookupGridXOptions TColumnDropDownBoxX::Options() const {
  IColumnDropDownOwnerX* owner = DropDownOwner();
  return owner ? owner->DropDownOptions() : TDBLookupGridXOptions{};
}

void TColumnDropDownBoxX::SetOptions(TDBLookupGridXOptions Value) {
  if (IColumnDropDownOwnerX* owner = DropDownOwner()) owner->SetDropDownOptions(Value);
}

bool TColumnDropDownBoxX::ColumnsCustomised() const {
  IColumnDropDownOwnerX* owner = DropDownOwner();
  return owner && owner->DropDownGridMade() && owner->DropDownGrid()->Columns()->Customized();
}

void TColumnDropDownBoxX::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TColumnDropDownBoxX*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  SetAutoFitColWidths(src->auto_fit_col_widths_);
  IColumnDropDownOwnerX* from = src->DropDownOwner();
  const bool from_grid = from && from->DropDownGridMade();
  if (from_grid) SetColumnDefValues(src->ColumnDefValues());
  if (src->ColumnsCustomised()) {
    SetColumns(src->Columns());
  } else if (IColumnDropDownOwnerX* owner = DropDownOwner(); owner && owner->DropDownGridMade()) {
    owner->DropDownGrid()->Columns()->Clear();
  }
  SetOptions(src->Options());
  SetUseMultiTitle(src->use_multi_title_);
  SetListSource(src->list_source_);
}

}  // namespace lab
