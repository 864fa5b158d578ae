// The title filter row: conditions typed under the titles filter the dataset as the same
// conditions written by hand do; the drop-down's special items; the keys that enter, cross and
// leave the row; a text that does not read; shown conditions reading back under another locale;
// the list dataset's lists and the drop-down's values kept while the data stays.

#include "grid_paint_fixture.h"
#include "record_ids.h"

#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "grid/column_filter.h"
#include "grid/data_service.h"
#include "grid/filter_editor.h"
#include "grid/grid_style.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/list_box.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/string_list.h"

namespace lab::gridtest {
namespace {

class FilterRow : public GridPaintTest {
 protected:
  void SetUp() override {
    GridPaintTest::SetUp();
    grid->SetBounds(0, 0, 560, 260);
    form->SetBounds(0, 0, 600, 300);
    grid->SetDataSource(source);
    for (const char* name : {"Id", "Name", "Done", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(name);
    ds->Open();
    AddRow(1, "one", true, "K0", 1.5);
    AddRow(2, "two", false, "K1", Null());
    AddRow(3, "three", Null(), "zz", 2.0);
    AddRow(4, "O'Brien", true, "K'1", 10.25);
    AddRow(5, "Mo", false, "AND", 100.0);
    AddRow(6, "Moe AND Joe", Null(), "", 1000.0);
    ds->Edit();
    ds->FieldByName("Code")->Clear();
    ds->Post();
    ds->First();
    grid->STFilter()->SetVisible(true);
    form->Show();
    grid->SetFocus();
    Pump();
    // An error a key runs into shows in a box: kept here, so a test sees it.
    SetDialogAnswerer([this](const TDialogRequest& r) {
      boxes.push_back(r.Text);
      return mrOk;
    });
    DBGridXDataService()->OnApplyFilter = [this](TCustomDBGridX* g) {
      ++applied;
      DBGridXDataService()->DefaultApplyFilter(g);
    };
  }
  void TearDown() override {
    DBGridXDataService()->OnApplyFilter = nullptr;
    SetDialogAnswerer(nullptr);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    if (DBGridXStyle()) DBGridXStyle()->SetFilterEditCloseUpApplyFilter(false);
    GridPaintTest::TearDown();
  }
  // The grid column of data column i.
  int Raw(int i) { return grid->DataToRawColumn(i); }
  TInplaceFilterEditX* Editor() { return grid->FilterEditor(); }
  // Types Text into the filter cell of data column i and presses Enter.
  void Filter(int i, const std::string& Text) {
    grid->SetSelectedIndex(i);
    grid->SetFilterEditing(true);
    Pump();
    ASSERT_TRUE(Editor() && Editor()->Visible());
    Editor()->SetText(Text);
    Enter();
  }
  // Opens the drop-down and chooses the item with Text, as Enter in the open list does.
  void Choose(const std::string& Text) {
    Editor()->SetDroppedDown(true);
    ASSERT_TRUE(Editor()->DroppedDown());
    const int i = Editor()->Items()->IndexOf(Text);
    ASSERT_GE(i, 0) << Text;
    Editor()->ListBox()->SetItemIndex(i);
    Enter();
  }
  // Characters typed as the keyboard delivers them (letters, digits, blanks, "*", "<", ">", "=").
  void Type(const std::u32string& Text) {
    for (char32_t ch : Text) {
      win::UINT vk = ch >= U'a' && ch <= U'z' ? ch - U'a' + 'A' : ch;
      if (ch == U'*') vk = win::VK_MULTIPLY;
      if (ch == U'<' || ch == U'>' || ch == U'=') vk = ch == U'=' ? 0xBB : ch == U'<' ? 0xBC : 0xBE;
      input::KeyDown(vk, ch);
      input::KeyUp(vk);
    }
    Pump();
  }
  // A click of its own (not the second of a double click) at a point of the grid.
  void Click(TPoint At) {
    clock.Advance(win::GetDoubleClickTime() + 1);
    const win::POINT p = grid->ClientToScreen(At);
    input::MouseMove(p);
    input::MouseButton(win::VK_LBUTTON, true, p);
    input::MouseButton(win::VK_LBUTTON, false, p);
    Pump();
  }
  // Into the middle of a cell.
  TPoint Middle(int col, int row) {
    const TRect r = Cell(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  // Enter as the keyboard delivers it: the key, and the character it types.
  void Enter() {
    input::KeyDown(win::VK_RETURN, U'\r');
    input::KeyUp(win::VK_RETURN);
    Pump();
  }
  // The five columns of the set-up again, none filtered, in a grid of the set-up's size.
  void Rebuild() {
    grid->ClearAllFilters();
    grid->ApplyFilter();
    grid->STFilter()->SetVisible(true);
    grid->SetAlign(alNone);
    grid->SetAutoFitColWidths(false);
    form->SetBounds(0, 0, 600, 300);
    grid->SetBounds(0, 0, 560, 260);
    grid->Columns()->Clear();
    for (const char* name : {"Id", "Name", "Done", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(name);
    Pump();
  }
  TColumnX* ColumnOf(const std::string& Name) {
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      if (Column(i)->FieldName() == Name) return Column(i);
    return nullptr;
  }
  // The left button pressed at From, moved to To and let go there.
  void Drag(TPoint From, TPoint To) {
    clock.Advance(win::GetDoubleClickTime() + 1);
    input::MouseMove(grid->ClientToScreen(From));
    input::MouseButton(win::VK_LBUTTON, true, grid->ClientToScreen(From));
    for (TPoint p : {TPoint{(From.X + To.X) / 2, (From.Y + To.Y) / 2}, To}) {
      Pump();
      input::MouseMove(grid->ClientToScreen(p));
    }
    input::MouseButton(win::VK_LBUTTON, false, grid->ClientToScreen(To));
    Pump();
  }

  int applied = 0;
  std::vector<std::string> boxes;
};

TEST_F(FilterRow, TypedConditionsFilterAsTheSameConditionsWrittenByHand) {
  struct TCase {
    int Col;
    const char* Typed;
    const char* ByHand;
  };
  const TCase cases[] = {
      {4, ">1.5", "Price > 1.5"},
      {4, ">= 2 AND < 100", "(Price >= 2 AND Price < 100)"},
      {4, "<1.5 or >100", "(Price < 1.5 OR Price > 100)"},
      {4, "<>Null", "Price IS NOT NULL"},
      {4, "=Null", "Price IS NULL"},
      {4, "In (1.5, 100)", "(Price = 1.5 OR Price = 100)"},
      {0, "!In (1,3)", "NOT (Id = 1 OR Id = 3)"},
      {0, "3", "Id = 3"},
      {0, "<> 3", "Id <> 3"},
      {0, "<=2", "Id <= 2"},
      {1, "Mo*", "Name LIKE 'Mo%'"},
      {1, "~ o", "Name LIKE '%o%'"},
      {1, "!~ o", "Name NOT LIKE '%o%'"},
      {1, "'O''Brien'", "Name = 'O''Brien'"},
      {1, "In ('one', 'Moe AND Joe')", "(Name = 'one' OR Name = 'Moe AND Joe')"},
      {3, "AND", "Code = 'AND'"},
      {3, "=Null", "Code IS NULL"},
      {2, "True", "Done = TRUE"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Typed);
    grid->ClearAllFilters();
    grid->ApplyFilter();
    Filter(c.Col, c.Typed);
    const std::vector<int> typed = Ids(ds);
    grid->ClearAllFilters();
    grid->ApplyFilter();
    ds->SetFilter(c.ByHand);
    ds->SetFiltered(true);
    const std::vector<int> by_hand = Ids(ds);
    EXPECT_FALSE(by_hand.empty());
    EXPECT_LT(by_hand.size(), 6u);
    EXPECT_EQ(typed, by_hand);
    ds->SetFiltered(false);
  }
}

// The wheel goes to the filter row's editor while the row is edited; the editor does not take it
// and passes it to its parent, the grid. Were the grid to hand it back, the two would call each
// other until the stack ran out: the user's flow runs in a child with a time limit.
TEST_F(FilterRow, TheWheelWhileTheRowIsEditedMovesTheRecordsOnce) {
  auto flow = [this] {
    ::alarm(60);
    grid->SetFooterRowCount(1);  // the wheel moves the record, not the rows
    grid->SetSelectedIndex(1);
    Pump();
    Press(win::VK_UP);  // on the first record: into the filter row
    Type(U"Mo*");
    Enter();
    // Reading the ids leaves the last record current.
    const bool filtered = Id() == 5 && grid->FilterEditing() && Ids(ds) == std::vector<int>{5, 6};
    const TRect cell = Cell(Raw(1), grid->TitleOffset());
    input::MouseWheel(win::WHEEL_DELTA, grid->ClientToScreen(TPoint{cell.Left + 5, cell.Top + 5}));
    Pump();
    return filtered && Id() == 5;
  };
  EXPECT_EXIT(std::_Exit(flow() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// Whatever moves the columns, the editor stays over the cell of the column it edits and what was
// typed there becomes that column's condition; hiding the row or deleting the column ends the
// editing.
TEST_F(FilterRow, TheEditorFollowsItsColumnWhereverTheLayoutPutsIt) {
  struct TCase {
    const char* Change;
    std::function<void()> Prepare, Make;
    bool Stays;  // editing goes on
  };
  const TCase cases[] = {
      {"a column's edge dragged", nullptr, [this] { Drag({Cell(Raw(0), 0).Right, 5}, {Cell(Raw(0), 0).Right + 40, 5}); },
       true},
      // Only as wide as the columns up to Code: Price lies to the right.
      {"scrolled sideways", [this] { grid->SetBounds(0, 0, Cell(Raw(3), 0).Right + 20, 260); },
       [this] { grid->Perform(win::WM_HSCROLL, win::SB_LINERIGHT, 0); }, true},
      {"a column moved by its title", nullptr, [this] { Drag(Middle(Raw(0), 0), Middle(Raw(4), 0)); }, true},
      {"the window resized",
       [this] {
         grid->SetAlign(alClient);
         grid->SetAutoFitColWidths(true);
       },
       [this] { input::WindowConfigured(form->Handle(), win::RECT{0, 0, 420, 300}); }, true},
      {"a column on its left deleted", nullptr, [this] { grid->Columns()->Delete(0); }, true},
      {"the filter row hidden", nullptr, [this] { grid->STFilter()->SetVisible(false); }, false},
      {"the column deleted", nullptr, [this] { grid->Columns()->Delete(ColumnOf("Code")->Index()); }, false},
      {"the column freed", nullptr, [this] { delete ColumnOf("Code"); }, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Change);
    Rebuild();
    if (c.Prepare) c.Prepare();
    Pump();
    const int click_left = Cell(Raw(3), 1).Left + 1;
    Click(Middle(Raw(3), 1));
    ASSERT_TRUE(grid->FilterEditing());
    Type(U"K*");
    c.Make();
    Pump();
    TColumnX* code = ColumnOf("Code");
    EXPECT_EQ(grid->FilterEditing(), c.Stays);
    if (!c.Stays) {
      EXPECT_FALSE(Editor()->Visible());
      if (code) {
        EXPECT_EQ(code->STFilter()->ExpressionStr(), "K*");
      }
      continue;
    }
    ASSERT_TRUE(code);
    ASSERT_EQ(grid->FilterCol(), Raw(code->Index()));
    TRect cell = Cell(grid->FilterCol(), 1);
    ASSERT_FALSE(cell.IsEmpty());
    EXPECT_NE(cell.Left, click_left) << "the columns did not move";
    ++cell.Left;
    EXPECT_TRUE(Editor()->Visible());
    EXPECT_EQ(Editor()->BoundsRect(), cell);
    Click({cell.Left + 5, (cell.Top + cell.Bottom) / 2});  // a press on the grid took the focus
    Enter();
    EXPECT_EQ(code->STFilter()->ExpressionStr(), "K*");
    EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 4}));
  }
}

// A number typed to its last digit filters by that number, and shows as it was typed.
TEST_F(FilterRow, ANumberOfSeventeenDigitsFiltersByItself) {
  AddRow(7, "seven", Null(), "", 0.3);
  AddRow(8, "eight", Null(), "", 0.30000000000000004);
  Filter(4, "=0.30000000000000004");
  EXPECT_EQ(Ids(ds), std::vector<int>{8});
  EXPECT_EQ(Column(4)->STFilter()->GetExpressionAsString(), "= 0.30000000000000004");
}

TEST_F(FilterRow, EachSpecialItemOfTheDropDownActsOnce) {
  grid->SetOptionsX(grid->OptionsX() + dgxAutoSortMarking);
  Column(4)->Title()->SetTitleButton(true);
  ASSERT_TRUE(DBGridXStyle());
  DBGridXStyle()->SetFilterEditCloseUpApplyFilter(true);
  Filter(4, ">1.5");
  ASSERT_EQ(applied, 1);
  grid->SetSelectedIndex(4);
  grid->SetFilterEditing(true);
  Pump();
  // The special items read first, the column's values after them in the fixed forms.
  Editor()->SetDroppedDown(true);
  const std::vector<std::string> top = {"(Order by descending)", "(Order by ascending)", "-", "(Clear filter)",
                                        "(All)", "(Not empty)", "(Empty)", "1.5", "2", "10.25", "100", "1000"};
  ASSERT_EQ(Editor()->Items()->Count(), static_cast<int>(top.size()));
  for (int i = 0; i < Editor()->Items()->Count(); ++i) EXPECT_EQ(Editor()->Items()->Strings(i), top[i]);
  Editor()->SetDroppedDown(false);

  struct TCase {
    const char* Item;
    const char* Text;  // the editor's text after
    int Applied;
    std::vector<int> Ids;
  };
  const TCase cases[] = {
      {"(Empty)", "=Null", 1, {2}},
      {"(Not empty)", "<>Null", 1, {1, 3, 4, 5, 6}},
      {"(All)", "", 1, {1, 2, 3, 4, 5, 6}},
      {"100", "100", 1, {5}},
      // The separator closes the list and changes nothing.
      {"-", "100", 0, {5}},
      {"(Order by descending)", "100", 0, {5}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Item);
    applied = 0;
    Choose(c.Item);
    EXPECT_FALSE(Editor()->DroppedDown());
    EXPECT_EQ(Editor()->GetText(), c.Text);
    EXPECT_EQ(applied, c.Applied);
    EXPECT_EQ(Ids(ds), c.Ids);
  }
  EXPECT_EQ(ds->SortFields(), "Price DESC");
  EXPECT_EQ(Column(4)->Title()->SortMarker(), smUpX);
  Choose("(Order by ascending)");
  EXPECT_EQ(ds->SortFields(), "Price");

  // Clearing every filter: the other column's condition goes too, and the editor with it.
  grid->STFilter()->BeginUpdate();
  Column(0)->STFilter()->SetExpressionStr(">1");
  grid->STFilter()->EndUpdate();
  applied = 0;
  Choose("(Clear filter)");
  EXPECT_EQ(applied, 1);
  EXPECT_FALSE(grid->FilterEditing());
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(Column(0)->STFilter()->ExpressionStr(), "");
  EXPECT_EQ(Column(4)->STFilter()->ExpressionStr(), "");
  EXPECT_EQ(Ids(ds), (std::vector<int>{2, 1, 3, 4, 5, 6}));  // every record, still by price
}

TEST_F(FilterRow, WithoutImmediateApplyAChosenItemWaitsForEnter) {
  grid->SetSelectedIndex(1);
  grid->SetFilterEditing(true);
  Pump();
  Choose("(Not empty)");
  EXPECT_EQ(applied, 0);
  EXPECT_EQ(Editor()->GetText(), "<>Null");
  // A value whose text would read as something else is taken quoted.
  Choose("Moe AND Joe");
  EXPECT_EQ(Editor()->GetText(), "'Moe AND Joe'");
  Enter();
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(Ids(ds), std::vector<int>{6});
}

TEST_F(FilterRow, UpFromTheFirstRecordEntersTheRowAndDownLeavesIt) {
  grid->SetSelectedIndex(1);
  ds->MoveBy(2);
  Pump();
  // Up goes through the records, then past the first one into the row.
  int presses = 0;
  while (!grid->FilterEditing() && presses < 5) {
    EXPECT_TRUE(presses < 2 || Id() == 1);
    Press(win::VK_UP);
    ++presses;
  }
  ASSERT_TRUE(grid->FilterEditing());
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(grid->FilterCol(), Raw(1));
  EXPECT_TRUE(Editor()->Focused());
  EXPECT_EQ(Editor()->BoundsRect().Top, grid->CellRect(Raw(1), 1).Top);
  Press(win::VK_UP);  // swallowed
  EXPECT_TRUE(grid->FilterEditing());
  Press(win::VK_RIGHT);
  Press(win::VK_RIGHT);
  EXPECT_EQ(grid->FilterCol(), Raw(3));
  Press(win::VK_DOWN);
  EXPECT_FALSE(grid->FilterEditing());
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_TRUE(grid->Focused());
  EXPECT_EQ(grid->SelectedIndex(), 3);
  EXPECT_EQ(Id(), 1);
}

TEST_F(FilterRow, KeysMoveTheEditorAcrossFilterableColumnsAndWrap) {
  Column(2)->STFilter()->SetVisible(false);
  grid->SetOptions(grid->Options() + dgTabs);
  grid->SetSelectedIndex(4);
  grid->SetFilterEditing(true);
  Pump();
  struct TStep {
    win::UINT Key;
    TShiftState Shift;
    int Col;  // data column after
  };
  const TStep steps[] = {
      {win::VK_RIGHT, {}, 0},      // past the last column to the first
      {win::VK_LEFT, {}, 4},       // and back
      {win::VK_HOME, {ssCtrl}, 0}, {win::VK_END, {ssCtrl}, 4}, {win::VK_TAB, {ssShift}, 3},
      {win::VK_TAB, {ssShift}, 1},  // past the column without a filter cell
      {win::VK_TAB, {}, 3},        {win::VK_LEFT, {ssCtrl}, 0},
  };
  for (const TStep& s : steps) {
    Press(s.Key, s.Shift);
    EXPECT_EQ(grid->FilterCol(), Raw(s.Col)) << s.Key;
  }
  // With text, Right steps through it before it leaves the cell.
  Editor()->SetText("12");
  Editor()->SetSelStart(1);
  Press(win::VK_RIGHT);
  EXPECT_EQ(grid->FilterCol(), Raw(0));
  Press(win::VK_RIGHT);
  EXPECT_EQ(grid->FilterCol(), Raw(1));
}

TEST_F(FilterRow, WithNoOtherColumnFilterableTabLeavesTheEditorWhereItIs) {
  for (int i : {0, 1, 2, 3}) Column(i)->STFilter()->SetVisible(false);
  grid->SetOptions(grid->Options() + dgTabs);
  grid->SetSelectedIndex(4);
  grid->SetFilterEditing(true);
  Pump();
  Press(win::VK_TAB);
  EXPECT_EQ(grid->FilterCol(), Raw(4));
  EXPECT_TRUE(Editor()->Visible());
}

// A typo must not make records vanish: the filter in force stays, and so does the text.
TEST_F(FilterRow, ATextThatDoesNotReadNamesColumnAndTextAndKeepsTheFilterInForce) {
  Filter(4, ">1.5");
  const std::vector<int> before = Ids(ds);
  ASSERT_EQ(before, (std::vector<int>{3, 4, 5, 6}));
  for (const char* bad : {">abc", ">1 AND", "In (1, 2"}) {
    SCOPED_TRACE(bad);
    Editor()->SetText(bad);
    try {
      grid->ApplyFilter();
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_NE(e.Message().find("Price"), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(bad), std::string::npos) << e.Message();
    }
    EXPECT_EQ(Ids(ds), before);
    EXPECT_EQ(Column(4)->STFilter()->ExpressionStr(), ">1.5");
    EXPECT_TRUE(Editor()->Visible());
    EXPECT_EQ(Editor()->GetText(), bad);
    // Leaving the cell keeps the editor where the text is.
    EXPECT_THROW(grid->SetFilterEditing(false), EConvertError);
    EXPECT_TRUE(grid->FilterEditing());
    EXPECT_EQ(grid->FilterCol(), Raw(4));
  }
  Editor()->SetText(">100");
  Enter();
  EXPECT_EQ(Ids(ds), std::vector<int>{6});
}

TEST_F(FilterRow, ShownConditionsReadBackTheSameUnderAnotherLocale) {
  const TFormatSettings saved = FormatSettings;
  TScopeExit restore([&] { FormatSettings = saved; });
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  FormatSettings.DateSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  TSTColumnFilterX* f = Column(4)->STFilter();
  f->SetExpressionStr(">1,5 AND <> 2.25");  // typed in the user's own form, or with a dot
  EXPECT_EQ(f->GetExpressionAsString(), "> 1.5 AND <> 2.25");
  f->SetExpressionStr("In (1.5, 2)");
  EXPECT_EQ(f->GetExpressionAsString(), "In (1.5,2)");
  TSTFilterExpressionX dates;
  dates.ExpressionType = fdtDateTime;
  ParseFilterExpression(">= 2026-12-08 AND < 09.12.2026", dates);
  EXPECT_EQ(FilterValueText(dates.Operand1), "2026-12-08");
  EXPECT_EQ(FilterValueText(dates.Operand2), "2026-12-09");
  FormatSettings = saved;
  const std::string shown = f->GetExpressionAsString();
  f->SetExpressionStr(shown);
  EXPECT_EQ(f->GetExpressionAsString(), shown);
  EXPECT_EQ(FilterValueText(VarFromDateTime(EncodeDate(2026, 12, 8) + EncodeTime(9, 5, 0, 0))), "2026-12-08 09:05:00");
}

TEST_F(FilterRow, TheListDatasetIsReadOnceAndLeftOnItsRecord) {
  auto* list = new TMemDataSet(form);
  list->FieldDefs().Add("Key", ftInteger);
  list->FieldDefs().Add("Text", ftString, 20);
  list->Open();
  for (int i = 1; i <= 5; ++i) {
    list->Append();
    list->FieldByName("Key")->SetAsInteger(i * 10);
    list->FieldByName("Text")->SetAsString("item " + std::to_string(i));
    list->Post();
  }
  auto* list_source = new TDataSource(form);
  list_source->SetDataSet(list);
  TSTColumnFilterX* f = Column(0)->STFilter();
  f->SetKeyField("Key");
  f->SetListField("Text");
  f->SetListSource(list_source);
  ASSERT_EQ(f->ListTexts()->Count(), 5);
  list->First();
  list->MoveBy(2);
  // A change of the list dataset reads the lists again (once: enabling the controls again
  // reports another change) and leaves the dataset where it was.
  list->Edit();
  list->FieldByName("Text")->SetAsString("third");
  list->Post();
  EXPECT_EQ(list->FieldByName("Key")->AsInteger(), 30);
  ASSERT_EQ(f->ListTexts()->Count(), 5);
  EXPECT_EQ(f->ListTexts()->Strings(2), "third");
  EXPECT_EQ(f->ListKeys()->Strings(2), "30");
  // A text of the list filters by its key; one it lacks, by the null test.
  f->SetExpressionStr("third");
  EXPECT_EQ(f->KeyValue().AsInteger(), 30);
  EXPECT_EQ(f->Expression().Operator1, foIn);
  f->SetExpressionStr("nothing");
  EXPECT_EQ(f->Expression().Operator1, foNull);
}

TEST_F(FilterRow, DropDownValuesAreKeptUntilTheDataChanges) {
  grid->SetSelectedIndex(1);
  grid->SetFilterEditing(true);
  Pump();
  Editor()->SetDroppedDown(true);
  Editor()->SetDroppedDown(false);
  const auto kept = Column(1)->STFilter()->ValueList();
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->Values().size(), 6u);
  Editor()->SetText("~o");
  Enter();  // the grid's own filtering keeps them
  Editor()->SetDroppedDown(true);
  Editor()->SetDroppedDown(false);
  EXPECT_EQ(Column(1)->STFilter()->ValueList(), kept);
  ds->First();
  ds->Edit();
  ds->FieldByName("Name")->SetAsString("Moore");
  ds->Post();
  EXPECT_FALSE(Column(1)->STFilter()->ValueList());
  Editor()->SetDroppedDown(true);
  EXPECT_GE(Editor()->Items()->IndexOf("Moore"), 0);
}

// A condition the program sets while its cell is edited shows there, and Enter filters by it.
TEST_F(FilterRow, AConditionSetWhileItsCellIsEditedShowsInTheEditor) {
  Click(Middle(Raw(1), 1));
  Type(U"Mo");
  Column(1)->STFilter()->SetExpressionStr("three");
  EXPECT_EQ(Editor()->GetText(), "three");
  Enter();
  EXPECT_EQ(Column(1)->STFilter()->ExpressionStr(), "three");
  EXPECT_EQ(Ids(ds), std::vector<int>{3});
}

// One editor shows after each way into or out of the filter row. Ctrl+Up from a block of cells
// clears it by the move, a press on a filter cell clears selected records: the filter editor shows
// at once, and what is typed is the column's condition before Enter. A field asking for the focus (as a failed check does) takes it
// to its cell's editor, what was typed in the row kept as the condition.
TEST_F(FilterRow, OneEditorShowsAfterEachWayIntoOrOutOfTheRow) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  grid->SetSelectedIndex(1);
  struct TCase {
    const char* Way;
    std::function<void()> Before, Go;
    bool Filtering;
  };
  const TCase cases[] = {
      {"Ctrl+Up from a block of cells", [this] { Press(win::VK_DOWN, {ssShift}); },
       [this] { Press(win::VK_UP, {ssCtrl}); }, true},
      {"a press on a filter cell past selected records",
       [this] {
         input::KeyDown(win::VK_CONTROL);
         Click(Middle(0, grid->TitleOffset() + 1));
         input::KeyUp(win::VK_CONTROL);
       },
       [this] { Click(Middle(Raw(1), 1)); }, true},
      {"a field asking for the focus", [this] { Click(Middle(Raw(1), 1)); },
       [this] { ds->FieldByName("Code")->FocusControl(); }, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Way);
    grid->ClearAllFilters();
    c.Before();
    ASSERT_TRUE(grid->FilterEditing() || grid->Selection()->SelectionType() != gstNon ||
                grid->SelectedRows()->Count() > 0);
    c.Go();
    Pump();
    EXPECT_EQ(grid->FilterEditing(), c.Filtering);
    EXPECT_EQ(Editor()->Visible(), c.Filtering);
    EXPECT_EQ(grid->EditorShowing(), !c.Filtering);
    if (!c.Filtering) continue;
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    EXPECT_TRUE(Editor()->Focused());
    Type(U"t");
    EXPECT_EQ(Column(1)->STFilter()->ExpressionStr(), "t");
  }
  EXPECT_EQ(grid->SelectedIndex(), 3);
}

// The first press of a double click on a filter cell goes to the grid, the second to the editor
// it shows: together they still select the word pressed.
TEST_F(FilterRow, ADoubleClickOnAFilterCellSelectsTheWord) {
  Column(1)->STFilter()->SetExpressionStr("three");
  const TRect cell = Cell(Raw(1), 1);
  const win::POINT at = grid->ClientToScreen(TPoint{cell.Left + 8, (cell.Top + cell.Bottom) / 2});
  // Slower than the double-click time, the second press only places the caret.
  for (const auto& [gap, selected] : {std::pair{50u, "three"}, std::pair{win::GetDoubleClickTime() + 1, ""}}) {
    grid->SetFilterEditing(false);
    clock.Advance(win::GetDoubleClickTime() + 1);
    for (int press = 0; press < 2; ++press) {
      input::MouseButton(win::VK_LBUTTON, true, at);
      input::MouseButton(win::VK_LBUTTON, false, at);
      Pump();
      clock.Advance(gap);
    }
    ASSERT_TRUE(Editor()->Visible());
    EXPECT_EQ(Editor()->SelText(), selected) << gap;
  }
}

// The values kept for the drop-down were the old dataset's.
TEST_F(FilterRow, TheDropDownOffersTheValuesOfTheDatasetShownNow) {
  auto* other = new TMemDataSet(form);
  other->FieldDefs().Add("Name", ftString, 20);
  other->Open();
  for (const char* name : {"alpha", "beta"}) {
    other->Append();
    other->FieldByName("Name")->SetAsString(name);
    other->Post();
  }
  auto offered = [this] {
    Click(Middle(Raw(1), 1));
    Editor()->SetDroppedDown(true);
    std::vector<std::string> values;
    for (int i = 0; i < Editor()->Items()->Count(); ++i)
      if (Editor()->ItemTag(i) == fsiNoneX) values.push_back(Editor()->Items()->Strings(i));
    Editor()->SetDroppedDown(false);
    grid->SetFilterEditing(false);
    return values;
  };
  EXPECT_EQ(offered(), (std::vector<std::string>{"Mo", "Moe AND Joe", "O'Brien", "one", "three", "two"}));
  source->SetDataSet(other);
  Pump();
  EXPECT_EQ(offered(), (std::vector<std::string>{"alpha", "beta"}));
}

// Filter cells are flat, whatever the fixed cells' look and whether the row is edited or not.
TEST_F(FilterRow, FilterCellsAreDrawnFlat) {
  auto pixels = [this] {
    Paint();
    const TRect r = Cell(Raw(0), 1);
    std::vector<win::COLORREF> v;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Left + r.Width() / 2; ++x) v.push_back(Pixel(x, y));
    return v;
  };
  grid->SetOptionsX(grid->OptionsX() - dgxFixed3D);
  const std::vector<win::COLORREF> flat = pixels();
  grid->SetOptionsX(grid->OptionsX() + dgxFixed3D);
  EXPECT_EQ(pixels(), flat);
  Click(Middle(Raw(4), 1));
  ASSERT_TRUE(grid->FilterEditing());
  EXPECT_EQ(pixels(), flat);
}

TEST_F(FilterRow, CellsShowTheConditionsAndClearingRepaintsThemEmpty) {
  Filter(1, "Mo*");
  grid->STFilter()->BeginUpdate();
  Column(4)->STFilter()->SetExpressionStr(">1");
  grid->STFilter()->EndUpdate();
  grid->SetFilterEditing(false);
  Paint();
  auto blue = [this](int i) {
    TRect r = Cell(Raw(i), 1);
    r.Right -= 20;  // not the drop-down button
    return Count(r, clBlue);
  };
  EXPECT_GT(blue(1), 0);
  EXPECT_GT(blue(4), 0);
  EXPECT_EQ(blue(0), 0);
  grid->ClearAllFilters();
  Paint();
  EXPECT_EQ(blue(1), 0);
  EXPECT_EQ(blue(4), 0);
}

}  // namespace
}  // namespace lab::gridtest
