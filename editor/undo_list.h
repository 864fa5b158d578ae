#pragma once
// The editor's undo and redo lists: TCodeEditUndoItem records one change, TCodeEditUndoList keeps them
// oldest first under a size limit, numbers them so that a block of changes undoes as one step, and
// remembers which state is the unmodified one.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "editor/edit_types.h"
#include "platform/rtl/persistent.h"

namespace lab {

// Reason codes are given by the editing commands; the lists store any value. crNothing and
// crGroupBreak have their meaning here.
using TCodeChangeReason = std::uint8_t;
constexpr TCodeChangeReason crInsert = 0;            // the text from start to end was inserted
constexpr TCodeChangeReason crPaste = 1;             // inserted by a paste
constexpr TCodeChangeReason crDragDropInsert = 2;    // inserted by dropping dragged text
constexpr TCodeChangeReason crDeleteAfterCursor = 3; // a selection made backwards was deleted
constexpr TCodeChangeReason crDelete = 4;            // text was deleted
constexpr TCodeChangeReason crLineBreak = 5;
constexpr TCodeChangeReason crIndent = 6;
constexpr TCodeChangeReason crUnindent = 7;
constexpr TCodeChangeReason crSilentDelete = 8;             // deleted before the caret
constexpr TCodeChangeReason crSilentDeleteAfterCursor = 9;  // deleted after the caret
constexpr TCodeChangeReason crAutoCompleteBegin = 10;
constexpr TCodeChangeReason crAutoCompleteEnd = 11;
constexpr TCodeChangeReason crPasteBegin = 12;
constexpr TCodeChangeReason crPasteEnd = 13;
constexpr TCodeChangeReason crSpecial1Begin = 14;
constexpr TCodeChangeReason crSpecial1End = 15;
constexpr TCodeChangeReason crSpecial2Begin = 16;
constexpr TCodeChangeReason crSpecial2End = 17;
constexpr TCodeChangeReason crCaret = 18;
constexpr TCodeChangeReason crSelection = 19;
constexpr TCodeChangeReason crNothing = 20;     // what an empty list answers
constexpr TCodeChangeReason crGroupBreak = 21;  // ends a group of changes that undo together
constexpr TCodeChangeReason crDeleteAll = 22;
constexpr TCodeChangeReason crWhiteSpaceAdd = 23;  // blanks added to reach the caret
constexpr TCodeChangeReason crTrailingBlanksTrimmed = 24;  // blanks a stored line lost at its end

class TCodeEditUndoItem : public TPersistent {
  LAB_CLASS(TCodeEditUndoItem, TPersistent)
 public:
  TCodeEditUndoItem() = default;
  TCodeEditUndoItem(TCodeChangeReason AReason, TCodeSelectionMode ASelMode, TBufferCoord AStart,
                    TBufferCoord AEnd, std::u32string AText, std::int32_t ANumber)
      : reason_(AReason), sel_mode_(ASelMode), start_(AStart), end_(AEnd), text_(std::move(AText)),
        number_(ANumber) {}

  // Copies all six fields of another item.
  void Assign(TPersistent* Source) override;

  TCodeChangeReason ChangeReason() const { return reason_; }
  TCodeSelectionMode ChangeSelMode() const { return sel_mode_; }
  TBufferCoord ChangeStartPos() const { return start_; }
  TBufferCoord ChangeEndPos() const { return end_; }
  const std::u32string& ChangeStr() const { return text_; }
  std::int32_t ChangeNumber() const { return number_; }

  void SetChangeReason(TCodeChangeReason Value) { reason_ = Value; }
  void SetChangeSelMode(TCodeSelectionMode Value) { sel_mode_ = Value; }
  void SetChangeStartPos(TBufferCoord Value) { start_ = Value; }
  void SetChangeEndPos(TBufferCoord Value) { end_ = Value; }
  void SetChangeStr(std::u32string Value) { text_ = std::move(Value); }
  void SetChangeNumber(std::int32_t Value) { number_ = Value; }

 private:
  TCodeChangeReason reason_ = crNothing;
  TCodeSelectionMode sel_mode_ = smNormal;
  TBufferCoord start_;
  TBufferCoord end_;
  std::u32string text_;
  std::int32_t number_ = 0;
};

class TCodeEditUndoList : public TPersistent {
  LAB_CLASS(TCodeEditUndoList, TPersistent)
 public:
  explicit TCodeEditUndoList(TPersistent* AOwner = nullptr) : owner_(AOwner) {}
  ~TCodeEditUndoList() override;
  TCodeEditUndoList(const TCodeEditUndoList&) = delete;
  TCodeEditUndoList& operator=(const TCodeEditUndoList&) = delete;

  TPersistent* GetOwner() override { return owner_; }
  // Copies every item (as new items) and the state, but not the unmodified mark nor the event.
  void Assign(TPersistent* Source) override;

  // Records one change; nothing while locked. Inside a block the item takes the block's number.
  void AddChange(TCodeChangeReason AReason, TBufferCoord AStart, TBufferCoord AEnd,
                 std::u32string_view ChangeText, TCodeSelectionMode SelMode);
  // Items recorded between the outermost BeginBlock and its EndBlock share one change number.
  void BeginBlock();
  void EndBlock();
  // A group break, unless the newest item already is one.
  void AddGroupBreak();

  // The newest item, handed to the caller; nullptr when empty.
  std::unique_ptr<TCodeEditUndoItem> PopItem();
  // The newest item, still owned by the list; nullptr when empty.
  TCodeEditUndoItem* PeekItem() const { return items_.empty() ? nullptr : items_.back().get(); }
  // Appends an item made elsewhere (moving items between the undo and the redo list).
  void PushItem(std::unique_ptr<TCodeEditUndoItem> Item);

  bool CanUndo() const { return !items_.empty(); }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  TCodeEditUndoItem* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)).get(); }
  // crNothing when empty.
  TCodeChangeReason LastChangeReason() const;
  // Frees every item and forgets that items were dropped.
  void Clear();
  void Lock() { ++lock_count_; }
  void Unlock() {
    if (lock_count_ > 0) --lock_count_;
  }
  bool IsLocked() const { return lock_count_ > 0; }

  int MaxUndoActions() const { return max_undo_actions_; }
  // Negative values count as 0; a smaller limit drops the oldest items at once.
  void SetMaxUndoActions(int Value);
  // Items were dropped because of the limit.
  bool FullUndoImpossible() const { return full_undo_impossible_; }
  bool InsideRedo() const { return inside_redo_; }
  void SetInsideRedo(bool Value) { inside_redo_ = Value; }
  std::int32_t BlockChangeNumber() const { return block_change_number_; }
  void SetBlockChangeNumber(std::int32_t Value) { block_change_number_ = Value; }
  int BlockCount() const { return block_count_; }

  // True: the present state becomes the unmodified one. False: when the list stands in the
  // unmodified state, no state is unmodified any more.
  void MarkTopAsUnmodified(bool Value);
  // The list stands in the unmodified state.
  bool IsTopMarkedAsUnmodified() const;

  // An item (not a group break) or a block was added.
  TNotifyEvent OnAddedUndo;

 private:
  void EnforceMaxEntries();
  void AdvanceChangeNumber();

  TPersistent* owner_;
  std::int32_t block_change_number_ = 0;
  int block_count_ = 0;
  bool full_undo_impossible_ = false;
  std::deque<std::unique_ptr<TCodeEditUndoItem>> items_;
  int lock_count_ = 0;
  int max_undo_actions_ = 1024;
  std::int32_t next_change_number_ = 1;
  std::int32_t initial_change_number_ = 0;
  bool inside_redo_ = false;
};

}  // namespace lab
