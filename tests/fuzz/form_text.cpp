// Form text read into new component trees: test components with every kind of property (numbers,
// text, enumerations, sets, sub-objects, collections, string lists, references, events, defined and
// binary values), image lists (whose images come as BMP data) and in-memory datasets. Bad text
// raises the reader's error and leaves nothing behind; what reads writes back as text that reads to
// the same text again.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/form_text.h"
#include "platform/db/db_unit.h"
#include "platform/graphics/graphics_unit.h"
#include "tests/fuzz/fuzz_check.h"
// The test component classes and their registration, shared with the platform's tests.
#include "tests/platform/classes_fixtures.cpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  test::RegisterTestClasses();
  UseUnit(GraphicsUnit);
  UseUnit(DBUnit);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<TComponent> root;
  try {
    root.reset(ReadFormText(text));
  } catch (const Exception&) {
    return 0;
  }
  const std::string written = WriteFormText(root.get());
  std::unique_ptr<TComponent> again(ReadFormText(written));
  LAB_FUZZ_CHECK(WriteFormText(again.get()) == written);
  return 0;
}
