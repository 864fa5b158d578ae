#include "grid/mem_dataset_features.h"

#include <algorithm>
#include <vector>

#include "grid/dbgrid.h"
#include "grid/filter_expression.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/strutils.h"

namespace lab {

// The text is matched as the field's own value: the dataset reads it as the field's type.
bool TMemDataSetFeaturesX::LocateText(TCustomDBGridX* Grid, const std::string& FieldName, const std::string& Text,
                                      TLocateOptions Options) {
  TDataSource* source = Grid ? Grid->DataSource() : nullptr;
  TDataSet* ds = source ? source->DataSet() : nullptr;
  return ds && ds->Active() && ds->Locate(FieldName, Text, Options);
}

std::string TMemDataSetFeaturesX::SortText(TCustomDBGridX* Grid) {
  std::string text;
  for (TColumnX* c : Grid->SortMarkedColumns()) {
    TField* f = c->GetField();
    if (!f || f->FieldKind() != fkData || c->Title()->SortMarker() == smNoneX) continue;
    if (!text.empty()) text += "; ";
    text += f->FieldName();
    if (c->Title()->SortMarker() == smUpX) text += " DESC";
  }
  return text;
}

void TMemDataSetFeaturesX::ApplySorting(TCustomDBGridX* Grid, TDataSet* DataSet, bool) {
  auto* mem = dynamic_cast<TMemDataSet*>(DataSet);
  if (!mem || !Grid) return;
  mem->SetSortFields(SortText(Grid));
}

namespace {

// A constant of the dataset's filter texts: numbers as filter texts write them, dates as 'yyyy-mm-dd hh:nn:ss',
// Booleans as TRUE or FALSE, anything else quoted (the dataset reads it as the field's type).
std::string Constant(const Variant& V) {
  switch (V.Type()) {
    case varDouble: return FilterValueText(V);
    case varDate: return "'" + FormatDateTime("yyyy-mm-dd hh:nn:ss", V.AsDateTime()) + "'";
    case varBoolean: return V.AsBoolean() ? "TRUE" : "FALSE";
    default: return QuotedStr(V.AsString());
  }
}

std::string AnyOf(const std::string& Field, const Variant& Values) {
  if (!VarIsArray(Values)) return Field + " = " + Constant(Values);
  std::string text;
  for (int i = VarArrayLowBound(Values); i <= VarArrayHighBound(Values); ++i) {
    if (!text.empty()) text += " OR ";
    text += Field + " = " + Constant(Values[i]);
  }
  return "(" + text + ")";
}

// A pattern without wildcards matches anywhere in the text; * is typed for %.
std::string Pattern(const Variant& V) {
  std::string p = V.AsString();
  std::replace(p.begin(), p.end(), '*', '%');
  return QuotedStr(p.find_first_of("%_") == std::string::npos ? "%" + p + "%" : p);
}

std::string Condition(const std::string& Field, TSTFilterOperatorX Op, const Variant& Value) {
  switch (Op) {
    case foEqual: case foNotEqual: case foGreaterThan: case foLessThan: case foGreaterOrEqual: case foLessOrEqual:
      return Field + " " + std::string(FilterOperatorText(Op)) + " " + Constant(Value);
    case foLike: return Field + " LIKE " + Pattern(Value);
    case foNotLike: return Field + " NOT LIKE " + Pattern(Value);
    case foIn: return AnyOf(Field, Value);
    case foNotIn: return "NOT " + AnyOf(Field, Value);
    case foNull: return Field + " IS NULL";
    case foNotNull: return Field + " IS NOT NULL";
    default: return {};
  }
}

}  // namespace

std::string TMemDataSetFeaturesX::FilterText(TCustomDBGridX* Grid) {
  std::vector<std::string> parts;
  for (int i = 0; i < Grid->Columns()->Count(); ++i) {
    TSTColumnFilterX* filter = Grid->Columns()->GetColumn(i)->STFilter();
    const TSTFilterExpressionX& e = filter->Expression();
    const std::string name = filter->GetDataFieldName();
    // A condition over several key fields has no single field to test.
    if (e.Empty() || name.empty() || name.find(';') != std::string::npos) continue;
    // Quoted, with quotes inside doubled: a name may hold any character, "]" too.
    const std::string field = AnsiQuotedStr(name, '"');
    std::string part = Condition(field, e.Operator1, filter->GetValue1());
    if (e.Relation != foNon && e.Operator2 != foNon)
      part = "(" + part + " " + std::string(FilterOperatorText(e.Relation)) + " " +
             Condition(field, e.Operator2, filter->GetValue2()) + ")";
    parts.push_back(part);
  }
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : " AND ") + p;
  return text;
}

// Replaces the dataset's filter with the grid's conditions; no condition shows every record.
void TMemDataSetFeaturesX::ApplyFilter(TCustomDBGridX* Grid, TDataSet* DataSet, bool) {
  auto* mem = dynamic_cast<TMemDataSet*>(DataSet);
  if (!mem || !Grid) return;
  const std::string text = FilterText(Grid);
  if (text.empty()) {
    mem->SetFiltered(false);
    mem->SetFilter("");
    return;
  }
  mem->SetFilter(text);
  mem->SetFiltered(true);
}

}  // namespace lab
