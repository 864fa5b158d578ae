#include "editor/undo_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace lab {
namespace {

void Change(TCodeEditUndoList& list, TCodeChangeReason reason = 0, std::u32string_view text = U"x") {
  list.AddChange(reason, {1, 1}, {2, 1}, text, smNormal);
}

std::vector<int> Numbers(const TCodeEditUndoList& list) {
  std::vector<int> out;
  for (int i = 0; i < list.ItemCount(); ++i) out.push_back(list.Items(i)->ChangeNumber());
  return out;
}

TEST(CodeEditUndoList, ItemsKeepWhatWasRecorded) {
  TCodeEditUndoList list;
  EXPECT_FALSE(list.CanUndo());
  EXPECT_EQ(list.LastChangeReason(), crNothing);
  EXPECT_EQ(list.PopItem(), nullptr);
  list.AddChange(4, {3, 2}, {5, 7}, U"gone \u00E9", smColumn);
  const TCodeEditUndoItem* item = list.PeekItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->ChangeReason(), 4);
  EXPECT_EQ(item->ChangeSelMode(), smColumn);
  EXPECT_EQ(item->ChangeStartPos(), (TBufferCoord{3, 2}));
  EXPECT_EQ(item->ChangeEndPos(), (TBufferCoord{5, 7}));
  EXPECT_EQ(item->ChangeStr(), U"gone \u00E9");
  EXPECT_EQ(item->ChangeNumber(), 1);
  TCodeEditUndoItem copy;
  copy.Assign(list.PeekItem());
  EXPECT_EQ(copy.ChangeStr(), item->ChangeStr());
  EXPECT_EQ(copy.ChangeEndPos(), item->ChangeEndPos());
  std::unique_ptr<TCodeEditUndoItem> popped = list.PopItem();
  EXPECT_EQ(popped->ChangeReason(), 4);
  EXPECT_EQ(list.ItemCount(), 0);
}

TEST(CodeEditUndoList, TheLimitDropsTheOldest) {
  TCodeEditUndoList list;
  EXPECT_EQ(list.MaxUndoActions(), 1024);
  for (int i = 0; i < 1024; ++i) Change(list);
  EXPECT_FALSE(list.FullUndoImpossible());
  Change(list, 7);
  EXPECT_EQ(list.ItemCount(), 1024);
  EXPECT_TRUE(list.FullUndoImpossible());
  EXPECT_EQ(list.Items(0)->ChangeNumber(), 2);  // number 1 went
  EXPECT_EQ(list.LastChangeReason(), 7);
  list.SetMaxUndoActions(10);  // applied at once
  EXPECT_EQ(list.ItemCount(), 10);
  EXPECT_EQ(list.Items(0)->ChangeNumber(), 1016);
  list.Clear();
  EXPECT_FALSE(list.FullUndoImpossible());
  list.SetMaxUndoActions(-5);
  EXPECT_EQ(list.MaxUndoActions(), 0);
}

TEST(CodeEditUndoList, ALimitOfZeroKeepsNothingAndStillReports) {
  TCodeEditUndoList list;
  int added = 0;
  list.OnAddedUndo = [&](TObject*) { ++added; };
  list.SetMaxUndoActions(0);
  Change(list);  // the item is dropped at once; the report must not look at it afterwards
  list.AddGroupBreak();
  EXPECT_EQ(list.ItemCount(), 0);
  EXPECT_TRUE(list.FullUndoImpossible());
  EXPECT_EQ(added, 1);
  EXPECT_EQ(list.PeekItem(), nullptr);
}

TEST(CodeEditUndoList, BlocksShareOneChangeNumber) {
  TCodeEditUndoList list;
  int added = 0;
  list.OnAddedUndo = [&](TObject*) { ++added; };
  Change(list);  // 1
  list.BeginBlock();
  Change(list);
  list.BeginBlock();  // nested: the same number
  Change(list);
  list.EndBlock();
  Change(list);
  EXPECT_EQ(list.BlockCount(), 1);
  list.EndBlock();
  EXPECT_EQ(list.BlockChangeNumber(), 0);
  Change(list);  // a new number after the block
  EXPECT_EQ(Numbers(list), (std::vector<int>{1, 2, 2, 2, 3}));
  EXPECT_EQ(added, 6);  // each item, and the close of the outer block once
  list.EndBlock();  // unmatched: nothing
  EXPECT_EQ(list.BlockCount(), 0);

  // An empty block reports nothing but still uses up a number.
  added = 0;
  list.BeginBlock();
  list.EndBlock();
  EXPECT_EQ(added, 0);
  Change(list);
  EXPECT_EQ(list.PeekItem()->ChangeNumber(), 5);

  // A number set from outside (the redo list during an undo) is taken as it is.
  list.SetBlockChangeNumber(42);
  Change(list);
  Change(list);
  list.SetBlockChangeNumber(0);
  Change(list);
  EXPECT_EQ(Numbers(list), (std::vector<int>{1, 2, 2, 2, 3, 5, 42, 42, 6}));
}

TEST(CodeEditUndoList, UnmodifiedState) {
  TCodeEditUndoList list;
  EXPECT_TRUE(list.IsTopMarkedAsUnmodified());  // empty and never marked
  Change(list);
  EXPECT_FALSE(list.IsTopMarkedAsUnmodified());
  list.MarkTopAsUnmodified(true);
  EXPECT_TRUE(list.IsTopMarkedAsUnmodified());
  Change(list);
  EXPECT_FALSE(list.IsTopMarkedAsUnmodified());
  auto undone = list.PopItem();
  EXPECT_TRUE(list.IsTopMarkedAsUnmodified());  // back at the saved state
  list.MarkTopAsUnmodified(false);  // set as modified
  EXPECT_FALSE(list.IsTopMarkedAsUnmodified());
  list.MarkTopAsUnmodified(false);  // already modified: stays so
  EXPECT_FALSE(list.IsTopMarkedAsUnmodified());
  list.Clear();
  list.MarkTopAsUnmodified(true);
  EXPECT_TRUE(list.IsTopMarkedAsUnmodified());
}

TEST(CodeEditUndoList, GroupBreaksAreNotDoubledNorReported) {
  TCodeEditUndoList list;
  int added = 0;
  list.OnAddedUndo = [&](TObject*) { ++added; };
  Change(list);
  list.AddGroupBreak();
  list.AddGroupBreak();
  EXPECT_EQ(list.ItemCount(), 2);
  EXPECT_EQ(list.LastChangeReason(), crGroupBreak);
  EXPECT_TRUE(list.PeekItem()->ChangeStr().empty());
  EXPECT_EQ(added, 1);
  Change(list);
  list.AddGroupBreak();
  EXPECT_EQ(list.ItemCount(), 4);
}

TEST(CodeEditUndoList, LockStopsRecording) {
  TCodeEditUndoList list;
  list.Lock();
  list.Lock();
  Change(list);
  list.AddGroupBreak();
  list.Unlock();
  Change(list);
  EXPECT_EQ(list.ItemCount(), 0);
  list.Unlock();
  list.Unlock();  // at 0: nothing
  Change(list);
  EXPECT_EQ(list.ItemCount(), 1);
  EXPECT_EQ(list.PeekItem()->ChangeNumber(), 1);  // locked changes took no number
  list.Lock();
  list.Unlock();
  EXPECT_FALSE(list.IsLocked());
}

TEST(CodeEditUndoList, PushAndAssign) {
  TCodeEditUndoList undo, redo;
  Change(undo, 1);
  Change(undo, 2);
  undo.MarkTopAsUnmodified(true);
  redo.PushItem(undo.PopItem());
  EXPECT_EQ(redo.PeekItem()->ChangeReason(), 2);
  EXPECT_EQ(undo.ItemCount(), 1);
  undo.SetInsideRedo(true);
  TCodeEditUndoList copy;
  copy.Assign(&undo);
  EXPECT_EQ(copy.ItemCount(), 1);
  EXPECT_NE(copy.PeekItem(), undo.PeekItem());  // items are copied, not shared
  EXPECT_TRUE(copy.InsideRedo());
  Change(copy);
  EXPECT_EQ(copy.PeekItem()->ChangeNumber(), 3);  // the numbering goes on
  EXPECT_FALSE(copy.IsTopMarkedAsUnmodified());
}

}  // namespace
}  // namespace lab
