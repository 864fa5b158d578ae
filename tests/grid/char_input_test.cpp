// Typed characters in the grid and the in-place editor: Space on check-box and image columns,
// characters that go to incremental search, the editor's text, mask and limit by column kind, its
// pick list and buttons, and edits typed through it into the dataset.

#include "grid_fixture.h"

#include "grid/inplace_edit.h"
#include "grid/lookup_grid.h"
#include "grid/mem_table.h"
#include "platform/backend/headless.h"
#include "platform/controls/input.h"
#include "platform/controls/list_box.h"
#include "platform/controls/window_manager.h"
#include "platform/db/field_kinds.h"
#include "platform/db/fields.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/scope_exit.h"

namespace lab::gridtest {
namespace {

// Records what the grid hands incremental search.
class TSearchProbeGrid : public TDBGridX {
  LAB_CLASS(TSearchProbeGrid, TDBGridX)
 public:
  using TDBGridX::TDBGridX;
  void IncSearchLocate(const std::string& Text, int TimeOut, int Mode) override {
    searched.push_back(Text);
    time_out = TimeOut;
    mode = Mode;
  }
  std::vector<std::string> searched;
  int time_out = 0;
  int mode = -1;
};

class CharInput : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    delete grid;
    probe = new TSearchProbeGrid(form);
    grid = probe;
    grid->SetParent(form);
    grid->SetBounds(0, 0, 390, 290);
    grid->SetDataSource(source);
    for (const char* name : {"Id", "Name", "Done", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(name);
    OpenWithRows();
    form->Show();
    grid->SetFocus();
    Pump();
  }

  // A key typed as the keyboard delivers it: key down (with the character it types), key up.
  void Type(win::UINT Key, char32_t Ch, TShiftState Shift = {}) {
    if (Shift.Contains(ssShift)) input::KeyDown(win::VK_SHIFT);
    if (Shift.Contains(ssAlt)) input::KeyDown(win::VK_MENU);
    input::KeyDown(Key, Ch);
    input::KeyUp(Key);
    if (Shift.Contains(ssAlt)) input::KeyUp(win::VK_MENU);
    if (Shift.Contains(ssShift)) input::KeyUp(win::VK_SHIFT);
    Pump();
  }
  void TypeText(const std::u32string& Text) {
    for (char32_t ch : Text) Type(ch < 0x80 ? static_cast<win::UINT>(std::toupper(static_cast<int>(ch))) : 'E', ch);
  }
  void Press(win::UINT Key, TShiftState Shift = {}) { Type(Key, 0, Shift); }

  TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor()); }
  bool EditorOpen() { return grid->EditorShowing(); }
  // Opens the editor over data column Col of the current record, as F2 does.
  TDBGridInplaceEdit* OpenEditor(int Col) {
    grid->SetSelectedIndex(Col);
    grid->SetEditorMode(true);
    Pump();
    return Editor();
  }
  // Makes Code a column of images chosen by key.
  void CodeAsImageColumn() {
    images = std::make_unique<TImageList>(nullptr);
    Column(3)->SetImageList(images.get());
    Column(3)->GetKeyList()->SetText("K0\nK1\nzz");
  }

  TSearchProbeGrid* probe = nullptr;
  std::unique_ptr<TImageList> images;
};

// ---- Space on check-box and image columns ----

TEST_F(CharInput, SpaceStepsCheckBoxesWithoutOpeningTheEditor) {
  grid->SetSelectedIndex(2);
  ASSERT_EQ(Column(2)->GetColumnType(), ctCheckboxes);
  Type(win::VK_SPACE, U' ');
  EXPECT_FALSE(ds->FieldByName("Done")->AsBoolean());
  EXPECT_FALSE(EditorOpen());
  Type(win::VK_SPACE, U' ', {ssShift});  // a check box has two ways to go: both toggle
  EXPECT_TRUE(ds->FieldByName("Done")->AsBoolean());
  EXPECT_FALSE(EditorOpen());
  EXPECT_EQ(ds->State(), dsEdit);
  ds->Cancel();

  // A handler that takes the Space leaves the value alone.
  grid->OnKeyPress = [](TObject*, char32_t& Key) {
    if (Key == U' ') Key = 0;
  };
  Type(win::VK_SPACE, U' ');
  EXPECT_TRUE(ds->FieldByName("Done")->AsBoolean());
  grid->OnKeyPress = nullptr;
  // Whole rows selected: Space is no cell's.
  grid->SetOptions(grid->Options() + dgRowSelect);
  Type(win::VK_SPACE, U' ');
  EXPECT_TRUE(ds->FieldByName("Done")->AsBoolean());
}

TEST_F(CharInput, SpaceAndShiftSpaceStepKeyListsBothWaysAroundTheEnds) {
  CodeAsImageColumn();
  grid->SetSelectedIndex(3);
  ASSERT_EQ(Column(3)->GetColumnType(), ctKeyImageList);
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "K0");
  Type(win::VK_SPACE, U' ');
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "K1");
  Type(win::VK_SPACE, U' ', {ssShift});
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "K0");
  Type(win::VK_SPACE, U' ', {ssShift});  // before the first key: the last
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "zz");
  Type(win::VK_SPACE, U' ');  // past the last: the first
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "K0");
  EXPECT_FALSE(EditorOpen());
  EXPECT_EQ(grid->GetPendingChars(), "");  // only while a character is handled
}

// ---- Incremental search ----

TEST_F(CharInput, ReadOnlyColumnsSearchInsteadOfEditingButNeverARecordBeingChanged) {
  grid->SetOptionsX(grid->OptionsX() + dgxIncSearch);
  Column(1)->SetReadOnly(true);
  grid->SetSelectedIndex(1);
  Type('T', U't');
  EXPECT_FALSE(EditorOpen());
  ASSERT_EQ(probe->searched.size(), 1u);
  EXPECT_EQ(probe->searched[0], "t");
  EXPECT_EQ(probe->time_out, 1500);  // the search starts with the process-wide time-out
  EXPECT_EQ(probe->mode, 0);

  // One keystroke however many bytes the character takes.
  Type('E', U'é');
  Type('R', U'日');
  ASSERT_EQ(probe->searched.size(), 3u);
  EXPECT_EQ(probe->searched[1], "\xC3\xA9");
  EXPECT_EQ(probe->searched[2], "\xE6\x97\xA5");

  // A record in edit state is never searched away from.
  ds->Edit();
  Type('T', U't');
  EXPECT_EQ(probe->searched.size(), 3u);
  EXPECT_TRUE(EditorOpen());  // the editor opens, refusing the character of a read-only column
  EXPECT_EQ(Editor()->Text(), "one");
  grid->SetEditorMode(false);
  ds->Cancel();

  // An editable column opens its editor with the character instead.
  grid->SetSelectedIndex(3);
  Type('X', U'x');
  EXPECT_EQ(probe->searched.size(), 3u);
  EXPECT_TRUE(EditorOpen());
  EXPECT_EQ(Editor()->Text(), "x");
}

TEST_F(CharInput, ACharacterThatIsNoCodePointReachesTheSearchAsTheReplacementCharacter) {
  grid->SetOptionsX(grid->OptionsX() + dgxIncSearch);
  Column(1)->SetReadOnly(true);
  grid->SetSelectedIndex(1);
  grid->Perform(win::WM_CHAR, 0xD800, 0);      // half of a surrogate pair
  grid->Perform(win::WM_CHAR, 0x110000, 0);    // past the last code point
  EXPECT_EQ(probe->searched, (std::vector<std::string>{"\xEF\xBF\xBD", "\xEF\xBF\xBD"}));
}

TEST_F(CharInput, PreferredSearchTakesKeysUntilTheEditorHoldsAChange) {
  grid->SetOptionsX(grid->OptionsX() + dgxPreferIncSearch);
  grid->SetSelectedIndex(1);
  Type('A', U'a');
  EXPECT_EQ(probe->searched, std::vector<std::string>{"a"});
  EXPECT_FALSE(EditorOpen());
  Type(win::VK_BACK, U'\b');  // Backspace is the search's too, but locates nothing
  EXPECT_EQ(probe->searched.size(), 1u);
  EXPECT_FALSE(EditorOpen());
}

// ---- What the editor starts with ----

TEST_F(CharInput, StringColumnsEditTheFieldTextWithTheFieldsMaskAndSize) {
  ds->FieldByName("Code")->SetEditMask(">LL;0;_");
  TDBGridInplaceEdit* e = OpenEditor(1);
  ASSERT_TRUE(e);
  EXPECT_TRUE(EditorOpen());
  EXPECT_EQ(e->Text(), "one");
  EXPECT_EQ(e->EditMask(), "");
  EXPECT_EQ(e->MaxLength(), 20);
  EXPECT_EQ(grid->SavedEditText(), "one");
  OpenEditor(3);
  EXPECT_EQ(e->EditMask(), ">LL;0;_");
  EXPECT_EQ(e->MaxLength(), 5);
  Column(3)->SetEditMask("LL;0;_");  // the column's own mask comes first
  OpenEditor(0);
  OpenEditor(3);
  EXPECT_EQ(e->EditMask(), "LL;0;_");
  OpenEditor(0);  // an integer has no length limit
  EXPECT_EQ(e->MaxLength(), 0);
  EXPECT_EQ(e->Text(), "1");
}

TEST_F(CharInput, KeyListColumnsEditThePickTextWithoutMaskOrLimit) {
  Column(3)->GetKeyList()->SetText("K0\nK1");
  Column(3)->GetPickList()->SetText("Text0\nText1");
  ds->FieldByName("Code")->SetEditMask(">LL;0;_");
  TDBGridInplaceEdit* e = OpenEditor(3);
  EXPECT_EQ(e->Text(), "Text0");
  EXPECT_EQ(e->EditMask(), "");
  EXPECT_EQ(e->MaxLength(), 0);
  // Not in the key list: the editor starts empty (not with the stored value).
  grid->SetEditorMode(false);
  ds->Last();
  OpenEditor(3);
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "zz");
  EXPECT_EQ(e->Text(), "");
  // Key list longer than the pick list: no text for the key without one.
  Column(3)->GetKeyList()->SetText("K0\nK1\nzz");
  OpenEditor(0);
  OpenEditor(3);
  EXPECT_EQ(e->Text(), "");
}

TEST_F(CharInput, TheColumnsCellParametersHaveTheLastWordOnTheText) {
  int editModeCalls = 0;
  Column(1)->OnGetCellParams = [&](TObject*, bool EditMode, TColCellParamsX* Params) {
    if (!EditMode) return;  // painting asks too
    ++editModeCalls;
    Params->Text = "[" + Params->Text + "]";
  };
  TDBGridInplaceEdit* e = OpenEditor(1);
  EXPECT_EQ(editModeCalls, 1);
  EXPECT_EQ(e->Text(), "[one]");
  EXPECT_EQ(grid->SavedEditText(), "[one]");
}

TEST_F(CharInput, MemoTextIsEditedWithItsLineBreaksAsCrLf) {
  TMemDataSet notes(nullptr);
  notes.FieldDefs().Add("Notes", ftMemo);
  notes.Open();
  notes.Append();
  notes.FieldByName("Notes")->SetAsString("one\ntwo\r\nthree\rfour");
  notes.Post();
  source->SetDataSet(&notes);
  grid->SetDrawMemoText(true);
  Column(0)->SetFieldName("Notes");
  TDBGridInplaceEdit* e = OpenEditor(0);
  EXPECT_EQ(e->Text(), "one\r\ntwo\r\nthree\r\nfour");
  EXPECT_EQ(e->MaxLength(), 0);
  grid->SetEditorMode(false);
  source->SetDataSet(ds);
}

// ---- Edits typed through the editor ----

TEST_F(CharInput, ATypedEditPostedIsInTheDatasetAndSurvivesCsv) {
  grid->SetSelectedIndex(1);
  TypeText(U"Zoë 日本");
  ASSERT_TRUE(EditorOpen());
  EXPECT_EQ(Editor()->Text(), "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC");
  Type(win::VK_RETURN, U'\r');  // takes the text into the field and closes the editor
  EXPECT_FALSE(EditorOpen());
  ds->Post();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC");

  TMemDataSet copy(nullptr);
  copy.LoadFromCSV(ds->SaveToCSV());
  copy.First();
  EXPECT_EQ(copy.FieldByName("Name")->AsString(), "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(copy.RecordCount(), 3);
}

TEST_F(CharInput, TheLengthLimitCountsCharactersNotBytes) {
  grid->SetSelectedIndex(3);  // five characters
  TypeText(U"日本語のテキスト");
  EXPECT_EQ(Editor()->Text(), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86");
  Type(win::VK_RETURN, U'\r');
  ds->Post();
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86");
}

TEST_F(CharInput, AResetLinkPutsTheFieldsTextBackIntoTheEditor) {
  grid->SetSelectedIndex(1);
  TypeText(U"abc");
  EXPECT_EQ(Editor()->Text(), "abc");
  EXPECT_EQ(grid->SavedEditText(), "abc");  // the grid follows every change
  ASSERT_TRUE(grid->DataLink()->Modified());
  grid->DataLink()->Reset();  // what Escape does first
  EXPECT_EQ(Editor()->Text(), "one");
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "one");
  grid->DataLink()->Reset();  // nothing of the grid's left: the record's edit is cancelled
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(CharInput, EscapeGivesTheEditedValueBack) {
  grid->SetSelectedIndex(1);
  TypeText(U"abc");
  Type(win::VK_ESCAPE, 0x1B);
  EXPECT_FALSE(EditorOpen());
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "one");
  EXPECT_FALSE(grid->DataLink()->Modified());
  Press(win::VK_F2);
  EXPECT_EQ(Editor()->Text(), "one");
  Type(win::VK_ESCAPE, 0x1B);
  Type(win::VK_ESCAPE, 0x1B);  // the second cancels the record's edit
  EXPECT_EQ(ds->State(), dsBrowse);

  // An editor that always shows stays, with the value back.
  grid->SetOptions(grid->Options() + dgAlwaysShowEditor);
  Pump();
  TypeText(U"xyz");
  ASSERT_EQ(Editor()->Text(), "xyz");
  Type(win::VK_ESCAPE, 0x1B);
  EXPECT_TRUE(EditorOpen());
  EXPECT_EQ(Editor()->Text(), "one");
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "one");
}

// An editor that always shows goes with the current column, whether a program or Tab moves it,
// and what was typed stays with the column it was typed in.
TEST_F(CharInput, AnEditorAlwaysShownFollowsTheCurrentColumn) {
  grid->SetOptions(grid->Options() + dgAlwaysShowEditor);
  Pump();
  auto over_current = [&] { return Editor()->BoundsRect() == grid->CellRect(grid->Col(), grid->Row()); };
  grid->SetSelectedIndex(1);
  ASSERT_TRUE(EditorOpen());
  EXPECT_TRUE(over_current());
  EXPECT_EQ(Editor()->Text(), "one");
  TypeText(U"abc");
  grid->SetSelectedIndex(3);
  EXPECT_TRUE(over_current());
  EXPECT_EQ(Editor()->Text(), "K0");
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "abc");
  Type(win::VK_TAB, U'\t');
  EXPECT_EQ(grid->SelectedIndex(), 4);
  EXPECT_TRUE(over_current());
  EXPECT_EQ(Editor()->Text(), "1.5");
}

TEST_F(CharInput, EnterAsTabTakesTheTextAndMovesOnFromTheEditor) {
  grid->SetOptionsX(grid->OptionsX() + dgxEnterAsTab);
  grid->SetSelectedIndex(1);
  TypeText(U"abc");
  Type(win::VK_RETURN, U'\r');
  EXPECT_EQ(grid->SelectedIndex(), 2);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "abc");
  EXPECT_EQ(ds->RecNo(), 1);
}

TEST_F(CharInput, TypedKeyListTextsStoreTheirKeysAndUnknownTextsNone) {
  Column(3)->GetKeyList()->SetText("K0\nK1");
  Column(3)->GetPickList()->SetText("Text0\nText1");
  std::vector<std::string> notInList;
  Column(3)->OnNotInList = [&](TObject*, const Variant& Text, bool&) { notInList.push_back(VarToStr(Text)); };
  grid->SetSelectedIndex(3);
  TypeText(U"text1");  // the pick list is searched without case
  Type(win::VK_RETURN, U'\r');
  ds->Post();
  EXPECT_EQ(ds->FieldByName("Code")->AsString(), "K1");
  EXPECT_TRUE(notInList.empty());
  TypeText(U"nope");
  Type(win::VK_RETURN, U'\r');
  ds->Post();
  EXPECT_TRUE(ds->FieldByName("Code")->IsNull());
  EXPECT_EQ(notInList, std::vector<std::string>{"nope"});
}

TEST_F(CharInput, ADateTypedThroughAMaskIsPosted) {
  const TFormatSettings saved = FormatSettings;
  TScopeExit restore([&] { FormatSettings = saved; });
  FormatSettings.ShortDateFormat = "M/d/yyyy";
  FormatSettings.DateSeparator = '/';
  TMemDataSet dates(nullptr);
  dates.FieldDefs().Add("When", ftDate);
  dates.Open();
  dates.Append();
  dates.FieldByName("When")->SetAsDateTime(EncodeDate(2025, 2, 21));
  dates.Post();
  // Edited with two-digit days and months, so every date fits the mask.
  dates.FieldByName("When")->OnGetText = [](TField* Sender, std::string& Text, bool DisplayText) {
    Text = DisplayText ? DateToStr(Sender->AsDateTime()) : FormatDateTime("mm/dd/yyyy", Sender->AsDateTime());
  };
  source->SetDataSet(&dates);
  TColumnX* when = grid->Columns()->GetColumn(0);
  when->SetFieldName("When");
  when->SetEditMask("!00/00/0000;1;_");
  TDBGridInplaceEdit* e = OpenEditor(0);
  EXPECT_EQ(e->EditMask(), "!00/00/0000;1;_");
  EXPECT_EQ(e->Text(), "02/21/2025");
  e->SelectAll();
  TypeText(U"03152024");
  EXPECT_EQ(e->Text(), "03/15/2024");
  Type(win::VK_RETURN, U'\r');
  dates.Post();
  EXPECT_EQ(dates.FieldByName("When")->AsDateTime(), EncodeDate(2024, 3, 15));
  source->SetDataSet(ds);
}

// ---- The pick list and the buttons ----

TEST_F(CharInput, ThePickListDropsDownAndItsChoiceIsPosted) {
  Column(1)->GetPickList()->SetText("alpha\nbeta\ngamma");
  TDBGridInplaceEdit* e = OpenEditor(1);
  EXPECT_EQ(e->ButtonKind(), ebkPickListX);
  ASSERT_EQ(e->ButtonCount(), 1);
  EXPECT_EQ(e->ButtonRect(0).Right, e->ClientRect().Right);
  Press(win::VK_F4);
  ASSERT_TRUE(e->DroppedDown());
  EXPECT_EQ(e->ListBox()->Count(), 3);
  EXPECT_EQ(e->ListBox()->ItemIndex(), -1);  // "one" is none of them
  Press(win::VK_DOWN);
  Press(win::VK_DOWN);
  EXPECT_EQ(ds->RecNo(), 1);  // the list's keys, not the grid's
  Type(win::VK_RETURN, U'\r');
  EXPECT_FALSE(e->DroppedDown());
  EXPECT_TRUE(EditorOpen());  // Enter chose: it did not also close the editor
  EXPECT_EQ(e->Text(), "beta");
  EXPECT_TRUE(e->Modified());
  Press(win::VK_DOWN, {ssAlt});
  EXPECT_TRUE(e->DroppedDown());
  EXPECT_EQ(e->ListBox()->ItemIndex(), 1);
  Type(win::VK_ESCAPE, 0x1B);  // closes the list only
  EXPECT_FALSE(e->DroppedDown());
  EXPECT_EQ(e->Text(), "beta");
  Type(win::VK_RETURN, U'\r');
  ds->Post();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "beta");
}

TEST_F(CharInput, TheListClosesWithTheEditorAndChoosesNothingThen) {
  Column(1)->GetPickList()->SetText("alpha\nbeta");
  TDBGridInplaceEdit* e = OpenEditor(1);
  Press(win::VK_F4);
  ASSERT_TRUE(e->DroppedDown());
  Press(win::VK_DOWN);
  grid->SetEditorMode(false);
  EXPECT_FALSE(e->DroppedDown());
  EXPECT_FALSE(e->ListBox()->Visible());
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "one");
  // A cell without a list drops nothing down.
  OpenEditor(3);
  Press(win::VK_F4);
  EXPECT_FALSE(e->DroppedDown());
}

TEST_F(CharInput, UpDownAndExtraButtonsActOnTheirPress) {
  Column(4)->SetButtonStyle(cbsUpDown);
  Column(4)->SetIncrement(0.5);
  TEditButtonX* extra = Column(4)->EditButtons()->Add();
  extra->SetStyle(ebsEllipsisX);
  TObject* clicked = nullptr;
  Column(4)->OnEditButtonClick = [&](TObject* Sender, bool& Handled) {
    clicked = Sender;
    Handled = true;
  };
  TDBGridInplaceEdit* e = OpenEditor(4);
  ASSERT_EQ(e->ButtonCount(), 2);
  const TRect up = e->ButtonRect(0);
  EXPECT_EQ(up.Right, e->ButtonRect(1).Left);
  auto click = [&](TPoint P) {
    e->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(P.X, P.Y));
    e->Perform(win::WM_LBUTTONUP, 0, win::MAKELPARAM(P.X, P.Y));
    Pump();
  };
  click({(up.Left + up.Right) / 2, up.Top + 1});
  EXPECT_DOUBLE_EQ(ds->FieldByName("Price")->AsFloat(), 2.0);
  EXPECT_EQ(Editor()->Text(), "2");  // the editor reads the stepped value
  click({(up.Left + up.Right) / 2, up.Bottom - 2});
  click({(up.Left + up.Right) / 2, up.Bottom - 2});
  EXPECT_DOUBLE_EQ(ds->FieldByName("Price")->AsFloat(), 1.0);
  EXPECT_EQ(clicked, nullptr);
  const TRect more = e->ButtonRect(1);
  click({(more.Left + more.Right) / 2, (more.Top + more.Bottom) / 2});
  EXPECT_EQ(clicked, extra);
}

TEST_F(CharInput, AnUpDownButtonHeldStepsAgainFirstAfterAPauseThenSteadily) {
  Column(0)->SetButtonStyle(cbsUpDown);
  TDBGridInplaceEdit* e = OpenEditor(0);
  const TRect r = e->ButtonRect(0);
  const int x = (r.Left + r.Right) / 2;
  auto id = [&] { return ds->FieldByName("Id")->AsInteger(); };
  // Half: the upper one counts up, the lower one down; each step of the clock, then the id.
  const struct {
    int Y, Sign;
  } halves[] = {{r.Top + 1, 1}, {r.Bottom - 2, -1}};
  for (const auto& half : halves) {
    SCOPED_TRACE(half.Sign);
    const int start = id();
    headless::MouseDown(e->Handle(), x, half.Y);
    Pump();
    EXPECT_EQ(id(), start + half.Sign);
    // Off the button it waits; back on it goes on; released it stops.
    const struct {
      win::UINT Ms;
      bool Over;
      int Steps;
    } moments[] = {{win::kRepeatDelay - 1, true, 1},  {1, true, 2},
                   {win::kRepeatInterval, true, 3},   {win::kRepeatInterval, true, 4},
                   {win::kRepeatInterval, false, 4},  {win::kRepeatInterval, false, 4},
                   {win::kRepeatInterval, true, 5}};
    for (const auto& m : moments) {
      headless::MoveMouse(e->Handle(), m.Over ? x : r.Left - 20, half.Y);
      clock.Advance(m.Ms);
      Pump();
      EXPECT_EQ(id(), start + half.Sign * m.Steps);
    }
    headless::MouseUp(e->Handle(), x, half.Y);
    clock.Advance(win::kRepeatInterval);
    Pump();
    EXPECT_EQ(id(), start + half.Sign * 5);
  }
}

TEST_F(CharInput, CellsShowTheirButtonsFromTheFirstPaint) {
  // Laid out before the window gave the buttons a width: they are as high as a row all the same.
  EXPECT_GT(grid->EditButtonWidth(), 0);
  EXPECT_EQ(grid->EditButtonHeight(), grid->DefaultRowHeight());
}

TEST_F(CharInput, AnEllipsisClickNotHandledReachesTheGrid) {
  Column(1)->SetButtonStyle(cbsEllipsis);
  int gridClicks = 0;
  grid->OnEditButtonClick = [&](TObject*) { ++gridClicks; };
  TDBGridInplaceEdit* e = OpenEditor(1);
  const TRect r = e->ButtonRect(0);
  ASSERT_FALSE(r.IsEmpty());
  EXPECT_LE(e->ClientRect().Right - r.Left, grid->EditButtonWidth() + 1);
  e->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(r.Left + 2, r.Top + 2));
  e->Perform(win::WM_LBUTTONUP, 0, win::MAKELPARAM(r.Left + 2, r.Top + 2));
  EXPECT_EQ(gridClicks, 1);
  // Released elsewhere: no click.
  e->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(r.Left + 2, r.Top + 2));
  e->Perform(win::WM_LBUTTONUP, 0, win::MAKELPARAM(1, r.Top + 2));
  EXPECT_EQ(gridClicks, 1);
}

// ---- A dataset shown as a tree ----

// The in-memory dataset with its records shown as a tree (as far as the grid can tell).
class TTreeShownAdapter : public IMemTableX {
 public:
  explicit TTreeShownAdapter(TDataSet* DataSet) : inner_(CreateReadInPlaceMemTableX(DataSet)) {}
  int RecordCount() override { return inner_->RecordCount(); }
  int CurrentRecord() override { return inner_->CurrentRecord(); }
  void ReadEnter(int Index) override { inner_->ReadEnter(Index); }
  void ReadLeave() override { inner_->ReadLeave(); }
  void SetCurrentRecord(int Index) override { inner_->SetCurrentRecord(Index); }
  bool TreeViewShown() override { return true; }

 private:
  std::unique_ptr<IMemTableX> inner_;
};

class TTreeMemDataSet : public TMemDataSet {
  LAB_CLASS(TTreeMemDataSet, TMemDataSet)
 public:
  explicit TTreeMemDataSet(TComponent* AOwner) : TMemDataSet(AOwner) {
    static const bool registered = (RegisterMemTableX(StaticClass(), [](TDataSet* d) -> std::unique_ptr<IMemTableX> {
                                      return std::make_unique<TTreeShownAdapter>(d);
                                    }),
                                    true);
    (void)registered;
  }
};

TEST_F(CharInput, TreeKeysOfADatasetShownAsATreeOpenNoEditor) {
  TTreeMemDataSet tree(nullptr);
  tree.FieldDefs().Add("Id", ftInteger);
  tree.FieldDefs().Add("Name", ftString, 20);
  tree.Open();
  tree.Append();
  tree.FieldByName("Id")->SetAsInteger(1);
  tree.FieldByName("Name")->SetAsString("root");
  tree.Post();
  tree.First();
  source->SetDataSet(&tree);
  Pump();
  ASSERT_TRUE(grid->MemTable());
  std::u32string pressed;
  grid->OnKeyPress = [&](TObject*, char32_t& Key) { pressed += Key; };
  grid->SetSelectedIndex(1);
  Type(0xBB, U'+');
  Type(0xBD, U'-');
  Type('8', U'*', {ssShift});
  EXPECT_EQ(pressed, U"+-*");
  EXPECT_FALSE(EditorOpen());
  EXPECT_EQ(tree.FieldByName("Name")->AsString(), "root");
  // With footer rows the grid shows no tree: the character is the editor's.
  grid->SetFooterRowCount(1);
  Pump();
  Type(0xBB, U'+');
  EXPECT_TRUE(EditorOpen());
  EXPECT_EQ(Editor()->Text(), "+");
  grid->SetEditorMode(false);
  source->SetDataSet(ds);
}

// ---- Lookup columns ----

class LookupEditing : public CharInput {
 protected:
  void SetUp() override {
    CharInput::SetUp();
    levels.FieldDefs().Add("Key", ftInteger);
    levels.FieldDefs().Add("Title", ftString, 10);
    levels.Open();
    for (auto [key, title] : {std::pair{1, "Low"}, {2, "Mid"}, {3, "High"}}) {
      levels.Append();
      levels.FieldByName("Key")->SetAsInteger(key);
      levels.FieldByName("Title")->SetAsString(title);
      levels.Post();
    }
    jobs.FieldDefs().Add("Id", ftInteger);
    jobs.FieldDefs().Add("Level", ftInteger);
    for (const char* name : {"Id", "Level"}) {
      auto* f = new TIntegerField(&jobs);
      f->SetFieldName(name);
      f->SetDataSet(&jobs);
    }
    auto* levelName = new TStringField(&jobs);
    levelName->SetFieldName("LevelName");
    levelName->SetSize(10);
    levelName->SetLookup(true);
    levelName->SetKeyFields("Level");
    levelName->SetLookupDataSet(&levels);
    levelName->SetLookupKeyFields("Key");
    levelName->SetLookupResultField("Title");
    levelName->SetDataSet(&jobs);
    jobs.Open();
    for (auto [id, level] : {std::pair{1, Variant(3)}, {2, Variant(-1)}}) {
      jobs.Append();
      jobs.FieldByName("Id")->SetAsInteger(id);
      jobs.FieldByName("Level")->SetValue(level);
      jobs.Post();
    }
    jobs.First();
    source->SetDataSet(&jobs);
    grid->Columns()->GetColumn(1)->SetFieldName("LevelName");
  }
  void TearDown() override {
    source->SetDataSet(nullptr);
    CharInput::TearDown();
  }
  TMemDataSet levels{nullptr};
  TMemDataSet jobs{nullptr};
};

TEST_F(LookupEditing, TheEditorShowsTheLookedUpTextAndKeepsItsKey) {
  TDBGridInplaceEdit* e = OpenEditor(1);
  ASSERT_EQ(Column(1)->GetColumnType(), ctLookupField);
  EXPECT_EQ(e->Text(), "High");
  EXPECT_EQ(e->EditMask(), "");
  EXPECT_EQ(e->MaxLength(), 10);
  EXPECT_EQ(VarToStr(grid->EditValue()), "3");
  EXPECT_EQ(e->ButtonKind(), ebkDataListX);

  // The special row stands for keys the list lacks.
  TSpecRowX* row = Column(1)->DropDownSpecRow();
  row->SetCellsText("(none)");
  row->SetValue(Null());
  row->SetVisible(true);
  grid->SetEditorMode(false);
  jobs.Next();  // key -1
  OpenEditor(1);
  EXPECT_EQ(e->Text(), "(none)");
  EXPECT_TRUE(VarIsNull(grid->EditValue()));
  row->SetShowIfNotInKeyList(false);
  OpenEditor(0);
  OpenEditor(1);
  EXPECT_EQ(e->Text(), "");
  EXPECT_EQ(VarToStr(grid->EditValue()), "-1");
}

TEST_F(LookupEditing, ATypedTextStoresTheKeyOfTheRecordShowingIt) {
  grid->SetSelectedIndex(1);
  TypeText(U"mid");
  Type(win::VK_RETURN, U'\r');
  jobs.Post();
  EXPECT_EQ(jobs.FieldByName("Level")->AsInteger(), 2);
  EXPECT_EQ(jobs.FieldByName("LevelName")->AsString(), "Mid");
  // A text the list lacks changes nothing.
  TypeText(U"top");
  Type(win::VK_RETURN, U'\r');
  jobs.Post();
  EXPECT_EQ(jobs.FieldByName("Level")->AsInteger(), 2);
}


// ---- The drop-down grid ----

class LookupDropDown : public LookupEditing {
 protected:
  void SetUp() override {
    LookupEditing::SetUp();
    TSpecRowX* row = Column(1)->DropDownSpecRow();
    row->SetCellsText("(none)");
    row->SetValue(Null());
    row->SetVisible(true);
    editor = OpenEditor(1);
  }
  TPopupDataGridX* List() { return Column(1)->DataList(); }
  // Opens the list the way a user does: F4, Alt+Down or a click on the cell's button.
  enum TOpen { byF4, byAltDown, byButton };
  void Open(TOpen How) {
    const TRect r = editor->ButtonRect(0);
    switch (How) {
      case byF4: Press(win::VK_F4); break;
      case byAltDown: Press(win::VK_DOWN, {ssAlt}); break;
      case byButton: headless::Click(editor->Handle(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); break;
    }
    Pump();
  }
  std::string Level() { return VarToStr(jobs.FieldByName("Level")->Value()); }

  TDBGridInplaceEdit* editor = nullptr;
};

TEST_F(LookupDropDown, OpensUnderTheCellOnTheRecordTheKeyNames) {
  for (TOpen how : {byF4, byAltDown, byButton}) {
    SCOPED_TRACE(how);
    Open(how);
    ASSERT_TRUE(editor->DroppedDown());
    ASSERT_EQ(editor->DataList(), List());
    EXPECT_TRUE(List()->Visible());
    TRect cell, list;
    wm::GetWindowRect(editor->Handle(), cell);
    wm::GetWindowRect(List()->Handle(), list);
    EXPECT_EQ(list.Top, cell.Bottom);
    EXPECT_EQ(list.Left, cell.Left);
    // The list fields alone, the special row above the records, the record of key 3 chosen.
    ASSERT_EQ(List()->Columns()->Count(), 1);
    EXPECT_EQ(List()->Columns()->GetColumn(0)->FieldName(), "Title");
    EXPECT_EQ(List()->Choice(), TDBLookupGridX::lcRecordX);
    EXPECT_EQ(levels.FieldByName("Title")->AsString(), "High");
    Press(win::VK_F4);
    EXPECT_FALSE(editor->DroppedDown());
    EXPECT_FALSE(List()->Visible());
    EXPECT_EQ(Level(), "3");
  }
}

TEST_F(LookupDropDown, KeysMoveTheChoiceEnterTakesItEscapeLeavesTheKey) {
  // Key 3 ("High") is current; above "Low" stands the special row (Null).
  const struct {
    TOpen How;
    std::vector<win::UINT> Keys;
    const char* Level;
    const char* Text;
  } cases[] = {
      {byF4, {win::VK_UP, win::VK_RETURN}, "2", "Mid"},
      {byAltDown, {win::VK_UP, win::VK_UP, win::VK_DOWN, win::VK_RETURN}, "2", "Mid"},
      {byButton, {win::VK_PRIOR, win::VK_UP, win::VK_RETURN}, "", "(none)"},
      {byF4, {win::VK_PRIOR, win::VK_UP, win::VK_NEXT, win::VK_RETURN}, "2", "Mid"},
      {byF4, {win::VK_UP, win::VK_UP, win::VK_UP, win::VK_DOWN, win::VK_RETURN}, "1", "Low"},
      {byF4, {win::VK_UP, win::VK_ESCAPE}, "3", "High"},
      {byF4, {win::VK_DOWN, win::VK_DOWN, win::VK_RETURN}, "3", "High"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Level);
    jobs.First();
    jobs.Edit();
    jobs.FieldByName("Level")->SetAsInteger(3);
    jobs.Post();
    OpenEditor(1);
    Open(c.How);
    ASSERT_TRUE(editor->DroppedDown());
    for (win::UINT key : c.Keys) Type(key, key == win::VK_RETURN ? U'\r' : key == win::VK_ESCAPE ? 0x1B : 0);
    EXPECT_FALSE(editor->DroppedDown());
    EXPECT_TRUE(EditorOpen());  // Enter and Escape went to the list alone
    EXPECT_EQ(Level(), c.Level);
    EXPECT_EQ(editor->Text(), c.Text);
    EXPECT_EQ(jobs.RecNo(), 1);
  }
}

TEST_F(LookupDropDown, AClickOnARowChoosesItAndAClickElsewhereNothing) {
  // The row clicked (-1: the special row; 99: the grid beside the list), and the key after.
  const struct {
    int Row;
    const char* Level;
  } cases[] = {{0, "1"}, {1, "2"}, {99, "2"}, {-1, ""}, {2, "3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Row);
    Open(byButton);
    ASSERT_TRUE(editor->DroppedDown());
    if (c.Row == 99) {
      headless::Click(grid->Handle(), 5, grid->ClientHeight() - 5);
    } else {
      const TRect r = List()->CellRect(0, List()->TitleOffset() + c.Row);
      headless::Click(List()->Handle(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    Pump();
    EXPECT_FALSE(editor->DroppedDown());
    EXPECT_FALSE(List()->Visible());
    EXPECT_EQ(Level(), c.Level);
    if (!EditorOpen()) OpenEditor(1);
  }
}

TEST_F(LookupDropDown, AListSourceStandsInForTheLookupDatasetWithTitles) {
  // The levels a job may take here: the two upper ones, in another order.
  TMemDataSet offered(nullptr);
  offered.FieldDefs().Add("Key", ftInteger);
  offered.FieldDefs().Add("Title", ftString, 10);
  offered.Open();
  for (auto [key, title] : {std::pair{3, "High"}, {2, "Mid"}}) {
    offered.Append();
    offered.FieldByName("Key")->SetAsInteger(key);
    offered.FieldByName("Title")->SetAsString(title);
    offered.Post();
  }
  TDataSource list_source(nullptr);
  list_source.SetDataSet(&offered);
  Column(1)->DropDownBox()->SetListSource(&list_source);
  Column(1)->DropDownSpecRow()->SetVisible(false);
  Column(1)->SetDropDownShowTitles(true);
  TScopeExit detach([&] { Column(1)->DropDownBox()->SetListSource(nullptr); });
  const int levels_at = levels.RecNo();
  Open(byF4);
  ASSERT_TRUE(editor->DroppedDown());
  EXPECT_EQ(List()->DataSource(), &list_source);
  EXPECT_TRUE(List()->TCustomDBGridX::Options().Contains(dgTitles));
  EXPECT_EQ(offered.FieldByName("Key")->AsInteger(), 3);
  Type(win::VK_DOWN, 0);
  Type(win::VK_RETURN, U'\r');
  EXPECT_EQ(Level(), "2");
  EXPECT_EQ(editor->Text(), "Mid");
  EXPECT_EQ(levels.RecNo(), levels_at);  // the lookup dataset was not walked
}

}  // namespace
}  // namespace lab::gridtest
