// TField: binding, presentation and value access; TFieldDefs and TFields.
#include "platform/db/fields.h"

#include <algorithm>
#include <array>

#include "platform/db/dataset.h"
#include "platform/db/db_errors.h"
#include "platform/db/field_values.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

TField::TField(TComponent* AOwner, TFieldType Type, int Size)
    : TComponent(AOwner), data_type_(Type), size_(Size) {}

TField::~TField() {
  if (dataset_) dataset_->RemoveField(this);
}

void TField::CheckInactive() const {
  if (dataset_) dataset_->CheckInactive();
}

void TField::SetDataSet(TDataSet* Value) {
  if (Value == dataset_) return;
  CheckInactive();
  if (Value) Value->CheckInactive();
  if (dataset_) dataset_->RemoveField(this);
  if (Value) Value->AddField(this);
}

void TField::SetFieldName(const std::string& Value) {
  CheckInactive();
  field_name_ = Value;
  if (dataset_) dataset_->fields_.NamesChanged();
}

void TField::SetFieldKind(TFieldKind Value) {
  CheckInactive();
  kind_ = Value;
}

void TField::SetSize(int Value) {
  CheckInactive();
  size_ = Value;
}

int TField::Index() const { return dataset_ ? dataset_->fields_.IndexOf(this) : -1; }

void TField::SetIndex(int Value) {
  if (!dataset_) return;
  auto& list = dataset_->fields_.list_;
  const int count = static_cast<int>(list.size());
  Value = std::clamp(Value, 0, count - 1);
  const int current = Index();
  if (current == Value) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
  dataset_->fields_.NamesChanged();
  PropertyChanged(true);
}

void TField::SetKeyFields(const std::string& Value) {
  CheckInactive();
  key_fields_ = Value;
}

void TField::SetLookupDataSet(TDataSet* Value) {
  CheckInactive();
  if (Value == lookup_dataset_) return;
  if (lookup_dataset_) lookup_dataset_->RemoveFreeNotification(this);
  lookup_dataset_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TField::SetLookupKeyFields(const std::string& Value) {
  CheckInactive();
  lookup_key_fields_ = Value;
}

void TField::SetLookupResultField(const std::string& Value) {
  CheckInactive();
  lookup_result_field_ = Value;
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == lookup_dataset_) lookup_dataset_ = nullptr;
}

void TField::PropertyChanged(bool LayoutAffected) {
  if (dataset_ && dataset_->Active()) dataset_->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const std::string& Value) {
  if (display_label_ == Value) return;
  display_label_ = Value;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int Value) {
  if (display_width_ == Value) return;
  display_width_ = Value;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  PropertyChanged(true);
}

void TField::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool Value) {
  if (read_only_ == Value) return;
  read_only_ = Value;
  PropertyChanged(false);
}

bool TField::CanModify() const {
  if (read_only_ || !dataset_ || !dataset_->CanModify()) return false;
  if (kind_ == fkData) return true;
  if (kind_ != fkLookup || !lookup_dataset_ || key_fields_.empty()) return false;
  std::vector<TField*> keys;
  dataset_->GetFieldList(keys, key_fields_);
  return std::all_of(keys.begin(), keys.end(), [](TField* f) { return f->CanModify(); });
}

Variant TField::Value() const {
  if (validating_) return *validating_;
  if (!dataset_) return Null();
  return dataset_->ReadField(this);
}

bool TField::IsNull() const {
  const Variant v = Value();
  return VarIsNull(v) || VarIsEmpty(v);
}

Variant TField::Convert(const Variant& V) const {
  Variant out;
  const TConvertResult r = ConvertFieldValue(data_type_, V, out);
  if (r == TConvertResult::OutOfRange) {
    const bool small = data_type_ == ftSmallint;
    DatabaseErrorFmt(dbmsg::SFieldRangeError, dataset_, VarToStr(V), DisplayName(), small ? "-32768" : "-2147483648",
                     small ? "32767" : "2147483647");
  }
  if (r == TConvertResult::BadValue) {
    const std::string text = VarIsArray(V) ? std::string("(Array)") : VarToStr(V);
    switch (data_type_) {
      case ftSmallint: case ftInteger: case ftLargeint: case ftWord: case ftAutoInc:
        DatabaseErrorFmt(dbmsg::SInvalidIntegerValue, dataset_, text, DisplayName());
      case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
        DatabaseErrorFmt(dbmsg::SInvalidFloatValue, dataset_, text, DisplayName());
      case ftBoolean:
        DatabaseErrorFmt(dbmsg::SInvalidBoolValue, dataset_, text, DisplayName());
      case ftDate: case ftTime: case ftDateTime:
        DatabaseErrorFmt(dbmsg::SInvalidDateTimeValue, dataset_, text, DisplayName());
      default:
        DatabaseErrorFmt(dbmsg::SFieldValueError, dataset_, DisplayName());
    }
  }
  if (const std::string* text = out.StringPtr();
      data_type_ == ftString && size_ > 0 && text && Utf8Length(*text) > static_cast<std::size_t>(size_))
    DatabaseErrorFmt(dbmsg::SFieldTooLong, dataset_, DisplayName(), size_);
  return out;
}

void TField::SetValue(const Variant& V) {
  if (!dataset_) DatabaseErrorFmt(dbmsg::SDataSetMissing, this, DisplayName());
  dataset_->WriteField(this, Convert(V));
}

void TField::AccessError(const char* TypeName) const {
  DatabaseErrorFmt(dbmsg::SFieldAccessError, dataset_, DisplayName(), TypeName);
}

template <class T, class F>
T TField::Read(const char* TypeName, F From) const {
  const Variant v = Value();
  if (VarIsNull(v) || VarIsEmpty(v)) return T{};
  try {
    return From(v);
  } catch (const EVariantError&) {
    if (v.Type() != varString) AccessError(TypeName);
    const std::string text = v.AsString();
    if (std::string_view(TypeName) == "Boolean") DatabaseErrorFmt(dbmsg::SInvalidBoolValue, dataset_, text, DisplayName());
    if (std::string_view(TypeName) == "DateTime")
      DatabaseErrorFmt(dbmsg::SInvalidDateTimeValue, dataset_, text, DisplayName());
    if (std::string_view(TypeName) == "Integer" || std::string_view(TypeName) == "LargeInt")
      DatabaseErrorFmt(dbmsg::SInvalidIntegerValue, dataset_, text, DisplayName());
    DatabaseErrorFmt(dbmsg::SInvalidFloatValue, dataset_, text, DisplayName());
  } catch (const EConvertError&) {
    DatabaseErrorFmt(dbmsg::SInvalidDateTimeValue, dataset_, v.AsString(), DisplayName());
  }
}

std::int32_t TField::AsInteger() const {
  return Read<std::int32_t>("Integer", [](const Variant& v) { return v.AsInteger(); });
}
std::int64_t TField::AsLargeInt() const {
  return Read<std::int64_t>("LargeInt", [](const Variant& v) { return v.AsInt64(); });
}
double TField::AsFloat() const {
  return Read<double>("Float", [](const Variant& v) { return v.Type() == varDate ? v.AsDateTime() : v.AsDouble(); });
}
Currency TField::AsCurrency() const {
  return Read<Currency>("Currency", [](const Variant& v) { return v.AsCurrency(); });
}
bool TField::AsBoolean() const {
  return Read<bool>("Boolean", [](const Variant& v) { return v.AsBoolean(); });
}
TDateTime TField::AsDateTime() const {
  return Read<TDateTime>("DateTime", [](const Variant& v) {
    return v.Type() == varString ? StrToDateTime(v.AsString()) : v.AsDateTime();
  });
}

std::string TField::GetAsString() const { return VarToStr(Value()); }

void TField::SetAsStringValue(const std::string& Value) { SetValue(Variant(Value)); }

std::string TField::GetText(bool /*DisplayText*/) const { return IsNull() ? std::string() : GetAsString(); }

std::string TField::DisplayText() const {
  if (OnGetText) {
    std::string text;
    OnGetText(const_cast<TField*>(this), text, true);
    return text;
  }
  return GetText(true);
}

std::string TField::Text() const {
  if (OnGetText) {
    std::string text;
    OnGetText(const_cast<TField*>(this), text, false);
    return text;
  }
  return GetText(false);
}

void TField::SetText(const std::string& Value) {
  if (OnSetText)
    OnSetText(this, Value);
  else
    SetAsStringValue(Value);
}

void TField::FocusControl() {
  if (!dataset_ || !dataset_->Active()) return;
  TField* field = this;
  dataset_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
}

// ---- TFieldDef and TFieldDefs ----

void TFieldDef::DeclareProperties(TPropertyDeclarer<TFieldDef>& P) {
  P.Property("Name", &TFieldDef::Name, &TFieldDef::SetName);
  P.Property("DataType", &TFieldDef::DataType, &TFieldDef::SetDataType).Default(ftUnknown);
  P.Property("Size", &TFieldDef::Size, &TFieldDef::SetSize).Default(0);
  P.Property("Required", &TFieldDef::Required, &TFieldDef::SetRequired).Default(false);
}

// An open dataset's records are laid out by its definitions: they stay as they are until it closes.
void TFieldDef::CheckInactive() const {
  auto* defs = static_cast<TFieldDefs*>(Collection());
  TDataSet* ds = defs ? defs->DataSet() : nullptr;
  if (ds && ds->Active()) DatabaseError(std::string(dbmsg::SDataSetOpen), ds);
}

void TFieldDef::SetName(const std::string& Value) {
  if (Value == name_) return;
  CheckInactive();
  auto* defs = static_cast<TFieldDefs*>(Collection());
  if (defs && !Value.empty()) {
    const int other = defs->IndexOf(Value);
    if (other >= 0 && other != Index())
      DatabaseErrorFmt(dbmsg::SDuplicateFieldName, defs->DataSet(), Value);
  }
  name_ = Value;
  Changed(false);
}

void TFieldDef::SetDataType(TFieldType Value) {
  if (Value == data_type_) return;
  CheckInactive();
  data_type_ = Value;
  Changed(false);
}

void TFieldDef::SetSize(int Value) {
  if (Value == size_) return;
  CheckInactive();
  size_ = Value;
  Changed(false);
}

void TFieldDef::SetRequired(bool Value) {
  if (Value == required_) return;
  CheckInactive();
  required_ = Value;
  Changed(false);
}

void TFieldDef::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TFieldDef*>(Source)) {
    SetName(src->name_);
    SetDataType(src->data_type_);
    SetSize(src->size_);
    SetRequired(src->required_);
    return;
  }
  TCollectionItem::Assign(Source);
}

TFieldDefs::TFieldDefs(TDataSet* DataSet) : TOwnedCollection(DataSet, MetaClass<TFieldDef>()), dataset_(DataSet) {}

void TFieldDefs::Add(const std::string& Name, TFieldType DataType, int Size, bool Required) {
  if (Name.empty()) DatabaseError(std::string(dbmsg::SFieldNameMissing), dataset_);
  if (IndexOf(Name) >= 0) DatabaseErrorFmt(dbmsg::SDuplicateFieldName, dataset_, Name);
  if (dataset_ && dataset_->Active()) DatabaseError(std::string(dbmsg::SDataSetOpen), dataset_);
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  TFieldDef* def = AddFieldDef();
  def->name_ = Name;
  def->data_type_ = DataType;
  def->size_ = Size;
  def->required_ = Required;
}

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

int TFieldDefs::IndexOf(std::string_view Name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), Name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view Name) const {
  const int i = IndexOf(Name);
  return i < 0 ? nullptr : Items(i);
}

// ---- TFields ----

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count()) DatabaseError(std::string(dbmsg::SFieldIndexError));
  return list_[static_cast<std::size_t>(Index)];
}

namespace {

// Each byte with 'A'..'Z' taken as 'a'..'z'.
constexpr auto kFolded = [] {
  std::array<unsigned char, 256> t{};
  for (unsigned i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i - 'A' < 26u ? i | 0x20 : i);
  return t;
}();

unsigned char Folded(char c) { return kFolded[static_cast<unsigned char>(c)]; }

// FNV-1a over the bytes with 'A'..'Z' taken as 'a'..'z'; Ascii tells whether every byte is ASCII.
std::size_t FoldedHash(std::string_view S, bool& Ascii) {
  std::uint32_t h = 2166136261u;
  unsigned char any = 0;
  for (char c : S) {
    any |= static_cast<unsigned char>(c);
    h = (h ^ Folded(c)) * 16777619u;
  }
  Ascii = any < 0x80;
  return h;
}

bool SameAsciiText(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  if (A == B) return true;  // as the program spelt it
  for (std::size_t i = 0; i < A.size(); ++i)
    if (Folded(A[i]) != Folded(B[i])) return false;
  return true;
}

}  // namespace

void TFields::NamesChanged() {
  ++stamp_;
  std::size_t size = 8;
  while (size < 2 * list_.size()) size *= 2;
  by_name_.assign(size, 0);
  other_names_ = false;
  for (std::size_t i = 0; i < list_.size(); ++i) {
    const std::string& name = list_[i]->FieldName();
    bool ascii;
    std::size_t at = FoldedHash(name, ascii) & (size - 1);
    if (!ascii) {
      other_names_ = true;
      continue;
    }
    // The first of names equal without case is the one found.
    while (by_name_[at] != 0 && !SameAsciiText(list_[static_cast<std::size_t>(by_name_[at] - 1)]->FieldName(), name))
      at = (at + 1) & (size - 1);
    if (by_name_[at] == 0) by_name_[at] = static_cast<int>(i) + 1;
  }
}

TField* TFields::FindField(std::string_view Name) const {
  bool ascii;
  const std::size_t hash = FoldedHash(Name, ascii);
  std::size_t found = list_.size();
  if (ascii && !by_name_.empty()) {
    const std::size_t mask = by_name_.size() - 1;
    for (std::size_t at = hash & mask; by_name_[at] != 0; at = (at + 1) & mask) {
      const auto i = static_cast<std::size_t>(by_name_[at] - 1);
      if (SameAsciiText(list_[i]->FieldName(), Name)) {
        found = i;
        break;
      }
    }
  }
  // A name past ASCII may equal any name under the collator (a full-width letter is the same
  // letter to it, but for case): the first such field before the one found wins.
  if (!ascii || other_names_)
    for (std::size_t i = 0; i < found; ++i) {
      const std::string& name = list_[i]->FieldName();
      bool plain;
      FoldedHash(name, plain);
      if ((!ascii || !plain) && AnsiSameText(name, Name)) return list_[i];
    }
  return found < list_.size() ? list_[found] : nullptr;
}

TField* TFields::FieldByNumber(int FieldNo) const {
  for (TField* f : list_)
    if (f->FieldNo() == FieldNo) return f;
  return nullptr;
}

int TFields::IndexOf(const TField* Field) const {
  const auto it = std::find(list_.begin(), list_.end(), Field);
  return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

}  // namespace lab
