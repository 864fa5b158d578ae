// Comma-separated text loaded into an in-memory dataset with fields of every stored kind (and,
// when the first byte says so, into one without field definitions). A failed load leaves the
// records as they were; a good one saves, loads and saves again to the same text.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/mem_dataset.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

void Define(lab::TMemDataSet& ds) {
  using namespace lab;
  ds.FieldDefs().Add("S", ftString, 8);
  ds.FieldDefs().Add("I", ftInteger);
  ds.FieldDefs().Add("W", ftSmallint);
  ds.FieldDefs().Add("M", ftMemo);
  ds.FieldDefs().Add("L", ftLargeint);
  ds.FieldDefs().Add("F", ftFloat);
  ds.FieldDefs().Add("C", ftCurrency);
  ds.FieldDefs().Add("B", ftBoolean);
  ds.FieldDefs().Add("D", ftDate);
  ds.FieldDefs().Add("T", ftTime);
  ds.FieldDefs().Add("DT", ftDateTime);
  ds.FieldDefs().Add("Blob", ftBlob);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  if (size == 0) return 0;
  const bool defined = data[0] & 1;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  TMemDataSet ds(nullptr);
  if (defined) Define(ds);
  ds.LoadFromCSV(defined ? "S,I,W,M,L,F,C,B,D,T,DT,Blob\r\nkeep,1,2,\"x\r\ny\",3,0.5,1.25,True,2001-02-03,04:05:06,"
                           "2001-02-03 04:05:06,00FF\r\n"
                         : "A,B\r\nkeep,this\r\n");
  const std::string before = ds.SaveToCSV();
  try {
    ds.LoadFromCSV(text);
  } catch (const Exception&) {
    LAB_FUZZ_CHECK(ds.SaveToCSV() == before);
    return 0;
  }
  const std::string saved = ds.SaveToCSV();
  TMemDataSet copy(nullptr);
  if (defined) Define(copy);
  else
    for (int i = 0; i < ds.FieldDefs().Count(); ++i)
      copy.FieldDefs().Add(ds.FieldDefs()[i].Name(), ds.FieldDefs()[i].DataType(), ds.FieldDefs()[i].Size());
  copy.LoadFromCSV(saved);
  LAB_FUZZ_CHECK(copy.SaveToCSV() == saved);
  return 0;
}
