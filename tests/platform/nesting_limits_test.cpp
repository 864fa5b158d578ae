// Readers of nested text refuse nesting deeper than they can follow with the reader's own error,
// where such texts used to overflow the stack; long flat texts (a filter of many alternatives)
// stay readable however long they are.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/classes/form_text.h"
#include "platform/db/db_errors.h"
#include "platform/db/filter_text.h"
#include "platform/rtl/strutils.h"
#include "tests/platform/classes_fixtures.h"

namespace lab {
namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// A filter over one integer field, A, tested on a record where A is 2.
void ReadFilter(const std::string& Text) {
  const auto resolve = [](std::string_view name, int& index, TFieldType& type) {
    index = 0;
    type = ftInteger;
    return SameText(name, "A");
  };
  if (!TFilterExpression::Parse(Text, resolve).Evaluate([](int) { return Variant(2); }))
    throw Exception("the record does not pass");
}

// Components nested Depth deep inside a form.
void ReadNestedForm(int Depth) {
  test::RegisterTestClasses();
  std::string text = "object F: TTestForm\n";
  for (int i = 0; i < Depth; ++i) text += "object G" + std::to_string(i) + ": TTestGadget\n";
  text += Repeat("end\n", Depth + 1);
  std::unique_ptr<TComponent>(ReadFormText(text)).reset();
}

TEST(NestingLimits, DeepTextsRaiseTheReadersErrorAndLongFlatOnesRead) {
  const std::string too_deep_filter = "Filter expression nested too deeply (more than 128 levels)";
  const struct {
    const char* What;
    std::function<void()> Read;
    std::string Error;  // empty: read
  } cases[] = {
      {"20,000 parentheses", [] { ReadFilter(Repeat("(", 20000) + "A = 2" + Repeat(")", 20000)); }, too_deep_filter},
      {"100,000 NOTs", [] { ReadFilter(Repeat("NOT ", 100000) + "A = 2"); }, too_deep_filter},
      {"128 parentheses", [] { ReadFilter(Repeat("(", 128) + "A = 2" + Repeat(")", 128)); }, ""},
      {"128 NOTs", [] { ReadFilter(Repeat("NOT ", 128) + "A = 2"); }, ""},
      {"100,000 alternatives", [] { ReadFilter(Repeat("A = 1 OR ", 100000) + "A = 2"); }, ""},
      {"100,000 conditions", [] { ReadFilter(Repeat("A > 1 AND ", 100000) + "A = 2"); }, ""},
      {"components 10,000 deep", [] { ReadNestedForm(10000); },
       "Line 130: Form text nested too deeply (more than 128 levels)"},
      {"components 100 deep", [] { ReadNestedForm(100); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::string error;
    try {
      c.Read();
    } catch (const EDatabaseError& e) {
      error = e.Message();
    } catch (const EReadError& e) {
      error = e.Message();
    }
    EXPECT_EQ(error, c.Error);
  }
}

}  // namespace
}  // namespace lab
