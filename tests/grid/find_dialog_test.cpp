// The find dialog: opened by the grid's find key, it finds a text in one column or all, down or
// up, by start or whole value; a text not found is told and the record stays.

#include "grid_fixture.h"

#include "grid/find_dialog.h"
#include "platform/backend/headless.h"
#include "platform/controls/button.h"
#include "platform/controls/check_box.h"
#include "platform/controls/combo_box.h"
#include "platform/controls/dialogs.h"
#include "platform/rtl/scope_exit.h"

namespace lab::gridtest {
namespace {

class FindDialog : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    grid->SetBounds(0, 0, 390, 290);
    grid->SetDataSource(source);
    ds->Open();
    AddRow(1, "one", true, "K0", 1.5);
    AddRow(2, "two", false, "K1", Null());
    AddRow(3, "three", Null(), "zz", 2.0);
    AddRow(4, "Two-way", Null(), "K1", 3.0);
    AddRow(5, "twenty", Null(), "tw", 4.0);
    ds->First();
    form->Show();
    grid->SetFocus();
    Pump();
    previous_answerer = SetDialogAnswerer([this](const TDialogRequest& r) {
      told.push_back(r.Text);
      return mrOk;
    });
  }
  void TearDown() override {
    SetDialogAnswerer(previous_answerer);
    delete DBGridXFindDlg();
    GridTest::TearDown();
  }
  void GoTo(int Id) { ASSERT_TRUE(ds->Locate("Id", Id, {})); }

  TDialogAnswerer previous_answerer;
  std::vector<std::string> told;
};

TEST_F(FindDialog, FindsTheNextMatchByColumnDirectionAndMatch) {
  // The column searched (-1: all), the record searched from, and where the search ends: the record
  // and the column of the match, or nothing found and the record where it was.
  const struct {
    const char* Text;
    int Column;
    bool Whole, Up;
    int From, Found, FoundColumn;
  } cases[] = {
      {"tw", -1, false, false, 1, 2, 1},   {"tw", -1, false, false, 2, 4, 1},
      {"tw", -1, false, false, 4, 5, 1},   {"TW", 3, false, false, 1, 5, 3},
      {"two", -1, true, false, 1, 2, 1},   {"two", -1, true, false, 2, 0, 0},
      {"t", -1, false, true, 5, 4, 1},     {"k1", 3, true, true, 5, 4, 3},
      {"zz", -1, false, false, 3, 0, 0},   {"one", -1, false, true, 1, 0, 0},
      {"4", 0, true, true, 5, 4, 0},
  };
  ShowDBGridXFindDlg(grid, "", "", {}, false);
  Pump();
  TDBGridXFindDlg* dialog = DBGridXFindDlg();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->Visible());
  EXPECT_EQ(dialog->FormStyle(), fsStayOnTop);
  EXPECT_EQ(dialog->ColumnBox()->Items()->Text(), "(all columns)\r\nId\r\nName\r\nDone\r\nCode\r\nPrice\r\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Text) + " from " + std::to_string(c.From));
    GoTo(c.From);
    grid->SetSelectedIndex(2);
    told.clear();
    dialog->TextBox()->SetText(c.Text);
    dialog->ColumnBox()->SetItemIndex(c.Column + 1);
    dialog->MatchBox()->SetItemIndex(c.Whole ? 1 : 0);
    dialog->UpBox()->SetChecked(c.Up);
    const TRect r = dialog->FindButton()->ClientRect();
    headless::Click(dialog->FindButton()->Handle(), r.Right / 2, r.Bottom / 2);
    Pump();
    EXPECT_EQ(Id(), c.Found ? c.Found : c.From);
    EXPECT_EQ(grid->SelectedIndex(), c.Found ? c.FoundColumn : 2);
    EXPECT_EQ(told.size(), c.Found ? 0u : 1u);
    if (!c.Found && !told.empty()) {
      EXPECT_EQ(told[0], "\"" + std::string(c.Text) + "\" was not found.");
    }
  }
  const TRect r = dialog->CloseButton()->ClientRect();
  headless::Click(dialog->CloseButton()->Handle(), r.Right / 2, r.Bottom / 2);
  Pump();
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(DBGridXFindDlg(), dialog);  // kept for the next time
}

TEST_F(FindDialog, TheFindKeyOpensItModallyForTheTypedText) {
  // Typed as a user does: the find key, the text, Enter finds, Escape closes.
  headless::PressKey('F', false, true, false);
  headless::TypeText("three");
  headless::PressKey(win::VK_RETURN);
  headless::PressKey(win::VK_ESCAPE);
  Pump();
  TDBGridXFindDlg* dialog = DBGridXFindDlg();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(dialog->FormStyle(), fsNormal);
  EXPECT_EQ(dialog->Grid(), grid);
  EXPECT_EQ(Id(), 3);
  EXPECT_TRUE(told.empty());
  // Prepared again with a field and values to offer: that column is chosen, the values listed.
  ShowDBGridXFindDlg(grid, "K", "code", {"K0", "K1"}, false);
  EXPECT_EQ(dialog->ColumnBox()->ItemIndex(), 4);
  EXPECT_EQ(dialog->TextBox()->Text(), "K");
  EXPECT_EQ(dialog->TextBox()->Items()->Count(), 2);
  EXPECT_EQ(dialog->FormStyle(), fsStayOnTop);
  // A grid freed is forgotten.
  delete grid;
  grid = nullptr;
  EXPECT_EQ(dialog->Grid(), nullptr);
  EXPECT_FALSE(dialog->FindNext());
}

}  // namespace
}  // namespace lab::gridtest
