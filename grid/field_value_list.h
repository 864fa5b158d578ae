#pragma once
// The distinct values of one field, as the texts the filter row's drop-down offers: sorted
// ascending, nulls left out, numbers with a dot and dates as yyyy-mm-dd (FilterValueText), so a
// chosen value reads back as the same condition under any locale.
//
// A list is made once and kept by its column until the data changes (the grid drops it then), so
// opening the drop-down again costs a copy of the texts.

#include <memory>
#include <string>
#include <vector>

namespace lab {

class TDataSet;

class IMemTableDataFieldValueListX {
 public:
  virtual ~IMemTableDataFieldValueListX() = default;
  virtual const std::vector<std::string>& Values() = 0;
};

// Over any dataset: a TMemDataSet answers from its store (every record, whatever its filter);
// another dataset is walked once with its controls disabled and put back on its record.
class TDatasetFieldValueListX : public IMemTableDataFieldValueListX {
 public:
  TDatasetFieldValueListX() = default;
  void SetDataSet(TDataSet* Value);
  void SetFieldName(const std::string& Value);
  // Read on first use after a change of the dataset or the field.
  const std::vector<std::string>& Values() override;

 private:
  TDataSet* data_set_ = nullptr;
  std::string field_name_;
  std::vector<std::string> values_;
  bool loaded_ = false;
};

std::shared_ptr<IMemTableDataFieldValueListX> MakeFieldValueList(TDataSet* DataSet, const std::string& FieldName);

}  // namespace lab
