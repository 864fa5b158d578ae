// The filter row's editing driven alone, through a host that stands in for the grid and notes
// what it is asked: where the editor stands and when it shows, a column that leaves, typing, the
// tags of the drop-down's items, and an editor that outlives the row.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "grid/column_filter.h"
#include "grid/columns.h"
#include "grid/filter_editor.h"
#include "grid/filter_row.h"
#include "platform/backend/headless.h"
#include "platform/classes/class_registry.h"
#include "platform/controls/clock.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"

namespace lab::gridtest {
namespace {

// Three columns side by side, 60 pixels apart from Left; each may be edited, each cell shows.
class TFakeHost : public IFilterRowHostX {
 public:
  explicit TFakeHost(TForm* Form) : columns(nullptr, MetaClass<TDBGridColumnX>()), form_(Form) {
    for (const char* name : {"A", "B", "C"}) columns.Add()->SetFieldName(name);
  }

  TInplaceFilterEditX* CreateFilterEditor() override {
    auto* e = new TInplaceFilterEditX(form_);
    e->SetVisible(false);
    e->SetParent(form_);
    return e;
  }
  void StyleFilterEditor(TInplaceFilterEditX&) override {}
  int FilterColumnCount() override { return columns.Count(); }
  TColumnX* FilterColumn(int Index) override { return columns.GetColumn(Index); }
  bool FilterCellEditable(TColumnX* Column) override { return Column->STFilter()->Visible(); }
  TRect FilterCellRect(TColumnX* Column) override {
    if (Column->Index() == off_screen) return {};
    const int x = Left + 60 * Column->Index();
    return {x, 20, x + 60, 38};
  }
  bool FiltersUpdating() override { return false; }
  bool FilterEditorMayShow() override { return may_show; }
  void StartEditFilter(TColumnX* Column) override { row->Start(Column); }
  void EnterFilterColumn(TColumnX* Column) override { Note("enter " + Column->FieldName()); }
  void FilterEditingEnded() override { Note("ended"); }
  void FocusGrid() override { form_->SetFocus(); }
  void InvalidateFilterCell(TColumnX*) override {}
  void TakeFilterEditText() override { row->Column()->STFilter()->SetExpressionStr(row->Editor()->GetText()); }
  void FillFilterEditor() override { row->Fill(); }
  void ApplyFilter() override {}
  void ClearAllFilters() override {}
  void SortByFilterColumn(TColumnX*, bool) override {}
  bool LeaveFilterRowDown(TColumnX*, bool) override { return false; }
  bool TabMovesFilterEditor() override { return true; }
  bool ChosenItemsApply() override { return false; }
  bool OffersSorting(TColumnX*) override { return false; }
  std::shared_ptr<IMemTableDataFieldValueListX> FilterValues(TColumnX*) override { return nullptr; }

  // What the row asked, since the last look.
  std::string Asked() { return std::exchange(asked_, std::string()); }

  int Left = 10;
  int off_screen = -1;
  bool may_show = true;
  TDBGridColumnsX columns;
  TFilterRowX* row = nullptr;

 private:
  void Note(const std::string& What) { asked_ += asked_.empty() ? What : "; " + What; }

  TForm* form_;
  std::string asked_;
};

class FilterRowEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBackend(CreateHeadlessBackend());
    SetClock(&clock);
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 300, 100);
    host = std::make_unique<TFakeHost>(form);
    row = std::make_unique<TFilterRowX>(*host);
    host->row = row.get();
    form->Show();
    Pump();
  }
  void TearDown() override {
    row.reset();
    delete form;
    Pump();
    SetClock(nullptr);
  }
  void Pump() {
    win::MSG m;
    for (int turns = 100; turns > 0 && wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE); --turns) {
      wm::TranslateMessage(m);
      wm::DispatchMessage(m);
    }
  }
  void Key(win::UINT Vk, char32_t Ch = 0, TShiftState Shift = {}) {
    if (Shift.Contains(ssCtrl)) input::KeyDown(win::VK_CONTROL);
    input::KeyDown(Vk, Ch);
    input::KeyUp(Vk);
    if (Shift.Contains(ssCtrl)) input::KeyUp(win::VK_CONTROL);
    Pump();
  }
  TColumnX* Column(int i) { return host->columns.GetColumn(i); }
  TInplaceFilterEditX* Editor() { return row->Editor(); }
  // The editor over column i's cell: one pixel in from its left.
  TRect Over(int i) { return {host->Left + 60 * i + 1, 20, host->Left + 60 * i + 60, 38}; }

  TManualClock clock;
  TForm* form = nullptr;
  std::unique_ptr<TFakeHost> host;
  std::unique_ptr<TFilterRowX> row;
};

TEST_F(FilterRowEditor, TheEditorFollowsItsColumnsCellAndShowsOnlyWhereItMay) {
  row->Start(Column(1));
  EXPECT_EQ(host->Asked(), "enter B");
  ASSERT_TRUE(Editor());
  EXPECT_TRUE(Editor()->Focused());
  struct TStep {
    const char* Change;
    void (*Make)(TFakeHost&);
    bool Show;     // Place's mode
    bool Visible;  // the editor after
    bool Editing;
    const char* Asked;
  };
  const TStep steps[] = {
      {"the columns shift", [](TFakeHost& h) { h.Left = 35; }, false, true, true, ""},
      {"the cell leaves the screen", [](TFakeHost& h) { h.off_screen = 1; }, false, false, true, ""},
      {"placing alone shows nothing", [](TFakeHost& h) { h.off_screen = -1; }, false, false, true, ""},
      {"showing does", [](TFakeHost&) {}, true, true, true, ""},
      {"something stands in the way", [](TFakeHost& h) { h.may_show = false; }, true, false, true, ""},
      {"another column leaves",
       [](TFakeHost& h) {
         h.may_show = true;
         h.row->ColumnRemoved(h.columns.GetColumn(0));
       },
       false, false, true, ""},
      {"the column leaves", [](TFakeHost& h) { h.row->ColumnRemoved(h.columns.GetColumn(1)); }, true, false, false,
       "ended"},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.Change);
    s.Make(*host);
    row->Place(s.Show);
    EXPECT_EQ(Editor()->Visible(), s.Visible);
    EXPECT_EQ(row->Editing(), s.Editing);
    EXPECT_EQ(host->Asked(), s.Asked);
    if (s.Visible) {
      EXPECT_EQ(Editor()->BoundsRect(), Over(1));
    }
  }
  EXPECT_FALSE(row->Column());
}

// What is typed becomes the column's condition as it goes; half a condition keeps the last whole
// one, and so does the row ending while it stands in the editor.
TEST_F(FilterRowEditor, TypingSetsTheConditionAsItGoes) {
  row->Start(Column(0));
  struct TStep {
    win::UINT Vk;
    char32_t Ch;
    const char* Condition;
  };
  const TStep steps[] = {
      {'X', U'x', "x"}, {win::VK_BACK, U'\b', ""}, {0xDE, U'\'', ""}, {'A', U'a', ""}, {0xDE, U'\'', "'a'"},
      {win::VK_BACK, U'\b', "'a'"},
  };
  for (const TStep& s : steps) {
    Key(s.Vk, s.Ch);
    EXPECT_EQ(Column(0)->STFilter()->ExpressionStr(), s.Condition) << Editor()->GetText();
  }
  EXPECT_EQ(Editor()->GetText(), "'a");
  Column(0)->STFilter()->SetVisible(false);
  row->Place(false);
  EXPECT_FALSE(row->Editing());
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(Column(0)->STFilter()->ExpressionStr(), "'a'");
}

// The special items are tagged at the top of the list; every other index, before or after the
// list, is an ordinary value.
TEST_F(FilterRowEditor, ItemTagsAnswerNoneOutsideTheSpecialItems) {
  TInplaceFilterEditX editor(nullptr);
  editor.Items()->SetText("(Clear filter)\n(All)\n10\n20");
  // The room past the tags holds other tags: a read past the end would find one.
  std::vector<int> tags = {fsiClearFilterX, fsiAllX, fsiEmptyX, fsiNotEmptyX};
  tags.resize(2);
  editor.SetItemTags(std::move(tags));
  const int count = editor.Items()->Count();
  const std::pair<int, int> cases[] = {{-1, fsiNoneX}, {0, fsiClearFilterX}, {1, fsiAllX},
                                       {2, fsiNoneX},  {count - 1, fsiNoneX}, {count, fsiNoneX}};
  for (const auto& [index, tag] : cases) EXPECT_EQ(editor.ItemTag(index), tag) << index;
}

// The grid frees its editor after the row: what the editor does then reaches no row.
TEST_F(FilterRowEditor, AnEditorThatOutlivesTheRowTellsItNothing) {
  row->Start(Column(0));
  TInplaceFilterEditX* editor = Editor();
  row.reset();
  host->row = nullptr;
  Key('Q', U'q');
  Key(win::VK_RETURN, U'\r');
  EXPECT_EQ(editor->GetText(), "q");
  EXPECT_EQ(host->Asked(), "enter A");
}

}  // namespace
}  // namespace lab::gridtest
