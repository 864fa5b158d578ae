// Incremental search: the search text, the walk through the records and the time-out.

#include "grid/inc_search.h"

#include "grid/grid_services.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

void TIncSearchX::Locate(const std::string& Text, int TimeOut, int Mode) {
  if (!host_.SearchLinkActive()) return;
  const std::string wanted = text_ + Text;
  bool found = false;
  if (!wanted.empty()) {
    if (const std::optional<std::string> current = host_.SearchedText()) {
      if (Mode == 0 && BeginsWithTextX(*current, wanted)) found = true;
      else found = Walk(wanted, Mode);
    }
  }
  active_ = true;
  // Without a match the typed characters are dropped: the text still names the record shown.
  if (found) text_ = wanted;
  host_.IncSearchShown(true);
  time_out_ = TimeOut;
  StopTimer();
  RestartTimer();
}

bool TIncSearchX::Walk(const std::string& Wanted, int Mode) {
  bool found = false;
  host_.BeginWalk();
  // Also when a text raises: the records come back where they were, shown again by the search.
  TScopeExit end([this, &found] {
    guarding_ = true;
    TScopeExit unguard([this] { guarding_ = false; });
    host_.EndWalk(found);
  });
  if (Mode == 0)
    if (const std::optional<bool> located = host_.LocateByDataSet(Wanted)) return found = *located;
  const int step = Mode == 2 ? -1 : 1;
  for (bool more = host_.MoveRecord(Mode == 0 ? 0 : step); more; more = host_.MoveRecord(step)) {
    const std::optional<std::string> text = host_.SearchedText();
    if (text && BeginsWithTextX(*text, Wanted)) return found = true;
  }
  return false;
}

void TIncSearchX::DropLastChar() {
  text_.erase(Utf8Prev(text_, text_.size()));
  host_.IncSearchShown(true);
  RestartTimer();
}

void TIncSearchX::Stop() {
  StopTimer();
  if (!active_) return;
  active_ = false;
  text_.clear();
  host_.IncSearchShown(false);
}

void TIncSearchX::RestartTimer() {
  if (!active_ || time_out_ < 0) return;
  host_.SetIncSearchTimer(time_out_);
  timer_ = true;
}

void TIncSearchX::StopTimer() {
  if (!timer_) return;
  host_.SetIncSearchTimer(-1);
  timer_ = false;
}

}  // namespace lab
