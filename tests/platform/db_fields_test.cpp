// Field values: conversions and the errors that name the field, texts, required and read-only
// fields, events, calculated and lookup fields.
#include <gtest/gtest.h>

#include "platform/db/db_errors.h"
#include "platform/db/field_kinds.h"
#include "platform/rtl/strutils.h"
#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

struct DbFields : ::testing::Test {
  TMemDataSet ds{nullptr};
  void SetUp() override {
    ds.SetName("Table");
    ds.FieldDefs().Add("S", ftString, 5);
    ds.FieldDefs().Add("I", ftInteger);
    ds.FieldDefs().Add("Small", ftSmallint);
    ds.FieldDefs().Add("Big", ftLargeint);
    ds.FieldDefs().Add("F", ftFloat);
    ds.FieldDefs().Add("C", ftCurrency);
    ds.FieldDefs().Add("B", ftBoolean);
    ds.FieldDefs().Add("D", ftDate);
    ds.FieldDefs().Add("DT", ftDateTime);
    ds.FieldDefs().Add("M", ftMemo);
    ds.FieldDefs().Add("Req", ftInteger, 0, true);
    ds.Open();
  }
  TField* F(const char* name) { return ds.FieldByName(name); }
  std::string ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return "no error";
  }
};

TEST_F(DbFields, DefaultFieldsFollowTheDefinitions) {
  EXPECT_EQ(ds.FieldCount(), 11);
  EXPECT_TRUE(F("S")->Is<TStringField>());
  EXPECT_TRUE(F("Small")->Is<TSmallintField>());
  EXPECT_TRUE(F("M")->Is<TMemoField>() && F("M")->IsBlob());
  EXPECT_EQ(F("I")->Alignment(), taRightJustify);
  EXPECT_EQ(F("S")->Alignment(), taLeftJustify);
  EXPECT_EQ(F("S")->DisplayWidth(), 5);
  EXPECT_EQ(F("C")->FieldNo(), 6);
  EXPECT_EQ(F("c"), F("C"));  // names without case
  EXPECT_EQ(ErrorOf([&] { ds.FieldByName("Nope"); }), "Table: Field 'Nope' not found");
  std::vector<TField*> list;
  ds.GetFieldList(list, "I; S ;B");
  EXPECT_EQ(list, (std::vector<TField*>{F("I"), F("S"), F("B")}));
  F("B")->SetIndex(0);
  EXPECT_EQ(ds.Fields()[0], F("B"));
}

// Names are found without case: ASCII ones by folding 'A'..'Z', others as the locale's collation
// has it (accents count, a full-width letter is its letter); of names equal so the first in the
// list is found, also after the list or a name changed.
TEST(DbFieldNames, FoundWithoutCaseTheFirstOfEqualNames) {
  TMemDataSet ds(nullptr);
  std::vector<TField*> made;
  for (const char* name : {"Code", "Städte", "\xEF\xBC\xA9\xEF\xBD\x84" /* full-width Id */, "CODE", "Id", "Ort_2"}) {
    TField* f = new TIntegerField(&ds);
    f->SetFieldName(name);
    f->SetDataSet(&ds);
    made.push_back(f);
  }
  struct Case {
    const char* name;
    int field;  // index in made, -1 for none
  };
  const auto check = [&](std::initializer_list<Case> cases) {
    for (const Case& c : cases)
      EXPECT_EQ(ds.FindField(c.name), c.field < 0 ? nullptr : made[static_cast<std::size_t>(c.field)]) << c.name;
  };
  check({{"code", 0}, {"CoDe", 0}, {"STÄDTE", 1}, {"städte", 1}, {"Stadte", -1}, {"id", 2}, {"ID", 2},
         {"\xEF\xBD\x89\xEF\xBD\x84", 2}, {"ort_2", 5}, {"Ort_3", -1}, {"Ort", -1}, {"", -1}});
  made[3]->SetIndex(0);  // "CODE" first now
  made[4]->SetIndex(1);  // "Id" before the full-width name
  check({{"code", 3}, {"id", 4}, {"\xEF\xBD\x89\xEF\xBD\x84", 4}});
  made[3]->SetFieldName("Key");
  check({{"code", 0}, {"KEY", 3}});
  delete made[0];
  check({{"code", -1}, {"key", 3}, {"städte", 1}});
}

TEST_F(DbFields, ValuesConvertOrRaiseNamingTheField) {
  ds.Append();
  F("I")->SetAsString("42");
  EXPECT_EQ(F("I")->AsInteger(), 42);
  EXPECT_EQ(F("I")->AsString(), "42");
  EXPECT_EQ(ErrorOf([&] { F("I")->SetAsString("4x2"); }), "Table: '4x2' is not a valid integer value for field 'I'");
  EXPECT_EQ(F("I")->AsInteger(), 42);  // left as it was
  EXPECT_EQ(ErrorOf([&] { F("Small")->SetAsInteger(40000); }),
            "Table: 40000 is not a valid value for field 'Small'. The allowed range is -32768 to 32767");
  EXPECT_EQ(ErrorOf([&] { F("S")->SetAsString("toolong"); }),
            "Table: Value of field 'S' is longer than its size of 5 characters");
  F("S")->SetAsString("äöüßé");  // five characters, ten bytes
  EXPECT_EQ(ErrorOf([&] { F("B")->SetAsString("maybe"); }), "Table: 'maybe' is not a valid boolean value for field 'B'");
  F("B")->SetAsString("true");
  EXPECT_TRUE(F("B")->AsBoolean());
  EXPECT_EQ(F("B")->DisplayText(), "True");
  F("Big")->SetAsLargeInt(1LL << 40);
  EXPECT_EQ(F("Big")->AsLargeInt(), 1LL << 40);
  F("C")->SetAsFloat(1.5);
  EXPECT_EQ(F("C")->AsCurrency(), Currency::FromRaw(15000));
  EXPECT_EQ(F("C")->Text(), "1.50");
  EXPECT_EQ(F("C")->DisplayText(), "$1.50");
  F("F")->SetAsFloat(0.1);
  EXPECT_EQ(F("F")->DisplayText(), "0.1");
  F("D")->SetAsDateTime(EncodeDate(2024, 2, 29) + 0.5);
  EXPECT_EQ(F("D")->AsDateTime(), EncodeDate(2024, 2, 29));  // a date keeps the day only
  EXPECT_EQ(F("D")->DisplayText(), "2/29/2024");
  EXPECT_EQ(ErrorOf([&] { F("DT")->SetAsString("31/31/2024"); }),
            "Table: '31/31/2024' is not a valid date and time for field 'DT'");
  EXPECT_EQ(F("M")->DisplayText(), "(Memo)");
  F("M")->SetAsString("long text");
  EXPECT_EQ(F("M")->DisplayText(), "(MEMO)");
  EXPECT_EQ(F("M")->AsString(), "long text");
  F("I")->SetText("");
  EXPECT_TRUE(F("I")->IsNull());
  EXPECT_EQ(F("I")->AsInteger(), 0);
  ds.Cancel();
}

TEST_F(DbFields, WritingNeedsEditModeAndAWritableField) {
  EXPECT_EQ(ErrorOf([&] { F("I")->SetAsInteger(1); }), "Table: Dataset not in edit or insert mode");
  ds.Append();
  F("S")->SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { F("S")->SetAsString("x"); }), "Table: Field 'S' cannot be modified");
  EXPECT_FALSE(F("S")->CanModify());
  EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Table: Field 'Req' must have a value");
  EXPECT_EQ(ds.State(), dsInsert);  // the failed post keeps the record open
  F("I")->SetAsInteger(7);
  F("Req")->SetAsInteger(1);
  ds.Post();
  EXPECT_EQ(F("I")->AsInteger(), 7);
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Table: Dataset not in edit or insert mode");
}

TEST_F(DbFields, EventsSeeTheNewValueAndMayRefuseIt) {
  std::vector<std::string> seen;
  F("I")->OnValidate = [&](TField* f) {
    seen.push_back("validate " + f->AsString());
    if (f->AsInteger() < 0) DatabaseError("negative");
  };
  F("I")->OnChange = [&](TField* f) { seen.push_back("change " + f->AsString()); };
  F("I")->OnGetText = [](TField* f, std::string& text, bool display) {
    text = display ? "#" + f->AsString() : f->AsString();
  };
  F("I")->OnSetText = [](TField* f, const std::string& text) { f->SetAsInteger(static_cast<int>(text.size())); };
  ds.OnNewRecord = [&](TDataSet*) { F("Req")->SetAsInteger(0); };
  ds.Append();
  EXPECT_EQ(F("Req")->AsInteger(), 0);
  EXPECT_FALSE(ds.Modified());  // values set by OnNewRecord do not count as changes
  F("I")->SetAsInteger(5);
  EXPECT_THROW(F("I")->SetAsInteger(-1), EDatabaseError);
  EXPECT_EQ(F("I")->AsInteger(), 5);
  F("I")->SetText("abc");
  EXPECT_EQ(seen, (std::vector<std::string>{"validate 5", "change 5", "validate -1", "validate 3", "change 3"}));
  EXPECT_EQ(F("I")->DisplayText(), "#3");
  EXPECT_TRUE(ds.Modified());
  ds.Post();
}

TEST(DbCalcFields, CalculatedAndLookupFields) {
  TMemDataSet cities(nullptr);
  cities.FieldDefs().Add("Code", ftString, 3);
  cities.FieldDefs().Add("Country", ftString, 3);
  cities.FieldDefs().Add("Name", ftString, 20);
  cities.Open();
  auto add_city = [&](const char* code, const char* country, const char* name) {
    cities.Append();
    cities.SetFieldValues("Code;Country;Name", VarArrayOf({code, country, name}));
    cities.Post();
  };
  add_city("BER", "DE", "Berlin");
  add_city("PAR", "FR", "Paris");
  add_city("BER", "US", "Berlin NH");

  TMemDataSet people(nullptr);
  people.FieldDefs().Add("Name", ftString, 10);
  people.FieldDefs().Add("City", ftString, 3);
  people.FieldDefs().Add("Land", ftString, 3);
  auto* name = new TStringField(&people);
  name->SetFieldName("Name");
  name->SetSize(10);
  name->SetDataSet(&people);
  auto* city = new TStringField(&people);
  city->SetFieldName("City");
  city->SetSize(3);
  city->SetDataSet(&people);
  auto* land = new TStringField(&people);
  land->SetFieldName("Land");
  land->SetSize(3);
  land->SetDataSet(&people);
  auto* shout = new TStringField(&people);
  shout->SetFieldName("Shout");
  shout->SetCalculated(true);
  shout->SetDataSet(&people);
  auto* city_name = new TStringField(&people);
  city_name->SetFieldName("CityName");
  city_name->SetLookup(true);
  city_name->SetDataSet(&people);
  EXPECT_THROW(people.Open(), EDatabaseError);  // the lookup is not described yet
  EXPECT_FALSE(people.Active());
  city_name->SetKeyFields("City;Land");
  city_name->SetLookupDataSet(&cities);
  city_name->SetLookupKeyFields("Code;Country");
  city_name->SetLookupResultField("Name");
  int calcs = 0;
  people.OnCalcFields = [&](TDataSet* d) {
    ++calcs;
    d->FieldByName("Shout")->SetAsString(UpperCase(d->FieldByName("Name")->AsString()));
  };
  people.Open();
  people.Append();
  name->SetAsString("ann");
  city->SetAsString("BER");
  land->SetAsString("US");
  EXPECT_EQ(shout->AsString(), "ANN");  // recalculated as the record changes
  EXPECT_EQ(city_name->AsString(), "Berlin NH");
  people.Post();
  EXPECT_EQ(city_name->AsString(), "Berlin NH");
  EXPECT_FALSE(shout->CanModify());
  EXPECT_TRUE(city_name->CanModify());
  people.Edit();
  city_name->SetAsString("Paris");  // choosing the shown value chooses the keys
  EXPECT_EQ(people.FieldValues("City;Land"), VarArrayOf({"PAR", "FR"}));
  EXPECT_THROW(shout->SetAsString("x"), EDatabaseError);
  people.Post();
  EXPECT_GT(calcs, 0);
  EXPECT_EQ(people.Lookup("Name", "ann", "CityName;Shout"), VarArrayOf({"Paris", "ANN"}));
  cities.Close();
  people.First();
  EXPECT_TRUE(city_name->IsNull());  // no lookup table, no value
  people.Close();
  EXPECT_EQ(people.FieldCount(), 5);  // persistent fields stay
}

}  // namespace
}  // namespace lab
