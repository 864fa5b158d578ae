// The grid's mouse tracker driven alone: its timer, the end of each kind of tracking, and the rules
// of automatic scrolling and record dragging, with a host that records what it is asked.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/mouse_tracker.h"

namespace lab {
namespace {

class TTrackerHost : public IMouseTrackerHostX {
 public:
  std::vector<int> timer;
  std::string asked;  // t: title repainted, a: record drag given up, r: mouse let go
  void SetTrackingTimer(int Interval) override { timer.push_back(Interval); }
  void TitleButtonChanged() override { asked += 't'; }
  void AbandonRecordDrag() override { asked += 'a'; }
  void ReleaseMouse() override { asked += 'r'; }
};

TEST(MouseTracker, TheTimerStartsAgainOnlyForAnotherIntervalAndNeverSoonerThanTheShortest) {
  TTrackerHost host;
  TMouseTrackerX tracker(host);
  tracker.ResetTimer(60);
  tracker.ResetTimer(60);
  tracker.ResetTimer(-250);
  EXPECT_EQ(tracker.TimerInterval(), TMouseTrackerX::kShortestInterval);
  tracker.StopTimer();
  tracker.StopTimer();
  EXPECT_EQ(host.timer, (std::vector<int>{60, 10, -1}));
  EXPECT_EQ(tracker.TimerInterval(), -1);
}

// Each kind of tracking ends with Stop: what the host is asked, and nothing left behind; a cancel
// also drops what waits on the release.
TEST(MouseTracker, StopEndsEveryKindOfTracking) {
  struct Case {
    const char* what;
    void (*start)(TMouseTrackerX&);
    const char* asked;
  };
  const Case cases[] = {
      {"title button", [](TMouseTrackerX& t) {
         t.TrackTitle(2);
         t.SetTitleDown(true);
       }, "tr"},
      {"title pulled off", [](TMouseTrackerX& t) { t.TrackTitle(2); }, "r"},
      {"rectangle", [](TMouseTrackerX& t) {
         t.TrackRectangle();
         t.SetMode(mmSelectRectX);
       }, "r"},
      {"records", [](TMouseTrackerX& t) {
         t.TrackRecords();
         t.SetMode(mmSelectRecordsX);
       }, "r"},
      {"record drag", [](TMouseTrackerX& t) { t.TrackRecordDrag(); }, "ar"},
      {"nothing", [](TMouseTrackerX&) {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTrackerHost host;
    TMouseTrackerX tracker(host);
    c.start(tracker);
    tracker.ResetTimer(60);
    host.asked.clear();
    tracker.Stop();
    EXPECT_EQ(host.asked, c.asked);
    EXPECT_EQ(tracker.TimerInterval(), std::string(c.what) == "nothing" ? 60 : -1);
    EXPECT_FALSE(tracker.TitleTracked());
    EXPECT_FALSE(tracker.TitleDown());
    tracker.SetRowSelectPending(true);
    tracker.SetRightCapture(true);
    tracker.Cancel();
    EXPECT_FALSE(tracker.Busy());
    EXPECT_EQ(tracker.TimerInterval(), -1);
  }
}

// Outside the data cells (50..250 × 20..200) a tick scrolls a record for every 6 pixels out, up to
// 8, and comes 15 ms sooner for each pixel (10 ms at the soonest); columns a column a tick.
TEST(MouseTracker, AutoScrollGoesFasterTheFurtherOut) {
  const TRect box{50, 20, 250, 200};
  struct Case {
    TPoint at;
    bool sideways;
    TAutoScrollX step;
  };
  for (const Case c : {Case{{100, 229}, true, {5, 0, 10}}, Case{{100, 205}, true, {1, 0, 110}},
                       Case{{100, 202}, true, {0, 0, 155}}, Case{{100, 299}, true, {8, 0, 10}},
                       Case{{100, 8}, true, {-2, 0, 20}}, Case{{40, 100}, true, {0, -1, 50}},
                       Case{{40, 100}, false, {}}, Case{{260, 210}, true, {1, 1, 35}}, Case{{100, 100}, true, {}}}) {
    EXPECT_EQ(TMouseTrackerX::AutoScroll(box, c.at, c.sideways), c.step) << c.at.X << "," << c.at.Y;
  }
  for (const auto& [x, step] : std::vector<std::pair<int, TAutoScrollX>>{
           {255, {0, 1, 150}}, {45, {0, -1, 150}}, {600, {0, 1, 10}}, {100, {}}}) {
    EXPECT_EQ(TMouseTrackerX::AutoScrollColumns(box, x), step) << x;
  }
}

// A record drag goes straight to the mouse's row among the rows shown (2..9 here), a row a step
// before or past them, wherever the mouse is.
TEST(MouseTracker, ARecordDragStepsOneRowPastTheRowsShown) {
  struct Case {
    int mouse_row, current, distance;
  };
  for (const Case c : {Case{5, 3, 2}, Case{2, 6, -4}, Case{9, 9, 0}, Case{10, 9, 1}, Case{40, 4, 1}, Case{1, 2, -1},
                       Case{-1, 5, -1}}) {
    EXPECT_EQ(TMouseTrackerX::RecordDragDistance(c.mouse_row, 2, 9, c.current), c.distance) << c.mouse_row;
  }
}

}  // namespace
}  // namespace lab
