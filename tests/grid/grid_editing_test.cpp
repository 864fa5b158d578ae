// What the grid lets the user change, the link's field map, and column sizing by the user.

#include "grid_fixture.h"

#include "grid/grid_services.h"
#include "platform/controls/menus.h"
#include "platform/db/field_kinds.h"
#include "platform/win/system_metrics.h"
#include "platform/win/window_functions.h"
#include "platform/db/fields.h"

namespace lab::gridtest {
namespace {

// Opens the protected operations the framework grid calls.
class TProbeGrid : public TDBGridX {
  LAB_CLASS(TProbeGrid, TDBGridX)
 public:
  using TDBGridX::TDBGridX;
  using TDBGridX::CanEditAcceptKey;
  using TDBGridX::CanEditModify;
  using TDBGridX::CanEditShow;
  using TDBGridX::AcquireFocus;
  using TDBGridX::ColumnMoved;
  using TDBGridX::ColWidthsChanged;
  using TDBGridX::SetColWidths;
};

class GridEditing : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    delete grid;
    probe = new TProbeGrid(form);
    grid = probe;
    grid->SetParent(form);
    grid->SetDataSource(source);
    OpenWithRows();
  }
  TProbeGrid* probe = nullptr;
};

TEST_F(GridEditing, RecordsMayChangeAsTheAllowedOperationsSay) {
  EXPECT_TRUE(grid->CanModifyRecord());
  grid->SetAllowedOperations({alopInsertX, alopAppendX});
  EXPECT_FALSE(grid->CanModifyRecord());
  ds->Append();
  EXPECT_TRUE(grid->CanModifyRecord());  // a new record may be filled in
  ds->Cancel();
  grid->SetAllowedOperations({alopUpdateX});
  EXPECT_TRUE(grid->CanModifyRecord());
  ds->EmptyDataSet();
  EXPECT_FALSE(grid->CanModifyRecord());  // nothing to update and nothing may be added
  grid->SetDataSource(nullptr);
  EXPECT_FALSE(grid->CanModifyRecord());
}

TEST_F(GridEditing, ColumnsMayChangeTheirFieldOnlyWhenEverythingAllows) {
  TColumnX* name = Column(1);
  EXPECT_TRUE(name->CanModify(false));
  EXPECT_EQ(ds->State(), dsBrowse);
  name->SetReadOnly(true);  // a default column hands it to its field
  EXPECT_TRUE(ds->FieldByName("Name")->ReadOnly());
  EXPECT_FALSE(name->CanModify(false));
  ds->FieldByName("Name")->SetReadOnly(false);
  grid->SetReadOnly(true);
  EXPECT_FALSE(name->CanModify(false));
  grid->SetReadOnly(false);
  grid->DataLink()->SetReadOnly(true);
  EXPECT_FALSE(name->CanModify(false));
  grid->DataLink()->SetReadOnly(false);
  ds->SetReadOnly(true);
  EXPECT_FALSE(name->CanModify(false));
  ds->SetReadOnly(false);

  EXPECT_TRUE(name->CanModify(true));
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_TRUE(grid->DataLink()->Modified());
  grid->DataLink()->Reset();  // the grid's edit is dropped
  EXPECT_FALSE(grid->DataLink()->Modified());
  grid->DataLink()->Reset();  // nothing of the grid's: the dataset's edit is cancelled
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(GridEditing, TheCurrentCellTakesEditsAndKeysByItsField) {
  grid->SetSelectedIndex(1);
  EXPECT_EQ(grid->SelectedIndex(), 1);
  EXPECT_EQ(grid->SelectedColumn(), Column(1));
  EXPECT_TRUE(grid->CheckCanEditModify());
  EXPECT_TRUE(probe->CanEditModify());
  EXPECT_EQ(ds->State(), dsEdit);
  ds->Cancel();

  grid->SetSelectedIndex(2);  // a check-box column is changed by clicks, not typing
  EXPECT_FALSE(probe->CanEditModify());
  EXPECT_EQ(ds->State(), dsBrowse);

  grid->SetSelectedIndex(0);
  EXPECT_TRUE(probe->CanEditAcceptKey(U'5'));
  EXPECT_TRUE(probe->CanEditAcceptKey(U'-'));
  EXPECT_FALSE(probe->CanEditAcceptKey(U'x'));
  grid->SetSelectedIndex(4);
  EXPECT_TRUE(probe->CanEditAcceptKey(U'.'));
  EXPECT_FALSE(probe->CanEditAcceptKey(U'x'));

  grid->SetSelectedIndex(99);  // outside: stays
  EXPECT_EQ(grid->SelectedIndex(), 4);
}

TEST_F(GridEditing, TheFieldMapGrowsByDoubling) {
  TGridDataLinkX* link = grid->DataLink();
  link->ClearMapping();
  link->SetSparseMap(true);
  link->AddMapping("Id");
  EXPECT_GE(link->FieldMapSize(), 8);
  for (int i = 0; i < 8; ++i) link->AddMapping(i % 2 ? "Name" : "Missing");
  EXPECT_EQ(link->FieldCount(), 9);
  EXPECT_GE(link->FieldMapSize(), 16);
  EXPECT_EQ(link->GetMappedField(0), ds->FieldByName("Id"));
  EXPECT_EQ(link->GetMappedField(1), nullptr);
  EXPECT_EQ(link->GetMappedField(2), ds->FieldByName("Name"));
  EXPECT_FALSE(link->DefaultFields());
  link->SetSparseMap(false);
  EXPECT_THROW(link->AddMapping("Missing"), Exception);  // default columns name real fields
}

TEST_F(GridEditing, UserSizingReachesTheColumnsWithinTheirLimits) {
  grid->Columns()->Add()->SetFieldName("Id");
  grid->Columns()->Add()->SetFieldName("Name");
  grid->Columns()->Add()->SetFieldName("Code");
  Column(0)->SetWidth(40);
  Column(1)->SetWidth(60);
  Column(2)->SetWidth(100);
  Column(0)->SetMaxWidth(50);
  probe->SetColWidths(1, 80);
  probe->ColWidthsChanged();
  EXPECT_EQ(Column(0)->Width(), 50);

  // Fitting to the client: the sized column keeps its share, those to its right give way.
  grid->SetAutoFitColWidths(true);
  EXPECT_EQ(Column(1)->InitWidth(), 60);
  probe->SetColWidths(2, 90);  // 60 -> 90
  probe->ColWidthsChanged();
  EXPECT_EQ(Column(1)->InitWidth(), 90);
  EXPECT_EQ(Column(2)->InitWidth(), 70);  // (100 - 30) * 100 / 100
}

TEST_F(GridEditing, AFieldAskedForFocusBecomesTheCurrentColumn) {
  grid->SetSelectedIndex(0);
  ds->FieldByName("Code")->FocusControl();
  EXPECT_EQ(grid->SelectedIndex(), 3);
  EXPECT_EQ(grid->SelectedColumn()->GetField(), ds->FieldByName("Code"));
  // A hidden column before it still counts among the data columns.
  grid->SetSelectedIndex(0);
  Column(1)->SetVisible(false);
  ds->FieldByName("Price")->FocusControl();
  EXPECT_EQ(grid->SelectedIndex(), 4);
  EXPECT_EQ(grid->SelectedColumn()->GetField(), ds->FieldByName("Price"));
  // Once the grid took the focus for the field, no control after it is asked to.
  struct TFocusLink : TDataLink {
    std::vector<TField*> Asked;
    void FocusControl(TField*& Field) override { Asked.push_back(Field); }
  } later;
  later.SetDataSource(source);
  form->Show();
  ds->FieldByName("Code")->FocusControl();
  const win::HWND focus = win::GetFocus();  // the grid, or its editor
  EXPECT_TRUE(focus == grid->Handle() || win::GetParent(focus) == grid->Handle());
  EXPECT_EQ(later.Asked, std::vector<TField*>{nullptr});
  later.SetDataSource(nullptr);
}

TEST_F(GridEditing, AFieldThatGoesIsForgottenAndTheGridLaidOutAgain) {
  TMemDataSet own(nullptr);
  auto* id = new TIntegerField(form);
  id->SetFieldName("Id");
  id->SetDataSet(&own);
  auto* note = new TStringField(form);
  note->SetFieldName("Note");
  note->SetDataSet(&own);
  own.FieldDefs().Add("Id", ftInteger);
  own.FieldDefs().Add("Note", ftString, 20);
  source->SetDataSet(&own);
  grid->Columns()->Add()->SetFieldName("Id");
  grid->Columns()->Add()->SetFieldName("Note");
  EXPECT_EQ(Column(1)->GetField(), note);  // fields made in advance are found while closed
  own.Open();
  ASSERT_EQ(Column(1)->GetField(), note);
  own.Close();
  delete note;
  EXPECT_EQ(Column(1)->GetField(), nullptr);
  EXPECT_EQ(grid->UpdateLock(), 0);
  EXPECT_EQ(grid->LayoutLock(), 0);
  own.Open();
  EXPECT_EQ(Column(0)->GetField(), id);
  EXPECT_EQ(Column(1)->GetField(), nullptr);
  EXPECT_EQ(grid->DataLink()->FieldMapEntry(1), -1);
  source->SetDataSet(nullptr);
}

TEST_F(GridEditing, MovingAColumnMovesItsDataColumnAndReportsDataIndexes) {
  for (const char* f : {"Id", "Name", "Code"}) grid->Columns()->Add()->SetFieldName(f);
  int from = -1, to = -1;
  grid->OnColumnMoved = [&](TObject*, int From, int To) {
    from = From;
    to = To;
  };
  probe->ColumnMoved(1, 3);  // framework columns: the indicator is column 0
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 2);
  EXPECT_EQ(Column(0)->FieldName(), "Name");
  EXPECT_EQ(Column(2)->FieldName(), "Id");
}

TEST_F(GridEditing, DataBoxAndFocus) {
  TGridRect box = grid->GetDataBox();
  EXPECT_EQ(box.Left, 1);
  EXPECT_EQ(box.Top, 1);
  EXPECT_EQ(box.Right, grid->ColCount() - 1);
  grid->SetFooterRowCount(1);
  box = grid->GetDataBox();
  EXPECT_EQ(box.Bottom, grid->RowCount() - 3);
  form->Show();
  Pump();
  EXPECT_TRUE(probe->AcquireFocus());
  EXPECT_TRUE(grid->Focused());
}

// Records where it would have popped up instead of tracking the menu.
class TRecordingMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  void Popup(int X, int Y) override {
    ++Shown;
    At = TPoint{X, Y};
  }
  int Shown = 0;
  TPoint At{};
};

TEST_F(GridEditing, ARightClickOnADataCellPopsUpItsColumnsMenu) {
  form->Show();
  Pump();
  auto* menu = new TRecordingMenu(form);
  Column(1)->SetPopupMenu(menu);
  auto release_at = [&](int col, int row) {
    const TRect r = grid->CellRect(grid->DataToRawColumn(col), row);
    const int x = r.Left + 2, y = r.Top + 2;
    grid->Perform(win::WM_RBUTTONUP, 0, static_cast<win::LPARAM>((y << 16) | x));
    return TPoint{x, y};
  };
  release_at(1, 0);  // its title
  release_at(0, 1);  // another column's cell
  EXPECT_EQ(menu->Shown, 0);
  const TPoint p = release_at(1, 1);
  EXPECT_EQ(menu->Shown, 1);
  EXPECT_EQ(menu->PopupComponent(), grid);
  const TPoint screen = grid->ClientToScreen(p);
  EXPECT_EQ(menu->At.X, screen.X);
  EXPECT_EQ(menu->At.Y, screen.Y);
  menu->SetAutoPopup(false);
  release_at(1, 1);
  EXPECT_EQ(menu->Shown, 1);
}

TEST_F(GridEditing, CheckBoxAndImageCellsTakeNoTextEditor) {
  grid->SetOptions(grid->Options() + dgAlwaysShowEditor);
  form->Show();
  Pump();
  grid->SetSelectedIndex(1);
  EXPECT_TRUE(probe->CanEditShow());
  grid->SetSelectedIndex(2);  // Done: a Boolean field shows a check box
  EXPECT_FALSE(probe->CanEditShow());
  TImageList images(nullptr);
  Column(0)->SetImageList(&images);
  grid->SetSelectedIndex(0);
  EXPECT_FALSE(probe->CanEditShow());
  Column(0)->SetShowImageAndText(true);
  EXPECT_TRUE(probe->CanEditShow());
  Column(0)->SetImageList(nullptr);
}

TEST_F(GridEditing, EditButtonsAreAsWideAsAScrollBarOrFlatButtons) {
  form->Show();
  Pump();
  EXPECT_EQ(grid->EditButtonWidth(), win::GetSystemMetrics(win::SM_CXVSCROLL));
  auto* flat = new TDBGridX(form);
  flat->SetFlat(true);
  flat->SetParent(form);
  Pump();
  ASSERT_TRUE(flat->HandleAllocated());
  EXPECT_EQ(flat->EditButtonWidth(), ComputeDefaultButtonWidth());
}

TEST_F(GridEditing, WithoutAWindowNothingIsQueued) {
  TDBGridX loose(nullptr);
  loose.DeferLayout();
  loose.BeginLayout();
  loose.DeferLayout();
  loose.CancelLayout();
  EXPECT_FALSE(loose.HandleAllocated());
  EXPECT_EQ(loose.UpdateLock(), 0);
  EXPECT_EQ(loose.LayoutLock(), 0);
}

}  // namespace
}  // namespace lab::gridtest
