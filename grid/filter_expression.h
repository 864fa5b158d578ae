#pragma once
// The condition typed into a cell of the grid's filter row, parsed: one comparison, or two joined
// by AND or OR.
//
//   >= 10 AND < 20      <> 'Smith'      ~ Smi%      In (1, 2, 3)      =Null      <>Null      42
//
// Operators carry fixed codes: 0 none, 1 "=", 2 "<>", 3 ">", 4 "<", 5 ">=", 6 "<=", 7 "~" (like:
// % any run of characters, _ one character; a pattern without either matches anywhere in the
// text; * stands for % too, and an operand typed with a * and no operator is a pattern: "Mo*"),
// 8 "!~" (not like), 9 "In", 10 "!In" (a list in parentheses, separated by ","), 11 "Null"
// (is null, typed "=Null"), 12 "Null" (is not null, typed "<>Null"); the relations are 13 "AND"
// and 14 "OR". Keywords are read in any case. An operand without an operator is compared with "=".
// Operands are read as the expression's value type: numbers with a dot (or, failing that, the
// locale's decimal separator), dates as yyyy-mm-dd[ hh:nn[:ss]] (or, failing that, in the locale's
// form), Booleans as True or False, text as typed or between single quotes (a quote doubled
// inside). An operand that is not of the value type raises EConvertError and leaves the expression
// as it was. Conditions are shown in the fixed forms (FilterValueText), so what a filter cell
// shows reads back the same under any locale.

#include <string>
#include <string_view>

#include "platform/db/field_types.h"
#include "platform/rtl/variant.h"

namespace lab {

enum TSTFilterOperatorX {
  foNon, foEqual, foNotEqual, foGreaterThan, foLessThan, foGreaterOrEqual, foLessOrEqual, foLike, foNotLike,
  foIn, foNotIn, foNull, foNotNull, foAND, foOR
};

// The kind of value the operands are read as.
enum TSTFilterDataTypeX { fdtNon, fdtText, fdtNumber, fdtDateTime, fdtBoolean };

struct TSTFilterExpressionX {
  TSTFilterDataTypeX ExpressionType = fdtNon;
  TSTFilterOperatorX Operator1 = foNon;
  // A scalar, or a Variant array for In and !In; Null for the null tests.
  Variant Operand1 = Null();
  TSTFilterOperatorX Relation = foNon;  // foAND, foOR or none
  TSTFilterOperatorX Operator2 = foNon;
  Variant Operand2 = Null();

  bool Empty() const noexcept { return Operator1 == foNon; }
};

// The rendering of an operator code: "=", "<>", ..., "In", "!In", "Null", "AND", "OR"; "" for none.
std::string_view FilterOperatorText(TSTFilterOperatorX Operator);
// The value type a field of this type is filtered by.
TSTFilterDataTypeX FilterDataTypeOf(TFieldType Type);

// A value as a filter text writes it: numbers with a dot, in the fewest digits that read back as
// the same number, dates as yyyy-mm-dd (and hh:nn:ss when the time is not midnight), Booleans as
// True or False, anything else as its text.
std::string FilterValueText(const Variant& Value);
// A text to type for "equal to this text": the text itself when it reads back as that, else
// quoted ("<5" gives "'<5'", "a AND b" gives "'a AND b'").
std::string FilterTextForValue(const std::string& Text);

// Parses Text as Expression.ExpressionType says (fdtNon reads text); an empty text leaves the
// expression empty.
void ParseFilterExpression(std::string_view Text, TSTFilterExpressionX& Expression);
// Resets both operators, the relation and both operands; the value type stays.
void ClearFilterExpression(TSTFilterExpressionX& Expression);

}  // namespace lab
