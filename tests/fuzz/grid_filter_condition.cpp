// Filter-row conditions read as each kind of value. A text that is refused leaves the expression
// as it was; one that is taken has a first operator exactly when the text is not blank, a second
// one exactly when it has a relation, and lists only under In and !In.

#include <cstdint>
#include <string>

#include "grid/filter_expression.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  TSTFilterExpressionX e;
  e.ExpressionType = static_cast<TSTFilterDataTypeX>(data[0] % 5);
  e.Operator1 = foGreaterThan;
  e.Operand1 = 7;
  try {
    ParseFilterExpression(text, e);
  } catch (const Exception&) {
    LAB_FUZZ_CHECK(e.Operator1 == foGreaterThan && e.Operand1.AsInteger() == 7 && e.Relation == foNon);
    return 0;
  }
  LAB_FUZZ_CHECK(e.Empty() == Trim(text).empty());
  LAB_FUZZ_CHECK((e.Relation == foNon) == (e.Operator2 == foNon));
  LAB_FUZZ_CHECK(e.Relation == foNon || e.Relation == foAND || e.Relation == foOR);
  for (auto [op, operand] : {std::pair{e.Operator1, &e.Operand1}, std::pair{e.Operator2, &e.Operand2}})
    LAB_FUZZ_CHECK(VarIsArray(*operand) == (op == foIn || op == foNotIn));
  return 0;
}
