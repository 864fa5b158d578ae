// The grid object: locks and the deferred layout, sort markers, streaming of columns and defaults,
// references to other components, and the grid's life.

#include "grid_fixture.h"

#include "grid/grid_style.h"
#include "grid/grid_unit.h"
#include "platform/classes/class_registry.h"
#include "platform/classes/form_text.h"
#include "platform/classes/property_access.h"
#include "platform/controls/menus.h"
#include "platform/graphics/cursors.h"

namespace lab::gridtest {
namespace {

using GridModel = GridTest;

TEST_F(GridModel, LocksNestAndNeverGoBelowZero) {
  for (int i = 0; i < 300; ++i) grid->BeginUpdate();
  EXPECT_EQ(grid->UpdateLock(), 300);
  for (int i = 0; i < 301; ++i) grid->EndUpdate();
  EXPECT_EQ(grid->UpdateLock(), 0);
  grid->EndLayout();
  grid->CancelLayout();
  EXPECT_EQ(grid->LayoutLock(), 0);
  grid->BeginLayout();
  grid->BeginLayout();
  EXPECT_EQ(grid->UpdateLock(), 2);
  EXPECT_EQ(grid->LayoutLock(), 2);
  EXPECT_EQ(grid->Columns()->UpdateCount(), 1);
  EXPECT_FALSE(grid->AcquireLayoutLock());
  grid->CancelLayout();
  grid->EndLayout();
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->UpdateLock(), 0);
  EXPECT_EQ(grid->Columns()->UpdateCount(), 0);
  EXPECT_TRUE(grid->AcquireLayoutLock());
  grid->EndLayout();
  EXPECT_EQ(grid->UpdateLock(), 0);
}

TEST_F(GridModel, ALayoutThatFailsStillReleasesItsLocks) {
  grid->SetDataSource(source);
  OpenWithRows();
  TColumnX* c = grid->Columns()->Add();
  c->SetFieldName("Code");
  grid->BeginLayout();
  ds->FieldByName("Code")->SetVisible(false);
  grid->EndLayout();
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->UpdateLock(), 0);
}

TEST_F(GridModel, ABurstOfChangesPostsOneDeferredLayout) {
  form->Show();
  grid->SetDataSource(source);
  OpenWithRows();
  for (const char* f : {"Id", "Name", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(f);
  Pump();
  EXPECT_EQ(QueuedLayouts(), 0);
  ASSERT_EQ(grid->VisibleColumns().Count(), 4);
  grid->BeginUpdate();
  for (int i = 0; i < 20; ++i) {
    Column(i % 4)->SetColor(i % 2 ? clRed : clLime);
    Column(i % 4)->SetVisible(i < 16);
    grid->DeferLayout();
  }
  EXPECT_EQ(QueuedLayouts(), 1);
  EXPECT_EQ(grid->UpdateLock(), 1);
  grid->EndUpdate();
  EXPECT_EQ(grid->VisibleColumns().Count(), 4);  // not laid out yet
  Pump();
  EXPECT_EQ(QueuedLayouts(), 0);
  EXPECT_EQ(grid->VisibleColumns().Count(), 0);
}

TEST_F(GridModel, ADeferredLayoutNeverEndsAnUpdateItsCallerDoesNotHold) {
  form->Show();
  grid->SetDataSource(source);
  OpenWithRows();
  Pump();
  grid->BeginUpdate();  // held by someone else across a turn of the message loop
  grid->DeferLayout();
  EXPECT_EQ(grid->UpdateLock(), 1);
  Pump(1);  // the layout cannot run now: it waits again
  EXPECT_EQ(grid->UpdateLock(), 1);
  EXPECT_EQ(QueuedLayouts(), 1);
  // A caller with a layout level of its own closes it itself.
  grid->BeginLayout();
  grid->DeferLayout();
  grid->CancelLayout();
  EXPECT_EQ(grid->UpdateLock(), 1);
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(QueuedLayouts(), 1);
  grid->EndUpdate();
  Pump();
  EXPECT_EQ(QueuedLayouts(), 0);
  EXPECT_EQ(grid->UpdateLock(), 0);
}

class SortMarkers : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    grid->SetDataSource(source);
    for (const char* f : {"Id", "Name", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(f);
  }
  TColumnTitleX* T(int i) { return Column(i)->Title(); }
};

TEST_F(SortMarkers, SingleSortKeepsOneMarkedColumn) {
  T(0)->SetSortMarker(smDownX);
  EXPECT_EQ(T(0)->SortIndex(), 1);
  T(1)->SetSortMarker(smUpX);
  EXPECT_EQ(T(0)->SortMarker(), smNoneX);
  EXPECT_EQ(T(0)->SortIndex(), 0);
  EXPECT_EQ(T(1)->SortIndex(), 1);
  ASSERT_EQ(grid->SortMarkedColumns().Count(), 1);
  EXPECT_EQ(grid->SortMarkedColumns()[0], Column(1));
  T(1)->SetSortMarker(smNoneX);
  EXPECT_EQ(T(1)->SortIndex(), 0);
  EXPECT_EQ(grid->SortMarkedColumns().Count(), 0);
}

TEST_F(SortMarkers, ClearingAMiddleColumnRenumbersTheOnesAfterIt) {
  grid->SetOptionsX(grid->OptionsX() + dgxMultiSortMarking);
  T(0)->SetSortMarker(smDownX);
  T(1)->SetSortMarker(smDownX);
  T(2)->SetSortMarker(smUpX);
  EXPECT_EQ(T(0)->SortIndex(), 1);
  EXPECT_EQ(T(1)->SortIndex(), 2);
  EXPECT_EQ(T(2)->SortIndex(), 3);
  T(1)->SetSortMarker(smUpX);  // direction only: the place stays
  EXPECT_EQ(T(1)->SortIndex(), 2);
  T(1)->SetSortMarker(smNoneX);
  EXPECT_EQ(T(1)->SortIndex(), 0);
  EXPECT_EQ(T(2)->SortIndex(), 2);
  ASSERT_EQ(grid->SortMarkedColumns().Count(), 2);
  EXPECT_EQ(grid->SortMarkedColumns()[0], Column(0));
  EXPECT_EQ(grid->SortMarkedColumns()[1], Column(2));

  // Asking for another place exchanges places; a place nobody holds changes nothing.
  T(2)->SetSortIndex(1);
  EXPECT_EQ(T(2)->SortIndex(), 1);
  EXPECT_EQ(T(0)->SortIndex(), 2);
  EXPECT_EQ(grid->SortMarkedColumns()[0], Column(2));
  T(2)->SetSortIndex(7);
  EXPECT_EQ(T(2)->SortIndex(), 1);
  T(3)->SetSortIndex(1);  // no marker: ignored
  EXPECT_EQ(T(3)->SortIndex(), 0);

  // A sorted column that goes away leaves the list and its followers move up.
  grid->Columns()->Delete(2);
  ASSERT_EQ(grid->SortMarkedColumns().Count(), 1);
  EXPECT_EQ(grid->SortMarkedColumns()[0], Column(0));
  EXPECT_EQ(T(0)->SortIndex(), 1);

  // Switching multi-sort off keeps the first marker only.
  T(1)->SetSortMarker(smDownX);
  T(2)->SetSortMarker(smUpX);
  EXPECT_EQ(T(2)->SortIndex(), 3);
  grid->SetOptionsX(grid->OptionsX() - dgxMultiSortMarking);
  EXPECT_EQ(T(1)->SortMarker(), smNoneX);
  EXPECT_EQ(T(2)->SortMarker(), smNoneX);
  ASSERT_EQ(grid->SortMarkedColumns().Count(), 1);
  EXPECT_NE(T(0)->SortMarker(), smNoneX);
  EXPECT_EQ(T(0)->SortIndex(), 1);
}

// However a column leaves the grid, the grid lets it go while it is whole: the sort markers after
// it move up, the column selection drops it and its footers' aggregates leave the sum list.
TEST_F(SortMarkers, AColumnLeavesTheGridWholeHoweverItGoes) {
  struct TCase {
    const char* Name;
    std::function<void(TColumnX*)> Remove;
  };
  const TCase cases[] = {
      {"deleted through the collection", [this](TColumnX* c) { grid->Columns()->Delete(c->Index()); }},
      {"freed", [](TColumnX* c) { delete c; }},
  };
  grid->SetOptionsX(grid->OptionsX() + dgxMultiSortMarking);
  grid->SumList()->SetActive(true);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    grid->Columns()->Clear();
    for (const char* f : {"Id", "Name", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(f);
    for (int i : {0, 1, 2}) T(i)->SetSortMarker(smDownX);
    grid->Selection()->Columns()->Select(Column(1), false);
    Column(1)->Footer()->SetValueType(fvtCount);
    Column(1)->Footers()->Add()->SetValueType(fvtCount);
    ASSERT_EQ(grid->SumList()->SumCollection()->Count(), 2);
    c.Remove(Column(1));
    ASSERT_EQ(grid->SortMarkedColumns().Count(), 2);
    EXPECT_EQ(grid->SortMarkedColumns()[1], Column(1));  // Code
    EXPECT_EQ(T(1)->SortIndex(), 2);
    EXPECT_EQ(grid->Selection()->Columns()->Count(), 0);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
    EXPECT_EQ(grid->SumList()->SumCollection()->Count(), 0);
  }
}

TEST_F(SortMarkers, ColumnsTakenOverKeepTheirPlacesInTheSortList) {
  grid->SetOptionsX(grid->OptionsX() + dgxMultiSortMarking);
  T(2)->SetSortMarker(smDownX);
  T(0)->SetSortMarker(smUpX);
  TDBGridX other(nullptr);
  other.SetOptionsX(other.OptionsX() + dgxMultiSortMarking);
  other.SetColumns(grid->Columns());
  auto title = [&](int i) { return other.Columns()->GetColumn(i)->Title(); };
  ASSERT_EQ(other.SortMarkedColumns().Count(), 2);
  EXPECT_EQ(other.SortMarkedColumns()[0], other.Columns()->GetColumn(2));
  EXPECT_EQ(other.SortMarkedColumns()[1], other.Columns()->GetColumn(0));
  // A column marked next takes the next place, not one already held.
  title(1)->SetSortMarker(smDownX);
  EXPECT_EQ(title(1)->SortIndex(), 3);
  title(2)->SetSortMarker(smNoneX);
  EXPECT_EQ(title(0)->SortIndex(), 1);
  EXPECT_EQ(title(1)->SortIndex(), 2);
}

TEST_F(SortMarkers, TitleClicksCycleAndMarkerWidthNeverGoesNegative) {
  T(0)->CycleSortMarker(false);
  EXPECT_EQ(T(0)->SortMarker(), smDownX);
  T(0)->CycleSortMarker(false);
  EXPECT_EQ(T(0)->SortMarker(), smUpX);
  T(0)->CycleSortMarker(false);
  EXPECT_EQ(T(0)->SortMarker(), smDownX);
  T(0)->SetSortMarker(smUpX);
  T(0)->CycleSortMarker(true);
  EXPECT_EQ(T(0)->SortMarker(), smNoneX);

  EXPECT_EQ(T(0)->SortMarkerWidth(100, 7), 0);
  grid->SetOptionsX(grid->OptionsX() + dgxMultiSortMarking);
  T(0)->SetSortMarker(smDownX);
  EXPECT_EQ(T(0)->SortMarkerWidth(100, 7), 16);
  T(1)->SetSortMarker(smDownX);
  EXPECT_EQ(T(0)->SortMarkerWidth(100, 7), 23);
  EXPECT_EQ(T(0)->SortMarkerWidth(20, 7), 9);   // 23 > 16: less 14
  EXPECT_EQ(T(0)->SortMarkerWidth(8, 7), 0);    // 9 > 4: less 9, then no lower than 0
  EXPECT_EQ(T(0)->SortMarkerWidth(0, 30), 0);
}

TEST_F(GridModel, FormTextStoresOnlyAssignedValuesAndCustomisedColumns) {
  RegisterClasses<TDBGridX>();
  grid->SetDataSource(source);
  OpenWithRows();
  std::string text = WriteFormText(grid);
  EXPECT_EQ(text.find("Columns"), std::string::npos) << text;  // default columns only

  TColumnX* price = grid->Columns()->Add();
  price->SetFieldName("Price");
  TColumnX* name = grid->Columns()->Add();
  name->SetFieldName("Name");
  name->SetColor(clRed);
  name->Font()->SetStyle({fsBold});
  name->Title()->SetCaption("Who");
  name->Title()->SetSortMarker(smDownX);
  name->SetAlignment(taLeftJustify);  // equal to the field's: not stored
  name->SetWordWrap(false);           // differs from the field's
  name->GetPickList()->Add("one");
  name->SetIncrement(2.5);
  grid->ColumnDefValues()->Title()->SetColor(clAqua);
  grid->SetFooterRowCount(2);
  const TPropInfo* alignment = GetPropInfo(name, "Alignment");
  ASSERT_NE(alignment, nullptr);
  EXPECT_TRUE(name->Assigned(cvAlignment));
  EXPECT_FALSE(alignment->IsStored(name));
  EXPECT_TRUE(GetPropInfo(name, "WordWrap")->IsStored(name));
  EXPECT_FALSE(GetPropInfo(price, "WordWrap")->IsStored(price));

  grid->SetDataSource(nullptr);  // the text below stands alone
  grid->SetParent(nullptr);
  text = WriteFormText(grid);
  const std::size_t columns = text.find("Columns = <");
  ASSERT_NE(columns, std::string::npos) << text;
  EXPECT_NE(text.find("Color = clRed"), std::string::npos) << text;
  EXPECT_NE(text.find("Caption = 'Who'"), std::string::npos) << text;
  EXPECT_EQ(text.find("Alignment"), std::string::npos) << text;
  EXPECT_NE(text.find("Increment = 2.5"), std::string::npos) << text;
  EXPECT_NE(text.find("ColumnDefValues.Title.Color = clAqua"), std::string::npos) << text;
  EXPECT_EQ(text.find("Width", columns), std::string::npos) << text;

  std::unique_ptr<TComponent> copy(ReadFormText(text));
  auto* g = static_cast<TDBGridX*>(copy.get());
  ASSERT_EQ(g->Columns()->Count(), 2);
  TColumnX* n = g->Columns()->GetColumn(1);
  EXPECT_TRUE(n->Stored());
  EXPECT_EQ(n->FieldName(), "Name");
  EXPECT_EQ(n->Color(), clRed);
  EXPECT_TRUE(n->Assigned(cvColor));
  EXPECT_FALSE(n->Assigned(cvAlignment));
  EXPECT_FALSE(g->Columns()->GetColumn(0)->Assigned(cvColor));
  EXPECT_TRUE(n->Font()->Style().Contains(fsBold));
  EXPECT_EQ(n->Title()->Caption(), "Who");
  EXPECT_EQ(n->Title()->SortIndex(), 1);
  ASSERT_EQ(g->SortMarkedColumns().Count(), 1);
  EXPECT_EQ(g->SortMarkedColumns()[0], n);
  EXPECT_DOUBLE_EQ(n->Increment(), 2.5);
  EXPECT_EQ(g->FooterRowCount(), 2);
  EXPECT_EQ(g->ColumnDefValues()->Title()->Color(), clAqua);
  EXPECT_EQ(WriteFormText(g), text);

  // Against an ancestor with equal columns nothing of them is written.
  EXPECT_EQ(WriteFormText(g, grid).find("Columns"), std::string::npos);
}

TEST_F(GridModel, GridSettingsHaveTheirDocumentedValues) {
  EXPECT_EQ(grid->Options().Value(), 0x0CFDu);
  EXPECT_EQ(grid->OptionsX().Value(), 65633u);
  EXPECT_EQ(grid->AllowedSelections().Value(), 30u);
  EXPECT_EQ(grid->AllowedOperations().Value(), 15u);
  EXPECT_EQ(grid->VTitleMargin(), 10);
  EXPECT_EQ(grid->FooterColor(), clWindow);
  EXPECT_FALSE(grid->ParentColor());
  EXPECT_EQ(grid->TitleOffset(), 1);
  EXPECT_EQ(grid->DataToRawColumn(0), 1);
  EXPECT_EQ(grid->RawToDataColumn(1), 0);
  grid->SetRowHeight(-5);
  EXPECT_EQ(grid->RowHeight(), 0);
  grid->SetFooterRowCount(-1);
  EXPECT_EQ(grid->FooterRowCount(), 0);
}

TEST_F(GridModel, FreedComponentsLeaveNoReferences) {
  grid->SetDataSource(source);
  OpenWithRows();
  auto* images = new TImageList(form);
  auto* menu = new TPopupMenu(form);
  TColumnX* c = grid->Columns()->Add();
  c->SetFieldName("Code");
  c->SetImageList(images);
  c->SetPopupMenu(menu);
  grid->SetTitleImages(images);
  delete images;
  EXPECT_EQ(c->ImageList(), nullptr);
  EXPECT_EQ(grid->TitleImages(), nullptr);
  delete menu;
  EXPECT_EQ(c->PopupMenu(), nullptr);
  ASSERT_NE(c->GetField(), nullptr);
  delete source;
  source = nullptr;
  EXPECT_EQ(grid->DataSource(), nullptr);
  EXPECT_EQ(c->GetField(), nullptr);
  delete ds;
  ds = nullptr;
  EXPECT_EQ(c->GetField(), nullptr);
  EXPECT_EQ(c->DisplayText(), "");
}

TEST_F(GridModel, AGridMadeAndFreedWithoutWindowLeavesNothingBehind) {
  TDBGridXStyle* style = DBGridXStyle();
  ASSERT_NE(style, nullptr);
  const int grids = style->GridCount();
  const int users = TCustomDBGridX::SharedDrawBitmapUsers();
  {
    TDBGridX alone(nullptr);
    EXPECT_EQ(style->GridCount(), grids + 1);
    EXPECT_EQ(TCustomDBGridX::SharedDrawBitmapUsers(), users + 1);
    EXPECT_NE(TCustomDBGridX::SharedDrawBitmap(), nullptr);
  }
  EXPECT_EQ(style->GridCount(), grids);
  EXPECT_EQ(TCustomDBGridX::SharedDrawBitmapUsers(), users);
  delete form;
  form = nullptr;
  EXPECT_EQ(style->GridCount(), grids - 1);
  EXPECT_EQ(TCustomDBGridX::SharedDrawBitmapUsers(), users - 1);
  if (users == 1) {
    EXPECT_EQ(TCustomDBGridX::SharedDrawBitmap(), nullptr);
  }
}

TEST(GridUnit, ResourcesAreLoadedAtTheirSizes) {
  TDBGridXResources& r = DBGridXResources();
  ASSERT_NE(r.DownCursor, nullptr);
  ASSERT_NE(r.RightCursor, nullptr);
  ASSERT_NE(r.LeftCursor, nullptr);
  EXPECT_EQ(r.DownCursor->HotSpot().Y, 27);
  EXPECT_GT(r.RightCursor->HotSpot().X, r.LeftCursor->HotSpot().X);
  EXPECT_EQ(r.IndicatorImages->Count(), 7);
  EXPECT_EQ(r.IndicatorImages->Width(), 10);
  EXPECT_EQ(r.SortMarkerImages->Count(), 2);
  EXPECT_EQ(r.SortIndexFont->Height(), -(r.SortMarkerImages->Height() - 1));
  EXPECT_EQ(r.IncSearchStartKey, ShortCut('F', {ssCtrl}));
  EXPECT_EQ(r.IncSearchTimeOut, 1500);
}

}  // namespace
}  // namespace lab::gridtest
