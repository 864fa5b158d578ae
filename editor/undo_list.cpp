#include "editor/undo_list.h"

#include <limits>

namespace lab {

void TCodeEditUndoItem::Assign(TPersistent* Source) {
  if (auto* item = dynamic_cast<TCodeEditUndoItem*>(Source)) {
    reason_ = item->reason_;
    sel_mode_ = item->sel_mode_;
    start_ = item->start_;
    end_ = item->end_;
    text_ = item->text_;
    number_ = item->number_;
    return;
  }
  TPersistent::Assign(Source);
}

TCodeEditUndoList::~TCodeEditUndoList() { OnAddedUndo = nullptr; }

void TCodeEditUndoList::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCodeEditUndoList*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  std::deque<std::unique_ptr<TCodeEditUndoItem>> copies;
  for (const auto& item : source->items_) {
    auto copy = std::make_unique<TCodeEditUndoItem>();
    copy->Assign(item.get());
    copies.push_back(std::move(copy));
  }
  items_.swap(copies);
  block_change_number_ = source->block_change_number_;
  block_count_ = source->block_count_;
  full_undo_impossible_ = source->full_undo_impossible_;
  lock_count_ = source->lock_count_;
  max_undo_actions_ = source->max_undo_actions_;
  next_change_number_ = source->next_change_number_;
  inside_redo_ = source->inside_redo_;
}

void TCodeEditUndoList::AdvanceChangeNumber() {
  // Wraps past the largest number to the smallest and never lands on 0, which means "no block".
  if (next_change_number_ == std::numeric_limits<std::int32_t>::max())
    next_change_number_ = std::numeric_limits<std::int32_t>::min();
  else
    ++next_change_number_;
  if (next_change_number_ == 0) next_change_number_ = 1;
}

void TCodeEditUndoList::AddChange(TCodeChangeReason AReason, TBufferCoord AStart, TBufferCoord AEnd,
                                  std::u32string_view ChangeText, TCodeSelectionMode SelMode) {
  if (lock_count_ > 0) return;
  std::int32_t number = block_change_number_;
  if (number == 0) {
    number = next_change_number_;
    if (block_count_ == 0) AdvanceChangeNumber();
  }
  PushItem(std::make_unique<TCodeEditUndoItem>(AReason, SelMode, AStart, AEnd, std::u32string(ChangeText),
                                               number));
}

void TCodeEditUndoList::BeginBlock() {
  ++block_count_;
  block_change_number_ = next_change_number_;
}

void TCodeEditUndoList::EndBlock() {
  if (block_count_ <= 0) return;
  if (--block_count_ > 0) return;
  const std::int32_t closed = block_change_number_;
  block_change_number_ = 0;
  AdvanceChangeNumber();
  const TCodeEditUndoItem* top = PeekItem();
  if (top && top->ChangeNumber() == closed && OnAddedUndo) OnAddedUndo(this);
}

void TCodeEditUndoList::AddGroupBreak() {
  if (LastChangeReason() != crGroupBreak) AddChange(crGroupBreak, {}, {}, {}, smNormal);
}

std::unique_ptr<TCodeEditUndoItem> TCodeEditUndoList::PopItem() {
  if (items_.empty()) return nullptr;
  std::unique_ptr<TCodeEditUndoItem> item = std::move(items_.back());
  items_.pop_back();
  return item;
}

void TCodeEditUndoList::PushItem(std::unique_ptr<TCodeEditUndoItem> Item) {
  if (!Item) return;
  // Read before the limit is applied: with a limit of 0 the item is freed at once.
  const bool group_break = Item->ChangeReason() == crGroupBreak;
  items_.push_back(std::move(Item));
  EnforceMaxEntries();
  if (!group_break && OnAddedUndo) OnAddedUndo(this);
}

TCodeChangeReason TCodeEditUndoList::LastChangeReason() const {
  return items_.empty() ? crNothing : items_.back()->ChangeReason();
}

void TCodeEditUndoList::Clear() {
  items_.clear();
  full_undo_impossible_ = false;
}

void TCodeEditUndoList::EnforceMaxEntries() {
  while (static_cast<int>(items_.size()) > max_undo_actions_) {
    items_.pop_front();
    full_undo_impossible_ = true;
  }
}

void TCodeEditUndoList::SetMaxUndoActions(int Value) {
  max_undo_actions_ = Value < 0 ? 0 : Value;
  EnforceMaxEntries();
}

void TCodeEditUndoList::MarkTopAsUnmodified(bool Value) {
  if (Value)
    initial_change_number_ = items_.empty() ? 0 : items_.back()->ChangeNumber();
  else if (IsTopMarkedAsUnmodified())
    initial_change_number_ = -1;
}

bool TCodeEditUndoList::IsTopMarkedAsUnmodified() const {
  if (items_.empty()) return initial_change_number_ == 0;
  return items_.back()->ChangeNumber() == initial_change_number_;
}

}  // namespace lab
