#pragma once
// TColumnDropDownBoxX: a column's settings of the drop-down grid that a lookup or list column
// opens (its DataList). Columns, ColumnDefValues and Options live in the drop-down grid itself;
// the box reaches them through its owner's IColumnDropDownOwnerX, so a box whose owner offers no
// drop-down answers nil and the empty set. The list source is handed to the owner as well.

#include <memory>

#include "grid/dbgrid_types.h"
#include "platform/classes/properties.h"
#include "platform/rtl/persistent.h"

namespace lab {

class TColumnDefValuesX;
class TCustomDBGridX;
class TDataSource;
class TDBGridColumnsX;
class TSpecRowX;

// What a drop-down box needs of its owner (a column).
class IColumnDropDownOwnerX {
 public:
  static constexpr const char* IID = "{6F0B2C1E-93A4-4D57-8E21-5C7A0D3B9F48}";
  virtual void SetDropDownListSource(TDataSource* Value) = 0;
  // The drop-down grid, made on first use.
  virtual TCustomDBGridX* DropDownGrid() = 0;
  virtual TDBLookupGridXOptions DropDownOptions() = 0;
  virtual void SetDropDownOptions(TDBLookupGridXOptions Value) = 0;
  // Whether the drop-down grid was made yet (so storing a form makes none).
  virtual bool DropDownGridMade() const = 0;

 protected:
  ~IColumnDropDownOwnerX() = default;
};

class TColumnDropDownBoxX : public TPersistent {
  LAB_CLASS(TColumnDropDownBoxX, TPersistent)
  LAB_PROPERTIES(TColumnDropDownBoxX, TPersistent)
 public:
  explicit TColumnDropDownBoxX(TPersistent* AOwner);
  ~TColumnDropDownBoxX() override;

  bool AutoFitColWidths() const noexcept { return auto_fit_col_widths_; }
  void SetAutoFitColWidths(bool Value) { auto_fit_col_widths_ = Value; }
  bool UseMultiTitle() const noexcept { return use_multi_title_; }
  void SetUseMultiTitle(bool Value) { use_multi_title_ = Value; }
  TDataSource* ListSource() const noexcept { return list_source_; }
  void SetListSource(TDataSource* Value);
  TSpecRowX* SpecRow() const noexcept { return spec_row_.get(); }

  // The drop-down grid's columns, defaults and options; nil or [] without a drop-down owner.
  TDBGridColumnsX* Columns() const;
  void SetColumns(TDBGridColumnsX* Value);
  TColumnDefValuesX* ColumnDefValues() const;
  void SetColumnDefValues(TColumnDefValuesX* Value);
  TDBLookupGridXOptions Options() const;
  void SetOptions(TDBLookupGridXOptions Value);
  // The drop-down grid exists and its columns are customised (only then are they written).
  bool ColumnsCustomised() const;

  TPersistent* GetOwner() override { return owner_; }
  void Assign(TPersistent* Source) override;

 private:
  IColumnDropDownOwnerX* DropDownOwner() const;

  TPersistent* owner_;
  TDataSource* list_source_ = nullptr;
  std::unique_ptr<TSpecRowX> spec_row_;
  bool auto_fit_col_widths_ = true;
  bool use_multi_title_ = false;
};

}  // namespace lab
