#pragma once
// The lookup grid: a data grid listing the records of a list dataset, with the key field whose
// value a lookup stands for, the field it shows and an optional special first row ("(none)").
// TPopupDataGridX is the same grid as the drop-down of a column (the column's DataList), which
// the column's in-place editor opens; the column's DropDownBox configures it.

#include <memory>
#include <string>

#include "grid/dbgrid.h"

namespace lab {

class TSpecRowX;

class TDBLookupGridX : public TCustomDBGridX {
  LAB_CLASS(TDBLookupGridX, TCustomDBGridX)
 public:
  // A list to pick from: read-only, without indicator and titles, with column lines.
  explicit TDBLookupGridX(TComponent* AOwner);
  ~TDBLookupGridX() override;

  // Sizing, lines and sort marking of the list, kept in the grid's own options.
  TDBLookupGridXOptions Options() const;
  void SetOptions(TDBLookupGridXOptions Value);
  const std::string& KeyFieldName() const noexcept { return key_field_name_; }
  void SetKeyFieldName(const std::string& Value) { key_field_name_ = Value; }
  const std::string& ListFieldName() const noexcept { return list_field_name_; }
  void SetListFieldName(const std::string& Value) { list_field_name_ = Value; }
  TSpecRowX* SpecRow() const noexcept { return spec_row_.get(); }
  // Takes over the settings of Value.
  void SetSpecRow(TSpecRowX* Value);

 private:
  std::string key_field_name_;
  std::string list_field_name_;
  std::unique_ptr<TSpecRowX> spec_row_;
};

class TPopupDataGridX : public TDBLookupGridX {
  LAB_CLASS(TPopupDataGridX, TDBLookupGridX)
 public:
  using TDBLookupGridX::TDBLookupGridX;
};

}  // namespace lab
