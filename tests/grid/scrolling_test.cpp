// Scrolling in buffer mode: the vertical bar against a model for empty, one-record, one-page and
// million-record datasets, the three-position bar of datasets without record numbers, scroll
// messages, the thumb with and without tracking, the wheel, an attached bar, and resizing.

#include "grid_paint_fixture.h"

#include "counted_dataset.h"
#include "platform/controls/scroll_bar.h"
#include "platform/controls/scroll_bars.h"
#include "platform/backend/headless.h"
#include "platform/db/fields.h"

namespace lab::gridtest {
namespace {

class GridScrolling : public GridPaintTest {
 protected:
  TCountedDataSet* Counted(std::int64_t n, bool sequenced = true) {
    auto* d = new TCountedDataSet(form, n, sequenced);
    source->SetDataSet(d);
    grid->SetDataSource(source);
    d->Open();
    form->Show();
    Pump();
    counted = d;
    return d;
  }
  win::SCROLLINFO Bar() {
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL;
    wm::GetScrollInfo(grid->Handle(), win::SB_VERT, si);
    return si;
  }
  bool BarShows() {
    return (wm::GetWindowLongPtr(grid->Handle(), win::GWL_STYLE) & win::WS_VSCROLL) != 0;
  }
  void Scroll(win::WORD code, int pos = 0) {
    grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(code, static_cast<win::WORD>(pos)), 0);
    Pump();
  }
  // The record number shown in the first data row.
  int FirstShown() {
    const int saved = grid->DataLink()->ActiveRecord();
    grid->DataLink()->SetActiveRecord(0);
    const int n = counted->RecNo();
    grid->DataLink()->SetActiveRecord(saved);
    return n;
  }
  TCountedDataSet* counted = nullptr;
};

TEST_F(GridScrolling, TheBarShowsTheRecordNumberWithAPageOfRows) {
  for (std::int64_t n : {0, 1, 30, 1000000}) {
    TCountedDataSet* d = Counted(n);
    const int page = grid->GetVisibleDataRowCount();
    if (n == 30) {
      ASSERT_LT(page, 30);  // thirty records take more than a page
    }
    const win::SCROLLINFO si = Bar();
    if (n == 0) {
      EXPECT_FALSE(BarShows()) << n;
      continue;
    }
    EXPECT_EQ(si.nMin, 1) << n;
    EXPECT_EQ(si.nMax, static_cast<int>(n) + page - 1) << n;
    EXPECT_EQ(static_cast<int>(si.nPage), page) << n;
    EXPECT_EQ(si.nPos, 1) << n;
    EXPECT_EQ(BarShows(), n > 1) << n;
    (void)d;
    Scroll(win::SB_BOTTOM);
    EXPECT_EQ(Bar().nPos, static_cast<int>(n)) << n;
  }
}

TEST_F(GridScrolling, LineMessagesMoveToTheRecordJustOutOfView) {
  TCountedDataSet* d = Counted(1000);
  const int rows = grid->DataLink()->RecordCount();
  d->MoveBy(rows - 1);  // the last visible row
  EXPECT_EQ(FirstShown(), 1);
  Scroll(win::SB_LINEDOWN);
  EXPECT_EQ(d->RecNo(), rows + 1);
  EXPECT_EQ(FirstShown(), 2);
  Scroll(win::SB_LINEUP);
  EXPECT_EQ(d->RecNo(), 1);
  EXPECT_EQ(FirstShown(), 1);
  Scroll(win::SB_PAGEDOWN);
  EXPECT_EQ(d->RecNo(), 1 + grid->GetVisibleDataRowCount());
  Scroll(win::SB_BOTTOM);
  EXPECT_EQ(d->RecNo(), 1000);
  Scroll(win::SB_TOP);
  EXPECT_EQ(d->RecNo(), 1);
  EXPECT_EQ(grid->Row(), grid->FixedRows());  // a fixed row is never current
}

TEST_F(GridScrolling, TheThumbMovesByRecordNumberAndTracksOnlyWhenAsked) {
  TCountedDataSet* d = Counted(1000000);
  // Positions beyond 16 bits come whole from the bar.
  win::SCROLLINFO si;
  si.fMask = win::SIF_POS;
  si.nPos = 700000;
  wm::SetScrollInfo(grid->Handle(), win::SB_VERT, si, false);
  Scroll(win::SB_THUMBPOSITION, 700000 & 0xFFFF);
  EXPECT_EQ(d->RecNo(), 700000);
  Scroll(win::SB_THUMBPOSITION, 1);
  EXPECT_EQ(d->RecNo(), 1);
  Scroll(win::SB_THUMBTRACK, 50);
  EXPECT_EQ(d->RecNo(), 1);  // no tracking: the dataset waits for the thumb to be let go
  grid->VertScrollBar()->SetTracking(true);
  Scroll(win::SB_THUMBTRACK, 50);
  EXPECT_EQ(d->RecNo(), 50);
  Scroll(win::SB_THUMBPOSITION, 50);  // already there: the closing message moves nothing
  EXPECT_EQ(d->RecNo(), 50);
  si.nPos = 1000000;
  wm::SetScrollInfo(grid->Handle(), win::SB_VERT, si, false);
  Scroll(win::SB_THUMBPOSITION, 1000000 & 0xFFFF);
  EXPECT_EQ(d->RecNo(), 1000000);
}

TEST_F(GridScrolling, WithoutRecordNumbersTheBarHasThreePositions) {
  TCountedDataSet* d = Counted(500, false);
  EXPECT_EQ(Bar().nMin, 0);
  EXPECT_EQ(Bar().nMax, 4);
  EXPECT_EQ(Bar().nPos, 0);
  d->MoveBy(100);
  Scroll(win::SB_THUMBPOSITION, 2);  // the middle: nowhere to go
  EXPECT_EQ(d->RecNo(), 101);
  EXPECT_EQ(Bar().nPos, 2);
  grid->VertScrollBar()->SetTracking(true);
  Scroll(win::SB_THUMBTRACK, 4);  // tracking has no distance to go by
  EXPECT_EQ(d->RecNo(), 101);
  Scroll(win::SB_THUMBPOSITION, 4);
  EXPECT_EQ(d->RecNo(), 500);
  EXPECT_EQ(Bar().nPos, 4);
  Scroll(win::SB_THUMBPOSITION, 0);
  EXPECT_EQ(d->RecNo(), 1);
  Scroll(win::SB_THUMBPOSITION, 3);
  EXPECT_EQ(d->RecNo(), 1 + grid->GetVisibleDataRowCount());
}

TEST_F(GridScrolling, TheWheelMovesTheCurrentRecord) {
  TCountedDataSet* d = Counted(100);
  const TPoint p{20, 40};
  headless::Wheel(grid->Handle(), p.X, p.Y, -120);
  Pump();
  EXPECT_EQ(d->RecNo(), 2);
  headless::Wheel(grid->Handle(), p.X, p.Y, 120);
  headless::Wheel(grid->Handle(), p.X, p.Y, 120);
  Pump();
  EXPECT_EQ(d->RecNo(), 1);
  // A handler of its own takes the wheel.
  grid->OnMouseWheelDown = [](TObject*, TShiftState, TPoint, bool& Handled) { Handled = true; };
  headless::Wheel(grid->Handle(), p.X, p.Y, -120);
  Pump();
  EXPECT_EQ(d->RecNo(), 1);
}

TEST_F(GridScrolling, AlwaysShownTheBarStaysButIsOfNoUseWhenAllFits) {
  grid->VertScrollBar()->SetVisibleMode(sbAlwaysShowX);
  Counted(1);
  EXPECT_TRUE(BarShows());
  grid->VertScrollBar()->SetVisible(false);
  EXPECT_EQ(grid->VertScrollBar()->VisibleMode(), sbNeverShowX);
  counted->Close();
  counted->Open();
  Pump();
  EXPECT_EQ(Bar().nMax, Bar().nMin);
  grid->VertScrollBar()->SetVisible(true);
  EXPECT_EQ(grid->VertScrollBar()->VisibleMode(), sbAutoShowX);
}

TEST_F(GridScrolling, AnAttachedBarTakesTheRangeAndScrollsTheGrid) {
  auto* bar = new TScrollBar(form);
  bar->SetParent(form);
  bar->SetKind(sbVertical);
  bar->SetBounds(385, 0, 15, 260);
  grid->VertScrollBar()->SetExtScrollBar(bar);
  TCountedDataSet* d = Counted(300);
  const int page = grid->GetVisibleDataRowCount();
  EXPECT_EQ(bar->Min(), 1);
  EXPECT_EQ(bar->Max(), 300 + page - 1);
  EXPECT_EQ(bar->PageSize(), page);
  EXPECT_FALSE(BarShows());  // the grid's own bar has nothing to show
  // A scroll of the attached bar reaches the grid.
  bar->Perform(CN_VSCROLL, win::MAKEWPARAM(win::SB_BOTTOM, 0), reinterpret_cast<win::LPARAM>(bar->Handle()));
  Pump();
  EXPECT_EQ(d->RecNo(), 300);
  EXPECT_EQ(bar->Position(), 300);
}

TEST_F(GridScrolling, AResizeDuringAnUpdateWaitsForTheNextLayout) {
  Counted(1000);
  const int rows = grid->RowCount();
  grid->BeginUpdate();
  grid->SetBounds(0, 0, 380, 160);
  Pump();
  EXPECT_EQ(grid->RowCount(), rows);
  grid->EndUpdate();
  grid->BeginLayout();
  grid->EndLayout();
  EXPECT_LT(grid->RowCount(), rows);
  // Outside an update the rows follow at once.
  grid->SetBounds(0, 0, 380, 260);
  Pump();
  EXPECT_EQ(grid->RowCount(), rows);
}

TEST_F(GridScrolling, AWalkThroughTheDatasetKeepsTheRecordInItsPlace) {
  TCountedDataSet* d = Counted(1000);
  d->MoveBy(500);
  d->MoveBy(-3);
  const int first = FirstShown(), current = d->RecNo();
  grid->SaveBookmark();
  d->First();
  d->MoveBy(700);
  grid->RestoreBookmark();
  EXPECT_EQ(d->RecNo(), current);
  EXPECT_EQ(FirstShown(), first);
}

}  // namespace
}  // namespace lab::gridtest
