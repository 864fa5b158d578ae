// Filter-row conditions: parsing each operator, relations, lists and nulls, operands of each value
// type, bad input, and how a column's condition is rendered back.

#include "grid/filter_expression.h"

#include <gtest/gtest.h>

#include "counted_dataset.h"
#include "grid/column_filter.h"
#include "grid_fixture.h"
#include "platform/db/field_kinds.h"

namespace lab {
namespace {

TSTFilterExpressionX Parse(std::string_view Text, TSTFilterDataTypeX Type) {
  TSTFilterExpressionX e;
  e.ExpressionType = Type;
  ParseFilterExpression(Text, e);
  return e;
}

TEST(FilterExpression, OperatorsAndTheirCodes) {
  struct TCase {
    const char* Text;
    TSTFilterOperatorX Op;
  };
  for (const TCase& c : {TCase{"= 5", foEqual}, TCase{"<>5", foNotEqual}, TCase{"> 5", foGreaterThan},
                         TCase{"<5", foLessThan}, TCase{">= 5", foGreaterOrEqual}, TCase{"<= 5", foLessOrEqual},
                         TCase{"5", foEqual}, TCase{"!= 5", foNotEqual}}) {
    const TSTFilterExpressionX e = Parse(c.Text, fdtNumber);
    EXPECT_EQ(e.Operator1, c.Op) << c.Text;
    EXPECT_EQ(e.Operand1.AsDouble(), 5.0) << c.Text;
    EXPECT_EQ(e.Relation, foNon);
  }
  EXPECT_EQ(FilterOperatorText(foNotIn), "!In");
  EXPECT_EQ(FilterOperatorText(foNull), "Null");
  EXPECT_EQ(FilterOperatorText(foOR), "OR");
  EXPECT_EQ(static_cast<int>(foOR), 14);
}

TEST(FilterExpression, RelationsListsAndNulls) {
  TSTFilterExpressionX e = Parse(">= 1.5 and < 10", fdtNumber);
  EXPECT_EQ(e.Operator1, foGreaterOrEqual);
  EXPECT_EQ(e.Relation, foAND);
  EXPECT_EQ(e.Operator2, foLessThan);
  EXPECT_EQ(e.Operand2.AsDouble(), 10.0);
  e = Parse("=Null OR = 'Smith'", fdtText);
  EXPECT_EQ(e.Operator1, foNull);
  EXPECT_TRUE(VarIsNull(e.Operand1));
  EXPECT_EQ(e.Relation, foOR);
  EXPECT_EQ(e.Operand2.AsString(), "Smith");
  EXPECT_EQ(Parse("<> null", fdtNumber).Operator1, foNotNull);
  // A quoted 'Null' is the text.
  e = Parse("= 'Null'", fdtText);
  EXPECT_EQ(e.Operator1, foEqual);
  EXPECT_EQ(e.Operand1.AsString(), "Null");
  e = Parse("In (1, 2,3)", fdtNumber);
  EXPECT_EQ(e.Operator1, foIn);
  ASSERT_TRUE(VarIsArray(e.Operand1));
  EXPECT_EQ(VarArrayHighBound(e.Operand1) - VarArrayLowBound(e.Operand1), 2);
  EXPECT_EQ(e.Operand1[VarArrayHighBound(e.Operand1)].AsDouble(), 3.0);
  e = Parse("!In ('a,b', 'it''s')", fdtText);
  EXPECT_EQ(e.Operator1, foNotIn);
  EXPECT_EQ(e.Operand1[VarArrayLowBound(e.Operand1)].AsString(), "a,b");
  EXPECT_EQ(e.Operand1[VarArrayHighBound(e.Operand1)].AsString(), "it's");
  // A word that starts like an operator is an operand.
  EXPECT_EQ(Parse("Indiana", fdtText).Operand1.AsString(), "Indiana");
  EXPECT_EQ(Parse("~ Ber%", fdtNumber).Operand1.AsString(), "Ber%");  // patterns stay text
  EXPECT_TRUE(Parse("   ", fdtText).Empty());
}

// A number is written as the shortest text that reads back as the same number.
TEST(FilterExpression, NumbersAreWrittenToReadBackTheSame) {
  const std::pair<double, const char*> cases[] = {
      {0.30000000000000004, "0.30000000000000004"}, {0.1, "0.1"}, {2.0, "2"}, {1.0 / 3, "0.3333333333333333"},
      {123456789012345678.0, "1.2345678901234568E17"}, {1e20, "1E20"}, {-2.5e-7, "-2.5E-7"}};
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(FilterValueText(value), text);
    EXPECT_EQ(Parse(std::string("=") + text, fdtNumber).Operand1.AsDouble(), value) << text;
  }
}

TEST(FilterExpression, BadInputRaisesAndLeavesTheExpression) {
  TSTFilterExpressionX e = Parse("> 3", fdtNumber);
  EXPECT_THROW(ParseFilterExpression("> three", e), EConvertError);
  EXPECT_THROW(ParseFilterExpression("= 'open", e), EConvertError);
  EXPECT_THROW(ParseFilterExpression("In (1, 2", e), EConvertError);
  EXPECT_THROW(ParseFilterExpression("> 1 AND", e), EConvertError);
  EXPECT_THROW(ParseFilterExpression("= 'a' 'b'", e), EConvertError);
  EXPECT_THROW(ParseFilterExpression(">", e), EConvertError);
  EXPECT_EQ(e.Operator1, foGreaterThan);
  EXPECT_EQ(e.Operand1.AsDouble(), 3.0);
  e.ExpressionType = fdtBoolean;
  EXPECT_THROW(ParseFilterExpression("maybe", e), EConvertError);
  ParseFilterExpression("true", e);
  EXPECT_TRUE(e.Operand1.AsBoolean());
  ClearFilterExpression(e);
  EXPECT_TRUE(e.Empty());
  EXPECT_EQ(e.ExpressionType, fdtBoolean);
}

TEST(FilterExpression, FieldTypesPickTheValueType) {
  EXPECT_EQ(FilterDataTypeOf(ftCurrency), fdtNumber);
  EXPECT_EQ(FilterDataTypeOf(ftDate), fdtDateTime);
  EXPECT_EQ(FilterDataTypeOf(ftBoolean), fdtBoolean);
  EXPECT_EQ(FilterDataTypeOf(ftMemo), fdtText);
}

class ColumnFilter : public gridtest::GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    grid->SetDataSource(source);
    OpenWithRows();
  }
};

TEST_F(ColumnFilter, ConditionsAreReadAsTheFieldsValuesAndRenderedBack) {
  TSTColumnFilterX* price = grid->Columns()->Add()->STFilter();
  price->Column()->SetFieldName("Price");
  price->SetExpressionStr(">1.5 and <= 2");
  EXPECT_EQ(price->Expression().ExpressionType, fdtNumber);
  EXPECT_EQ(price->GetExpressionAsString(), "> 1.5 AND <= 2");
  EXPECT_EQ(price->ExpressionStr(), ">1.5 and <= 2");
  TSTColumnFilterX* name = grid->Columns()->Add()->STFilter();
  name->Column()->SetFieldName("Name");
  name->SetExpressionStr("In (one, 'two')");
  EXPECT_EQ(name->GetExpressionAsString(), "In ('one','two')");
  name->SetExpressionStr("=null");
  EXPECT_EQ(name->GetExpressionAsString(), "=Null");
  EXPECT_EQ(name->GetValue1().Type(), varNull);
  EXPECT_THROW(price->SetExpressionStr("> cheap"), EConvertError);
  EXPECT_EQ(price->ExpressionStr(), ">1.5 and <= 2");
  name->Clear();
  EXPECT_TRUE(name->Expression().Empty());
  EXPECT_EQ(name->GetExpressionAsString(), "");
  EXPECT_EQ(name->GetDataFieldName(), "Name");
  name->SetDataField("Code");
  EXPECT_EQ(name->GetDataFieldName(), "Code");
}

// A filter's drop-down values come from its list dataset, and only while the grid shows data; a
// dataset that is no TMemDataSet is walked, its values ordered as numbers, each once, nulls left
// out, and the dataset left on its record.
TEST_F(ColumnFilter, DropDownValuesComeFromTheListDatasetWhileTheGridShowsData) {
  TSTColumnFilterX* f = grid->Columns()->Add()->STFilter();
  f->Column()->SetFieldName("Name");
  gridtest::TCountedDataSet counted(nullptr, 12);
  auto* n = new TIntegerField(&counted);
  n->SetFieldName("N");
  n->SetDataSet(&counted);
  // In record order 10, 2, 3, null, 10, ...
  auto* rest = new TIntegerField(&counted);
  rest->SetFieldName("Rest");
  rest->SetCalculated(true);
  rest->SetDataSet(&counted);
  counted.OnCalcFields = [rest](TDataSet* d) {
    const int i = d->FieldByName("N")->AsInteger() % 4;
    if (i == 0) rest->Clear();
    else rest->SetAsInteger(i == 1 ? 10 : i);
  };
  counted.Open();
  counted.SetRecNo(5);
  TDataSource list_source(nullptr);
  list_source.SetDataSet(&counted);
  struct TCase {
    const char* Case;
    TDataSource* ListSource;
    bool GridOpen, ListOpen;
    const char* Field;
    std::vector<std::string> Values;
    bool Listed = true;
  };
  const TCase cases[] = {
      {"no list dataset", nullptr, true, true, "N", {}, false},
      {"the grid's dataset closed", &list_source, false, true, "N", {}, false},
      {"a list dataset", &list_source, true, true, "N", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}},
      {"a field walked out of order", &list_source, true, true, "Rest", {"2", "3", "10"}},
      {"the list dataset closed", &list_source, true, false, "N", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Case);
    f->SetListField(c.Field);
    f->SetListSource(c.ListSource);
    ds->SetActive(c.GridOpen);
    if (!c.ListOpen) counted.Close();
    const auto list = f->CreateFieldValueList();
    ASSERT_EQ(static_cast<bool>(list), c.Listed);
    if (!list) continue;
    EXPECT_EQ(list->Values(), c.Values);
    if (c.ListOpen) {
      EXPECT_EQ(counted.RecNo(), 5);
    }
  }
  f->SetListSource(nullptr);
}

TEST_F(ColumnFilter, AListDatasetTurnsTheTextIntoItsKey) {
  TMemDataSet codes(nullptr);
  codes.FieldDefs().Add("Key", ftString, 5);
  codes.FieldDefs().Add("Text", ftString, 20);
  codes.Open();
  for (auto [k, t] : {std::pair{"K0", "zero"}, std::pair{"K1", "one"}}) {
    codes.Append();
    codes.FieldByName("Key")->SetAsString(k);
    codes.FieldByName("Text")->SetAsString(t);
    codes.Post();
  }
  TDataSource list(nullptr);
  list.SetDataSet(&codes);
  TSTColumnFilterX* f = grid->Columns()->Add()->STFilter();
  f->Column()->SetFieldName("Code");
  f->SetListSource(&list);
  f->SetKeyField("Key");
  f->SetListField("Text");
  EXPECT_TRUE(f->UsesListDataSet());
  f->SetExpressionStr("one");
  EXPECT_EQ(f->KeyValue().AsString(), "K1");
  EXPECT_EQ(f->Expression().Operator1, foIn);
  EXPECT_EQ(f->GetValue1().AsString(), "K1");
  EXPECT_EQ(f->GetExpressionAsString(), "one");
  f->SetExpressionStr("seven");
  EXPECT_TRUE(VarIsNull(f->KeyValue()));
  EXPECT_EQ(f->Expression().Operator1, foNull);
  f->SetExpressionStr("");
  EXPECT_TRUE(f->Expression().Empty());
  EXPECT_TRUE(VarIsNull(f->KeyValue()));
  // The filter lets go of a list source that goes away.
  list.SetDataSet(nullptr);
  TSTColumnFilterX copy(nullptr);
  copy.Assign(f);
  EXPECT_EQ(copy.ListSource(), &list);
  EXPECT_EQ(copy.KeyField(), "Key");
}

}  // namespace
}  // namespace lab
