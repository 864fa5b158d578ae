// The grid's keyboard: keys injected into a shown grid, checked against the dataset's position and
// state: the records on screen, pages with footer rows, appending at the end and cancelling it,
// Tab across record ends, Shift selections, confirmed deletes, Escape, Enter as Tab, an inactive
// link, and the clipboard keys with and without their edit actions.

#include "grid_paint_fixture.h"

#include <vector>

#include "grid/find_dialog.h"
#include "grid/grid_clipboard.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/input.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"

namespace lab::gridtest {
namespace {

class GridKeys : public GridPaintTest {
 protected:
  void TearDown() override {
    SetDialogAnswerer(nullptr);
    GridPaintTest::TearDown();
  }
  void Records(int n, int footers = 0) {
    grid->SetDataSource(source);
    ds->Open();
    ds->DisableControls();
    for (int i = 1; i <= n; ++i) AddRow(i, ("name " + std::to_string(i)).c_str(), i % 2 == 0, "c", 1.0 * i);
    ds->First();
    ds->EnableControls();
    grid->SetFooterRowCount(footers);
    form->Show();
    grid->SetFocus();
    Pump();
  }
  // Answers every box with Answer and keeps what it asked.
  void AnswerBoxes(TModalResult Answer) {
    asked.clear();
    SetDialogAnswerer([this, Answer](const TDialogRequest& r) {
      asked.push_back(r);
      return Answer;
    });
  }
  std::vector<TDialogRequest> asked;
};

TEST_F(GridKeys, CtrlUpAndDownGoToTheFirstAndLastRecordOnScreenInBothModes) {
  for (int footers : {1, 0}) {  // the link's buffer, then a row per record
    SCOPED_TRACE(footers);
    ds->Close();
    Records(200, footers);
    ASSERT_EQ(grid->RecordSetMode(), footers == 0);
    ds->MoveBy(120);
    Pump();
    ds->MoveBy(-3);  // the record now stands inside the screen, not at its edge
    Pump();
    const int page = grid->GetVisibleDataRowCount();
    ASSERT_GT(page, 5);
    Press(win::VK_UP, {ssCtrl});
    const int first = Id();
    EXPECT_GT(first, 1);  // the first record shown, not the dataset's first
    EXPECT_EQ(first, 122 - page);
    Press(win::VK_DOWN, {ssCtrl});
    EXPECT_EQ(Id(), first + page - 1);
    Press(win::VK_PRIOR, {ssCtrl});  // Ctrl+PgUp as Ctrl+Up
    EXPECT_EQ(Id(), first);
    Press(win::VK_END, {ssCtrl});
    EXPECT_EQ(Id(), 200);
    Press(win::VK_HOME, {ssCtrl});
    EXPECT_EQ(Id(), 1);
  }
}

TEST_F(GridKeys, PageKeysMoveByTheDataRowsLeftBesideTheFooterRows) {
  Records(100, 2);
  const int page = grid->GetVisibleDataRowCount();
  ASSERT_LT(page, grid->VisibleRowCount());
  Press(win::VK_NEXT);
  EXPECT_EQ(Id(), 1 + page);
  Press(win::VK_NEXT);
  EXPECT_EQ(Id(), 1 + 2 * page);
  Press(win::VK_PRIOR);
  EXPECT_EQ(Id(), 1 + page);
  Press(win::VK_PRIOR);
  Press(win::VK_PRIOR);  // no further than the first record
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(GridKeys, DownAtTheEndAppendsOneRecordAndUpCancelsIt) {
  Records(3);
  Press(win::VK_END, {ssCtrl});
  EXPECT_EQ(Id(), 3);
  Press(win::VK_DOWN);
  EXPECT_EQ(ds->State(), dsInsert);
  EXPECT_EQ(ds->RecordCount(), 3);
  Press(win::VK_DOWN);  // the untouched new record stays the one appended
  Press(win::VK_DOWN);
  EXPECT_EQ(ds->State(), dsInsert);
  EXPECT_EQ(ds->RecordCount(), 3);
  Press(win::VK_UP);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(Id(), 3);
  // A new record with a value is posted by the next Down, which appends the next one.
  Press(win::VK_DOWN);
  ds->FieldByName("Id")->SetAsInteger(4);
  Press(win::VK_DOWN);
  EXPECT_EQ(ds->RecordCount(), 4);
  EXPECT_EQ(ds->State(), dsInsert);
  // Without the append operation Down stops at the last record.
  Press(win::VK_UP);
  grid->SetAllowedOperations({alopInsertX, alopUpdateX, alopDeleteX});
  Press(win::VK_DOWN);
  Press(win::VK_DOWN);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Id(), 4);
}

TEST_F(GridKeys, TabAndShiftTabSkipReadOnlyColumnsAndCrossRecordEnds) {
  grid->Columns()->Add()->SetFieldName("Id");
  grid->Columns()->Add()->SetFieldName("Name");
  grid->Columns()->Add()->SetFieldName("Code");
  grid->Columns()->Add()->SetFieldName("Price");
  Records(3);
  ds->FieldByName("Price")->SetReadOnly(true);  // a field that cannot change is no tab stop either
  Column(1)->SetReadOnly(true);
  Pump();
  EXPECT_EQ(grid->SelectedIndex(), 0);
  Press(win::VK_TAB);
  EXPECT_EQ(grid->SelectedIndex(), 2);  // Name skipped
  Press(win::VK_TAB);  // Price skipped: on to the next record's first column
  EXPECT_EQ(grid->SelectedIndex(), 0);
  EXPECT_EQ(Id(), 2);
  Press(win::VK_TAB, {ssShift});  // back over the record's start
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  Press(win::VK_TAB, {ssShift});
  EXPECT_EQ(grid->SelectedIndex(), 0);
  Press(win::VK_TAB, {ssShift});  // before the first record nothing moves but the column
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  // Enter works as Tab only with dgxEnterAsTab.
  Press(win::VK_RETURN);
  EXPECT_EQ(grid->SelectedIndex(), 2);
  grid->SetOptionsX(grid->OptionsX() + dgxEnterAsTab);
  Press(win::VK_RETURN);
  EXPECT_EQ(grid->SelectedIndex(), 0);
  EXPECT_EQ(Id(), 2);
  Press(win::VK_RETURN, {ssShift});
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(grid->SelectedIndex(), 2);
}

TEST_F(GridKeys, ColumnKeysStepOverHiddenColumnsAndHomeEndGoToRecordsFromTheEdgeColumns) {
  Records(5);
  Column(1)->SetVisible(false);
  Pump();
  Press(win::VK_RIGHT);
  EXPECT_EQ(grid->SelectedIndex(), 2);  // over the hidden column
  Press(win::VK_LEFT);
  EXPECT_EQ(grid->SelectedIndex(), 0);
  Press(win::VK_LEFT);  // nothing left of the first column
  EXPECT_EQ(grid->SelectedIndex(), 0);
  Press(win::VK_RIGHT, {ssCtrl});
  EXPECT_EQ(grid->SelectedIndex(), 4);
  Press(win::VK_END);  // already in the last column: the last record
  EXPECT_EQ(Id(), 5);
  Press(win::VK_HOME);  // to the first column, the record stays
  EXPECT_EQ(grid->SelectedIndex(), 0);
  EXPECT_EQ(Id(), 5);
  Press(win::VK_HOME);
  EXPECT_EQ(Id(), 1);
}

TEST_F(GridKeys, ShiftDownSelectsFromItsAnchorAndMovingBackLetsGo) {
  grid->SetOptions(grid->Options() + dgMultiSelect + dgRowSelect);
  Records(10);
  ds->MoveBy(2);  // record 3
  Pump();
  Press(win::VK_DOWN, {ssShift});
  Press(win::VK_DOWN, {ssShift});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(grid->Selection()->SelectionType(), gstRecordBookmarks);
  Press(win::VK_UP, {ssShift});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4}));
  Press(win::VK_UP, {ssShift});
  Press(win::VK_UP, {ssShift});  // past the anchor upwards
  EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 3}));
  EXPECT_EQ(Id(), 2);
  // Ctrl+Shift+Down runs to the last record on screen from the same anchor.
  Press(win::VK_DOWN, {ssCtrl, ssShift});
  EXPECT_EQ(SelectedIds().front(), 3);
  EXPECT_EQ(static_cast<int>(SelectedIds().size()), Id() - 2);
  // A key without Shift lets the selection go; Ctrl+A selects everything once allowed.
  Press(win::VK_HOME, {ssCtrl});
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  Press('A', {ssCtrl});
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  grid->SetEditActions({geaSelectAllX});
  Press('A', {ssCtrl});
  EXPECT_EQ(grid->Selection()->SelectionType(), gstAll);
}

TEST_F(GridKeys, ShiftArrowsGrowARectangleWithoutRowSelect) {
  Records(10);
  Press(win::VK_DOWN, {ssShift});
  Press(win::VK_DOWN, {ssShift});
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  EXPECT_EQ(grid->Selection()->Rect()->AnchorCol(), 0);
  EXPECT_EQ(Id(), 3);
  EXPECT_TRUE(grid->Selection()->DataCellSelected(0, ds->Bookmark()));
  EXPECT_FALSE(grid->Selection()->DataCellSelected(1, ds->Bookmark()));
  grid->SetOptions(grid->Options() + dgMultiSelect);
  Press(win::VK_RIGHT, {ssShift});
  EXPECT_TRUE(grid->Selection()->DataCellSelected(1, ds->Bookmark()));
  EXPECT_EQ(grid->Selection()->Rect()->LeftCol(), 0);
  EXPECT_EQ(grid->Selection()->Rect()->RightCol(), 1);
  Press(win::VK_LEFT);  // a plain move lets it go
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  // Shift+Left grows it to the left of where it started.
  Press(win::VK_RIGHT);
  Press(win::VK_RIGHT);
  Press(win::VK_RIGHT);
  Press(win::VK_LEFT, {ssShift});
  Press(win::VK_LEFT, {ssShift});
  EXPECT_EQ(grid->SelectedIndex(), 1);
  EXPECT_EQ(grid->Selection()->Rect()->LeftCol(), 1);
  EXPECT_EQ(grid->Selection()->Rect()->RightCol(), 3);
}

TEST_F(GridKeys, CtrlDeleteAsksFirstAndCancelKeepsTheRecords) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  Records(5);
  grid->SelectedRows()->SetCurrentRowSelected(true);
  ds->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  AnswerBoxes(mrCancel);
  Press(win::VK_DELETE, {ssCtrl});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Text, "Delete all selected records?");
  EXPECT_EQ(asked[0].Type, mtConfirmation);
  EXPECT_EQ(asked[0].Buttons, (std::vector<TModalResult>{mrOk, mrCancel}));
  EXPECT_EQ(ds->RecordCount(), 5);
  AnswerBoxes(mrOk);
  Press(win::VK_DELETE, {ssCtrl});
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  // No selected records: the current record, after "Delete record?".
  ds->First();
  AnswerBoxes(mrCancel);
  Press(win::VK_DELETE, {ssCtrl});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Text, "Delete record?");
  EXPECT_EQ(ds->RecordCount(), 3);
  AnswerBoxes(mrOk);
  Press(win::VK_DELETE, {ssCtrl});
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_EQ(Id(), 4);
  // Without dgConfirmDelete nobody is asked; without alopDeleteX nothing goes.
  grid->SetAllowedOperations({alopUpdateX});
  Press(win::VK_DELETE, {ssCtrl});
  EXPECT_EQ(ds->RecordCount(), 2);
  grid->SetAllowedOperations({alopDeleteX});
  grid->SetOptions(grid->Options() - dgConfirmDelete);
  asked.clear();
  Press(win::VK_DELETE, {ssCtrl});
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(ds->RecordCount(), 1);
}

TEST_F(GridKeys, CtrlDeleteOfSelectedRecordsThroughTheDeleteActionAsksToo) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  grid->SetEditActions({geaDeleteX});
  Records(4);
  grid->SelectedRows()->SetCurrentRowSelected(true);
  ds->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  AnswerBoxes(mrCancel);
  Press(win::VK_DELETE, {ssCtrl});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Text, "Delete all selected records?");
  EXPECT_EQ(ds->RecordCount(), 4);
  AnswerBoxes(mrOk);
  Press(win::VK_DELETE, {ssCtrl});
  EXPECT_EQ(ds->RecordCount(), 2);
}

TEST_F(GridKeys, EscapeCancelsTheRecordsChanges) {
  Records(3);
  ds->Next();
  ds->Edit();
  ds->FieldByName("Name")->SetAsString("changed");
  Press(win::VK_ESCAPE);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "name 2");
  // An appended record goes again.
  Press(win::VK_INSERT);
  EXPECT_EQ(ds->State(), dsInsert);
  Press(win::VK_ESCAPE);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(Id(), 2);
}

TEST_F(GridKeys, EscapeTakesBackWhatWasTypedAndThenTheRecordsEdit) {
  grid->Columns()->Add()->SetFieldName("Id");
  grid->Columns()->Add()->SetFieldName("Name");
  Records(3);
  Press(win::VK_RIGHT);
  input::KeyDown('X', U'x');
  input::KeyUp('X');
  Pump();
  ASSERT_TRUE(grid->EditorShowing());
  EXPECT_EQ(grid->EditorText(), "x");
  EXPECT_EQ(ds->State(), dsEdit);
  Press(win::VK_ESCAPE);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "name 1");
  EXPECT_NE(grid->EditorText(), "x");
  Press(win::VK_ESCAPE);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "name 1");
}

TEST_F(GridKeys, DeleteEmptiesACheckBoxCellUnlessRequiredAndShiftDeleteOnlyCuts) {
  grid->Columns()->Add()->SetFieldName("Done");
  Records(2);
  Column(0)->SetCheckboxes(true);
  ASSERT_EQ(Column(0)->GetColumnType(), ctCheckboxes);
  grid->SetEditActions({geaCutX, geaCopyX});
  Press(win::VK_DELETE, {ssShift});  // a cut with nothing selected: the value stays
  EXPECT_FALSE(ds->FieldByName("Done")->IsNull());
  ds->FieldByName("Done")->SetRequired(true);
  Press(win::VK_DELETE);
  EXPECT_FALSE(ds->FieldByName("Done")->IsNull());
  ds->FieldByName("Done")->SetRequired(false);
  Press(win::VK_DELETE);
  EXPECT_TRUE(ds->FieldByName("Done")->IsNull());
  EXPECT_EQ(ds->State(), dsEdit);
}

TEST_F(GridKeys, CtrlFCallsTheFindDialogProcedureUnlessIncrementalSearchTakesIt) {
  Records(3);
  struct TCall {
    TCustomDBGridX* Grid;
    std::string Text, FieldName;
    std::size_t Values;
    bool Modal;
  };
  std::vector<TCall> calls;
  TDBGridXFindDialogProc previous =
      SetDBGridXFindDialogProc([&](TCustomDBGridX* g, const std::string& t, const std::string& f,
                                   const std::vector<std::string>& v, bool m) { calls.push_back({g, t, f, v.size(), m}); });
  TScopeExit reset([&] { SetDBGridXFindDialogProc(previous); });
  Press('F', {ssCtrl});
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Grid, grid);
  EXPECT_EQ(calls[0].Text, "");
  EXPECT_EQ(calls[0].FieldName, "");
  EXPECT_EQ(calls[0].Values, 0u);
  EXPECT_TRUE(calls[0].Modal);
  // With dgxIncSearch the same key starts incremental search instead.
  grid->SetOptionsX(grid->OptionsX() + dgxIncSearch);
  Press('F', {ssCtrl});
  EXPECT_EQ(calls.size(), 1u);
  grid->SetOptionsX(grid->OptionsX() - dgxIncSearch - dgxDialogFind);
  Press('F', {ssCtrl});
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(Id(), 1);
}

TEST_F(GridKeys, AnInactiveLinkRunsOnlyOnKeyDown) {
  Records(3);
  // A handler that takes the key leaves nothing for the grid.
  grid->OnKeyDown = [](TObject*, win::WORD& Key, TShiftState) { Key = 0; };
  Press(win::VK_DOWN);
  EXPECT_EQ(Id(), 1);
  ds->Close();
  Pump();
  std::vector<win::WORD> seen;
  grid->OnKeyDown = [&](TObject*, win::WORD& Key, TShiftState) { seen.push_back(Key); };
  const int col = grid->Col(), row = grid->Row();
  for (win::UINT vk : {win::VK_DOWN, win::VK_TAB, win::VK_END, win::VK_INSERT, win::VK_NEXT}) Press(vk);
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(grid->Col(), col);
  EXPECT_EQ(grid->Row(), row);
  EXPECT_FALSE(ds->Active());
}

TEST_F(GridKeys, ShiftInsertAndShiftDeleteOnlyWithTheirEditActions) {
  grid->Columns()->Add()->SetFieldName("Id");
  grid->Columns()->Add()->SetFieldName("Name");
  Records(3);
  Clipboard()->SetAsText("x");
  // A rectangle over Name of records 1 and 2.
  Press(win::VK_RIGHT);
  Press(win::VK_DOWN, {ssShift});
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  Press(win::VK_DELETE, {ssShift});
  EXPECT_EQ(Clipboard()->AsText(), "x");
  ds->First();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "name 1");
  grid->SetEditActions({geaCutX, geaCopyX});
  Press(win::VK_DELETE, {ssShift});
  EXPECT_EQ(Clipboard()->AsText(), "name 1\r\nname 2\r\n");
  ds->First();
  EXPECT_TRUE(ds->FieldByName("Name")->IsNull());
  ds->Next();
  EXPECT_TRUE(ds->FieldByName("Name")->IsNull());
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 2);  // outside the rectangle
  // Shift+Insert pastes from the current cell on, once allowed.
  Press(win::VK_INSERT, {ssShift});
  EXPECT_TRUE(ds->FieldByName("Name")->IsNull());
  grid->SetEditActions({geaPasteX});
  ds->First();
  Press(win::VK_INSERT, {ssShift});
  EXPECT_EQ(Id(), 2);  // on the last record pasted
  ds->First();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "name 1");
  ds->Next();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "name 2");
  EXPECT_EQ(ds->RecordCount(), 3);
}

TEST_F(GridKeys, CopiedRecordsPasteBackThroughEveryRendering) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  grid->SetEditActions({geaCopyX, geaPasteX});
  Records(3);
  ds->Edit();
  ds->FieldByName("Name")->SetAsString("tab\there; \"q\" {é}");
  ds->FieldByName("Price")->SetValue(Null());
  ds->Post();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  ds->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  Press('C', {ssCtrl});
  TClipboard* clip = Clipboard();
  // Other programs paste the text: cells by tabs, records by lines.
  EXPECT_EQ(clip->AsText(), "1\ttab here; \"q\" {é}\tFalse\tc\t\r\n2\tname 2\tTrue\tc\t2\r\n");
  EXPECT_EQ(clip->GetAsBuffer(CF_CSV()),
            "\"1\";\"tab\there; \"\"q\"\" {é}\";\"False\";\"c\";\"\"\r\n\"2\";\"name 2\";\"True\";\"c\";\"2\"\r\n");
  const std::string rtf = clip->GetAsBuffer(CF_RTF());
  EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(rtf.find("tab\\tab here; \"q\" \\{\\u233?\\}\\cell"), std::string::npos);
  const TGridClipData dbif = ParseGridDbif(clip->GetAsBuffer(CF_GRIDDBIF()));
  EXPECT_EQ(dbif.FieldNames, (std::vector<std::string>{"Id", "Name", "Done", "Code", "Price"}));
  ASSERT_EQ(dbif.Values.size(), 2u);
  EXPECT_TRUE(VarIsNull(dbif.Values[0][4]));
  // Pasted at the last record: the second record appends.
  grid->SelectedRows()->Clear();
  Press(win::VK_END, {ssCtrl});
  Press('V', {ssCtrl});
  ASSERT_EQ(ds->RecordCount(), 4);
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "name 2");
  ds->Prior();
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "tab\there; \"q\" {é}");
  EXPECT_TRUE(ds->FieldByName("Price")->IsNull());
  EXPECT_FALSE(ds->FieldByName("Done")->AsBoolean());
  // Plain text from another program pastes by the columns from the current one on.
  clip->SetAsText("7\tseven\n8\teight");
  ds->First();
  Press('V', {ssCtrl});
  EXPECT_EQ(Id(), 8);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "eight");
  ds->First();
  EXPECT_EQ(Id(), 7);
  // Text a field refuses raises and leaves that record as it was.
  clip->SetAsText("not a number");
  EXPECT_THROW(PasteGridFromClipboard(grid), Exception);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Id(), 7);
}

TEST(GridClipFormats, GridDbifRoundTripsEveryValueKindAndRefusesBrokenBytes) {
  TGridClipData data;
  data.FieldNames = {"a", "b", ""};
  data.Values = {{Null(), true, static_cast<std::int64_t>(-5)},
                 {2.5, Currency::FromRaw(12345), VarFromDateTime(45000.25)},
                 {std::string("é\0x", 4), Variant(), std::string()}};
  const std::string bytes = GridClipToDbif(data);
  const TGridClipData back = ParseGridDbif(bytes);
  EXPECT_EQ(back.FieldNames, data.FieldNames);
  ASSERT_EQ(back.Values.size(), 3u);
  EXPECT_TRUE(VarIsNull(back.Values[0][0]));
  EXPECT_EQ(back.Values[0][1].AsBoolean(), true);
  EXPECT_EQ(back.Values[0][2].AsInt64(), -5);
  EXPECT_EQ(back.Values[1][0].AsDouble(), 2.5);
  EXPECT_EQ(back.Values[1][1].Type(), varCurrency);
  EXPECT_EQ(back.Values[1][1].AsCurrency().Raw(), 12345);
  EXPECT_EQ(back.Values[1][2].Type(), varDate);
  EXPECT_EQ(back.Values[2][0].AsString(), std::string("é\0x", 4));
  EXPECT_TRUE(VarIsNull(back.Values[2][1]));  // Empty travels as Null
  // Every cut of the bytes, a bad type byte, trailing bytes and counts past the data are refused.
  for (std::size_t n = 0; n < bytes.size(); ++n)
    EXPECT_THROW(ParseGridDbif(std::string_view(bytes).substr(0, n)), EConvertError) << n;
  std::string bad = bytes;
  bad[8 + 1 + 8 + 5 + 5 + 4] = 9;  // the first value's type
  EXPECT_THROW(ParseGridDbif(bad), EConvertError);
  EXPECT_THROW(ParseGridDbif(bytes + "x"), EConvertError);
  std::string huge = GridClipToDbif(TGridClipData{{"a"}, {}, {}});
  huge[13] = '\xFF';
  huge[14] = '\xFF';
  huge[15] = '\xFF';
  huge[16] = '\x7F';
  EXPECT_THROW(ParseGridDbif(huge), EConvertError);
  try {
    ParseGridDbif("GRIDDBIF");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid GRIDDBIF data");
  }
}

TEST(GridClipFormats, PlainTextSplitsAtEveryLineBreakKindAndKeepsEmptyCells) {
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(ParseGridText(""), Rows{});
  EXPECT_EQ(ParseGridText("a\tb\r\nc\n\td\re\t\r\n"), (Rows{{"a", "b"}, {"c"}, {"", "d"}, {"e", ""}}));
  EXPECT_EQ(ParseGridText("x"), (Rows{{"x"}}));
  EXPECT_EQ(ParseGridText("\r\n\r\n"), (Rows{{""}, {""}}));
  EXPECT_EQ(ParseGridText("\n\r"), (Rows{{""}, {""}}));
}

}  // namespace
}  // namespace lab::gridtest
