#include "classes_fixtures.h"

#include "platform/classes/type_info.h"
#include "platform/classes/unit_init.h"

namespace lab::test {

void RegisterTestColors() {
  RegisterIntegerConsts(
      "TTestColor",
      [](std::string_view Ident, std::int64_t& Value) {
        if (Ident == "clTestWindow") Value = static_cast<std::int32_t>(0xFF000005u);
        else if (Ident == "clTestRed") Value = 0x0000FF;
        else return false;
        return true;
      },
      [](std::int64_t Value, std::string& Ident) {
        if (Value == static_cast<std::int32_t>(0xFF000005u)) Ident = "clTestWindow";
        else if (Value == 0x0000FF) Ident = "clTestRed";
        else return false;
        return true;
      });
}

namespace {

void StartTestClasses() {
  RegisterClasses<TTestGadget, TBigGadget, TTestFrame, TTestForm, TSumHost>();
  RegisterTestColors();
}

constinit const TUnit TestClassesUnit{"TestClasses", &StartTestClasses};

}  // namespace

void RegisterTestClasses() { UseUnit(TestClassesUnit); }

}  // namespace lab::test
