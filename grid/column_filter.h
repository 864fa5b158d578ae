#pragma once
// TSTColumnFilterX: a column's condition in the grid's filter row. The text typed (ExpressionStr)
// is parsed into an expression (filter_expression.h) read as the column field's kind of value.
// A column whose values come from a list dataset (ListSource, or a lookup field's lookup dataset)
// filters by key: the typed text is looked up in the list's ListField and the key found becomes
// the condition on the data field ("In" the key; "is null" when the text is not in the list).
// What the conditions do to the dataset is up to the grid's data service (data_service.h).
//
// The list dataset's ListField and KeyField values are kept as two parallel lists, read again
// whenever the list dataset changes. The values the filter row's drop-down offers
// (field_value_list.h) are kept here too, until the grid drops them when its data changes.

#include <memory>
#include <string>

#include "grid/field_value_list.h"
#include "grid/filter_expression.h"
#include "platform/classes/properties.h"
#include "platform/rtl/persistent.h"

namespace lab {

class TColumnX;
class TDataLink;
class TDataSet;
class TDataSource;
class TStringList;

class TSTColumnFilterX : public TPersistent {
  LAB_CLASS(TSTColumnFilterX, TPersistent)
  LAB_PROPERTIES(TSTColumnFilterX, TPersistent)
 public:
  explicit TSTColumnFilterX(TColumnX* AColumn);
  ~TSTColumnFilterX() override;

  TColumnX* Column() const noexcept { return column_; }
  // The field the condition applies to when not the column's own.
  const std::string& DataField() const noexcept { return data_field_; }
  void SetDataField(const std::string& Value) { data_field_ = Value; }
  const std::string& KeyField() const noexcept { return key_field_; }
  void SetKeyField(const std::string& Value) { key_field_ = Value; }
  const std::string& ListField() const noexcept { return list_field_; }
  void SetListField(const std::string& Value) { list_field_ = Value; }
  // Forgotten by itself when the data source goes.
  TDataSource* ListSource() const;
  void SetListSource(TDataSource* Value);
  // Whether the column has a filter cell.
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool Value) { visible_ = Value; }

  const TSTFilterExpressionX& Expression() const noexcept { return expression_; }
  const std::string& ExpressionStr() const noexcept { return expression_str_; }
  // Parses Value (see the header); a text that does not parse raises EConvertError and changes
  // nothing. The grid repaints, and its filter editor shows the text where it edits the column.
  void SetExpressionStr(const std::string& Value);
  // The key found for the typed text in the list dataset; Null when none, Empty before any.
  const Variant& KeyValue() const noexcept { return key_value_; }
  void Clear();

  // The condition as the filter cell shows it: "> 10 AND <= 20", "= 'Smith'", "In (1,2)", "=Null";
  // with a ListSource only the first operand, as a list of quoted items.
  virtual std::string GetExpressionAsString();
  virtual bool UsesListDataSet();
  // DataField; else a lookup field's KeyFields; else the column's FieldName.
  virtual std::string GetDataFieldName();
  std::string GetKeyFieldName();
  std::string GetListFieldName();
  TDataSet* GetListDataSet();
  // KeyValue when a key field is known, else the first operand; and the second operand.
  virtual Variant GetValue1();
  virtual Variant GetValue2();

  // The list dataset's ListField and KeyField values, in its order (empty without both names).
  TStringList* ListTexts() const noexcept { return list_texts_.get(); }
  TStringList* ListKeys() const noexcept { return list_keys_.get(); }
  // Reads both lists from the list dataset when its link is active and both names are known,
  // leaving the dataset on the record it was on. The dataset's controls are disabled meanwhile;
  // the change they report when enabled again reads nothing a second time.
  void ListDataChanged();

  // With an active grid link and a list dataset: the distinct values of the list dataset's
  // ListField (or the column's field); else nullptr.
  std::shared_ptr<IMemTableDataFieldValueListX> CreateFieldValueList();
  // The drop-down's values, kept until the data changes; nullptr before the first drop-down.
  const std::shared_ptr<IMemTableDataFieldValueListX>& ValueList() const noexcept { return value_list_; }
  void SetValueList(std::shared_ptr<IMemTableDataFieldValueListX> Value) { value_list_ = std::move(Value); }
  // The drop-down's size as the user last had it (0: none yet).
  int DropDownWidth() const noexcept { return drop_down_width_; }
  int DropDownCount() const noexcept { return drop_down_count_; }
  void SetDropDownSize(int Width, int Count) noexcept {
    drop_down_width_ = Width;
    drop_down_count_ = Count;
  }

  // DataField, Visible, KeyField, ListField and ListSource.
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;

 private:
  class TListLink;

  TColumnX* column_;
  std::string data_field_, key_field_, list_field_;
  std::unique_ptr<TStringList> list_texts_, list_keys_;
  std::unique_ptr<TListLink> list_link_;
  bool reading_list_ = false;
  std::shared_ptr<IMemTableDataFieldValueListX> value_list_;
  int drop_down_width_ = 0, drop_down_count_ = 0;
  bool visible_ = true;
  TSTFilterExpressionX expression_;
  std::string expression_str_;
  Variant key_value_;
};

}  // namespace lab
