#include "grid/column_filter.h"

#include "grid/columns.h"
#include "grid/dbgrid.h"
#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"

namespace lab {

void TSTColumnFilterX::DeclareProperties(TPropertyDeclarer<TSTColumnFilterX>& P) {
  using F = TSTColumnFilterX;
  P.Property("DataField", &F::DataField, &F::SetDataField).Stored([](F& f) { return !f.data_field_.empty(); });
  P.Property("KeyField", &F::KeyField, &F::SetKeyField).Stored([](F& f) { return !f.key_field_.empty(); });
  P.Property("ListField", &F::ListField, &F::SetListField).Stored([](F& f) { return !f.list_field_.empty(); });
  P.Property("ListSource", &F::ListSource, &F::SetListSource);
  P.Property("Visible", &F::Visible, &F::SetVisible).Default(true);
}

// Reads the lists again whenever the list dataset opens, closes or changes.
class TSTColumnFilterX::TListLink : public TDataLink {
 public:
  explicit TListLink(TSTColumnFilterX* Filter) : filter_(Filter) {}

 protected:
  void ActiveChanged() override { filter_->ListDataChanged(); }
  void DataSetChanged() override { filter_->ListDataChanged(); }

 private:
  TSTColumnFilterX* filter_;
};

TSTColumnFilterX::TSTColumnFilterX(TColumnX* AColumn)
    : column_(AColumn),
      list_texts_(std::make_unique<TStringList>()),
      list_keys_(std::make_unique<TStringList>()),
      list_link_(std::make_unique<TListLink>(this)) {}

TSTColumnFilterX::~TSTColumnFilterX() = default;

TPersistent* TSTColumnFilterX::GetOwner() { return column_; }

TDataSource* TSTColumnFilterX::ListSource() const { return list_link_->DataSource(); }

void TSTColumnFilterX::SetListSource(TDataSource* Value) {
  list_link_->SetDataSource(Value);
  value_list_.reset();
}

void TSTColumnFilterX::ListDataChanged() {
  // Enabling the controls again reports a change to this link: that one reads nothing.
  if (reading_list_) return;
  reading_list_ = true;
  TScopeExit done([this] { reading_list_ = false; });
  value_list_.reset();
  list_texts_->Clear();
  list_keys_->Clear();
  TDataSet* ds = list_link_->Active() ? list_link_->DataSet() : nullptr;
  if (!ds || list_field_.empty() || key_field_.empty()) return;
  TField* text_field = ds->FieldByName(list_field_);
  TField* key_field = ds->FieldByName(key_field_);
  const TBookmark here = ds->Bookmark();
  ds->DisableControls();
  TScopeExit enable([ds, &here] {
    if (!here.empty() && ds->BookmarkValid(here)) ds->GotoBookmark(here);
    ds->EnableControls();
  });
  for (ds->First(); !ds->Eof(); ds->Next()) {
    list_texts_->Add(text_field->AsString());
    list_keys_->Add(key_field->AsString());
  }
}

std::shared_ptr<IMemTableDataFieldValueListX> TSTColumnFilterX::CreateFieldValueList() {
  TCustomDBGridX* grid = column_ ? column_->GetGrid() : nullptr;
  TDataSet* list = GetListDataSet();
  if (!grid || !grid->DataLink()->Active() || !list) return nullptr;
  const std::string name = !list_field_.empty() ? list_field_ : column_->FieldName();
  return MakeFieldValueList(list, name);
}

namespace {

TField* LookupField(TColumnX* Column) {
  TField* f = Column ? Column->GetField() : nullptr;
  return f && f->Lookup() ? f : nullptr;
}

}  // namespace

std::string TSTColumnFilterX::GetDataFieldName() {
  if (!data_field_.empty()) return data_field_;
  if (TField* f = LookupField(column_)) return f->KeyFields();
  return column_ ? column_->FieldName() : std::string();
}

std::string TSTColumnFilterX::GetKeyFieldName() {
  if (!key_field_.empty()) return key_field_;
  TField* f = LookupField(column_);
  return f ? f->LookupKeyFields() : std::string();
}

std::string TSTColumnFilterX::GetListFieldName() {
  if (!list_field_.empty()) return list_field_;
  TField* f = LookupField(column_);
  return f ? f->LookupResultField() : std::string();
}

TDataSet* TSTColumnFilterX::GetListDataSet() {
  if (TDataSource* source = ListSource()) return source->DataSet();
  TField* f = LookupField(column_);
  return f ? f->LookupDataSet() : nullptr;
}

bool TSTColumnFilterX::UsesListDataSet() {
  TCustomDBGridX* grid = column_ ? column_->GetGrid() : nullptr;
  return ListSource() || (grid && grid->MemTable());
}

Variant TSTColumnFilterX::GetValue1() { return GetKeyFieldName().empty() ? expression_.Operand1 : key_value_; }

Variant TSTColumnFilterX::GetValue2() { return expression_.Operand2; }

void TSTColumnFilterX::Clear() {
  key_value_ = Null();
  TSTFilterExpressionX empty;
  empty.ExpressionType = expression_.ExpressionType;
  expression_ = empty;
  expression_str_.clear();
}

void TSTColumnFilterX::SetExpressionStr(const std::string& Value) {
  TSTFilterExpressionX parsed;
  Variant key = key_value_;
  TDataSet* list = GetListDataSet();
  const std::string key_field = GetKeyFieldName();
  if (!key_field.empty() && list) {
    // The typed text names a list entry: the condition is on its key.
    parsed.ExpressionType = fdtText;
    ParseFilterExpression(Value, parsed);
    if (parsed.Operator1 == foNull || parsed.Operator1 == foNotNull) {
      key = Null();
    } else {
      const std::string text = Trim(Value);
      key = text.empty() ? Null() : list->Lookup(GetListFieldName(), text, key_field);
      ClearFilterExpression(parsed);
      if (VarIsNull(key) || VarIsEmpty(key)) {
        parsed.Operator1 = text.empty() ? foNon : foNull;
      } else {
        parsed.Operator1 = foIn;
        parsed.Operand1 = text;
      }
    }
  } else {
    TField* f = column_ ? column_->GetField() : nullptr;
    parsed.ExpressionType = f ? FilterDataTypeOf(f->DataType()) : fdtText;
    ParseFilterExpression(Value, parsed);
  }
  expression_ = std::move(parsed);
  key_value_ = key;
  expression_str_ = Value;
  if (TCustomDBGridX* grid = column_ ? column_->GetGrid() : nullptr) grid->FilterConditionChanged(column_);
}

namespace {

// Numbers, dates and Booleans in the fixed forms the parser reads under any locale.
std::string OperandText(const Variant& V) {
  switch (V.Type()) {
    case varDouble: case varDate: case varBoolean: return FilterValueText(V);
    default: return QuotedStr(V.AsString());
  }
}

std::string ListText(const Variant& V, const char* Separator, bool Quoted) {
  if (!VarIsArray(V)) return Quoted ? OperandText(V) : V.AsString();
  std::string out;
  for (int i = VarArrayLowBound(V); i <= VarArrayHighBound(V); ++i) {
    if (i > VarArrayLowBound(V)) out += Separator;
    out += Quoted ? OperandText(V[i]) : QuotedStr(V[i].AsString());
  }
  return out;
}

std::string ConditionText(TSTFilterOperatorX Op, const Variant& Operand) {
  switch (Op) {
    case foNull: return "=Null";
    case foNotNull: return "<>Null";
    case foIn: case foNotIn:
      return std::string(FilterOperatorText(Op)) + " (" + ListText(Operand, ",", true) + ")";
    default: return std::string(FilterOperatorText(Op)) + " " + OperandText(Operand);
  }
}

}  // namespace

std::string TSTColumnFilterX::GetExpressionAsString() {
  if (expression_.Empty()) return {};
  if (ListSource()) return ListText(expression_.Operand1, ",", false);
  std::string text = ConditionText(expression_.Operator1, expression_.Operand1);
  if (expression_.Relation != foNon)
    text += " " + std::string(FilterOperatorText(expression_.Relation)) + " " +
            ConditionText(expression_.Operator2, expression_.Operand2);
  return text;
}

void TSTColumnFilterX::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TSTColumnFilterX*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  data_field_ = src->data_field_;
  visible_ = src->visible_;
  key_field_ = src->key_field_;
  list_field_ = src->list_field_;
  SetListSource(src->ListSource());
}

}  // namespace lab
