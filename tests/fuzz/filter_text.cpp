// Filter texts on an in-memory dataset of every stored kind. A text that is refused leaves the
// dataset's filter and view as they were; one that is taken shows a subset of the records.

#include <cstdint>
#include <string>

#include "platform/db/mem_dataset.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  static const char* const kRecords =
      "Name,Age,Member,Joined,Score,Fee,Note\r\n"
      "Ann,34,True,2001-02-03,1.5,12.25,first\r\n"
      "Bo,,False,1999-12-31 23:59:00,-2,,\r\n"
      "\"Al, Jr.\",7,,,0.25,3,\"100%\"\r\n"
      ",61,True,2020-02-29,,0,_x_\r\n";
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Name", ftString, 10);
  ds.FieldDefs().Add("Age", ftInteger);
  ds.FieldDefs().Add("Member", ftBoolean);
  ds.FieldDefs().Add("Joined", ftDateTime);
  ds.FieldDefs().Add("Score", ftFloat);
  ds.FieldDefs().Add("Fee", ftCurrency);
  ds.FieldDefs().Add("Note", ftMemo);
  ds.LoadFromCSV(kRecords);
  ds.SetFilter("Age > 10");
  ds.SetFiltered(true);
  const int before = ds.RecordCount();
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    ds.SetFilter(text);
  } catch (const Exception&) {
    LAB_FUZZ_CHECK(ds.Filter() == "Age > 10");
    LAB_FUZZ_CHECK(ds.RecordCount() == before);
    return 0;
  }
  LAB_FUZZ_CHECK(ds.RecordCount() <= 4);
  int seen = 0;
  for (ds.First(); !ds.Eof(); ds.Next()) ++seen;
  LAB_FUZZ_CHECK(seen == ds.RecordCount());
  return 0;
}
