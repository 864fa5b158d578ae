#pragma once
// Incremental search: typed characters find the first record whose text in the current column
// begins with them (without case). A character no record continues is dropped and the record
// stays. The search ends with its time-out (counted from the last keystroke), a key that leaves it
// or a record moved by something else.
//
// The grid owns the search and lends it the records through IIncSearchHostX; the search knows
// nothing of columns, fields or windows, so it is driven alone over any list of texts.

#include <optional>
#include <string>

namespace lab {

// What incremental search asks of the grid.
class IIncSearchHostX {
 public:
  virtual ~IIncSearchHostX() = default;
  // The records can be searched at all (the grid's link is active).
  virtual bool SearchLinkActive() = 0;
  // The current record's text in the searched column; none without a column that shows a field.
  virtual std::optional<std::string> SearchedText() = 0;
  // The dataset's own search for the first record whose text begins with Text, where it finds what
  // a walk would; none where it cannot.
  virtual std::optional<bool> LocateByDataSet(const std::string& Text) = 0;
  // A walk through the records: begun (where it began is kept and nothing repaints), a step (Step 0
  // to the first record, 1 the next, -1 the prior; false past the end), ended (back where it began
  // unless Found).
  virtual void BeginWalk() = 0;
  virtual bool MoveRecord(int Step) = 0;
  virtual void EndWalk(bool Found) = 0;
  // The search began or changed (Active) or ended: the current row shows it.
  virtual void IncSearchShown(bool Active) = 0;
  // The time-out's timer: started Interval ms from now (again when it runs), or stopped (negative).
  virtual void SetIncSearchTimer(int Interval) = 0;
};

class TIncSearchX {
 public:
  explicit TIncSearchX(IIncSearchHostX& Host) : host_(Host) {}
  TIncSearchX(const TIncSearchX&) = delete;
  TIncSearchX& operator=(const TIncSearchX&) = delete;

  bool Active() const noexcept { return active_; }
  const std::string& Text() const noexcept { return text_; }
  // The time-out the running search was started with (negative: none).
  int TimeOut() const noexcept { return time_out_; }
  // The search's own walk is showing the records again: the moves it reports keep the search.
  bool Guarding() const noexcept { return guarding_; }

  // Text is added to the search text and the first record beginning with it becomes current: Mode 0
  // from the first record (the current one stays when it matches), 1 forward from the next, 2
  // backward from the prior. Nothing happens while the link is inactive.
  void Locate(const std::string& Text, int TimeOut, int Mode);
  // Backspace: the last character goes and the time-out starts again.
  void DropLastChar();
  // The time-out passed, or a key or a move ended the search: its text goes.
  void Stop();
  // The time-out counted again from now; stopped.
  void RestartTimer();
  void StopTimer();

 private:
  // Walks from the first, next or prior record to the first whose text begins with Wanted.
  bool Walk(const std::string& Wanted, int Mode);

  IIncSearchHostX& host_;
  bool active_ = false;
  std::string text_;
  int time_out_ = 0;
  bool timer_ = false;
  bool guarding_ = false;
};

}  // namespace lab
