// Incremental search over sorted and unsorted columns (the dataset's own search and the walk over
// the shown texts), its time-out and its restart, the keys of a running search; the edit actions a
// program's action lists run; copying from the record above; leaving the grid.

#include "grid_paint_fixture.h"

#include "grid/grid_clipboard.h"
#include "platform/controls/actions.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/edit.h"
#include "platform/controls/input.h"
#include "platform/db/fields.h"
#include "platform/grids/inplace_edit.h"
#include "platform/rtl/utf8.h"

namespace lab::gridtest {
namespace {

class GridSearch : public GridPaintTest {
 protected:
  void Records(const std::vector<const char*>& names) {
    grid->Columns()->Add()->SetFieldName("Id");
    grid->Columns()->Add()->SetFieldName("Name");
    grid->Columns()->Add()->SetFieldName("Price");
    grid->SetDataSource(source);
    ds->Open();
    int id = 0;
    for (const char* n : names) {
      ++id;
      AddRow(id, n, false, "c", 10.0 * id);
    }
    ds->First();
    grid->SetOptionsX(grid->OptionsX() + dgxIncSearch);
    Column(1)->SetReadOnly(true);
    Column(2)->SetReadOnly(true);
    grid->SetSelectedIndex(1);
    form->Show();
    grid->SetFocus();
    Pump();
  }
  // Each character as the key that types it (letters and digits; others come on a key of their own).
  void Type(const std::string& text) {
    for (const char32_t ch : Utf8Decode(text)) {
      const win::UINT vk = ch < 0x80 ? static_cast<win::UINT>(std::toupper(static_cast<int>(ch))) : win::VK_OEM_1;
      input::KeyDown(vk, ch);
      input::KeyUp(vk);
    }
    Pump();
  }
};

// The first record whose shown text begins with what was typed, without case, in the dataset's
// order, sorted (the dataset's own search) or not (the walk); a character no record continues is
// dropped and the record stays.
TEST_F(GridSearch, TypedLettersFindTheFirstRecordBeginningWithThem) {
  Records({"Miller", "adams", "Mayer", "MAYBERRY", "Zoe", "m\xC3\xBCller", "Adamson"});
  struct Case {
    const char* sort;
    const char* typed;
    int id;
    const char* text;
  };
  for (const Case c : {Case{"", "m", 1, "m"}, Case{"", "may", 3, "may"}, Case{"", "mayb", 4, "mayb"},
                       Case{"", "mayq", 3, "may"}, Case{"", "adamso", 7, "adamso"},
                       Case{"", "m\xC3\xBC", 6, "m\xC3\xBC"}, Case{"Name", "m", 4, "m"},
                       Case{"Name", "mi", 1, "mi"}, Case{"Name", "ada", 2, "ada"}, Case{"Name", "adamx", 2, "adam"},
                       Case{"Name", "z", 5, "z"}, Case{"Name DESC", "m", 6, "m"}, Case{"Name", "q", 1, ""}}) {
    SCOPED_TRACE(testing::Message() << c.sort << " " << c.typed);
    grid->StopIncSearch();
    ds->SetSortFields(c.sort);
    ds->First();
    Pump();
    const int first = Id();
    Type(c.typed);
    EXPECT_EQ(Id(), std::string(c.text).empty() ? first : c.id);
    EXPECT_TRUE(grid->IncSearchActive());
    EXPECT_EQ(grid->IncSearchText(), c.text);
    EXPECT_FALSE(ds->ControlsDisabled());
  }
}

// A column that shows other text than the field holds is searched as shown; the walk gives the
// dataset's controls back and its place when a text handler raises.
TEST_F(GridSearch, ShownTextsAreSearchedAndAFailingWalkGivesEverythingBack) {
  Records({"one", "two", "three", "four"});
  grid->SetSelectedIndex(2);
  Type("3");
  EXPECT_EQ(Id(), 3);  // "30"
  grid->StopIncSearch();
  grid->SetSelectedIndex(1);
  ds->First();
  bool fail = false;
  ds->FieldByName("Name")->OnGetText = [&fail](TField* F, std::string& Text, bool) {
    if (fail && F->AsString() == "three") throw Exception("no text");
    Text = "<" + F->AsString();
  };
  Type("<t");
  EXPECT_EQ(Id(), 2);
  grid->StopIncSearch();
  ds->Last();
  fail = true;
  EXPECT_THROW(grid->IncSearchLocate("<x", 1500, 0), Exception);
  fail = false;
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_EQ(Id(), 4);
}

TEST_F(GridSearch, TheSearchEndsWithItsTimeOutWhichEachKeystrokeStartsAgain) {
  Records({"alpha", "beta", "bravo", "charlie"});
  Type("b");
  clock.Advance(1000);
  Pump();
  Type("r");
  EXPECT_EQ(grid->IncSearchText(), "br");
  clock.Advance(1000);
  Pump();
  EXPECT_TRUE(grid->IncSearchActive());
  Press(win::VK_BACK);
  EXPECT_EQ(grid->IncSearchText(), "b");
  clock.Advance(1000);
  Pump();
  EXPECT_TRUE(grid->IncSearchActive());
  clock.Advance(600);
  Pump();
  EXPECT_FALSE(grid->IncSearchActive());
  EXPECT_EQ(grid->IncSearchText(), "");
  EXPECT_EQ(Id(), 3);
}

TEST_F(GridSearch, RunningSearchKeysGoToTheNextAndPriorMatchOrEndIt) {
  Records({"bob", "ann", "bill", "ben", "carl"});
  Type("b");
  EXPECT_EQ(Id(), 1);
  Press(win::VK_RETURN, {ssCtrl});
  EXPECT_EQ(Id(), 3);
  Press(win::VK_RETURN, {ssCtrl});
  EXPECT_EQ(Id(), 4);
  Press(win::VK_RETURN, {ssCtrl});  // none further on: the record stays
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(grid->IncSearchText(), "b");
  Press(win::VK_RETURN, {ssCtrl, ssShift});
  EXPECT_EQ(Id(), 3);
  // A key that moves the record ends the search; Ctrl+F starts one that never times out.
  Press(win::VK_DOWN);
  EXPECT_FALSE(grid->IncSearchActive());
  Press('F', {ssCtrl});
  EXPECT_TRUE(grid->IncSearchActive());
  clock.Advance(60000);
  Pump();
  EXPECT_TRUE(grid->IncSearchActive());
  Press(win::VK_ESCAPE);
  EXPECT_FALSE(grid->IncSearchActive());
}

// ---- Edit actions ----

TEST_F(GridSearch, EditActionsRunAndAreEnabledAsTheGridAllows) {
  Records({"one", "two", "three"});
  Column(1)->SetReadOnly(false);
  grid->SetEditActions({geaCopyX, geaPasteX, geaCutX, geaDeleteX, geaSelectAllX});
  TBasicAction copy(form, sakEditCopy), paste(form, sakEditPaste), all(form, sakEditSelectAll),
      custom(form, sakCustom);
  EXPECT_TRUE(copy.Update());
  EXPECT_FALSE(copy.Enabled());  // nothing selected
  EXPECT_FALSE(custom.Update());
  EXPECT_TRUE(all.Execute());
  EXPECT_EQ(all.Target(), grid);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstAll);
  copy.Update();
  EXPECT_TRUE(copy.Enabled());
  EXPECT_TRUE(copy.Execute());
  EXPECT_TRUE(Clipboard()->HasFormat(CF_GRIDDBIF()));
  // Paste: never in a read-only grid; in a browsing dataset only with updates allowed.
  struct Case {
    bool read_only;
    TDBGridXAllowedOperations ops;
    bool inserting;
    bool enabled;
  };
  for (const Case c : {Case{false, {alopUpdateX}, false, true}, Case{true, {alopUpdateX}, false, false},
                       Case{false, {alopInsertX}, false, false}, Case{false, {alopInsertX}, true, true},
                       Case{true, {alopInsertX, alopUpdateX}, true, false}}) {
    grid->SetReadOnly(c.read_only);
    grid->SetAllowedOperations(c.ops);
    if (c.inserting) ds->Insert();
    paste.Update();
    EXPECT_EQ(paste.Enabled(), c.enabled);
    if (c.inserting) ds->Cancel();
  }
  // Without the flag in EditActions, or without the focus, the grid does not take the action.
  grid->SetEditActions({geaPasteX});
  EXPECT_FALSE(copy.Update());
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetFocus();
  Pump();
  EXPECT_FALSE(paste.Update());
  EXPECT_FALSE(paste.Execute());
}

// ---- Copying from above, leaving the grid ----

TEST_F(GridSearch, CtrlQuoteCopiesTheValueAboveIntoTheCurrentRecord) {
  Records({"one", "two", "three"});
  Column(1)->SetReadOnly(false);
  Press(win::VK_DOWN);
  Press(win::VK_DOWN);
  Press(win::VK_OEM_7, {ssCtrl});
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "two");
  EXPECT_TRUE(grid->EditorShowing());
  EXPECT_EQ(grid->EditorText(), "two");
  ds->Post();
  EXPECT_EQ(Id(), 3);
  // At the first record there is nothing above.
  ds->First();
  Pump();
  Press(win::VK_OEM_7, {ssCtrl});
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(GridSearch, LeavingTheGridDropsAnUntouchedNewRecordAndWritesWhatWasTyped) {
  Records({"one", "two"});
  Column(1)->SetReadOnly(false);
  auto* other = new TEdit(form);
  other->SetParent(form);
  Press(win::VK_INSERT);
  ASSERT_EQ(ds->State(), dsInsert);
  other->SetFocus();
  Pump();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RecordCount(), 2);
  grid->SetFocus();
  Pump();
  grid->SetOptionsX(grid->OptionsX() - dgxIncSearch);
  Type("x");
  ASSERT_TRUE(grid->EditorShowing());
  other->SetFocus();
  Pump();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "x");
}

}  // namespace
}  // namespace lab::gridtest
