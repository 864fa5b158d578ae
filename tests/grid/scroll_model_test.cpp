// The vertical bar and the first row shown against a model, in both modes, for no record, one, a
// page of them and a million: the rows mirroring the link's buffer (the bar is the current record's
// number, a page of rows as the thumb), and every record a row of its own (the bar is the first
// row shown). Scroll messages, the thumb and the wheel walk the model; no walk ever puts a fixed
// row first.

#include "grid_paint_fixture.h"

#include <random>

#include "counted_mem_table.h"
#include "platform/backend/headless.h"
#include "platform/controls/input.h"
#include "platform/controls/scroll_bars.h"
#include "platform/graphics/system_metrics.h"

namespace lab::gridtest {
namespace {

class GridScrollModel : public GridPaintTest {
 protected:
  // N counted records; with AsRows every record is a grid row.
  TCountedDataSet* Open(std::int64_t N, bool AsRows) {
    if (counted) {
      counted->Close();
      delete counted;
    }
    counted = AsRows ? new TCountedMemTable(form, N) : new TCountedDataSet(form, N);
    source->SetDataSet(counted);
    grid->SetDataSource(source);
    counted->Open();
    form->Show();
    Pump();
    return counted;
  }
  win::SCROLLINFO Bar() {
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL;
    wm::GetScrollInfo(grid->Handle(), win::SB_VERT, si);
    return si;
  }
  bool BarShows() { return (wm::GetWindowLongPtr(grid->Handle(), win::GWL_STYLE) & win::WS_VSCROLL) != 0; }
  void Scroll(win::WORD code, int pos = 0) {
    grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(code, static_cast<win::WORD>(pos)), 0);
    Pump();
  }
  // The thumb let go at Pos: the bar holds the whole position, the message its low 16 bits.
  void Thumb(int pos, win::WORD code = win::SB_THUMBPOSITION) {
    win::SCROLLINFO si;
    si.fMask = win::SIF_POS | win::SIF_TRACKPOS;
    si.nPos = si.nTrackPos = pos;
    wm::SetScrollInfo(grid->Handle(), win::SB_VERT, si, false);
    Scroll(code, pos & 0xFFFF);
  }
  void Wheel(int notches, bool ctrl = false) {
    if (ctrl) input::KeyDown(win::VK_CONTROL);
    headless::Wheel(grid->Handle(), 30, 40, -120 * notches);
    if (ctrl) input::KeyUp(win::VK_CONTROL);
    Pump();
  }
  // Rows wholly in view below the fixed ones.
  int FullRows() {
    TGridDrawInfo di;
    grid->CalcDrawInfo(di);
    return di.Vert.LastFullVisibleCell - grid->TopRow() + 1;
  }
  // The record number of the first data row (buffer mode).
  int FirstShown() {
    const int saved = grid->DataLink()->ActiveRecord();
    grid->DataLink()->SetActiveRecord(0);
    const int n = counted->RecNo();
    grid->DataLink()->SetActiveRecord(saved);
    return n;
  }
  // What a full grid shows as a page: a million records fill it.
  int Page(bool AsRows) {
    Open(1000000, AsRows);
    return AsRows ? FullRows() : grid->GetVisibleDataRowCount();
  }
  TCountedDataSet* counted = nullptr;
};

TEST_F(GridScrollModel, TheBufferBarIsTheRecordNumberFromNoRecordToAMillion) {
  const int page = Page(false);
  for (int n : {0, 1, page, page + 1, 1000000}) {
    TCountedDataSet* d = Open(n, false);
    ASSERT_FALSE(grid->RecordSetMode());
    if (n == 0) {
      EXPECT_FALSE(BarShows());
      continue;
    }
    // Fewer records than fit show fewer rows, and the thumb is as long as they are.
    const int rows = std::min(n, page);
    EXPECT_EQ(grid->GetVisibleDataRowCount(), rows) << n;
    int rec = 1;
    auto expect = [&](const char* step) {
      const win::SCROLLINFO si = Bar();
      EXPECT_EQ(d->RecNo(), rec) << n << " " << step;
      EXPECT_EQ(si.nMin, 1) << n << " " << step;
      EXPECT_EQ(si.nMax, n + rows - 1) << n << " " << step;
      EXPECT_EQ(static_cast<int>(si.nPage), rows) << n << " " << step;
      EXPECT_EQ(si.nPos, rec) << n << " " << step;
      EXPECT_EQ(BarShows(), n > 1) << n << " " << step;
    };
    auto clamp = [&](int r) { return std::clamp(r, 1, n); };
    expect("open");
    Scroll(win::SB_PAGEDOWN);
    rec = clamp(1 + rows);
    expect("page down");
    Thumb(n / 2 + 1);
    rec = clamp(n / 2 + 1);
    expect("thumb");
    Wheel(1);
    rec = clamp(rec + 1);
    expect("wheel down");
    Scroll(win::SB_LINEDOWN);  // the record below the last row shown
    rec = clamp(FirstShown() + grid->DataLink()->RecordCount() - 1);
    expect("line down");
    Scroll(win::SB_BOTTOM);
    rec = n;
    expect("bottom");
    Wheel(-1);
    rec = clamp(n - 1);
    expect("wheel up");
    Scroll(win::SB_PAGEUP);
    rec = clamp(rec - rows);
    expect("page up");
    Scroll(win::SB_TOP);
    rec = 1;
    expect("top");
  }
}

TEST_F(GridScrollModel, TheRecordSetBarIsTheFirstRowShownFromNoRecordToAMillion) {
  const int page = Page(true);
  for (int n : {0, 1, page, page + 1, 1000000}) {
    TCountedDataSet* d = Open(n, true);
    ASSERT_TRUE(grid->RecordSetMode()) << n;
    EXPECT_EQ(grid->RowCount(), 1 + std::max(n, 1)) << n;
    const int max_top = std::max(1, n - page + 1);
    int top = 1;
    auto expect = [&](const char* step) {
      const win::SCROLLINFO si = Bar();
      EXPECT_EQ(grid->TopRow(), top) << n << " " << step;
      EXPECT_EQ(si.nMin, 1) << n << " " << step;
      EXPECT_EQ(si.nMax, std::max(n, 1)) << n << " " << step;
      EXPECT_EQ(static_cast<int>(si.nPage), std::min(page, std::max(n, 1))) << n << " " << step;
      EXPECT_EQ(si.nPos, top) << n << " " << step;
      EXPECT_EQ(BarShows(), n > page) << n << " " << step;
      // The view moved, not the record.
      EXPECT_EQ(d->RecNo(), n > 0 ? 1 : 0) << n << " " << step;
    };
    auto clamp = [&](int t) { return std::clamp(t, 1, max_top); };
    expect("open");
    Scroll(win::SB_LINEDOWN);
    top = clamp(top + 1);
    expect("line down");
    Scroll(win::SB_PAGEDOWN);  // the last whole row comes to the top
    top = clamp(top + std::max(1, page - 1));
    expect("page down");
    Thumb(n / 2 + 1);
    top = clamp(n / 2 + 1);
    expect("thumb");
    Wheel(1);
    top = clamp(top + 1);
    expect("wheel down");
    Wheel(1, true);  // a page with Ctrl
    top = clamp(top + grid->VisibleRowCount());
    expect("wheel page down");
    Scroll(win::SB_BOTTOM);
    top = max_top;
    expect("bottom");
    Scroll(win::SB_PAGEUP);  // as far back as a page down goes on
    top = clamp(top - std::max(1, page - 1));
    expect("page up");
    Wheel(-1);
    top = clamp(top - 1);
    expect("wheel up");
    Scroll(win::SB_LINEUP);
    top = clamp(top - 1);
    expect("line up");
    Scroll(win::SB_TOP);
    top = 1;
    expect("top");
  }
}

// Without record numbers the bar has three positions: the wheel and the thumb both keep it at the
// top, the middle or the bottom, and a tracked thumb moves nothing.
TEST_F(GridScrollModel, TheThreePositionBarFollowsTheWheelAndTheThumb) {
  counted = new TCountedDataSet(form, 300, false);
  source->SetDataSet(counted);
  grid->SetDataSource(source);
  counted->Open();
  form->Show();
  Pump();
  EXPECT_EQ(Bar().nPos, 0);
  EXPECT_EQ(Bar().nPage, 0u);
  Wheel(1);
  EXPECT_EQ(counted->RecNo(), 2);
  EXPECT_EQ(Bar().nPos, 2);
  Wheel(-1);
  EXPECT_EQ(counted->RecNo(), 1);
  grid->VertScrollBar()->SetTracking(true);
  Thumb(4, win::SB_THUMBTRACK);
  EXPECT_EQ(counted->RecNo(), 1);
  Thumb(4);
  EXPECT_EQ(counted->RecNo(), 300);
  EXPECT_EQ(Bar().nPos, 4);
  Wheel(-1);
  EXPECT_EQ(counted->RecNo(), 299);
  EXPECT_EQ(Bar().nPos, 2);
  Thumb(1);  // a page up
  EXPECT_EQ(counted->RecNo(), 299 - grid->GetVisibleDataRowCount());
}

// Random walks of scroll messages, thumbs and wheel notches, with one, two (the filter row) or no
// fixed rows: the first row shown and the current row are never fixed ones, and in record-set mode
// the view stays full.
TEST_F(GridScrollModel, NoScrollPutsAFixedRowFirst) {
  std::mt19937 random(17);
  for (bool as_rows : {false, true})
    for (int titles : {0, 1, 2}) {
      grid->STFilter()->SetVisible(titles == 2);
      grid->SetOptions(titles == 0 ? grid->Options() - dgTitles : grid->Options() + dgTitles);
      Open(500, as_rows);
      ASSERT_EQ(grid->RecordSetMode(), as_rows);
      ASSERT_EQ(grid->FixedRows(), titles);
      const int page = FullRows();
      grid->VertScrollBar()->SetTracking(random() % 2 == 0);
      for (int step = 0; step < 200; ++step) {
        switch (random() % 8) {
          case 0: Scroll(win::SB_LINEUP); break;
          case 1: Scroll(win::SB_LINEDOWN); break;
          case 2: Scroll(win::SB_PAGEUP); break;
          case 3: Scroll(win::SB_PAGEDOWN); break;
          case 4: Thumb(static_cast<int>(random() % 520)); break;
          // A dragged thumb leaves the bar's position alone.
          case 5: Scroll(win::SB_THUMBTRACK, static_cast<int>(random() % 520)); break;
          case 6: Wheel(random() % 2 ? 1 : -1, random() % 4 == 0); break;
          default: Scroll(random() % 2 ? win::SB_TOP : win::SB_BOTTOM); break;
        }
        ASSERT_GE(grid->TopRow(), grid->FixedRows()) << as_rows << titles << " step " << step;
        ASSERT_GE(grid->Row(), grid->FixedRows()) << as_rows << titles << " step " << step;
        if (as_rows) {
          ASSERT_LE(grid->TopRow(), grid->FixedRows() + 500 - page) << titles << " step " << step;
          ASSERT_EQ(Bar().nPos, grid->TopRow() - grid->FixedRows() + 1) << titles << " step " << step;
        } else {
          ASSERT_EQ(Bar().nPos, counted->RecNo()) << titles << " step " << step;
        }
      }
    }
}

// A thumb dragged with the mouse to the middle of a million records lands there, further than the
// message's 16 bits reach: the grid reads the tracking position whole from the bar.
TEST_F(GridScrollModel, AThumbDraggedWithTheMouseLandsWhereItIsLetGo) {
  for (bool as_rows : {false, true})
    for (bool tracking : {false, true}) {
      Open(1000000, as_rows);
      grid->VertScrollBar()->SetTracking(tracking);
      // The bar stands right of the client area; its thumb starts below the upper arrow.
      win::POINT origin{0, 0};
      wm::MapWindowPoints(grid->Handle(), nullptr, &origin, 1);
      const int width = win::GetSystemMetrics(win::SM_CXVSCROLL);
      const int x = origin.X + grid->ClientWidth() + width / 2;
      input::MouseMove(win::POINT{x, origin.Y + width + 2});
      input::MouseButton(win::VK_LBUTTON, true, win::POINT{x, origin.Y + width + 2});
      const int middle = origin.Y + grid->ClientHeight() / 2;
      input::MouseMove(win::POINT{x, middle});
      input::MouseButton(win::VK_LBUTTON, false, win::POINT{x, middle});
      Pump();
      const int pos = Bar().nPos;
      EXPECT_GT(pos, 300000) << as_rows << tracking;
      EXPECT_LT(pos, 700000) << as_rows << tracking;
      if (as_rows) {
        EXPECT_EQ(grid->TopRow(), pos) << tracking;
        EXPECT_EQ(counted->RecNo(), 1) << tracking;
      } else {
        EXPECT_EQ(counted->RecNo(), pos) << tracking;
      }
    }
}

}  // namespace
}  // namespace lab::gridtest
