#pragma once
// The grid's mouse tracker: what the mouse is doing between a press and its release (the mode and
// the tracking flags, a title button held down, a column sized with the grid's own line, a record
// drag), the tracking timer that scrolls while the mouse is held outside the data cells, and the
// end of all of it. The press, the moves and the release decide; the tracker keeps the state and
// the rules that need nothing of the grid: how far and how soon a tick scrolls, which way a record
// drag goes.
//
// The grid owns the tracker and lends it the little it needs through IMouseTrackerHostX, so the
// tracker is driven alone in its tests.

#include "platform/controls/control_types.h"
#include "platform/db/field_types.h"
#include "platform/rtl/geometry.h"

namespace lab {

// What the mouse is doing over the grid: nothing, dragging a selection of records, of columns over
// the titles or of a rectangle of cells, sizing a frozen column, moving records.
enum TMouseModeX : int {
  mmNoneX = 0, mmSelectRecordsX = 1, mmSelectColumnsX = 2, mmSelectRectX = 3, mmSizeColumnX = 6, mmMoveRecordsX = 7
};

// What the mouse tracker asks of the grid.
class IMouseTrackerHostX {
 public:
  virtual ~IMouseTrackerHostX() = default;
  // The tracking timer: started, or started again, with Interval ms; stopped (negative).
  virtual void SetTrackingTimer(int Interval) = 0;
  // The title button held down shows pressed, or no longer: the title row repaints.
  virtual void TitleButtonChanged() = 0;
  // The record drag is given up: nothing moves and the dragged record is current again.
  virtual void AbandonRecordDrag() = 0;
  // The mouse is let go.
  virtual void ReleaseMouse() = 0;
};

// One tick of automatic scrolling: records to move by, columns to scroll by (-1, 0, +1), and when
// the next tick comes (-1: the mouse is back over the data cells and the timer stops).
struct TAutoScrollX {
  int Records = 0;
  int Columns = 0;
  int Interval = -1;
  bool operator==(const TAutoScrollX&) const = default;
};

// A frozen column sized with the grid's own line: its index, where the line stands and the mouse's
// offset from it.
struct TColumnSizingX {
  int Col = -1;
  int Pos = 0;
  int Ofs = 0;
};

// A record drag: the record picked up, the tree level it would go to, whether it may be dropped
// there, where the drop line stands (-1: not drawn) and the mouse's x when it was drawn.
struct TRecordDragX {
  TBookmark Bookmark;
  int Level = 0;
  bool DropAllowed = false;
  int LineY = -1;
  int LineX = -1;
};

class TMouseTrackerX {
 public:
  // The tracking timer's shortest interval: a tick further out never comes sooner.
  static constexpr int kShortestInterval = 10;

  explicit TMouseTrackerX(IMouseTrackerHostX& Host) : host_(Host) {}
  TMouseTrackerX(const TMouseTrackerX&) = delete;
  TMouseTrackerX& operator=(const TMouseTrackerX&) = delete;

  TMouseModeX Mode() const noexcept { return mode_; }
  void SetMode(TMouseModeX Mode) noexcept { mode_ = Mode; }
  // The mouse is captured for a title button, a record drag or a rectangle of cells; a drag from
  // the indicator selects the records it passes; a rectangle follows the columns too.
  bool Tracking() const noexcept { return tracking_; }
  bool RecordTracking() const noexcept { return record_tracking_; }
  bool ColumnTracking() const noexcept { return column_tracking_; }
  void TrackRectangle() noexcept { tracking_ = column_tracking_ = true; }
  void TrackRecords() noexcept { record_tracking_ = true; }
  void TrackRecordDrag() noexcept {
    mode_ = mmMoveRecordsX;
    tracking_ = true;
  }
  // A press on a selected cell waits for a move (a drag to another control) or the release; a
  // right-button title press holds the mouse for a column's move.
  bool RowSelectPending() const noexcept { return row_select_pending_; }
  void SetRowSelectPending(bool Value) noexcept { row_select_pending_ = Value; }
  bool RightCapture() const noexcept { return right_capture_; }
  void SetRightCapture(bool Value) noexcept { right_capture_ = Value; }
  // Anything a cancel would end.
  bool Busy() const noexcept {
    return tracking_ || record_tracking_ || column_tracking_ || row_select_pending_ || right_capture_ ||
           mode_ != mmNoneX;
  }

  // The title button held down (grid column, -1: none) and whether it shows pressed.
  int PressedTitle() const noexcept { return pressed_title_; }
  bool TitleDown() const noexcept { return title_down_; }
  bool TitleTracked() const noexcept { return tracking_ && pressed_title_ >= 0; }
  void TrackTitle(int Col) noexcept {
    tracking_ = true;
    pressed_title_ = Col;
  }
  // The mouse over the pressed title or not: a change repaints it.
  void SetTitleDown(bool Down);

  // Where the press was, where the mouse was last, and the keys of the last selection move.
  TPoint PressPoint;
  TPoint MousePoint;
  TShiftState DragKeys;
  TColumnSizingX Sizing;
  TRecordDragX Drag;

  // The tracking timer's interval (-1 while it is stopped). Reset starts it, or starts it again
  // with another interval (no sooner than the shortest); the same interval changes nothing.
  int TimerInterval() const noexcept { return timer_interval_; }
  void ResetTimer(int Interval);
  void StopTimer();

  // Ends the tracking: a record drag is given up, the timer stops, the title button comes up, the
  // mouse is let go and the mode clears.
  void Stop();
  // Ends everything a press started, as a cancel does: Stop, the timer and the mode also without
  // tracking, and what waits on the release. (A sizing line is the grid's to erase first.)
  void Cancel();
  // The release that comes with a cancel finishes nothing.
  bool Cancelling() const noexcept { return cancelling_; }
  void SetCancelling(bool Value) noexcept { cancelling_ = Value; }

  // A tick of automatic scrolling with the mouse at Point, outside the data cells Box: a record a
  // tick for every 6 pixels out (up to 8), and sooner the further out. Sideways: the columns scroll
  // too (not while records are selected from the indicator).
  static TAutoScrollX AutoScroll(const TRect& Box, TPoint Point, bool Sideways);
  // The same over the titles while columns are selected: a column a tick, sooner the further out.
  static TAutoScrollX AutoScrollColumns(const TRect& Box, int X);
  // How far a record drag moves the current row (at Current) toward the mouse's row: a row a step
  // before First or past Last (the view scrolls), else straight to the mouse's row.
  static int RecordDragDistance(int MouseRow, int First, int Last, int Current);

 private:
  IMouseTrackerHostX& host_;
  TMouseModeX mode_ = mmNoneX;
  bool tracking_ = false;
  bool record_tracking_ = false;
  bool column_tracking_ = false;
  bool row_select_pending_ = false;
  bool right_capture_ = false;
  bool cancelling_ = false;
  int pressed_title_ = -1;
  bool title_down_ = false;
  int timer_interval_ = -1;
};

}  // namespace lab
