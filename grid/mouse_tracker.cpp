// The grid's mouse tracker: its state, the tracking timer and the rules of automatic scrolling and
// record dragging.

#include "grid/mouse_tracker.h"

#include <algorithm>

namespace lab {

namespace {

// A record a tick for every this many pixels the mouse is out, up to kMaxRecords.
constexpr int kPixelsPerRecord = 6;
constexpr int kMaxRecords = 8;

}  // namespace

void TMouseTrackerX::SetTitleDown(bool Down) {
  if (Down == title_down_) return;
  title_down_ = Down;
  host_.TitleButtonChanged();
}

void TMouseTrackerX::ResetTimer(int Interval) {
  Interval = std::max(Interval, kShortestInterval);
  if (Interval == timer_interval_) return;
  host_.SetTrackingTimer(Interval);
  timer_interval_ = Interval;
}

void TMouseTrackerX::StopTimer() {
  if (timer_interval_ < 0) return;
  host_.SetTrackingTimer(-1);
  timer_interval_ = -1;
}

void TMouseTrackerX::Stop() {
  if (!tracking_ && !record_tracking_ && !column_tracking_) return;
  if (mode_ == mmMoveRecordsX) host_.AbandonRecordDrag();
  StopTimer();
  tracking_ = record_tracking_ = column_tracking_ = false;
  SetTitleDown(false);
  host_.ReleaseMouse();
  pressed_title_ = -1;
  mode_ = mmNoneX;
}

void TMouseTrackerX::Cancel() {
  Stop();
  StopTimer();
  mode_ = mmNoneX;
  row_select_pending_ = false;
  right_capture_ = false;
}

TAutoScrollX TMouseTrackerX::AutoScroll(const TRect& Box, TPoint Point, bool Sideways) {
  int dy = 0, dx = 0, dist_y = 0, dist_x = 0;
  if (Point.Y < Box.Top) {
    dy = -1;
    dist_y = Box.Top - Point.Y;
  } else if (Point.Y >= Box.Bottom) {
    dy = 1;
    dist_y = Point.Y - Box.Bottom + 1;
  }
  if (Sideways && Point.X < Box.Left) {
    dx = -1;
    dist_x = Box.Left - Point.X;
  } else if (Sideways && Point.X >= Box.Right) {
    dx = 1;
    dist_x = Point.X - Box.Right;
  }
  if (dx == 0 && dy == 0) return {};
  const int distance = std::max(dist_x, dist_y);
  return {dy * std::min(distance / kPixelsPerRecord, kMaxRecords), dx,
          std::max(200 - 15 * distance, kShortestInterval)};
}

TAutoScrollX TMouseTrackerX::AutoScrollColumns(const TRect& Box, int X) {
  if (X >= Box.Right) return {0, 1, std::max(200 - 10 * (X - Box.Right), kShortestInterval)};
  if (X < Box.Left) return {0, -1, std::max(200 - 10 * (Box.Left - X), kShortestInterval)};
  return {};
}

int TMouseTrackerX::RecordDragDistance(int MouseRow, int First, int Last, int Current) {
  if (MouseRow < First) return -1;
  if (MouseRow > Last) return 1;
  return MouseRow - Current;
}

}  // namespace lab
