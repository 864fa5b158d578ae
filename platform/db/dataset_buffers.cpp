// The record-buffer window of TDataSet: filling it from the cursor, moving through it, resizing
// it for the data links and rebuilding it around the cursor.
#include "platform/db/dataset.h"

#include <algorithm>

#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/db_errors.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TDataSet::ClearBuffers() {
  record_count_ = 0;
  active_ = 0;
  current_ = -1;
  bof_ = eof_ = true;
}

void TDataSet::ActivateBuffers() {
  record_count_ = 1;
  active_ = 0;
  current_ = 0;
  bof_ = eof_ = false;
}

// Moves the buffer at CurIndex to NewIndex, shifting the ones between.
void TDataSet::MoveBuffer(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  const auto b = buffers_.begin();
  if (CurIndex < NewIndex)
    std::rotate(b + CurIndex, b + CurIndex + 1, b + NewIndex + 1);
  else
    std::rotate(b + NewIndex, b + CurIndex, b + CurIndex + 1);
}

void TDataSet::SetCurrentRecord(int Index) {
  if (current_ == Index) return;
  InternalSetToRecord(buffers_[static_cast<std::size_t>(Index)]);
  current_ = Index;
}

void TDataSet::UpdateCursorPos() {
  if (record_count_ > 0) SetCurrentRecord(active_);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (record_count_ > 0) {
    SetCurrentRecord(record_count_ - 1);
    // The cursor of a new record stands on the record that will follow it.
    if (buffers_[static_cast<std::size_t>(record_count_ - 1)].BookmarkFlag == bfInserted) mode = gmCurrent;
  }
  TRecordBuffer& spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (GetRecord(spare, mode) != grOK) {
    CursorPosChanged();
    return false;
  }
  spare.Editing = false;
  GetCalcFields(spare);
  if (record_count_ == 0)
    ActivateBuffers();
  else if (record_count_ < buffer_count_)
    ++record_count_;
  else
    MoveBuffer(0, record_count_);
  current_ = record_count_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (record_count_ > 0) SetCurrentRecord(0);
  TRecordBuffer& spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (GetRecord(spare, gmPrior) != grOK) {
    CursorPosChanged();
    return false;
  }
  spare.Editing = false;
  GetCalcFields(spare);
  if (record_count_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(record_count_, 0);
    if (record_count_ < buffer_count_) {
      ++record_count_;
      ++active_;
    }
  }
  current_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  while (record_count_ < buffer_count_ && GetNextRecord()) ++n;
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  while (record_count_ < buffer_count_ && GetPriorRecord()) ++n;
  return n;
}

void TDataSet::First() {
  CheckBrowseMode();
  Fire(BeforeScroll, this);
  ClearBuffers();
  {
    TScopeExit notify([&] {
      bof_ = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  }
  Fire(AfterScroll, this);
}

void TDataSet::Last() {
  CheckBrowseMode();
  Fire(BeforeScroll, this);
  ClearBuffers();
  {
    TScopeExit notify([&] {
      eof_ = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  }
  Fire(AfterScroll, this);
}

int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  int result = 0;
  Fire(BeforeScroll, this);
  if ((Distance > 0 && !eof_) || (Distance < 0 && !bof_)) {
    bof_ = eof_ = false;
    const int old_count = record_count_;
    int shift = 0;  // how far the buffers' contents moved toward the start
    {
      TScopeExit notify([&] {
        if (record_count_ != old_count)
          DataEvent(deDataSetChange, 0);
        else
          DataEvent(deDataSetScroll, shift);
      });
      while (Distance > 0) {
        if (active_ < record_count_ - 1) {
          ++active_;
        } else {
          const int step = record_count_ < buffer_count_ ? 0 : 1;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          shift += step;
          active_ = record_count_ - 1;
        }
        --Distance;
        ++result;
      }
      while (Distance < 0) {
        if (active_ > 0) {
          --active_;
        } else {
          const int step = record_count_ < buffer_count_ ? 0 : 1;
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          shift -= step;
          active_ = 0;
        }
        ++Distance;
        --result;
      }
    }
    Fire(AfterScroll, this);
  }
  return result;
}

void TDataSet::Resync(TResyncMode Mode) {
  if (buffers_.empty()) return;
  TRecordBuffer& spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (Mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent) != grOK) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  } else if (GetRecord(spare, gmCurrent) != grOK && GetRecord(spare, gmNext) != grOK &&
             GetRecord(spare, gmPrior) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  spare.Editing = false;
  GetCalcFields(spare);
  int count = Mode.Contains(rmCenter) ? (buffer_count_ - 1) / 2 : active_;
  MoveBuffer(record_count_, 0);
  ActivateBuffers();
  TScopeExit notify([&] { DataEvent(deDataSetChange, 0); });
  while (count > 0 && GetPriorRecord()) --count;
  GetNextRecords();
  GetPriorRecords();
}

void TDataSet::AdjustFirstRecord(int Delta) {
  if (Delta == 0) return;
  for (TDataSource* source : sources_)
    for (TDataLink* link : source->links_)
      if (link->active_) link->first_record_ += Delta;
}

void TDataSet::SetBufferCount(int Value) {
  if (Value == buffer_count_) return;
  if (Value < buffer_count_ && record_count_ > 0) {
    // Keep the active record: drop records from the front when it would fall off the end.
    const int drop = std::max(0, active_ - (Value - 1));
    if (drop > 0) {
      std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.begin() + record_count_);
      record_count_ -= drop;
      active_ -= drop;
      current_ = current_ >= drop ? current_ - drop : -1;
      AdjustFirstRecord(-drop);
    }
    if (record_count_ > Value) record_count_ = Value;
    if (current_ >= record_count_) current_ = -1;
  }
  // The buffers past the filled ones hold nothing worth keeping; the spare follows the last.
  if (static_cast<int>(buffers_.size()) > record_count_ + 1) buffers_.resize(static_cast<std::size_t>(record_count_ + 1));
  buffers_.resize(static_cast<std::size_t>(Value + 1));
  buffer_count_ = Value;
  if (record_count_ > 0 && record_count_ < buffer_count_ && state_ != dsInactive) {
    GetNextRecords();
    AdjustFirstRecord(GetPriorRecords());
  } else if (record_count_ == 0 && IsCursorOpen() && !IsEditMode(state_)) {
    GetNextRecords();
  }
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int wanted = 1;
  for (TDataSource* source : sources_)
    for (TDataLink* link : source->links_) wanted = std::max(wanted, link->buffer_count_);
  SetBufferCount(wanted);
}

// ---- Bookmarks ----

TBookmark TDataSet::Bookmark() const {
  if (state_ != dsBrowse && !IsEditMode(state_)) return {};
  if (IsEmpty()) return {};
  const TRecordBuffer& b = ActiveBuffer();
  return b.BookmarkFlag == bfCurrent ? b.Bookmark : TBookmark();
}

void TDataSet::GotoBookmark(const TBookmark& Value) {
  if (Value.empty()) return;
  CheckBrowseMode();
  Fire(BeforeScroll, this);
  InternalGotoBookmark(Value);
  Resync({rmExact, rmCenter});
  Fire(AfterScroll, this);
}

}  // namespace lab
