// Marks and bookmarks: setting, clearing and reaching bookmarks, marks following the lines that
// editing inserts and deletes, and the marks of one line.

#include <random>

#include "editor_fixture.h"

namespace lab::edittest {
namespace {

TEST_F(EditorTest, BookmarksAreSetClearedAndReached) {
  Fill(50);
  std::vector<int> placed, cleared;
  edit->OnPlaceBookmark = [&](TObject*, TCodeEditMark*& m) { placed.push_back(m->BookmarkNumber()); };
  edit->OnClearBookmark = [&](TObject*, TCodeEditMark*& m) { cleared.push_back(m->BookmarkNumber()); };
  edit->SetBookmark(3, 4, 40);
  TCodeEditMark* mark = edit->BookMarks(3);
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->Line(), 40);
  EXPECT_EQ(mark->Char(), 4);
  EXPECT_EQ(mark->ImageIndex(), 3);
  EXPECT_TRUE(mark->IsBookmark());
  EXPECT_TRUE(mark->Visible());
  EXPECT_TRUE(mark->InternalImage());
  EXPECT_EQ(mark->GetEdit(), edit);
  // Numbers outside 0..9 and lines outside the text are ignored.
  edit->SetBookmark(10, 1, 1);
  edit->SetBookmark(-1, 1, 1);
  edit->SetBookmark(4, 1, 51);
  edit->SetBookmark(4, 1, 0);
  EXPECT_EQ(edit->Marks()->Count(), 1);
  EXPECT_EQ(placed, (std::vector<int>{3}));

  // Going to it centres its row and collapses the selection there.
  edit->SetBlockBegin({1, 2});
  edit->SetBlockEnd({3, 5});
  edit->GotoBookmark(3);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{4, 40}));
  EXPECT_FALSE(edit->SelAvail());
  EXPECT_GT(edit->TopLine(), 1);
  EXPECT_LT(edit->TopLine(), 40);
  int x = 0, y = 0;
  EXPECT_TRUE(edit->GetBookMark(3, x, y));
  EXPECT_EQ(y, 40);
  EXPECT_FALSE(edit->GetBookMark(5, x, y));

  // Setting it again replaces it; clearing drops it.
  edit->SetBookmark(3, 1, 10);
  EXPECT_EQ(cleared, (std::vector<int>{3}));
  EXPECT_EQ(edit->Marks()->Count(), 1);
  EXPECT_EQ(edit->BookMarks(3)->Line(), 10);
  edit->ClearBookmark(3);
  EXPECT_EQ(edit->BookMarks(3), nullptr);
  EXPECT_EQ(edit->Marks()->Count(), 0);
  edit->ClearBookmark(3);  // nothing to clear
  EXPECT_EQ(cleared, (std::vector<int>{3, 3}));

  // A bookmark whose line went away from outside is not reached.
  edit->SetBookmark(2, 1, 45);
  edit->SetCaretXY({1, 1});
  edit->LineList()->DeleteLines(20, 30);
  edit->GotoBookmark(2);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(edit->BookMarks(2)->Line(), 45);  // the line list's own changes leave marks alone
}

TEST_F(EditorTest, APlaceHandlerMayRefuseOrReplaceTheMark) {
  Fill(10);
  edit->SetBookmark(1, 1, 2);
  TCodeEditMark* first = edit->BookMarks(1);
  edit->OnPlaceBookmark = [](TObject*, TCodeEditMark*& m) { m = nullptr; };
  edit->SetBookmark(1, 1, 5);
  EXPECT_EQ(edit->BookMarks(1), first);
  EXPECT_EQ(first->Line(), 2);
  TCodeEditMark* own = nullptr;
  edit->OnPlaceBookmark = [&](TObject* sender, TCodeEditMark*& m) {
    own = new TCodeEditMark(static_cast<TCustomCodeEdit*>(sender));
    own->SetLine(m->Line());
    own->SetBookmarkNumber(m->BookmarkNumber());
    m = own;
  };
  edit->SetBookmark(1, 1, 6);
  EXPECT_EQ(edit->BookMarks(1), own);
  EXPECT_EQ(edit->Marks()->Count(), 1);
}

TEST_F(EditorTest, APlaceHandlerThatKeepsTheBookmarkAlreadySetChangesNothing) {
  Fill(10);
  edit->SetBookmark(1, 1, 2);
  TCodeEditMark* first = edit->BookMarks(1);
  int cleared = 0;
  edit->OnClearBookmark = [&](TObject*, TCodeEditMark*&) { ++cleared; };
  edit->OnPlaceBookmark = [&](TObject*, TCodeEditMark*& m) { m = first; };
  edit->SetBookmark(1, 3, 6);
  ASSERT_EQ(edit->BookMarks(1), first);
  EXPECT_EQ(first->Line(), 2);
  EXPECT_EQ(edit->Marks()->Count(), 1);
  EXPECT_EQ(cleared, 0);
  edit->ClearBookmark(1);
  EXPECT_EQ(edit->Marks()->Count(), 0);
}

// A clear handler that answers nil takes the mark over: the mark leaves the list with its slot, so it
// is no longer drawn nor moved by edits.
TEST_F(EditorTest, AClearHandlerAnsweringNilTakesTheMarkOutOfTheList) {
  Fill(10);
  edit->SetBookmark(2, 1, 5);
  edit->SetBookmark(3, 1, 6);
  TCodeEditMark* taken = edit->BookMarks(2);
  edit->OnClearBookmark = [](TObject*, TCodeEditMark*& m) { m = nullptr; };
  edit->ClearBookmark(2);
  EXPECT_EQ(edit->BookMarks(2), nullptr);
  ASSERT_EQ(edit->Marks()->Count(), 1);
  EXPECT_EQ(edit->Marks()->Items(0), edit->BookMarks(3));
  edit->NotifyLinesInserted(1, 2);
  EXPECT_EQ(taken->Line(), 5);
  EXPECT_EQ(edit->BookMarks(3)->Line(), 8);
  delete taken;
}

// A handler may hand back a mark the editor already holds: another bookmark's, or a plain mark of
// the list. Each is then held once, and freed once with the editor (the sanitizer build checks).
TEST_F(EditorTest, APlaceHandlerHandingBackAMarkTheEditorHoldsKeepsItOnce) {
  Fill(10);
  edit->SetBookmark(5, 1, 3);
  TCodeEditMark* fifth = edit->BookMarks(5);
  auto* plain = new TCodeEditMark(edit);
  plain->SetLine(4);
  edit->Marks()->Add(plain);
  edit->OnPlaceBookmark = [&](TObject*, TCodeEditMark*& m) { m = fifth; };
  edit->SetBookmark(2, 1, 7);
  EXPECT_EQ(edit->BookMarks(2), fifth);
  EXPECT_EQ(edit->BookMarks(5), nullptr);
  EXPECT_EQ(edit->Marks()->Count(), 2);
  edit->OnPlaceBookmark = [&](TObject*, TCodeEditMark*& m) { m = plain; };
  edit->SetBookmark(3, 1, 8);
  EXPECT_EQ(edit->BookMarks(3), plain);
  EXPECT_EQ(edit->Marks()->Count(), 2);
  edit->OnPlaceBookmark = nullptr;
  edit->ClearBookmark(2);
  EXPECT_EQ(edit->Marks()->Count(), 1);
  EXPECT_EQ(edit->Marks()->Items(0), plain);
}

TEST_F(EditorTest, MarkCommandsToggleBookmarks) {
  Fill(10);
  edit->SetCaretXY({3, 4});
  edit->CommandProcessor(ecSetMarker3, 0, nullptr);
  ASSERT_NE(edit->BookMarks(3), nullptr);
  edit->CommandProcessor(ecSetMarker3, 0, nullptr);  // same line: removed
  EXPECT_EQ(edit->BookMarks(3), nullptr);
  edit->CommandProcessor(ecSetMarker3, 0, nullptr);
  TBufferCoord elsewhere{2, 8};
  edit->CommandProcessor(ecSetMarker3, 0, &elsewhere);  // another line: moved
  ASSERT_NE(edit->BookMarks(3), nullptr);
  EXPECT_EQ(edit->BookMarks(3)->Line(), 8);
  edit->CommandProcessor(ecGotoMarker3, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{2, 8}));
  // Without keys enabled the commands do nothing.
  edit->BookMarkOptions()->SetEnableKeys(false);
  edit->SetCaretXY({1, 1});
  edit->CommandProcessor(ecGotoMarker3, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
}

TEST_F(EditorTest, MarksFollowLinesInsertedAndDeletedByEditing) {
  Fill(10);
  edit->SetBookmark(3, 1, 5);
  edit->NotifyLinesDeleted(2, 3);  // lines 2..4 deleted
  EXPECT_EQ(edit->BookMarks(3)->Line(), 2);
  edit->NotifyLinesInserted(2, 1);  // a line inserted above it
  EXPECT_EQ(edit->BookMarks(3)->Line(), 3);
  edit->NotifyLinesDeleted(3, 1);  // its own line deleted: it stays, on what follows
  EXPECT_EQ(edit->BookMarks(3)->Line(), 3);

  // Against a model: marks on deleted lines gather on the first line of the deletion.
  std::mt19937 rng(17);
  std::vector<TCodeEditMark*> marks;
  std::vector<int> model;
  for (int i = 0; i < 40; ++i) {
    auto* mark = new TCodeEditMark(edit);
    mark->SetLine(1 + static_cast<int>(rng() % 200));
    edit->Marks()->Add(mark);
    marks.push_back(mark);
    model.push_back(mark->Line());
  }
  for (int step = 0; step < 2000; ++step) {
    const int first = 1 + static_cast<int>(rng() % 220);
    const int count = static_cast<int>(rng() % 6);
    if (rng() % 2) {
      edit->NotifyLinesInserted(first, count);
      for (int& line : model)
        if (line >= first) line += count;
    } else {
      edit->NotifyLinesDeleted(first, count);
      for (int& line : model) {
        if (line >= first + count)
          line -= count;
        else if (line > first)
          line = first;
      }
    }
    for (std::size_t i = 0; i < marks.size(); ++i) ASSERT_EQ(marks[i]->Line(), model[i]) << "step " << step;
  }
}

TEST_F(EditorTest, AtMostSixteenMarksOfALineAreReported) {
  Fill(3);
  for (int i = 0; i < 20; ++i) {
    auto* mark = new TCodeEditMark(edit);
    mark->SetLine(i % 2 ? 2 : 3);
    mark->SetImage(i);
    edit->Marks()->Add(mark);
  }
  TCodeEditMarks marks;
  marks.fill(edit->Marks()->Items(0));
  edit->Marks()->GetMarksForLine(1, marks);
  EXPECT_EQ(marks[0], nullptr);
  edit->Marks()->GetMarksForLine(2, marks);
  int n = 0;
  for (TCodeEditMark* m : marks) n += m != nullptr;
  EXPECT_EQ(n, 10);
  EXPECT_EQ(marks[0]->ImageIndex(), 1);  // in list order
  auto* extra = new TCodeEditMark(edit);
  for (int i = 0; i < 10; ++i) {
    auto* mark = new TCodeEditMark(edit);
    mark->SetLine(2);
    edit->Marks()->Add(mark);
  }
  edit->Marks()->GetMarksForLine(2, marks);
  n = 0;
  for (TCodeEditMark* m : marks) n += m != nullptr;
  EXPECT_EQ(n, 16);
  // Past the list an index raises the list's error.
  const int count = edit->Marks()->Count();
  EXPECT_NE(edit->Marks()->Items(count - 1), nullptr);
  EXPECT_THROW(edit->Marks()->Items(count), EListError);
  EXPECT_THROW(edit->Marks()->Items(-1), EListError);
  delete extra;
}

}  // namespace
}  // namespace lab::edittest
