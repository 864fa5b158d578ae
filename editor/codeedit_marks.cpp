// Marks and bookmarks: the marks of the gutter, the ten bookmarks, and marks following the lines that
// editing inserts and deletes.

#include <algorithm>

#include "editor/codeedit.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// ---------------------------------------------------------------------------------------------
// A mark

TCodeEditMark::TCodeEditMark(TCustomCodeEdit* AOwner) : edit_(AOwner) {}

TCustomCodeEdit* TCodeEditMark::GetEdit() {
  if (edit_ && edit_->Marks()->IndexOf(this) < 0) edit_ = nullptr;
  return edit_;
}

void TCodeEditMark::InvalidateRow(int ALine) {
  if (visible_ && edit_ && ALine > 0) edit_->InvalidateGutterLines(ALine, ALine);
}

void TCodeEditMark::SetChar(int Value) { char_ = Value; }

void TCodeEditMark::SetImage(int Value) {
  image_index_ = Value;
  InvalidateRow(line_);
}

void TCodeEditMark::SetInternalImage(bool Value) {
  internal_image_ = Value;
  InvalidateRow(line_);
}

void TCodeEditMark::SetLine(int Value) {
  InvalidateRow(line_);
  line_ = Value;
  InvalidateRow(line_);
}

void TCodeEditMark::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  if (edit_ && line_ > 0) edit_->InvalidateGutterLines(line_, line_);
}

// ---------------------------------------------------------------------------------------------
// The mark list

TCodeEditMarkList::~TCodeEditMarkList() {
  OnChange = nullptr;
  for (TCodeEditMark* mark : items_) delete mark;
}

int TCodeEditMarkList::Add(TCodeEditMark* Item) {
  items_.push_back(Item);
  Changed();
  return Count() - 1;
}

int TCodeEditMarkList::Remove(TCodeEditMark* Item) {
  const int index = IndexOf(Item);
  if (index >= 0) items_.erase(items_.begin() + index);
  Changed();
  return index;
}

void TCodeEditMarkList::Clear() {
  items_.clear();
  Changed();
}

int TCodeEditMarkList::IndexOf(const TCodeEditMark* Item) const {
  const auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TCodeEditMarkList::GetMarksForLine(int Line, TCodeEditMarks& Marks) const {
  Marks.fill(nullptr);
  std::size_t n = 0;
  for (TCodeEditMark* mark : items_) {
    if (mark->Line() != Line) continue;
    Marks[n++] = mark;
    if (n == Marks.size()) break;
  }
}

// ---------------------------------------------------------------------------------------------
// The editor's marks and bookmarks

void TCustomCodeEdit::MarkListChanged(TObject* /*Sender*/) {
  if (!ComponentState().Contains(csLoading)) InvalidateGutter();
}

TCodeEditMark* TCustomCodeEdit::BookMarks(int Index) const {
  return Index >= 0 && Index < static_cast<int>(bookmarks_.size()) ? bookmarks_[static_cast<std::size_t>(Index)]
                                                                    : nullptr;
}

bool TCustomCodeEdit::GetBookMark(int BookMark, int& X, int& Y) const {
  const TCodeEditMark* mark = BookMarks(BookMark);
  if (!mark) return false;
  X = mark->Char();
  Y = mark->Line();
  return true;
}

void TCustomCodeEdit::DoOnPlaceMark(TCodeEditMark*& Mark) {
  if (OnPlaceBookmark) OnPlaceBookmark(this, Mark);
}

void TCustomCodeEdit::DoOnClearBookmark(TCodeEditMark*& Mark) {
  if (OnClearBookmark) OnClearBookmark(this, Mark);
}

void TCustomCodeEdit::SetBookmark(int BookMark, int X, int Y) {
  if (BookMark < 0 || BookMark > 9 || Y < 1 || Y > std::max(1, lines_->Count())) return;
  auto* mark = new TCodeEditMark(this);
  // The mark is the editor's once it is in the list; until then it is freed if anything fails.
  TScopeFail drop([&] { delete mark; });
  mark->SetLine(Y);
  mark->SetChar(X);
  mark->SetImage(BookMark);
  mark->SetBookmarkNumber(BookMark);
  mark->SetVisible(true);
  mark->SetInternalImage(bookmark_options_->BookmarkImages() == nullptr);
  TCodeEditMark* placed = mark;
  DoOnPlaceMark(placed);
  if (placed != mark) {
    // The handler put another mark in its place, or none.
    delete mark;
    mark = nullptr;
  }
  // A handler that hands back the bookmark already set leaves it as it is (clearing it first
  // would free the very mark about to be stored).
  if (!placed || placed == bookmarks_[static_cast<std::size_t>(BookMark)]) return;
  if (bookmarks_[static_cast<std::size_t>(BookMark)]) ClearBookmark(BookMark);
  // A mark stands in one slot and once in the list: one the handler took from another bookmark
  // leaves that slot, and one already in the list is not added twice (either would be freed twice).
  for (TCodeEditMark*& slot : bookmarks_)
    if (slot == placed) slot = nullptr;
  bookmarks_[static_cast<std::size_t>(BookMark)] = placed;
  mark = nullptr;
  if (marks_->IndexOf(placed) < 0) marks_->Add(placed);
}

void TCustomCodeEdit::ClearBookmark(int BookMark) {
  if (BookMark < 0 || BookMark > 9) return;
  TCodeEditMark*& slot = bookmarks_[static_cast<std::size_t>(BookMark)];
  if (!slot) return;
  TCodeEditMark* const held = slot;
  TCodeEditMark* mark = held;
  DoOnClearBookmark(mark);
  // The mark leaves its slot and the list together, so it is no longer drawn nor moved by edits. A
  // handler that answers nil takes it over; otherwise it is freed.
  slot = nullptr;
  marks_->Remove(held);
  if (mark) delete held;
}

void TCustomCodeEdit::GotoBookmark(int BookMark) {
  const TCodeEditMark* mark = BookMarks(BookMark);
  if (!mark || mark->Line() > lines_->Count()) return;
  const TBufferCoord target{mark->Char(), mark->Line()};
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  SetCaretXYEx(false, target);
  ScrollCaretIntoViewEx(true);
  if (SelAvail()) InvalidateSelection();
  block_begin_ = block_end_ = CaretXY();
}

void TCustomCodeEdit::NotifyLinesInserted(int FirstLine, int Count) {
  for (int i = 0; i < marks_->Count(); ++i) {
    TCodeEditMark* mark = marks_->Items(i);
    if (mark->Line() >= FirstLine) mark->SetLine(mark->Line() + Count);
  }
  if (plugins_)
    for (TCodeEditPlugin* plugin : std::vector<TCodeEditPlugin*>(*plugins_)) plugin->LinesInserted(FirstLine, Count);
}

void TCustomCodeEdit::NotifyLinesDeleted(int FirstLine, int Count) {
  for (int i = 0; i < marks_->Count(); ++i) {
    TCodeEditMark* mark = marks_->Items(i);
    // Marks on deleted lines gather on the first line of the deletion.
    if (mark->Line() >= FirstLine + Count)
      mark->SetLine(mark->Line() - Count);
    else if (mark->Line() > FirstLine)
      mark->SetLine(FirstLine);
  }
  if (plugins_)
    for (TCodeEditPlugin* plugin : std::vector<TCodeEditPlugin*>(*plugins_)) plugin->LinesDeleted(FirstLine, Count);
}

}  // namespace lab
