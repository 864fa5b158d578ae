#include "grid/sum_list.h"

#include <gtest/gtest.h>

#include "platform/db/field_kinds.h"
#include "platform/db/mem_dataset.h"

namespace lab {
namespace {

class SumList : public ::testing::Test {
 protected:
  void SetUp() override {
    ds.FieldDefs().Add("Id", ftInteger);
    ds.FieldDefs().Add("Price", ftCurrency);
    ds.FieldDefs().Add("Weight", ftFloat);
    ds.Open();
    Add(1, Currency::FromRaw(10000), 0.5);    // 1.0000
    Add(2, Currency::FromRaw(20001), 0.25);   // 2.0001
    Add(3, Currency::FromRaw(0), Variant());  // no weight
    ds.First();
    count = producer.SumCollection()->Add();
    count->SetGroupOperation(goCount);
    sum = producer.SumCollection()->Add();
    sum->SetFieldName("Price");
    avg = producer.SumCollection()->Add();
    avg->SetGroupOperation(goAvg);
    avg->SetFieldName("weight");
    producer.SumListChanged = [this](TObject*) { ++changes; };
    producer.OnRecalcAll = [this](TObject*) { ++recalcs; };
  }
  void Add(int id, Currency price, Variant weight) {
    ds.Append();
    ds.FieldByName("Id")->SetAsInteger(id);
    ds.FieldByName("Price")->SetAsCurrency(price);
    ds.FieldByName("Weight")->SetValue(weight);
    ds.Post();
  }
  static std::int64_t Raw(const TDBSum* s) { return s->SumValue().AsCurrency().Raw(); }

  TMemDataSet ds{nullptr};
  TDBSumListProducer producer{nullptr};
  TDBSum *count = nullptr, *sum = nullptr, *avg = nullptr;
  int changes = 0, recalcs = 0;
};

TEST_F(SumList, InactiveOrWithoutDataSetHasNoValues) {
  producer.SetDataSet(&ds);
  EXPECT_TRUE(VarIsNull(sum->SumValue()));
  producer.SetDataSet(nullptr);
  producer.SetActive(true);
  EXPECT_TRUE(VarIsNull(sum->SumValue()));
  EXPECT_EQ(recalcs, 0);
  EXPECT_EQ(producer.RecordCount(), 0);
  EXPECT_FALSE(producer.IsSequenced());
}

TEST_F(SumList, AggregatesAreExactFixedPointAndKeepTheCurrentRecord) {
  ds.Next();
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  EXPECT_EQ(Raw(count), 3 * 10000);
  EXPECT_EQ(Raw(sum), 30001);
  // (0.5 + 0.25) / 2 = 0.375 over the two weights that are not null.
  EXPECT_EQ(Raw(avg), 3750);
  EXPECT_EQ(ds.FieldByName("Id")->AsInteger(), 2);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(producer.RecordCount(), 3);
  EXPECT_EQ(producer.RecNo(), 2);
  producer.SetRecNo(3);
  EXPECT_EQ(ds.FieldByName("Id")->AsInteger(), 3);
}

TEST_F(SumList, AverageRoundsToTheNearestTenThousandthAndIsNullOverNothing) {
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  avg->SetFieldName("Price");
  // (1.0000 + 2.0001 + 0) / 3 = 1.000033.. -> 1.0000
  EXPECT_EQ(Raw(avg), 10000);
  ds.Last();
  ds.Edit();
  ds.FieldByName("Price")->SetAsCurrency(Currency::FromRaw(1));
  ds.Post();
  // 3.0002 / 3 = 1.000066.. -> 1.0001
  EXPECT_EQ(Raw(avg), 10001);
  ds.SetFilter("Id > 5");
  ds.SetFiltered(true);
  EXPECT_TRUE(VarIsNull(avg->SumValue()));
  EXPECT_EQ(Raw(count), 0);
  EXPECT_EQ(Raw(sum), 0);
}

TEST_F(SumList, FollowsPostsDeletesAndFiltersButNotMoves) {
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  const int base = recalcs;
  ds.Next();
  ds.Last();
  ds.Prior();
  EXPECT_EQ(recalcs, base);
  ds.Edit();
  ds.FieldByName("Price")->SetAsCurrency(Currency(5));
  EXPECT_EQ(Raw(sum), 30001);  // not posted yet
  ds.Post();
  EXPECT_EQ(Raw(sum), 10000 + 50000);
  ds.Delete();
  EXPECT_EQ(Raw(count), 2 * 10000);
  ds.Append();
  ds.FieldByName("Price")->SetAsCurrency(Currency(4));
  ds.Post();
  EXPECT_EQ(Raw(count), 3 * 10000);
  EXPECT_EQ(Raw(sum), 10000 + 40000);
  ds.SetFilter("Id = 1");
  ds.SetFiltered(true);
  EXPECT_EQ(Raw(count), 10000);
  ds.Close();
  EXPECT_TRUE(VarIsNull(count->SumValue()));
  ds.Open();
  EXPECT_EQ(Raw(count), 0);
}

TEST_F(SumList, CollectionChangesRecalculateAndFindSumIgnoresCase) {
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  EXPECT_EQ(producer.SumCollection()->FindSum(goSum, "PRICE"), sum);
  EXPECT_EQ(producer.SumCollection()->FindSum(goAvg, "Price"), nullptr);
  EXPECT_EQ(producer.SumCollection()->FindSum(goCount, ""), count);
  sum->SetFieldName("Id");
  EXPECT_EQ(Raw(sum), 60000);
  sum->SetFieldName("Nothing");
  EXPECT_TRUE(VarIsNull(sum->SumValue()));
  producer.SetActive(false);
  EXPECT_TRUE(VarIsNull(count->SumValue()));
}

TEST_F(SumList, EditingStateWaitsForThePost) {
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  ds.Append();
  producer.RecalcAll();  // cannot walk now; values stay
  EXPECT_EQ(Raw(count), 3 * 10000);
  ds.FieldByName("Price")->SetAsCurrency(Currency(1));
  ds.Post();
  EXPECT_EQ(Raw(count), 4 * 10000);
  EXPECT_EQ(Raw(sum), 40001);
}

TEST_F(SumList, RecordsFollowedOneByOneNeedNoRecount) {
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  const int base = recalcs;
  ds.First();
  ds.Edit();
  ds.FieldByName("Weight")->SetAsFloat(1.5);
  ds.Post();
  EXPECT_EQ(Raw(avg), 8750);  // (1.5 + 0.25) / 2
  ds.Edit();
  ds.FieldByName("Weight")->SetValue(Null());
  ds.Post();
  EXPECT_EQ(Raw(avg), 2500);  // only 0.25 is left
  ds.Edit();
  ds.Cancel();
  EXPECT_EQ(recalcs, base);
  // A recount from the storage keeps the cursor and the window.
  ds.Last();
  const int active = ds.ActiveRecord();
  producer.RecalcAll();
  EXPECT_EQ(ds.FieldByName("Id")->AsInteger(), 3);
  EXPECT_EQ(ds.ActiveRecord(), active);
  EXPECT_EQ(Raw(avg), 2500);
}

// A calculated field cannot be read in place: its sum is counted by walking the records, and a
// post is counted again once the dataset browses.
TEST(SumListWalking, CalculatedFieldsAreWalked) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Id", ftInteger);
  auto* id = new TIntegerField(&ds);
  id->SetFieldName("Id");
  id->SetDataSet(&ds);
  auto* twice = new TIntegerField(&ds);
  twice->SetFieldName("Twice");
  twice->SetCalculated(true);
  twice->SetDataSet(&ds);
  ds.OnCalcFields = [](TDataSet* d) { d->FieldByName("Twice")->SetAsInteger(2 * d->FieldByName("Id")->AsInteger()); };
  ds.Open();
  for (int i = 1; i <= 3; ++i) {
    ds.Append();
    id->SetAsInteger(i);
    ds.Post();
  }
  TDBSumListProducer producer(nullptr);
  TDBSum* sum = producer.SumCollection()->Add();
  sum->SetFieldName("Twice");
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  EXPECT_EQ(sum->SumValue().AsCurrency(), Currency(12));
  ds.SetRecNo(2);
  ds.Edit();
  id->SetAsInteger(10);
  ds.Post();
  EXPECT_EQ(sum->SumValue().AsCurrency(), Currency(28));
  EXPECT_EQ(ds.RecNo(), 2);
}

// A field of an open dataset may be freed: its sum lets go of it and the other aggregates follow on.
TEST(SumListFields, AFieldFreedWhileTheDataSetIsOpenIsLetGo) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Id", ftInteger);
  ds.FieldDefs().Add("Price", ftFloat);
  TField* id = CreateFieldOfType(ftInteger, &ds, "Id");
  id->SetDataSet(&ds);
  TField* price = CreateFieldOfType(ftFloat, &ds, "Price");
  price->SetDataSet(&ds);
  ds.Open();
  for (int i = 1; i <= 3; ++i) {
    ds.Append();
    id->SetAsInteger(i);
    price->SetAsFloat(i);
    ds.Post();
  }
  TDBSumListProducer producer(nullptr);
  TDBSum* sum = producer.SumCollection()->Add();
  sum->SetFieldName("Price");
  TDBSum* count = producer.SumCollection()->Add();
  count->SetGroupOperation(goCount);
  producer.SetDataSet(&ds);
  producer.SetActive(true);
  EXPECT_EQ(sum->SumValue().AsCurrency(), Currency(6));
  delete price;
  ds.First();
  ds.Edit();
  id->SetAsInteger(7);
  ds.Post();
  EXPECT_TRUE(VarIsNull(sum->SumValue()));
  ds.Append();
  id->SetAsInteger(8);
  ds.Post();
  EXPECT_EQ(count->SumValue().AsCurrency(), Currency(4));
}

}  // namespace
}  // namespace lab
