#include "grid/grid_services.h"

#include <gtest/gtest.h>

#include "platform/db/db_errors.h"
#include "platform/db/mem_dataset.h"
#include "platform/win/system_metrics.h"

namespace lab {
namespace {

TEST(VariantsEqual, NullAndEmptyEqualEachOtherAndNothingElse) {
  EXPECT_TRUE(VariantsEqual(Null(), Null()));
  EXPECT_TRUE(VariantsEqual(Variant(), Variant()));
  EXPECT_TRUE(VariantsEqual(Null(), Variant()));
  EXPECT_TRUE(VariantsEqual(Variant(), Null()));
  EXPECT_FALSE(VariantsEqual(Null(), 0));
  EXPECT_FALSE(VariantsEqual(Variant(), ""));
  EXPECT_FALSE(VariantsEqual(false, Null()));
}

TEST(VariantsEqual, ScalarsCompareByValueAcrossTypes) {
  EXPECT_TRUE(VariantsEqual(1, 1.0));
  EXPECT_TRUE(VariantsEqual("10", 10));
  EXPECT_FALSE(VariantsEqual("ten", 10));
  EXPECT_TRUE(VariantsEqual("abc", "abc"));
  EXPECT_FALSE(VariantsEqual("abc", "abd"));
}

TEST(VariantsEqual, ArraysNeedSameBoundsAndElements) {
  EXPECT_TRUE(VariantsEqual(VarArrayOf({1, "a", Null()}), VarArrayOf({1, "a", Variant()})));
  EXPECT_FALSE(VariantsEqual(VarArrayOf({1, "a"}), VarArrayOf({1, "b"})));
  EXPECT_FALSE(VariantsEqual(VarArrayOf({1}), VarArrayOf({1, 1})));
  Variant shifted = VarArrayCreate(1, 2);
  shifted[1] = 1;
  shifted[2] = 2;
  EXPECT_FALSE(VariantsEqual(VarArrayOf({1, 2}), shifted));
  EXPECT_FALSE(VariantsEqual(VarArrayOf({1}), 1));
  EXPECT_TRUE(VariantsEqual(VarArrayOf({VarArrayOf({1, 2}), 3}), VarArrayOf({VarArrayOf({1, 2}), 3})));
  EXPECT_FALSE(VariantsEqual(VarArrayOf({Null()}), Null()));
}

TEST(ButtonSizes, DefaultWidthIsOddAndFitsAScrollBar) {
  const int w = ComputeDefaultButtonWidth();
  EXPECT_EQ(w % 2, 1);
  EXPECT_GT(w, 3);
  EXPECT_LE(w, win::GetSystemMetrics(win::SM_CXVSCROLL));
}

TEST(ButtonSizes, FlatScalesByHalfRoundingHalvesToEven) {
  EXPECT_EQ(ScaleButtonWidth(7, false), 7);
  EXPECT_EQ(ScaleButtonWidth(8, true), 12);
  EXPECT_EQ(ScaleButtonWidth(7, true), 10);  // 10.5
  EXPECT_EQ(ScaleButtonWidth(9, true), 14);  // 13.5
  EXPECT_EQ(ScaleButtonWidth(0, true), 0);
}

TEST(ButtonSizes, CheckBoxGlyphIsTheSystemCheckSize) {
  EXPECT_EQ(CheckBoxWidth(), 13);
  EXPECT_EQ(CheckBoxHeight(), 13);
}

TEST(TextCompare, TextIgnoresCaseAndStrDoesNot) {
  EXPECT_EQ(AnsiCompareTextX("abc", "ABC"), 0);
  EXPECT_NE(AnsiCompareStrX("abc", "ABC"), 0);
  EXPECT_LT(AnsiCompareTextX("apple", "Banana"), 0);
  EXPECT_GT(AnsiCompareStrX("b", "a"), 0);
}

class DataSetServices : public ::testing::Test {
 protected:
  void SetUp() override {
    ds.FieldDefs().Add("Id", ftInteger);
    ds.FieldDefs().Add("Name", ftString, 10);
    ds.Open();
    for (int i = 1; i <= 3; ++i) {
      ds.Append();
      ds.FieldByName("Id")->SetAsInteger(i);
      ds.FieldByName("Name")->SetAsString("N" + std::to_string(i));
      ds.Post();
    }
    ds.First();
  }
  TMemDataSet ds{nullptr};
};

TEST_F(DataSetServices, BookmarksCompareInRecordOrder) {
  const TBookmark first = ds.Bookmark();
  ds.Last();
  const TBookmark last = ds.Bookmark();
  EXPECT_LT(DataSetCompareBookmarks(&ds, first, last), 0);
  EXPECT_GT(DataSetCompareBookmarks(&ds, last, first), 0);
  EXPECT_EQ(DataSetCompareBookmarks(&ds, last, last), 0);
  EXPECT_EQ(DataSetCompareBookmarks(nullptr, first, last), 0);
}

TEST_F(DataSetServices, SetFieldValuesWritesSeveralAndNullClearsEach) {
  ds.Edit();
  DataSetSetFieldValues(&ds, "Id;Name", VarArrayOf({7, "Seven"}));
  EXPECT_EQ(ds.FieldByName("Id")->AsInteger(), 7);
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "Seven");
  DataSetSetFieldValues(&ds, "Id;Name", Null());
  EXPECT_TRUE(ds.FieldByName("Id")->IsNull());
  EXPECT_TRUE(ds.FieldByName("Name")->IsNull());
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("Id")->AsInteger(), 1);
  EXPECT_THROW(DataSetSetFieldValues(nullptr, "Id", 3), EDatabaseError);
}

TEST(GridErrors, RaiseTheFrameworkGridError) {
  try {
    GridError("Grid requested to display more than 256 columns");
    FAIL();
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message(), "Grid requested to display more than 256 columns");
  }
}

}  // namespace
}  // namespace lab
