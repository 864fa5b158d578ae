// The clipboard and the selected text: copy and cut in the plain-text and the block format, paste of
// either (undone and redone as one step), block data another program may hand over, and a copy that
// fails.

#include <atomic>
#include <thread>

#include "editor/edit_exceptions.h"
#include "editor_fixture.h"
#include "platform/win/window_functions.h"

namespace lab::edittest {
namespace {

win::UINT BlockFormat() { return win::RegisterClipboardFormat("CodeEdit Control Block Type"); }

std::string ClipboardText() { return win::GetClipboardData(win::CF_TEXT).value_or("<none>"); }

// Puts data on the clipboard as another program would.
void Offer(std::initializer_list<std::pair<win::UINT, std::string>> Formats) {
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  win::EmptyClipboard();
  for (const auto& [format, data] : Formats) win::SetClipboardData(format, data);
  win::CloseClipboard();
}

TEST_F(EditorTest, AReadOnlyViewCopiesButDoesNotCut) {
  edit->SetReadOnly(true);
  SetText({"09:00:01 Tracer1 REQ=INI", "09:00:02 Edger2 ACK"});
  Offer({{win::CF_TEXT, "before"}});
  edit->CopyToClipboard();  // nothing selected: the clipboard stays
  EXPECT_EQ(ClipboardText(), "before");
  edit->CommandProcessor(ecSelectAll, 0, nullptr);
  edit->CommandProcessor(ecCopy, 0, nullptr);
  EXPECT_EQ(ClipboardText(), "09:00:01 Tracer1 REQ=INI\r\n09:00:02 Edger2 ACK");
  const std::string block = win::GetClipboardData(BlockFormat()).value_or("");
  EXPECT_EQ(block, std::string(1, '\0') + "09:00:01 Tracer1 REQ=INI\r\n09:00:02 Edger2 ACK" + std::string(1, '\0'));
  // Cutting changes nothing while read-only.
  Offer({{win::CF_TEXT, "other"}});
  edit->CommandProcessor(ecCut, 0, nullptr);
  edit->CutToClipboard();
  EXPECT_EQ(ClipboardText(), "other");
  EXPECT_EQ(edit->LineList()->Count(), 2);
  EXPECT_FALSE(edit->CanPaste());
  // The window messages answer the same way.
  edit->Perform(win::WM_COPY, 0, 0);
  EXPECT_EQ(ClipboardText(), "09:00:01 Tracer1 REQ=INI\r\n09:00:02 Edger2 ACK");
  edit->Perform(win::WM_CUT, 0, 0);
  EXPECT_EQ(edit->LineList()->Count(), 2);
}

TEST_F(EditorTest, CutTakesTheSelectionAndOneUndoStepBringsItBack) {
  SetText({"alpha beta gamma"});
  edit->SetBlockBegin({7, 1});
  edit->SetBlockEnd({12, 1});
  edit->CommandProcessor(ecCut, 0, nullptr);
  EXPECT_EQ(ClipboardText(), "beta ");
  EXPECT_EQ(edit->Text(), "alpha gamma");
  EXPECT_TRUE(edit->Modified());
  edit->CommandProcessor(ecUndo, 0, nullptr);
  EXPECT_EQ(edit->Text(), "alpha beta gamma");
  edit->CommandProcessor(ecRedo, 0, nullptr);
  EXPECT_EQ(edit->Text(), "alpha gamma");
}

TEST_F(EditorTest, AFailedCopyRaisesAndACutKeepsItsText) {
  SetText({"keep me"});
  edit->SelectAll();
  // Another thread holds the clipboard open.
  std::atomic<bool> opened{false}, release{false};
  std::thread holder([&] {
    win::OpenClipboard(nullptr);
    opened = true;
    while (!release) std::this_thread::yield();
    win::CloseClipboard();
  });
  while (!opened) std::this_thread::yield();
  try {
    edit->CutToClipboard();
    ADD_FAILURE() << "no error";
  } catch (const ECodeEditError& e) {
    EXPECT_EQ(e.Message(), "Clipboard copy operation failed");
  }
  release = true;
  holder.join();
  EXPECT_EQ(edit->Text(), "keep me");
  EXPECT_EQ(edit->UndoList()->ItemCount(), 0);
}

TEST_F(EditorTest, AColumnBlockPastesAsAColumnBlock) {
  SetText({"abcdef", "ghijkl", "mnopqr"});
  edit->SetSelectionMode(smColumn);
  edit->SetBlockBegin({2, 1});
  edit->SetBlockEnd({4, 3});
  edit->CopyToClipboard();
  EXPECT_EQ(ClipboardText(), "bc\r\nhi\r\nno");
  auto* other = new TCodeEdit(form);
  other->SetParent(form);
  other->HandleNeeded();
  TStringList lines;
  lines.Add("1234");
  lines.Add("56");
  lines.Add("7");
  other->Lines()->Assign(&lines);
  other->SetCaretXY({3, 1});
  other->PasteFromClipboard();
  EXPECT_EQ(other->Text(), "12bc34\r\n56hi\r\n7 no");
  EXPECT_EQ(other->CaretXY(), (TBufferCoord{5, 3}));
  // A paste is one undo step.
  other->Undo();
  EXPECT_EQ(other->Text(), "1234\r\n56\r\n7");
  other->Redo();
  EXPECT_EQ(other->Text(), "12bc34\r\n56hi\r\n7 no");
  // Below the last line the block adds lines, and its undo takes them away again.
  other->SetCaretXY({2, 3});
  other->PasteFromClipboard();
  EXPECT_EQ(other->Text(), "12bc34\r\n56hi\r\n7bc no\r\n hi\r\n no");
  other->Undo();
  EXPECT_EQ(other->Text(), "12bc34\r\n56hi\r\n7 no");
}

TEST_F(EditorTest, APastedTextIsUndoneInOneStep) {
  SetText({"first line", "second line"});
  Offer({{win::CF_TEXT, "one\r\ntwo\nthree"}});
  edit->SetBlockBegin({7, 1});
  edit->SetBlockEnd({5, 2});
  edit->CommandProcessor(ecPaste, 0, nullptr);
  EXPECT_EQ(edit->Text(), "first one\r\ntwo\r\nthreend line");
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{6, 3}));
  EXPECT_EQ(edit->UndoList()->LastChangeReason(), crPasteEnd);
  edit->Undo();
  EXPECT_EQ(edit->Text(), "first line\r\nsecond line");
  EXPECT_FALSE(edit->Modified());
  EXPECT_FALSE(edit->UndoList()->CanUndo());
  edit->Redo();
  EXPECT_EQ(edit->Text(), "first one\r\ntwo\r\nthreend line");
  // A line block pastes whole lines above the caret's line.
  Offer({{BlockFormat(), std::string(1, '\1') + "new 1\r\nnew 2\r\n" + std::string(1, '\0')}});
  edit->SetCaretXY({4, 2});
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "first one\r\nnew 1\r\nnew 2\r\ntwo\r\nthreend line");
}

// A paste is undone to exactly the text before and redone again, wherever the text went in: at a
// caret away from a collapsed selection, beyond a line's end, as a line block (taken out again as
// plain text) or as a column block that pads short lines up to its column.
TEST_F(EditorTest, APasteUndoesToTheTextBefore) {
  struct TCase {
    const char* name;
    std::vector<const char*> lines;
    TBufferCoord caret, begin, end;
    int block_mode;  // the block format's mode byte, or -1 for plain text only
    std::string text;
    const char* pasted;
  };
  const TCase cases[] = {
      {"selection collapsed away from the caret", {"abc"}, {1, 1}, {2, 1}, {2, 1}, -1, "X\r\nq", "X\r\nqabc"},
      {"caret beyond the line's end", {"ab", "cd"}, {5, 1}, {5, 1}, {5, 1}, -1, "Z", "ab  Z\r\ncd"},
      {"lines at a caret beyond the end", {"ab"}, {4, 1}, {4, 1}, {4, 1}, -1, "1\r\n2", "ab 1\r\n2"},
      {"line block", {"a", "b", "c"}, {2, 2}, {2, 2}, {2, 2}, 1, "X\r\n", "a\r\nX\r\nb\r\nc"},
      {"line block over a selection", {"abc", "def"}, {2, 2}, {2, 1}, {2, 2}, 1, "X\r\n", "X\r\naef"},
      {"line block at a collapsed selection away from the caret", {"a", "b"}, {1, 2}, {1, 1}, {1, 1}, 1, "X\r\n",
       "a\r\nX\r\nb"},
      {"column block beyond short lines", {"abcdef", "x", "yz"}, {5, 1}, {5, 1}, {5, 1}, 2, "1\r\n2\r\n3",
       "abcd1ef\r\nx   2\r\nyz  3"},
      {"column block at a caret beyond the end", {"ab", ""}, {4, 1}, {4, 1}, {4, 1}, 2, "1\r\n2", "ab 1\r\n   2"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TStringList lines;
    for (const char* line : c.lines) lines.Add(line);
    edit->Lines()->Assign(&lines);
    const std::string before = edit->Text();
    edit->UndoList()->Clear();
    if (c.block_mode < 0)
      Offer({{win::CF_TEXT, c.text}});
    else
      Offer({{win::CF_TEXT, c.text}, {BlockFormat(), std::string(1, static_cast<char>(c.block_mode)) + c.text + '\0'}});
    edit->SetCaretXY(c.caret);
    edit->SetBlockBegin(c.begin);
    edit->SetBlockEnd(c.end);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), c.pasted);
    edit->Undo();
    EXPECT_EQ(edit->Text(), before);
    EXPECT_FALSE(edit->CanUndo());
    edit->Redo();
    EXPECT_EQ(edit->Text(), c.pasted);
    edit->Undo();
    EXPECT_EQ(edit->Text(), before);
  }
}

TEST_F(EditorTest, BlockDataFromOtherProgramsIsChecked) {
  SetText({"xy"});
  edit->SetCaretXY({2, 1});
  // An empty block: the plain text is taken.
  Offer({{BlockFormat(), ""}, {win::CF_TEXT, "plain"}});
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "xplainy");
  // A mode beyond the three known ones reads as the normal mode.
  SetText({"xy"});
  edit->SetCaretXY({2, 1});
  Offer({{BlockFormat(), std::string(1, '\7') + "a\r\nb" + std::string(1, '\0')}});
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "xa\r\nby");
  // Without a terminator the text ends with the block; a NUL ends it early.
  SetText({"xy"});
  edit->SetCaretXY({2, 1});
  Offer({{BlockFormat(), std::string(1, '\0') + "open end"}});
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "xopen endy");
  SetText({"xy"});
  edit->SetCaretXY({2, 1});
  Offer({{BlockFormat(), std::string(1, '\0') + "cut" + std::string(1, '\0') + "hidden"}});
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "xcuty");
  // An empty block alone pastes nothing.
  Offer({{BlockFormat(), ""}});
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "xcuty");
}

TEST_F(EditorTest, SelectedTextHelpers) {
  SetText({"alpha beta", "gamma"});
  edit->SetCaretXY({8, 1});
  EXPECT_EQ(edit->WordAtCursor(), "beta");
  EXPECT_FALSE(edit->SelAvail());
  EXPECT_EQ(edit->LineText(), "alpha beta");
  edit->SetCaretXY({1, 2});
  EXPECT_EQ(edit->LineText(), "gamma");
  edit->SetBlockBegin({2, 1});
  edit->SetBlockEnd({3, 2});
  EXPECT_TRUE(edit->SelTabBlock());
  edit->SetSelectionMode(smColumn);
  EXPECT_FALSE(edit->SelTabBlock());
  EXPECT_EQ(edit->RowColumnToPixels({3, 1}),
            (TPoint{2 * edit->CharWidth() + edit->TextOffset(), 0}));
}

}  // namespace
}  // namespace lab::edittest
