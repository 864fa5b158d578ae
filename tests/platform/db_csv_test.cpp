// Loading and saving comma-separated text.
#include <gtest/gtest.h>

#include "platform/db/csv.h"
#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

TEST(DbCsv, RoundTripKeepsEveryValue) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("S", ftString, 20);
  ds.FieldDefs().Add("F", ftFloat);
  ds.FieldDefs().Add("C", ftCurrency);
  ds.FieldDefs().Add("B", ftBoolean);
  ds.FieldDefs().Add("DT", ftDateTime);
  ds.FieldDefs().Add("Blob", ftBlob);
  ds.Open();
  ds.Append();
  ds.FieldByName("S")->SetAsString("a, \"quoted\"\nline");
  ds.FieldByName("F")->SetAsFloat(0.1 + 0.2);
  ds.FieldByName("C")->SetAsCurrency(Currency::FromRaw(-12345));
  ds.FieldByName("B")->SetAsBoolean(false);
  ds.FieldByName("DT")->SetAsDateTime(EncodeDate(1899, 12, 29) - EncodeTime(6, 0, 0, 5));
  ds.FieldByName("Blob")->SetAsString(std::string("\0\xff", 2));
  ds.Post();
  ds.Append();
  ds.FieldByName("S")->SetAsString("");
  ds.Post();
  const std::string text = ds.SaveToCSV();
  EXPECT_EQ(text,
            "S,F,C,B,DT,Blob\r\n"
            "\"a, \"\"quoted\"\"\nline\",0.30000000000000004,-1.2345,False,1899-12-29 06:00:00.005,00FF\r\n"
            "\"\",,,,,\r\n");
  TMemDataSet copy(nullptr);
  for (int i = 0; i < ds.FieldDefs().Count(); ++i)
    copy.FieldDefs().Add(ds.FieldDefs()[i].Name(), ds.FieldDefs()[i].DataType(), ds.FieldDefs()[i].Size());
  copy.LoadFromCSV(text);
  EXPECT_EQ(copy.SaveToCSV(), text);
  copy.Last();
  EXPECT_FALSE(copy.FieldByName("S")->IsNull());  // empty text, not null
  EXPECT_TRUE(copy.FieldByName("F")->IsNull());
}

TEST(DbCsv, WithoutDefinitionsColumnsBecomeTextFields) {
  TMemDataSet ds(nullptr);
  ds.LoadFromCSV("Name,City\nAnn,Oslo\n\nBo,\"Rio de Janeiro\"\n");
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(ds.FieldByName("City")->Size(), 14);
  ds.Last();
  EXPECT_EQ(ds.FieldByName("City")->AsString(), "Rio de Janeiro");
}

TEST(DbCsv, BadInputRaisesAndKeepsTheRecords) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Id", ftInteger);
  ds.FieldDefs().Add("Name", ftString, 3);
  ds.LoadFromCSV("Id,Name\r\n1,abc\r\n");
  auto error_of = [&](const char* text) {
    try {
      ds.LoadFromCSV(text);
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(error_of("Id,Name\n2,x\n3x,y\n"), "Line 3: '3x' is not a valid Integer value for field 'Id'");
  EXPECT_EQ(error_of("Id,Name\n2\n"), "Line 2: 1 values where the header names 2 fields");
  EXPECT_EQ(error_of("Id,Nom\n"), "Field 'Nom' not found");
  EXPECT_EQ(error_of("Id,Name\n2,\"x\n"), "Line 2: a quoted field is not closed");
  EXPECT_EQ(error_of("Id,Name\n2,abcd\n"), "Line 2: Value of field 'Name' is longer than its size of 3 characters");
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "abc");
}

}  // namespace
}  // namespace lab

namespace lab {
namespace {

TEST(DbCsvText, ReaderSplitsQuotesAndLineEnds) {
  TCsvReader reader("a,\"b\r\nc\",\n\"x\"\"y\",  z ,\r\nlast");
  std::vector<TCsvField> f;
  ASSERT_TRUE(reader.ReadLine(f));
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[1].Text, "b\r\nc");
  EXPECT_TRUE(f[1].Quoted);
  EXPECT_TRUE(f[2].Text.empty() && !f[2].Quoted);
  ASSERT_TRUE(reader.ReadLine(f));
  EXPECT_EQ(reader.Line(), 3);  // the quoted break counted
  EXPECT_EQ(f[0].Text, "x\"y");
  EXPECT_EQ(f[1].Text, "  z ");
  ASSERT_TRUE(reader.ReadLine(f));
  EXPECT_EQ(f[0].Text, "last");
  EXPECT_FALSE(reader.ReadLine(f));
  TCsvReader bad("\"a\"b\n");
  EXPECT_THROW(bad.ReadLine(f), EDatabaseError);

  std::string out;
  CsvAppendField(out, " padded", false);
  out += ',';
  CsvAppendField(out, "plain", false);
  EXPECT_EQ(out, "\" padded\",plain");
  Variant v;
  EXPECT_EQ(CsvReadValue(ftTime, {"23:59:59.999", false}, v), TConvertResult::Ok);
  EXPECT_EQ(CsvValueText(ftTime, v), "23:59:59.999");
  EXPECT_EQ(CsvReadValue(ftDate, {"2024-02-30", false}, v), TConvertResult::BadValue);
  EXPECT_EQ(CsvReadValue(ftBlob, {"0G", false}, v), TConvertResult::BadValue);
  EXPECT_EQ(CsvReadValue(ftInteger, {"", true}, v), TConvertResult::Ok);
  EXPECT_TRUE(VarIsNull(v));
}

}  // namespace
}  // namespace lab
