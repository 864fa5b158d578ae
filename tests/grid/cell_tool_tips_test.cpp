// Cell tool tips and title hints: which cells show their whole text and where, in which font; a
// title's hint; the pause; Ctrl; the record the row read put back, also when an event raises.

#include "grid_paint_fixture.h"

#include <stdexcept>

#include "grid/tool_tips_window.h"
#include "platform/controls/application.h"
#include "platform/controls/messages.h"
#include "platform/graphics/draw_text.h"

namespace lab::gridtest {
namespace {

class CellToolTips : public GridPaintTest {
 protected:
  void SetUp() override {
    GridPaintTest::SetUp();
    grid->SetDataSource(source);
    for (const char* name : {"Id", "Name", "Done", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(name);
    OpenWithRows();
    ds->First();
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("a name cut off here");
    ds->Post();
    Column(1)->SetWidth(60);
    Column(1)->SetToolTips(true);
    Column(3)->SetToolTips(true);
    Column(1)->Title()->SetCaption("A caption too long to fit");
    Column(1)->Title()->SetToolTips(true);
    grid->SetFooterRowCount(1);
    Column(1)->Footer()->SetValueType(fvtStaticText);
    Column(1)->Footer()->SetValue("a footer text too long to fit");
    Column(1)->Footer()->SetToolTips(true);
    Paint();
  }
  // The hint the grid gives for a point of its client area.
  THintInfo Hint(TPoint At) {
    THintInfo info;
    info.HintControl = grid;
    info.CursorPos = At;
    info.CursorRect = grid->ClientRect();
    info.HintStr = "grid hint";
    grid->Perform(CM_HINTSHOW, 0, reinterpret_cast<win::LPARAM>(&info));
    return info;
  }
  TPoint In(int col, int row) {
    const TRect r = Cell(grid->DataToRawColumn(col), row);
    return {r.Left + 5, r.Top + 3};
  }
  int FirstDataRow() { return grid->TitleOffset(); }
  // As the grid measures a tip's text, on its own canvas.
  int TextWidth(TFont* Font, const std::string& Text) {
    TCanvas* c = grid->Canvas();
    c->Font()->Assign(Font);
    win::RECT r{0, 0, 0, 0};
    win::DrawText(c->Handle(), Text, -1, &r, win::DT_CALCRECT | win::DT_NOPREFIX | win::DT_SINGLELINE);
    return r.Right - r.Left;
  }
};

TEST_F(CellToolTips, OnlyCutOffTextsShowTheirWholeTextInTheCellsFont) {
  Column(1)->Font()->SetSize(11);
  const int data = FirstDataRow();
  struct TCase {
    int Col, Row;
    const char* Text;  // nullptr: the grid's own hint stays
  };
  const TCase cases[] = {
      {1, data, "a name cut off here"},
      {1, data + 1, nullptr},  // "two" fits
      {3, data, nullptr},      // fits
      {4, data, nullptr},      // no ToolTips on the column
      {1, 0, "A caption too long to fit"},
      {1, grid->RowCount() - 1, "a footer text too long to fit"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Row * 10 + c.Col);
    const THintInfo info = Hint(In(c.Col, c.Row));
    const TRect cell = Cell(grid->DataToRawColumn(c.Col), c.Row);
    EXPECT_EQ(info.CursorRect, cell);  // asked again in another cell
    if (!c.Text) {
      EXPECT_EQ(info.HintStr, "grid hint");
      continue;
    }
    EXPECT_EQ(info.HintStr, c.Text);
    EXPECT_EQ(info.HintWindowClass, &NewToolTipsWindow);
    ASSERT_TRUE(info.HintData);
    // Over the cell's text, at its top.
    const TPoint at = grid->ScreenToClient(info.HintPos);
    EXPECT_LE(std::abs(at.X - cell.Left), 3);
    EXPECT_EQ(at.Y, cell.Top - 1);
    if (c.Row == data) {
      EXPECT_EQ(static_cast<TFont*>(info.HintData)->Size(), 11);
    }
  }
}

// Each area's tip stands over the cell's text by the area's alignment: at the text's start, with
// its end at the text's end, or centred on the cell; check boxes' data cells always from the start.
// OnGetCellParams sees no draw state.
TEST_F(CellToolTips, EachAreaPlacesItsTipByItsAlignment) {
  Column(2)->SetWidth(60);
  Column(2)->SetToolTips(true);
  Column(2)->GetPickList()->SetText("off\nswitched on\nunknown");
  Column(2)->Title()->SetCaption("Another caption too long");
  Column(2)->Title()->SetToolTips(true);
  Column(2)->Footer()->SetValueType(fvtStaticText);
  Column(2)->Footer()->SetValue("another footer too long");
  Column(2)->Footer()->SetToolTips(true);
  ASSERT_EQ(Column(2)->GetColumnType(), ctCheckboxes);
  int params = 0;
  bool asking = false;
  grid->OnGetCellParams = [&](TObject*, TColumnX*, TFont*, TColor&, TGridDrawState State) {
    if (!asking) return;  // painting
    ++params;
    EXPECT_TRUE(State.Empty());
  };
  const int title = 0, data = FirstDataRow(), footer = grid->RowCount() - 1;
  for (TAlignment align : {taLeftJustify, taRightJustify, taCenter})
    for (int row : {title, data, footer})
      for (int col : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "alignment " << align << ", row " << row << ", column " << col);
        if (row == title) Column(col)->Title()->SetAlignment(align);
        else if (row == data) Column(col)->SetAlignment(align);
        else Column(col)->Footer()->SetAlignment(align);
        Paint();
        asking = true;
        const THintInfo info = Hint(In(col, row));
        asking = false;
        ASSERT_EQ(info.HintWindowClass, &NewToolTipsWindow) << info.HintStr;
        const TRect cell = Cell(grid->DataToRawColumn(col), row);
        const int width = TextWidth(static_cast<TFont*>(info.HintData), info.HintStr) + 6;
        const int x = grid->ScreenToClient(info.HintPos).X;
        const TAlignment placed = row == data && col == 2 ? taLeftJustify : align;
        if (placed == taLeftJustify) {
          EXPECT_EQ(x, cell.Left - 1);
        } else if (placed == taRightJustify) {
          EXPECT_EQ(x + width, cell.Right + 1);
        } else {
          EXPECT_EQ(x, (cell.Left + cell.Right - width) / 2);
        }
      }
  EXPECT_EQ(params, 6);
}

// A text that fits shows no tip, except a right-aligned one that would start less than two
// pixels clear of the cell's left edge.
TEST_F(CellToolTips, ARightAlignedTextCloseToTheCellsEdgeStillShowsItsTip) {
  const int width = TextWidth(Column(3)->Font(), "K0");
  for (int room : {3, 5})
    for (TAlignment align : {taLeftJustify, taRightJustify, taCenter}) {
      SCOPED_TRACE(testing::Message() << "room " << room << ", alignment " << align);
      Column(3)->SetWidth(width + room);
      Column(3)->SetAlignment(align);
      Paint();
      const bool tip = Hint(In(3, FirstDataRow())).HintStr == "K0";
      EXPECT_EQ(tip, room == 3 && align == taRightJustify);
    }
}

TEST_F(CellToolTips, ATitleHintShowsItsShortPartEvenWhenTheCaptionFits) {
  Column(3)->Title()->SetHint("Device code|The code the device sends");
  EXPECT_EQ(Hint(In(3, 0)).HintStr, "Device code");
}

TEST_F(CellToolTips, CtrlHeldShowsNoToolTip) {
  input::KeyDown(win::VK_CONTROL);
  Pump();
  const THintInfo info = Hint(In(1, FirstDataRow()));
  input::KeyUp(win::VK_CONTROL);
  Pump();
  EXPECT_EQ(info.HintStr, "grid hint");
}

TEST_F(CellToolTips, ACheckBoxColumnShowsThePickTextOfItsState) {
  Column(2)->SetToolTips(true);
  Column(2)->GetPickList()->SetText("off\non\nunknown");
  ASSERT_EQ(Column(2)->GetColumnType(), ctCheckboxes);
  EXPECT_EQ(Hint(In(2, FirstDataRow())).HintStr, "on");
  EXPECT_EQ(Hint(In(2, FirstDataRow() + 1)).HintStr, "off");
}

TEST_F(CellToolTips, ToolTipCellsShowAtOnceOthersAfterThePause) {
  int pause = 500;
  auto pause_at = [&](TPoint p) {
    input::MouseMove(grid->ClientToScreen(p));
    pause = 500;
    grid->Perform(CM_HINTSHOWPAUSE, 0, reinterpret_cast<win::LPARAM>(&pause));
    return pause;
  };
  EXPECT_EQ(pause_at(In(1, FirstDataRow())), 0);
  EXPECT_EQ(pause_at(In(4, FirstDataRow())), 500);
  EXPECT_EQ(pause_at(In(1, 0)), 0);
  Column(1)->Title()->SetHint("hint");
  EXPECT_EQ(pause_at(In(1, 0)), 500);
}

// The record read for the tip goes back on every way out: an event that raises too.
TEST_F(CellToolTips, TheActiveRecordComesBackWhenOnGetCellParamsRaises) {
  ds->Last();
  Pump();
  const int active = grid->DataLink()->ActiveRecord();
  const int id = Id();
  grid->OnGetCellParams = [](TObject*, TColumnX*, TFont*, TColor&, TGridDrawState) {
    throw std::runtime_error("event failed");
  };
  EXPECT_THROW(Hint(In(1, FirstDataRow())), std::runtime_error);
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), active);
  EXPECT_EQ(Id(), id);
  grid->OnGetCellParams = nullptr;
  EXPECT_EQ(Hint(In(1, FirstDataRow())).HintStr, "a name cut off here");
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), active);
}

}  // namespace
}  // namespace lab::gridtest
