#pragma once
// TField: one column of a dataset's current record. A field reads its value from the dataset's
// active record buffer (or the buffer being calculated or filtered) and writes it into the record
// being edited; the value's type is the field's DataType, converted on the way in with a clear
// EDatabaseError naming the field when it does not fit. The field kinds (string, integers, float,
// currency, Boolean, dates, memo, blob) are in field_kinds.h; TFieldDefs describe a dataset's
// stored columns.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/db/field_types.h"
#include "platform/rtl/currency.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/variant.h"

namespace lab {

class TDataSet;
class TField;

using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, std::string& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const std::string& Text)>;

class TField : public TComponent {
  LAB_CLASS(TField, TComponent)
 public:
  ~TField() override;

  // Binding. These raise "Cannot perform this operation on an open dataset" while the dataset is open.
  TDataSet* DataSet() const { return dataset_; }
  void SetDataSet(TDataSet* Value);
  const std::string& FieldName() const { return field_name_; }
  void SetFieldName(const std::string& Value);
  TFieldKind FieldKind() const { return kind_; }
  void SetFieldKind(TFieldKind Value);
  bool Calculated() const { return kind_ == fkCalculated; }
  void SetCalculated(bool Value) { SetFieldKind(Value ? fkCalculated : fkData); }
  bool Lookup() const { return kind_ == fkLookup; }
  void SetLookup(bool Value) { SetFieldKind(Value ? fkLookup : fkData); }
  TFieldType DataType() const { return data_type_; }
  // Characters of a string field (0: no limit); bytes of nothing else.
  int Size() const { return size_; }
  void SetSize(int Value);
  // 1-based position among the dataset's stored columns; 0 for calculated and lookup fields.
  int FieldNo() const { return field_no_; }
  // Position in the dataset's Fields; setting moves the field.
  int Index() const;
  void SetIndex(int Value);

  // Lookup fields: the value of LookupResultField of the LookupDataSet record whose
  // LookupKeyFields equal this dataset's KeyFields (";" lists).
  const std::string& KeyFields() const { return key_fields_; }
  void SetKeyFields(const std::string& Value);
  TDataSet* LookupDataSet() const { return lookup_dataset_; }
  void SetLookupDataSet(TDataSet* Value);
  const std::string& LookupKeyFields() const { return lookup_key_fields_; }
  void SetLookupKeyFields(const std::string& Value);
  const std::string& LookupResultField() const { return lookup_result_field_; }
  void SetLookupResultField(const std::string& Value);

  // Presentation. Changing DisplayLabel, DisplayWidth, Alignment, Visible or Index of an open
  // dataset's field tells the data links the layout changed; ReadOnly tells them the data did.
  std::string DisplayLabel() const { return display_label_.empty() ? field_name_ : display_label_; }
  void SetDisplayLabel(const std::string& Value);
  std::string DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return display_width_ >= 0 ? display_width_ : DefaultWidth(); }
  void SetDisplayWidth(int Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool Value);
  bool Required() const { return required_; }
  void SetRequired(bool Value) { required_ = Value; }
  const std::string& EditMask() const { return edit_mask_; }
  void SetEditMask(const std::string& Value) { edit_mask_ = Value; }

  virtual bool IsBlob() const { return false; }
  // Whether a value may be written: not read-only, a modifiable dataset, and for a lookup field
  // key fields that may all be written; calculated fields never.
  virtual bool CanModify() const;

  // The value of the current record. Null reads as 0, "", False or 0.0 through the As* accessors.
  // Writing needs the dataset in edit or insert mode (calculated fields also take values while
  // the dataset calculates) and a field that is not read-only; OnValidate sees the new value
  // before it is stored and may reject it by raising; then the data links hear of the change
  // and OnChange runs.
  Variant Value() const;
  void SetValue(const Variant& V);
  Variant AsVariant() const { return Value(); }
  void SetAsVariant(const Variant& V) { SetValue(V); }
  bool IsNull() const;
  void Clear() { SetValue(Null()); }

  std::string AsString() const { return GetAsString(); }
  void SetAsString(const std::string& Value) { SetAsStringValue(Value); }
  std::int32_t AsInteger() const;
  void SetAsInteger(std::int32_t Value) { SetValue(Variant(Value)); }
  std::int64_t AsLargeInt() const;
  void SetAsLargeInt(std::int64_t Value) { SetValue(Variant(Value)); }
  double AsFloat() const;
  void SetAsFloat(double Value) { SetValue(Variant(Value)); }
  Currency AsCurrency() const;
  void SetAsCurrency(Currency Value) { SetValue(Variant(Value)); }
  bool AsBoolean() const;
  void SetAsBoolean(bool Value) { SetValue(Variant(Value)); }
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime Value) { SetValue(VarFromDateTime(Value)); }

  // The text shown (DisplayText) and the text edited (Text, EditText), through OnGetText when it is
  // assigned. Setting Text goes through OnSetText when assigned; empty text clears a field that is
  // not a string field.
  std::string DisplayText() const;
  std::string Text() const;
  void SetText(const std::string& Value);
  std::string EditText() const { return Text(); }
  void SetEditText(const std::string& Value) { SetText(Value); }

  // Asks the data links to focus the control that shows this field.
  void FocusControl();

  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;

 protected:
  TField(TComponent* AOwner, TFieldType Type, int Size = 0);

  virtual int DefaultWidth() const { return 10; }
  virtual std::string GetAsString() const;
  virtual void SetAsStringValue(const std::string& Value);
  // The text of a non-null value; DisplayText picks the shown form.
  virtual std::string GetText(bool DisplayText) const;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  [[noreturn]] void AccessError(const char* TypeName) const;

 private:
  friend class TDataSet;

  void CheckInactive() const;
  void PropertyChanged(bool LayoutAffected);
  // Converts to the stored form, raising the field's own messages.
  Variant Convert(const Variant& V) const;
  template <class T, class F>
  T Read(const char* TypeName, F From) const;

  TDataSet* dataset_ = nullptr;
  std::string field_name_;
  TFieldKind kind_ = fkData;
  TFieldType data_type_;
  int size_ = 0;
  int field_no_ = 0;
  int calc_index_ = -1;  // slot among the calculated and lookup values of a record buffer
  std::string key_fields_, lookup_key_fields_, lookup_result_field_;
  TDataSet* lookup_dataset_ = nullptr;
  std::string display_label_;
  int display_width_ = -1;
  TAlignment alignment_ = taLeftJustify;
  bool visible_ = true, read_only_ = false, required_ = false;
  std::string edit_mask_;
  bool default_field_ = false;           // made by the dataset from its definitions
  const Variant* validating_ = nullptr;  // the value OnValidate is looking at
};

// A stored column of a dataset: name, type, size and whether it must hold a value. The
// definitions are a collection, so a form can define a dataset's columns:
//   FieldDefs = <
//     item
//       Name = 'Id'
//       DataType = ftInteger
//     end>
// Definitions change only while their dataset is closed ("Cannot perform this operation on an open
// dataset"); names are unique without case ("Duplicate field name '%s'").
class TFieldDef : public TCollectionItem {
  LAB_CLASS(TFieldDef, TCollectionItem)
  LAB_PROPERTIES(TFieldDef, TCollectionItem)
 public:
  explicit TFieldDef(TCollection* Collection) : TCollectionItem(Collection) {}

  const std::string& Name() const noexcept { return name_; }
  void SetName(const std::string& Value);
  TFieldType DataType() const noexcept { return data_type_; }
  void SetDataType(TFieldType Value);
  // Characters of a string column.
  int Size() const noexcept { return size_; }
  void SetSize(int Value);
  bool Required() const noexcept { return required_; }
  void SetRequired(bool Value);

  void Assign(TPersistent* Source) override;

 protected:
  std::string GetDisplayName() override { return name_; }

 private:
  friend class TFieldDefs;
  void CheckInactive() const;

  std::string name_;
  TFieldType data_type_ = ftUnknown;
  int size_ = 0;
  bool required_ = false;
};

class TFieldDefs : public TOwnedCollection {
  LAB_CLASS(TFieldDefs, TOwnedCollection)
 public:
  explicit TFieldDefs(TDataSet* DataSet);

  TDataSet* DataSet() const noexcept { return dataset_; }
  // EListError outside 0 .. Count-1.
  TFieldDef* Items(int Index) const { return static_cast<TFieldDef*>(TCollection::Items(Index)); }
  TFieldDef& operator[](int Index) const { return *Items(Index); }
  // EDatabaseError "Duplicate field name '%s'" when the name is taken (names compare without case),
  // "Field name missing" for an empty one.
  void Add(const std::string& Name, TFieldType DataType, int Size = 0, bool Required = false);
  // A new definition without name, for filling in.
  TFieldDef* AddFieldDef();
  int IndexOf(std::string_view Name) const;
  TFieldDef* Find(std::string_view Name) const;

 private:
  TDataSet* dataset_;
};

// The fields of a dataset in index order. Lookups by name ignore case, as the locale's collation
// does: names in ASCII go through a hash of their letters folded to one case, so a program that
// finds its fields by name for every value pays little for it; others through the collator.
class TFields {
 public:
  int Count() const { return static_cast<int>(list_.size()); }
  // EDatabaseError "Field index out of range" outside 0 .. Count-1.
  TField* Fields(int Index) const;
  TField* operator[](int Index) const { return Fields(Index); }
  TField* FindField(std::string_view Name) const;
  // By FieldNo; nullptr when none.
  TField* FieldByNumber(int FieldNo) const;
  int IndexOf(const TField* Field) const;
  // Changes whenever a field comes, goes, moves or is renamed.
  unsigned Stamp() const { return stamp_; }
  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

 private:
  friend class TDataSet;
  friend class TField;
  // Makes the name index again, after the list or a name changed.
  void NamesChanged();

  std::vector<TField*> list_;
  std::vector<int> by_name_;  // open addressing over the ASCII names: list index + 1, 0 when free
  bool other_names_ = false;  // a name has a character past ASCII
  unsigned stamp_ = 0;
};

}  // namespace lab
