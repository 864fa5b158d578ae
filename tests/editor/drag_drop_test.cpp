// Dragging text with the mouse within an editor and between two: moved or copied as the keys held
// say, never taken from a read-only editor nor dropped into one, the dropped text selected, and each
// editor's change undone in one step; files dropped on an editor reach OnDropFiles.

#include <string>
#include <vector>

#include "editor_fixture.h"
#include "platform/controls/drop_files.h"
#include "platform/win/window_functions.h"

namespace lab::edittest {
namespace {

class DragDropTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    other = new TCodeEdit(form);
    other->SetParent(form);
    other->SetBounds(0, 320, 400, 150);
    other->HandleNeeded();
    Focus();
  }

  // Presses inside From's selection, drags to To in Target and lets go, with Keys held at the drop.
  void Drag(TCodeEdit* From, TBufferCoord Press, TCodeEdit* Target, TBufferCoord To, win::UINT Key = 0) {
    const win::POINT a = ScreenPointOf(From, Press), b = ScreenPointOf(Target, To);
    clock.Advance(1000);  // not a double click with a press before
    input::MouseMove(a);
    input::MouseButton(win::VK_LBUTTON, true, a);
    Pump();
    input::MouseMove({a.X + 8, a.Y + 6});
    Pump();
    input::MouseMove(b);
    Pump();
    if (Key) input::KeyDown(Key);
    input::MouseMove(b);
    input::MouseButton(win::VK_LBUTTON, false, b);
    if (Key) input::KeyUp(Key);
    Pump();
  }

  void Select(TCodeEdit* Edit, const std::string& Text, TBufferCoord B, TBufferCoord E) {
    Edit->SetText(Text);
    Edit->SetCaretXY(E);
    Edit->SetBlockBegin(B);
    Edit->SetBlockEnd(E);
  }

  TCodeEdit* other = nullptr;
};

struct TDragCase {
  const char* name;
  bool between;            // to the other editor
  TBufferCoord to;
  win::UINT key;
  const char* source_after;
  const char* target_after;  // the other editor's text (between editors)
  const char* selected;      // the selection after the drop, in the target
};

void PrintTo(const TDragCase& c, std::ostream* os) { *os << c.name; }

class DragCaseTest : public DragDropTest, public ::testing::WithParamInterface<TDragCase> {};

const TDragCase kDrags[] = {
    {"MovedAfterItsEnd", false, {12, 1}, 0, " worldhello\r\nnext", "", "hello"},
    {"MovedToTheNextLine", false, {3, 2}, 0, " world\r\nnehelloxt", "", "hello"},
    {"MovedBeyondTheEndOfALine", false, {8, 2}, 0, " world\r\nnext   hello", "", "hello"},
    {"DroppedInsideItselfChangesNothing", false, {3, 1}, 0, "hello world\r\nnext", "", "hello"},
    {"DroppedAtItsEndChangesNothing", false, {6, 1}, 0, "hello world\r\nnext", "", "hello"},
    {"CopiedWithCtrl", false, {12, 1}, win::VK_CONTROL, "hello worldhello\r\nnext", "", "hello"},
    {"CopiedAtItsOwnEndWithCtrl", false, {6, 1}, win::VK_CONTROL, "hellohello world\r\nnext", "", "hello"},
    {"CopiedToAnotherEditor", true, {3, 1}, 0, "hello world\r\nnext", "ABhelloCD", "hello"},
    {"MovedToAnotherEditorWithShift", true, {3, 1}, win::VK_SHIFT, " world\r\nnext", "ABhelloCD", "hello"},
};

TEST_P(DragCaseTest, MovesOrCopiesAndUndoesInOneStep) {
  const TDragCase& c = GetParam();
  Select(edit, "hello world\r\nnext", {1, 1}, {6, 1});
  other->SetText("ABCD");
  TCodeEdit* target = c.between ? other : edit;
  Drag(edit, {2, 1}, target, c.to, c.key);
  EXPECT_EQ(edit->Text(), c.source_after);
  if (c.between) {
    EXPECT_EQ(other->Text(), c.target_after);
  }
  EXPECT_EQ(target->SelText(), c.selected);
  // One undo step in each editor gives back its text.
  edit->Undo();
  EXPECT_EQ(edit->Text(), "hello world\r\nnext");
  other->Undo();
  EXPECT_EQ(other->Text(), "ABCD");
  edit->Redo();
  EXPECT_EQ(edit->Text(), c.source_after);
}

INSTANTIATE_TEST_SUITE_P(Drags, DragCaseTest, ::testing::ValuesIn(kDrags),
                         [](const ::testing::TestParamInfo<TDragCase>& info) { return std::string(info.param.name); });

// A column block moved within its editor leaves every line in its place: dropped beside the block on
// one of its lines, it goes in where that point is once the block's characters left the line. Moved
// to another editor over tabs and short lines, it leaves each line with what it had outside the
// block. Either way undo gives back exactly the text before.
TEST_F(DragDropTest, AColumnBlockMovesByItsCellsAndUndoesExactly) {
  // A column block as Alt selects one (a drag starts only while the selection mode is normal).
  edit->SetActiveSelectionMode(smColumn);
  Select(edit, "abcdef\r\nghijkl", {2, 1}, {4, 2});
  Drag(edit, {3, 1}, edit, {6, 2});
  EXPECT_EQ(edit->Text(), "adef\r\ngjkbc\r\nhil");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "abcdef\r\nghijkl");
  // Right of the block on its first line is outside it too.
  edit->SetActiveSelectionMode(smColumn);
  Select(edit, "abcdef\r\nghijkl", {2, 1}, {4, 2});
  Drag(edit, {3, 1}, edit, {6, 1});
  EXPECT_EQ(edit->Text(), "adebc\r\nhif\r\ngjkl");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "abcdef\r\nghijkl");

  // Display columns 10 to 12: characters 3 to 5 after the tab, 10 to 12 below, none on "xy".
  const std::string text = "\tabcdef\r\n0123456789abcdef\r\nxy";
  edit->SetActiveSelectionMode(smColumn);
  Select(edit, text, {6, 1}, {10, 3});
  other->SetText("ABCD");
  Drag(edit, {11, 2}, other, {3, 1}, win::VK_SHIFT);
  EXPECT_EQ(edit->Text(), "\taef\r\n012345678cdef\r\nxy");
  EXPECT_EQ(other->Text(), "ABbcd\r\n9ab\r\n   CD");
  edit->Undo();
  EXPECT_EQ(edit->Text(), text);
  other->Undo();
  EXPECT_EQ(other->Text(), "ABCD");
  edit->Redo();
  EXPECT_EQ(edit->Text(), "\taef\r\n012345678cdef\r\nxy");
  edit->Undo();
  EXPECT_EQ(edit->Text(), text);
}

// Line and column blocks dragged within their editor: a line block is whole lines with the break
// after them, a column block the cells between its columns; dropped inside itself neither changes
// anything, and undo gives back the text a drop changed.
struct TBlockDrop {
  const char* name;
  TCodeSelectionMode mode;
  TBufferCoord begin, end;  // column blocks; a line block is the first two lines
  TBufferCoord press, to;
  const char* after;
  const char* text = "alpha\r\nbeta\r\ngamma\r\ndelta";
  // Redone with word wrap switched on in a window this many cells wide, when not 0.
  int wrap_cells = 0;
};

void PrintTo(const TBlockDrop& c, std::ostream* os) { *os << c.name; }

class BlockDropTest : public DragDropTest, public ::testing::WithParamInterface<TBlockDrop> {};

const TBlockDrop kBlockDrops[] = {
    {"LinesMovedToTheStartOfTheLastLine", smLine, {}, {}, {2, 1}, {1, 4}, "gamma\r\nalpha\r\nbeta\r\ndelta"},
    {"LinesMovedIntoALineBelow", smLine, {}, {}, {2, 1}, {3, 4}, "gamma\r\ndealpha\r\nbeta\r\nlta"},
    {"LinesDroppedOnTheirLastLine", smLine, {}, {}, {2, 1}, {4, 2}, "alpha\r\nbeta\r\ngamma\r\ndelta"},
    {"ColumnDroppedOnItsLastLineInsideItsColumns", smColumn, {2, 1}, {4, 2}, {3, 1}, {3, 2},
     "alpha\r\nbeta\r\ngamma\r\ndelta"},
    // Wrapped in rows of 8 cells, the block's corners fall in one column of two rows.
    {"ColumnRedoneWrapped", smColumn, {3, 1}, {11, 2}, {4, 1}, {2, 3},
     "abklmnop\r\nabklmnop\r\nxcdefghij\r\ncdefghijyz", "abcdefghijklmnop\r\nabcdefghijklmnop\r\nxyz", 8},
};

TEST_P(BlockDropTest, MovesWholeLinesOrCellsAndUndoesExactly) {
  const TBlockDrop& c = GetParam();
  const std::string text = c.text;
  edit->SetText(text);
  if (c.mode == smLine) {
    // As keys make one: the lines selected in line mode and deleted, normal mode back, the deletion
    // undone (the block comes back selected in its mode).
    Press('L', {ssCtrl, ssShift});
    Press(win::VK_DOWN, {ssShift});
    Press(win::VK_DELETE);
    Press('N', {ssCtrl, ssShift});
    Press('Z', {ssCtrl});
    ASSERT_EQ(edit->SelText(), "alpha\r\nbeta\r\n");
  } else {
    edit->SetActiveSelectionMode(c.mode);
    Select(edit, text, c.begin, c.end);
  }
  Drag(edit, c.press, edit, c.to);
  EXPECT_EQ(edit->Text(), c.after);
  if (c.after == text) return;
  Press('Z', {ssCtrl});
  EXPECT_EQ(edit->Text(), text);
  if (c.wrap_cells) {
    edit->SetBounds(0, 0, edit->Width() - edit->ClientWidth() + edit->GutterWidth() + 2 + c.wrap_cells * edit->CharWidth(),
                    300);
    edit->SetWordWrap(true);
  }
  Press('Z', {ssCtrl, ssShift});
  EXPECT_EQ(edit->Text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(Drops, BlockDropTest, ::testing::ValuesIn(kBlockDrops),
                         [](const ::testing::TestParamInfo<TBlockDrop>& info) { return std::string(info.param.name); });

TEST_F(DragDropTest, AReadOnlyEditorIsCopiedFromAndNeverDroppedInto) {
  Select(edit, "hello world", {1, 1}, {6, 1});
  edit->SetReadOnly(true);
  other->SetText("ABCD");
  Drag(edit, {2, 1}, other, {3, 1}, win::VK_SHIFT);
  EXPECT_EQ(edit->Text(), "hello world");
  EXPECT_EQ(other->Text(), "ABhelloCD");
  // Into a read-only editor nothing goes.
  edit->SetReadOnly(false);
  other->SetReadOnly(true);
  Select(edit, "hello world", {1, 1}, {6, 1});
  Drag(edit, {2, 1}, other, {1, 1}, win::VK_SHIFT);
  EXPECT_EQ(edit->Text(), "hello world");
  EXPECT_EQ(other->Text(), "ABhelloCD");
}

TEST_F(DragDropTest, TheCaretFollowsTheMouseOverTheTarget) {
  Select(edit, "hello world", {1, 1}, {6, 1});
  other->SetText("ABCD\r\nEFGH");
  const win::POINT a = ScreenPointOf(edit, {2, 1});
  input::MouseMove(a);
  input::MouseButton(win::VK_LBUTTON, true, a);
  Pump();
  input::MouseMove({a.X + 8, a.Y + 6});
  Pump();
  input::MouseMove(ScreenPointOf(other, {3, 2}));
  Pump();
  EXPECT_TRUE(edit->Dragging());
  EXPECT_EQ(other->CaretXY(), (TBufferCoord{3, 2}));
  input::KeyDown(win::VK_ESCAPE);
  input::MouseButton(win::VK_LBUTTON, false, ScreenPointOf(other, {3, 2}));
  Pump();
}

// A quick drag whose first move already lies over the other editor starts there: the mouse passed
// the threshold with it.
TEST_F(DragDropTest, ADragStartsAtTheMoveThatPassesTheThreshold) {
  Select(edit, "hello world", {1, 1}, {6, 1});
  other->SetText("ABCD\r\nEFGH");
  const win::POINT a = ScreenPointOf(edit, {2, 1}), b = ScreenPointOf(other, {3, 2});
  input::MouseMove(a);
  input::MouseButton(win::VK_LBUTTON, true, a);
  Pump();
  input::MouseMove(b);
  Pump();
  EXPECT_TRUE(edit->Dragging());
  EXPECT_EQ(other->CaretXY(), (TBufferCoord{3, 2}));
  input::MouseButton(win::VK_LBUTTON, false, b);
  Pump();
  EXPECT_EQ(other->Text(), "ABCD\r\nEFhelloGH");
}

TEST_F(DragDropTest, DroppedFilesReachOnDropFilesWhole) {
  std::vector<std::string> dropped;
  TPoint where;
  edit->OnDropFiles = [&](TObject*, int X, int Y, TStrings* Files) {
    for (int i = 0; i < Files->Count(); ++i) dropped.push_back(Files->Strings(i));
    where = {X, Y};
  };
  const std::string long_path = "/tmp/" + std::string(300, 'n') + "/notes.txt";
  win::POINT p{30, 40};
  win::ClientToScreen(edit->Handle(), p);
  // Without eoDropFiles the editor's window takes no files.
  input::FilesDropped(form->Handle(), p, {"/tmp/a.txt"});
  Pump();
  EXPECT_TRUE(dropped.empty());
  edit->SetOptions(edit->Options() + TCodeEditorOptions{eoDropFiles});
  input::FilesDropped(form->Handle(), p, {"/tmp/a b.txt", long_path});
  Pump();
  EXPECT_EQ(dropped, (std::vector<std::string>{"/tmp/a b.txt", long_path}));
  EXPECT_EQ(where, (TPoint{30, 40}));
  // A window made again registers again.
  dropped.clear();
  edit->RecreateWnd();
  edit->HandleNeeded();
  input::FilesDropped(form->Handle(), p, {"/tmp/c.txt"});
  Pump();
  EXPECT_EQ(dropped, (std::vector<std::string>{"/tmp/c.txt"}));
}

}  // namespace
}  // namespace lab::edittest
