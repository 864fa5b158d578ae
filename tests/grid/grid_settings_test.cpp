// The grid's owned settings objects: scroll bars (with an external TScrollBar), the filter row's
// settings and the sum list; how they stream in form text, follow the grid and its data, and
// take over each other's settings.

#include "grid_fixture.h"

#include "grid/grid_unit.h"
#include "platform/classes/form_text.h"
#include "platform/controls/controls_unit.h"
#include "platform/controls/scroll_bar.h"
#include "platform/db/db_unit.h"
#include "platform/win/window_functions.h"

namespace lab::gridtest {
namespace {

class GridSettings : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    UseUnit(DBGridXUnit);
    UseUnit(DBUnit);
    UseUnit(ControlsUnit);
  }
  TScrollBar* NewBar(const char* name, TScrollBarKind kind) {
    auto* bar = new TScrollBar(form);
    bar->SetName(name);
    bar->SetKind(kind);
    bar->SetParent(form);
    bar->OnScroll = [this](TObject*, TScrollCode, int&) { ++bar_scrolls; };
    return bar;
  }
  // Counts the scroll messages that reach a grid, in front of its own window procedure.
  void CountScrolls(TCustomDBGridX* g) {
    TWndMethod previous = g->WindowProc;
    g->WindowProc = [this, previous](TMessage& m) {
      if (m.Msg == win::WM_HSCROLL) ++grid_hscrolls;
      if (m.Msg == win::WM_VSCROLL) ++grid_vscrolls;
      previous(m);
    };
  }
  TDBSum* AddSum(TGroupOperation op, const char* field) {
    TDBSum* s = grid->SumList()->SumCollection()->Add();
    s->SetGroupOperation(op);
    s->SetFieldName(field);
    return s;
  }
  static bool Has(const std::string& text, const char* line) { return text.find(line) != std::string::npos; }
  // Form text is written with CR LF line ends.
  static std::string Unix(std::string Text) {
    std::erase(Text, '\r');
    return Text;
  }

  int bar_scrolls = 0, grid_hscrolls = 0, grid_vscrolls = 0;
};

// ---- Form text ----

TEST_F(GridSettings, DefaultSettingsWriteNothing) {
  const std::string text = WriteFormText(form);
  for (const char* name : {"HorzScrollBar", "VertScrollBar", "STFilter", "SumList"})
    EXPECT_FALSE(Has(text, name)) << name << "\n" << text;
  // Nor does any published setting of the grid left at its default.
  const std::size_t from = text.find("object Grid1");
  ASSERT_NE(from, std::string::npos) << text;
  const std::string own = text.substr(from, text.find("\n  end", from) - from);
  for (const char* name : {" BorderStyle =", " TabStop =", " Color =", " ParentColor =", " FixedColor =", " Options =",
                           " OptionsX =", " AllowedOperations =", " AllowedSelections =", " VTitleMargin =",
                           " DefaultDrawing =", " ColumnDefValues."})
    EXPECT_FALSE(Has(own, name)) << name << "\n" << own;
  // The sum list is part of the grid, not a component of the form.
  EXPECT_EQ(grid->SumList()->Owner(), grid);
  EXPECT_TRUE(grid->SumList()->IsSubComponent());
  EXPECT_FALSE(Has(text, "TDBGridXSumList"));
}

TEST_F(GridSettings, ChangedSettingsRoundTripThroughFormText) {
  grid->SetDataSource(source);
  TScrollBar* bar = NewBar("Bar1", sbHorizontal);
  grid->HorzScrollBar()->SetTracking(true);
  grid->HorzScrollBar()->SetExtScrollBar(bar);
  grid->VertScrollBar()->SetVisibleMode(sbNeverShowX);
  grid->STFilter()->SetVisible(true);
  grid->STFilter()->SetLocal(true);
  grid->SumList()->SetActive(true);
  grid->SumList()->SetExternalRecalc(true);
  grid->SumList()->SetVirtualRecords(true);
  grid->SetBorderStyle(bsNone);

  const std::string text = WriteFormText(form);
  for (const char* line : {"HorzScrollBar.ExtScrollBar = Bar1", "HorzScrollBar.Tracking = True",
                           "VertScrollBar.VisibleMode = sbNeverShowX", "STFilter.Local = True",
                           "STFilter.Visible = True", "SumList.Active = True", "SumList.ExternalRecalc = True",
                           "SumList.VirtualRecords = True", "BorderStyle = bsNone"})
    EXPECT_TRUE(Has(text, line)) << line << "\n" << text;
  // The horizontal bar is visible (its default) and the vertical one says it by its mode.
  EXPECT_FALSE(Has(text, "HorzScrollBar.Visible")) << text;
  EXPECT_FALSE(Has(text, "VertScrollBar.Visible ")) << text;
  EXPECT_FALSE(Has(text, "VertScrollBar.Tracking")) << text;

  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* g = dynamic_cast<TDBGridX*>(root->FindComponent("Grid1"));
  auto* b = dynamic_cast<TScrollBar*>(root->FindComponent("Bar1"));
  ASSERT_TRUE(g && b);
  EXPECT_TRUE(g->HorzScrollBar()->Tracking());
  EXPECT_EQ(g->HorzScrollBar()->ExtScrollBar(), b);
  EXPECT_EQ(g->VertScrollBar()->VisibleMode(), sbNeverShowX);
  EXPECT_FALSE(g->VertScrollBar()->Visible());
  EXPECT_TRUE(g->STFilter()->Visible());
  EXPECT_TRUE(g->STFilter()->Local());
  EXPECT_TRUE(g->SumList()->Active());
  EXPECT_TRUE(g->SumList()->ExternalRecalc());
  EXPECT_TRUE(g->SumList()->VirtualRecords());
  EXPECT_EQ(g->BorderStyle(), bsNone);
  // Loaded hands the sum list the dataset, and the filter row is one of the fixed rows.
  EXPECT_EQ(g->SumList()->DataSet(), root->FindComponent("Data1"));
  EXPECT_EQ(g->TitleOffset(), 2);
  EXPECT_EQ(Unix(WriteFormText(root.get())), Unix(text));
  // The bar read back is hooked: its scrolling reaches the grid read with it.
  CountScrolls(g);
  b->Perform(CN_HSCROLL, win::SB_LINEDOWN, 0);
  EXPECT_EQ(grid_hscrolls, 1);
}

// ---- Scroll-bar settings ----

TEST_F(GridSettings, ScrollBarVisibilityIsItsMode) {
  EXPECT_FALSE(grid->HorzScrollBar()->InheritsFrom(TVertDBGridXScrollBar::StaticClass()));
  EXPECT_TRUE(grid->VertScrollBar()->InheritsFrom(TVertDBGridXScrollBar::StaticClass()));
  EXPECT_EQ(grid->HorzScrollBar()->Kind(), sbHorizontal);
  EXPECT_EQ(grid->VertScrollBar()->Kind(), sbVertical);
  TDBGridXScrollBar* v = grid->VertScrollBar();
  EXPECT_EQ(v->VisibleMode(), sbAutoShowX);
  v->SetVisible(false);
  EXPECT_EQ(v->VisibleMode(), sbNeverShowX);
  v->SetVisibleMode(sbAlwaysShowX);
  EXPECT_TRUE(v->Visible());
  v->SetVisible(true);
  EXPECT_EQ(v->VisibleMode(), sbAutoShowX);

  grid->HorzScrollBar()->SetVisible(false);
  EXPECT_TRUE(Has(WriteFormText(form), "HorzScrollBar.Visible = False"));
  // An attached bar shows or hides with the setting.
  TScrollBar* bar = NewBar("Bar1", sbHorizontal);
  grid->HorzScrollBar()->SetExtScrollBar(bar);
  EXPECT_FALSE(bar->Visible());
  EXPECT_TRUE(grid->HorzScrollBar()->IsScrollBarShowing() == bar->Visible());
  grid->HorzScrollBar()->SetVisible(true);
  EXPECT_TRUE(bar->Visible());
}

TEST_F(GridSettings, AnAttachedBarScrollsTheGridThenItself) {
  TScrollBar* bar = NewBar("Bar1", sbVertical);
  CountScrolls(grid);
  grid->VertScrollBar()->SetExtScrollBar(bar);
  bar->Perform(CN_VSCROLL, win::SB_LINEDOWN, 0);
  EXPECT_EQ(grid_vscrolls, 1);
  EXPECT_EQ(grid_hscrolls, 0);
  EXPECT_EQ(bar_scrolls, 1);
  // Detached, it scrolls only itself.
  grid->VertScrollBar()->SetExtScrollBar(nullptr);
  bar->Perform(CN_VSCROLL, win::SB_LINEDOWN, 0);
  EXPECT_EQ(grid_vscrolls, 1);
  EXPECT_EQ(bar_scrolls, 2);
}

TEST_F(GridSettings, ABarServesOneGridAtATime) {
  TScrollBar* bar = NewBar("Bar1", sbHorizontal);
  auto* other = new TDBGridX(form);
  other->SetParent(form);
  grid->HorzScrollBar()->SetExtScrollBar(bar);
  try {
    other->HorzScrollBar()->SetExtScrollBar(bar);
    FAIL() << "a hooked bar was attached twice";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Possible Bar1 already attached to the other control.");
  }
  EXPECT_EQ(other->HorzScrollBar()->ExtScrollBar(), nullptr);
  CountScrolls(grid);
  bar->Perform(CN_HSCROLL, win::SB_LINEDOWN, 0);
  EXPECT_EQ(grid_hscrolls, 1);
  // Detached from the first, the bar may serve the second.
  grid->HorzScrollBar()->SetExtScrollBar(nullptr);
  other->HorzScrollBar()->SetExtScrollBar(bar);
  EXPECT_EQ(other->HorzScrollBar()->ExtScrollBar(), bar);
}

// Any holder of a bar's messages counts, not only another grid; a bar given back is free again.
TEST_F(GridSettings, ABarAnyControlHoldsIsRefused) {
  struct TCase {
    const char* Holder;
    std::function<void(TScrollBar*)> Hold;
  };
  const TCase cases[] = {
      {"another control's handler", [](TScrollBar* b) { b->WindowProc = [b](TMessage& m) { b->WndProc(m); }; }},
      {"this grid's other direction", [this](TScrollBar* b) { grid->VertScrollBar()->SetExtScrollBar(b); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Holder);
    TScrollBar* bar = NewBar("Bar1", sbHorizontal);
    const TWndMethod own = bar->WindowProc;
    ASSERT_TRUE(bar->OwnsWindowProc());
    c.Hold(bar);
    EXPECT_FALSE(bar->OwnsWindowProc());
    try {
      grid->HorzScrollBar()->SetExtScrollBar(bar);
      ADD_FAILURE() << "a held bar was taken over";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Possible Bar1 already attached to the other control.");
    }
    EXPECT_EQ(grid->HorzScrollBar()->ExtScrollBar(), nullptr);
    grid->VertScrollBar()->SetExtScrollBar(nullptr);
    bar->WindowProc = own;
    grid->HorzScrollBar()->SetExtScrollBar(bar);
    EXPECT_EQ(grid->HorzScrollBar()->ExtScrollBar(), bar);
    grid->HorzScrollBar()->SetExtScrollBar(nullptr);
    EXPECT_TRUE(bar->OwnsWindowProc());
    delete bar;
  }
}

TEST_F(GridSettings, AFreedBarIsForgottenAndOnlyThatOne) {
  TScrollBar* horz = NewBar("Bar1", sbHorizontal);
  TScrollBar* vert = NewBar("Bar2", sbVertical);
  TScrollBar* unrelated = NewBar("Bar3", sbVertical);
  grid->HorzScrollBar()->SetExtScrollBar(horz);
  grid->VertScrollBar()->SetExtScrollBar(vert);
  // The form tells the grid of every component it loses: another bar is not the grid's.
  delete unrelated;
  EXPECT_EQ(grid->HorzScrollBar()->ExtScrollBar(), horz);
  EXPECT_EQ(grid->VertScrollBar()->ExtScrollBar(), vert);
  delete vert;
  EXPECT_EQ(grid->VertScrollBar()->ExtScrollBar(), nullptr);
  EXPECT_EQ(grid->HorzScrollBar()->ExtScrollBar(), horz);
  delete horz;
  EXPECT_EQ(grid->HorzScrollBar()->ExtScrollBar(), nullptr);
  EXPECT_FALSE(grid->HorzScrollBar()->IsScrollBarShowing());
  EXPECT_FALSE(Has(WriteFormText(form), "ExtScrollBar"));
}

TEST_F(GridSettings, AFreedGridGivesTheBarItsWindowProcedureBack) {
  TScrollBar* bar = NewBar("Bar1", sbHorizontal);
  grid->HorzScrollBar()->SetExtScrollBar(bar);
  delete grid;
  grid = nullptr;
  bar->Perform(CN_HSCROLL, win::SB_LINEDOWN, 0);
  EXPECT_EQ(bar_scrolls, 1);
  // No hook of the freed grid is left to refuse another.
  auto* other = new TDBGridX(form);
  other->SetParent(form);
  other->HorzScrollBar()->SetExtScrollBar(bar);
  EXPECT_EQ(other->HorzScrollBar()->ExtScrollBar(), bar);
}

// ---- Filter-row settings ----

TEST_F(GridSettings, TheFilterRowIsOneMoreFixedRow) {
  grid->SetDataSource(source);
  OpenWithRows();
  EXPECT_EQ(grid->TitleOffset(), 1);
  grid->STFilter()->SetVisible(true);
  EXPECT_EQ(grid->TitleOffset(), 2);
  EXPECT_EQ(grid->GetDataBox().Top, 2);
  grid->SetOptions(TDBGridOptions(grid->Options()).Exclude(dgTitles));
  EXPECT_EQ(grid->TitleOffset(), 1);
  grid->STFilter()->SetVisible(false);
  EXPECT_EQ(grid->TitleOffset(), 0);
  // Counted updates never go below zero.
  grid->STFilter()->EndUpdate();
  EXPECT_EQ(grid->STFilter()->UpdateCount(), 0);
}

// ---- Sum list ----

TEST_F(GridSettings, TheSumListFollowsTheGridsData) {
  EXPECT_FALSE(grid->SumList()->Active());
  EXPECT_EQ(grid->SumList()->DataSet(), nullptr);
  grid->SetDataSource(source);
  EXPECT_EQ(grid->SumList()->DataSet(), ds);
  // A closed dataset still counts once it opens.
  TDBSum* sum = AddSum(goSum, "Price");
  grid->SumList()->SetActive(true);
  EXPECT_TRUE(VarIsNull(sum->SumValue()));
  OpenWithRows();
  EXPECT_EQ(sum->SumValue().AsCurrency().Raw(), 35000);
  // Another dataset behind the same source.
  TMemDataSet second(nullptr);
  second.FieldDefs().Add("Price", ftFloat);
  second.Open();
  source->SetDataSet(&second);
  EXPECT_EQ(grid->SumList()->DataSet(), &second);
  grid->SetDataSource(nullptr);
  EXPECT_EQ(grid->SumList()->DataSet(), nullptr);
  EXPECT_TRUE(VarIsNull(sum->SumValue()));
}

TEST_F(GridSettings, RecalculationsReachTheGridAndTheSumListsOwnEvents) {
  std::vector<std::string> seen;
  grid->OnSumListRecalcAll = [&](TObject* s) { seen.push_back(s == grid->SumList() ? "grid start" : "?"); };
  grid->OnSumListAfterRecalcAll = [&](TObject* s) { seen.push_back(s == grid->SumList() ? "grid end" : "?"); };
  // A form's own handlers of the sum list do not cut the grid off.
  grid->SumList()->OnRecalcAll = [&](TObject*) { seen.push_back("list start"); };
  grid->SumList()->OnAfterRecalcAll = [&](TObject*) { seen.push_back("list end"); };
  grid->SumList()->SumListChanged = [&](TObject*) { seen.push_back("list changed"); };
  grid->SetDataSource(source);
  OpenWithRows();
  AddSum(goCount, "");
  grid->SumList()->SetActive(true);
  EXPECT_EQ(seen, (std::vector<std::string>{"grid start", "list start", "grid end", "list end", "list changed"}));
}

TEST_F(GridSettings, ChangedSumsRepaintOnlyTheFooterRows) {
  grid->SetDataSource(source);
  OpenWithRows();
  AddSum(goSum, "Price");
  grid->SetFooterRowCount(1);
  grid->HandleNeeded();
  grid->SumList()->SetActive(true);
  ASSERT_GE(grid->RowCount(), 2);
  const TRect footer = grid->CellRect(0, grid->RowCount() - 1);
  win::ValidateRect(grid->Handle(), nullptr);
  grid->SumList()->SetActive(false);  // the values go: only the footers change
  TRect update{};
  ASSERT_TRUE(win::GetUpdateRect(grid->Handle(), &update, false));
  // The last row, with its grid line and nothing of the row above or below.
  EXPECT_EQ(update.Top, footer.Top);
  EXPECT_GE(update.Bottom, footer.Bottom);
  EXPECT_LT(update.Bottom - footer.Bottom, footer.Bottom - footer.Top);

  // Without footer rows there is nothing to repaint.
  grid->SetFooterRowCount(0);
  grid->SumList()->SetActive(true);
  win::ValidateRect(grid->Handle(), nullptr);
  grid->SumList()->SetActive(false);
  EXPECT_FALSE(win::GetUpdateRect(grid->Handle(), nullptr, false));
}

TEST_F(GridSettings, WhileDesignedTheSumListOnlyRecordsItsState) {
  int recalcs = 0;
  grid->OnSumListRecalcAll = [&](TObject*) { ++recalcs; };
  grid->SetDataSource(source);
  OpenWithRows();
  TDBSum* sum = AddSum(goSum, "Price");
  grid->SetDesigning(true);
  grid->SumList()->SetActive(true);
  EXPECT_TRUE(grid->SumList()->Active());
  EXPECT_EQ(recalcs, 0);
  EXPECT_TRUE(VarIsNull(sum->SumValue()));
}

// ---- Taking over settings ----

TEST_F(GridSettings, SettingsAreAssignedBetweenGrids) {
  auto* other = new TDBGridX(form);
  other->SetParent(form);
  TScrollBar* bar = NewBar("Bar1", sbHorizontal);
  other->HorzScrollBar()->SetTracking(true);
  other->HorzScrollBar()->SetExtScrollBar(bar);
  other->VertScrollBar()->SetVisibleMode(sbAlwaysShowX);
  other->STFilter()->SetVisible(true);
  other->STFilter()->SetLocal(true);
  other->SumList()->SetExternalRecalc(true);
  other->SumList()->SetActive(true);
  other->SumList()->SumCollection()->Add();

  grid->SetHorzScrollBar(other->HorzScrollBar());
  grid->SetVertScrollBar(other->VertScrollBar());
  grid->SetSTFilter(other->STFilter());
  grid->SetSumList(other->SumList());
  EXPECT_TRUE(grid->HorzScrollBar()->Tracking());
  EXPECT_EQ(grid->VertScrollBar()->VisibleMode(), sbAlwaysShowX);
  EXPECT_TRUE(grid->STFilter()->Visible());
  EXPECT_TRUE(grid->STFilter()->Local());
  EXPECT_EQ(grid->TitleOffset(), 2);
  EXPECT_TRUE(grid->SumList()->Active());
  EXPECT_TRUE(grid->SumList()->ExternalRecalc());
  // The bar stays with the grid that hooks it, and the aggregates with their own footers.
  EXPECT_EQ(grid->HorzScrollBar()->ExtScrollBar(), nullptr);
  EXPECT_EQ(other->HorzScrollBar()->ExtScrollBar(), bar);
  EXPECT_EQ(grid->SumList()->SumCollection()->Count(), 0);
  // Settings of another kind are refused.
  EXPECT_THROW(grid->HorzScrollBar()->Assign(grid->STFilter()), Exception);
}

}  // namespace
}  // namespace lab::gridtest
