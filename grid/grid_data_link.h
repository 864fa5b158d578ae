#pragma once
// TGridDataLinkX: the grid's link to its data source, with the map from the grid's columns to the
// dataset's fields. Default columns map every visible field in field order (looked up by name, so
// a missing one is an error); persistent columns map their FieldName with FindField (-1 when the
// dataset lacks it, so the column shows empty cells).

#include <string>
#include <vector>

#include "platform/db/data_link.h"

namespace lab {

class TCustomDBGridX;

class TGridDataLinkX : public TDataLink {
  LAB_CLASS(TGridDataLinkX, TDataLink)
 public:
  explicit TGridDataLinkX(TCustomDBGridX* AGrid);
  ~TGridDataLinkX() override;

  TCustomDBGridX* Grid() const noexcept { return grid_; }

  // Adds the field of that name (or -1) to the map; the map holds at most 0x0FFFFFFF entries.
  void AddMapping(const std::string& FieldName);
  void ClearMapping();
  // The field of map entry Index; nullptr outside the map or for a column without field.
  TField* GetMappedField(int Index) const;
  int FieldCount() const noexcept { return static_cast<int>(map_.size()); }
  // The raw map entry (-1 for none) and the map's allocated length.
  int FieldMapEntry(int Index) const { return map_.at(static_cast<std::size_t>(Index)); }
  int FieldMapSize() const noexcept { return static_cast<int>(map_.capacity()); }
  // Whether the map follows persistent columns.
  bool SparseMap() const noexcept { return sparse_map_; }
  void SetSparseMap(bool Value) noexcept { sparse_map_ = Value; }
  // The dataset's default-fields state (true without dataset); a sparse map with a missing field
  // is not default.
  bool DefaultFields() const;

  // The current record holds an edit from the grid not yet written.
  bool Modified() const noexcept { return modified_; }
  void SetModified(bool Value = true) noexcept { modified_ = Value; }
  // Throws away the grid's edit (the record shows again), or cancels the dataset's.
  void Reset();

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int Distance) override;
  void EditingChanged() override;
  void FocusControl(TField*& Field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

 private:
  TCustomDBGridX* grid_;
  std::vector<int> map_;
  bool in_update_data_ = false;
  bool modified_ = false;
  bool sparse_map_ = false;
};

}  // namespace lab
