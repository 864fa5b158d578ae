// The small objects a column carries: edit buttons, the recently-used list and the special row,
// alone and streamed in form text.

#include <gtest/gtest.h>

#include <memory>

#include "grid/edit_buttons.h"
#include "grid/mru_list.h"
#include "grid/special_row.h"
#include "platform/classes/class_registry.h"
#include "platform/classes/component.h"
#include "platform/classes/form_text.h"

namespace lab {
namespace {

class TPartsHolder : public TComponent {
  LAB_CLASS(TPartsHolder, TComponent)
  LAB_PROPERTIES(TPartsHolder, TComponent)
 public:
  explicit TPartsHolder(TComponent* AOwner)
      : TComponent(AOwner),
        buttons_(this, MetaClass<TVisibleEditButtonX>()),
        mru_(this),
        spec_row_(this) {
    buttons_.OnChanged = [this](TObject*) { ++button_changes; };
    spec_row_.OnChanged = [this](TObject*) { ++row_changes; };
  }
  TEditButtonsX* EditButtons() { return &buttons_; }
  TMRUListX* MRUList() { return &mru_; }
  TSpecRowX* SpecRow() { return &spec_row_; }
  int button_changes = 0;
  int row_changes = 0;

 private:
  TEditButtonsX buttons_;
  TMRUListX mru_;
  TSpecRowX spec_row_;
};
void TPartsHolder::DeclareProperties(TPropertyDeclarer<TPartsHolder>& P) {
  P.Property("EditButtons", &TPartsHolder::EditButtons);
  P.Property("MRUList", &TPartsHolder::MRUList);
  P.Property("SpecRow", &TPartsHolder::SpecRow);
}

class ColumnParts : public ::testing::Test {
 protected:
  void SetUp() override { RegisterClasses<TPartsHolder>(); }
  std::unique_ptr<TPartsHolder> holder = std::make_unique<TPartsHolder>(nullptr);
};

TEST_F(ColumnParts, EditButtonsStartVisibleInAColumnAndReportChanges) {
  TEditButtonX* b = holder->EditButtons()->Add();
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(b->Width(), 0);
  const int after_add = holder->button_changes;
  EXPECT_GE(after_add, 1);
  b->SetStyle(ebsEllipsisX);
  b->SetWidth(-5);  // no negative widths: 0 stays the grid's default
  EXPECT_EQ(b->Width(), 0);
  b->SetVisible(false);
  EXPECT_EQ(holder->button_changes, after_add + 2);
  EXPECT_EQ(holder->EditButtons()->VisibleCount(), 0);
  b->Glyph()->SetSize(4, 4);
  EXPECT_GT(holder->button_changes, after_add + 2);

  TEditButtonsX plain(nullptr, MetaClass<TEditButtonX>());
  EXPECT_FALSE(plain.Add()->Visible());
}

TEST_F(ColumnParts, MRUListKeepsNewestFirstWithoutDuplicatesWithinLimit) {
  TMRUListX* mru = holder->MRUList();
  mru->SetLimit(3);
  mru->Add("  alpha ");
  mru->Add("");
  mru->Add("   ");
  mru->Add("beta");
  mru->Add("gamma");
  mru->Add("alpha");
  ASSERT_EQ(mru->Items()->Count(), 3);
  EXPECT_EQ(mru->Items()->Strings(0), "alpha");
  EXPECT_EQ(mru->Items()->Strings(1), "gamma");
  EXPECT_EQ(mru->Items()->Strings(2), "beta");
  mru->Add("delta");
  EXPECT_EQ(mru->Items()->Count(), 3);
  EXPECT_EQ(mru->Items()->Strings(2), "gamma");
  mru->SetLimit(1);
  ASSERT_EQ(mru->Items()->Count(), 1);
  EXPECT_EQ(mru->Items()->Strings(0), "delta");
  mru->SetLimit(-1);
  EXPECT_EQ(mru->Limit(), 0);
  EXPECT_EQ(mru->Items()->Count(), 0);
}

TEST_F(ColumnParts, SpecRowCellsByIndexAndChangeNotice) {
  TSpecRowX* row = holder->SpecRow();
  row->SetCellsText("(none);-;last");
  EXPECT_EQ(row->CellText(0), "(none)");
  EXPECT_EQ(row->CellText(1), "-");
  EXPECT_EQ(row->CellText(2), "last");
  EXPECT_EQ(row->CellText(3), "");
  EXPECT_EQ(row->CellText(-1), "");
  const int changes = holder->row_changes;
  row->SetValue(0);
  row->SetValue(0);
  row->SetVisible(true);
  row->SetVisible(true);
  EXPECT_EQ(holder->row_changes, changes + 2);
  row->SetCellsText("");
  EXPECT_EQ(row->CellText(0), "");
}

TEST_F(ColumnParts, FormTextCarriesEveryPartAndTheSpecialValue) {
  holder->SetName("Holder1");
  TEditButtonX* b = holder->EditButtons()->Add();
  b->SetStyle(ebsPlusX);
  b->SetWidth(12);
  holder->EditButtons()->Add()->SetVisible(false);
  holder->MRUList()->SetActive(true);
  holder->MRUList()->Add("x");
  holder->SpecRow()->SetVisible(true);
  holder->SpecRow()->SetCellsText("(all)");
  holder->SpecRow()->SetValue(VarArrayOf({-1, "key", 2.5}));
  const std::string text = WriteFormText(holder.get());
  EXPECT_NE(text.find("Style = ebsPlusX"), std::string::npos) << text;
  EXPECT_NE(text.find("Visible = False"), std::string::npos) << text;

  std::unique_ptr<TComponent> copy(ReadFormText(text));
  auto* h = static_cast<TPartsHolder*>(copy.get());
  ASSERT_EQ(h->EditButtons()->Count(), 2);
  EXPECT_EQ(h->EditButtons()->Items(0)->Style(), ebsPlusX);
  EXPECT_EQ(h->EditButtons()->Items(0)->Width(), 12);
  EXPECT_TRUE(h->EditButtons()->Items(0)->Visible());
  EXPECT_FALSE(h->EditButtons()->Items(1)->Visible());
  EXPECT_TRUE(h->MRUList()->Active());
  ASSERT_EQ(h->MRUList()->Items()->Count(), 1);
  const Variant& v = h->SpecRow()->Value();
  ASSERT_TRUE(VarIsArray(v));
  EXPECT_EQ(v[0].AsInteger(), -1);
  EXPECT_EQ(v[1].AsString(), "key");
  EXPECT_DOUBLE_EQ(v[2].AsDouble(), 2.5);
  EXPECT_EQ(WriteFormText(h), text);

  // Null is the default and is not written; a scalar travels as itself.
  holder->SpecRow()->SetValue(Null());
  EXPECT_EQ(WriteFormText(holder.get()).find("SpecRow.Value"), std::string::npos);
  holder->SpecRow()->SetValue("code");
  std::unique_ptr<TComponent> again(ReadFormText(WriteFormText(holder.get())));
  EXPECT_EQ(static_cast<TPartsHolder*>(again.get())->SpecRow()->Value().AsString(), "code");
}

}  // namespace
}  // namespace lab
