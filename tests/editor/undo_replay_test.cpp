// What undo and redo leave besides the text: the caret, the column it remembers for moves up and down,
// the selection and its mode, Modified, and the status changes and change events each step reports.
// Each case edits a few lines, then undoes everything and redoes everything, one step at a time; the
// states expected after each step are those the editor has always left there.

#include <string>
#include <vector>

#include "platform/controls/caret.h"
#include "tests/editor/editor_fixture.h"

namespace lab::edittest {
namespace {

struct TStep {
  TCodeEditorCommand command;
  char32_t ch = 0;
};

struct TReplayCase {
  const char* name;
  std::vector<const char*> lines;
  TCodeEditorOptions add, remove;
  TCodeSelectionMode mode;
  TBufferCoord caret;
  std::vector<TStep> steps;
  // After each undo step, then after each redo step.
  std::vector<std::string> states;
};

std::string Pos(TBufferCoord P) { return std::to_string(P.Char) + "," + std::to_string(P.Line); }

std::string StatusNames(TCodeStatusChanges Changes) {
  static const char* const kNames[] = {"all", "x", "y", "left", "top", "ins", "mod", "sel", "ro"};
  std::string out;
  for (int i = 0; i <= scReadOnly; ++i)
    if (Changes.Contains(static_cast<TCodeStatusChange>(i))) out += std::string(out.empty() ? "" : "+") + kNames[i];
  return out;
}

void PrintTo(const TReplayCase& c, std::ostream* os) { *os << c.name; }

class UndoReplayTest : public EditorTest, public ::testing::WithParamInterface<TReplayCase> {
 protected:
  TCodeStatusChanges reported;
  int changes = 0;

  std::string State() {
    std::string s = "caret " + Pos(edit->CaretXY()) + " col " + std::to_string(edit->LastCaretX()) + " sel " +
                    Pos(edit->BlockBegin()) + "-" + Pos(edit->BlockEnd()) + " mode " +
                    std::to_string(edit->ActiveSelectionMode()) + (edit->Modified() ? " modified" : "") + " [" +
                    StatusNames(reported) + "] changes " + std::to_string(changes);
    reported = {};
    changes = 0;
    return s;
  }
};

TEST_P(UndoReplayTest, LeavesTheCaretSelectionAndNotificationsAsBefore) {
  const TReplayCase& c = GetParam();
  edit->SetOptions(edit->Options() + c.add - c.remove);
  edit->SetTabWidth(4);
  TStringList lines;
  for (const char* line : c.lines) lines.Add(line);
  edit->Lines()->Assign(&lines);
  edit->SetSelectionMode(c.mode);
  edit->SetCaretXY(c.caret);
  for (const TStep& step : c.steps) edit->CommandProcessor(step.command, step.ch, nullptr);
  edit->OnStatusChange = [this](TObject*, TCodeStatusChanges Changes) { reported += Changes; };
  edit->OnChange = [this](TObject*) { ++changes; };
  std::vector<std::string> states;
  while (edit->CanUndo()) {
    edit->Undo();
    states.push_back(State());
  }
  while (edit->CanRedo()) {
    edit->Redo();
    states.push_back(State());
  }
  EXPECT_EQ(states, c.states);
}

const TReplayCase kCases[] = {
    {"TypingAfterTabsAndWideCharacters",
     {"\tx\xE6\x97\xA5y", "ab"},
     {eoTabIndent},
     {eoTabsToSpaces},
     smNormal,
     {4, 1},
     {{ecChar, U'p'}, {ecChar, U'\t'}, {ecChar, U'\x65E5'}, {ecChar, U'q'}, {ecDown}, {ecChar, U'r'}},
     {"caret 3,2 col 3 sel 3,2-3,2 mode 0 modified [x+y+mod+sel] changes 2",
      "caret 4,1 col 7 sel 4,1-4,1 mode 0 [x+y+mod+sel] changes 3",
      "caret 7,1 col 10 sel 7,1-7,1 mode 0 modified [x+mod] changes 3",
      "caret 11,2 col 11 sel 11,2-11,2 mode 0 modified [x+y+sel] changes 2"}},
    {"TrailingBlanksTrimmed",
     {"abc", "  def  "},
     {eoTrimTrailingSpaces},
     {},
     smNormal,
     {4, 1},
     {{ecChar, U' '}, {ecChar, U' '}, {ecLineBreak}, {ecChar, U'x'}, {ecDown}, {ecLineEnd}, {ecDeleteLastChar},
      {ecDeleteLastChar}},
     {"caret 5,3 col 5 sel 5,3-5,3 mode 0 modified [x+y+mod+sel] changes 1",
      "caret 6,3 col 6 sel 6,3-6,3 mode 0 modified [x+sel] changes 2",
      "caret 1,2 col 1 sel 1,2-1,2 mode 0 modified [x+y+sel] changes 1",
      "caret 6,1 col 6 sel 4,1-4,1 mode 0 modified [x+y+sel] changes 1",
      "caret 4,1 col 4 sel 4,1-4,1 mode 0 modified [x+sel] changes 3",
      "caret 4,1 col 4 sel 4,1-4,1 mode 0 [x+mod+sel] changes 2",
      "caret 4,1 col 4 sel 4,1-4,1 mode 0 modified [x+mod+sel] changes 2",
      "caret 4,1 col 4 sel 4,1-4,1 mode 0 modified [x+sel] changes 3",
      "caret 1,2 col 1 sel 1,2-1,2 mode 0 modified [x+y+sel] changes 1",
      "caret 2,2 col 2 sel 2,2-2,2 mode 0 modified [x] changes 1",
      "caret 5,3 col 5 sel 5,3-5,3 mode 0 modified [x+y+sel] changes 2",
      "caret 4,3 col 4 sel 4,3-4,3 mode 0 modified [x+sel] changes 1"}},
    {"ColumnBlockOverTabs",
     {"a\tbcdef", "xyz\t12345", "\xE6\x97\xA5\xE6\x9C\xAC\tmn"},
     {eoTabIndent},
     {eoTabsToSpaces},
     smColumn,
     {2, 1},
     {{ecSelDown}, {ecSelDown}, {ecSelRight}, {ecSelRight}, {ecCut}, {ecRight}, {ecPaste}, {ecChar, U'z'}},
     {"caret 5,3 col 5 sel 5,3-5,3 mode 0 modified [x+y+mod+sel] changes 1",
      "caret 3,1 col 3 sel 3,1-3,1 mode 0 modified [x+y+sel] changes 3",
      "caret 4,3 col 5 sel 2,1-4,3 mode 2 [x+y+mod+sel] changes 1",
      "caret 2,1 col 2 sel 2,1-2,1 mode 2 modified [x+y+mod+sel] changes 1",
      "caret 5,3 col 5 sel 5,3-5,3 mode 2 modified [x+y+sel] changes 3",
      "caret 6,3 col 6 sel 6,3-6,3 mode 0 modified [x] changes 1"}},
    {"DeletingWordsAndJoiningLines",
     {"one two\tthree", "four", "  five"},
     {},
     {},
     smNormal,
     {5, 1},
     {{ecDeleteWord}, {ecDeleteChar}, {ecLineEnd}, {ecDeleteChar}, {ecDeleteLastWord}, {ecChar, U'Z'}, {ecUp}},
     {"caret 5,1 col 5 sel 5,1-5,1 mode 0 modified [x+mod+sel] changes 1",
      "caret 10,1 col 10 sel 10,1-10,1 mode 0 modified [x+sel] changes 1",
      "caret 10,1 col 10 sel 10,1-10,1 mode 0 modified [x+y+sel] changes 1",
      "caret 5,1 col 5 sel 5,1-5,1 mode 0 [x+mod+sel] changes 2",
      "caret 6,1 col 6 sel 6,1-6,1 mode 0 modified [x+mod+sel] changes 2",
      "caret 1,2 col 1 sel 1,2-1,2 mode 0 modified [x+y+sel] changes 1",
      "caret 5,1 col 5 sel 5,1-5,1 mode 0 modified [x+y+sel] changes 1",
      "caret 6,1 col 6 sel 6,1-6,1 mode 0 modified [x] changes 1"}},
    // The selection and its mode come back with the lines' indentation.
    {"BlockIndentOfLines", {"ab", "cd", "ef"}, {}, {}, smNormal, {1, 1}, {{ecSelDown}, {ecSelRight}, {ecBlockIndent}},
     {"caret 2,2 col 2 sel 1,1-2,2 mode 0 [x+y+mod+sel] changes 6",
      "caret 6,2 col 6 sel 5,1-6,2 mode 0 modified [x+y+mod+sel] changes 6"}},
    // With group undo a step of one kind may reach into a block of another command: the block goes
    // whole (the word typed over comes back with the typing).
    {"TypingOverASelectedWord", {"one word"}, {}, {}, smNormal, {5, 1},
     {{ecSelWordRight}, {ecChar, U'n'}, {ecChar, U'e'}, {ecChar, U'w'}},
     {"caret 9,1 col 9 sel 5,1-9,1 mode 0 [x+mod+sel] changes 4",
      "caret 8,1 col 8 sel 8,1-8,1 mode 0 modified [x+mod+sel] changes 4"}},
    {"TypingAfterACaseChange", {"ab"}, {}, {}, smNormal, {2, 1}, {{ecUpperCase}, {ecChar, U'c'}},
     {"caret 2,1 col 2 sel 2,1-2,1 mode 0 [x+mod+sel] changes 5",
      "caret 3,1 col 3 sel 3,1-3,1 mode 0 modified [x+mod+sel] changes 5"}},
    // Two pastes undone one at a time are redone one at a time.
    {"TwoPastes", {"ab", "cd"}, {}, {}, smNormal, {2, 1}, {{ecSelDown}, {ecCopy}, {ecLineEnd}, {ecPaste}, {ecPaste}},
     {"caret 2,3 col 2 sel 2,3-2,3 mode 0 modified [x+y+mod+sel] changes 1",
      "caret 3,2 col 3 sel 3,2-3,2 mode 0 [x+y+mod+sel] changes 1",
      "caret 2,3 col 2 sel 2,3-2,3 mode 0 modified [x+y+mod] changes 1",
      "caret 2,4 col 2 sel 2,4-2,4 mode 0 modified [y] changes 1"}},
};

INSTANTIATE_TEST_SUITE_P(Edits, UndoReplayTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TReplayCase>& info) { return std::string(info.param.name); });

// The caret in a run of undo and redo steps: no step moves or draws it; the paint after the run
// draws it once, in the cell of the position the last step left. Undos and redos of -1 are all.
struct TCaretRunCase {
  const char* name;
  int undos, redos;
  bool paint_each;  // the window painted after every step
};

void PrintTo(const TCaretRunCase& c, std::ostream* os) { *os << c.name; }

class UndoCaretTest : public EditorTest, public ::testing::WithParamInterface<TCaretRunCase> {
 protected:
  TPoint Drawn() {
    TPoint p{};
    EXPECT_TRUE(wm::GetCaretPos(p));
    return p;
  }
  TPoint CellOfCaret() {
    const TPoint p = edit->RowColumnToPixels(edit->DisplayXY());
    return {p.X + offset.X, p.Y + offset.Y};
  }
  TPoint offset{};
};

TEST_P(UndoCaretTest, IsDrawnOnceByThePaintAfterTheRun) {
  const TCaretRunCase& c = GetParam();
  Focus();
  for (const char32_t ch : std::u32string_view{U"ab\rcd\ref"})
    edit->CommandProcessor(ch == U'\r' ? ecLineBreak : ecChar, ch, nullptr);
  edit->Update();
  ASSERT_TRUE(wm::CaretDrawn());
  const TPoint before = Drawn(), cell = CellOfCaret();
  offset = {before.X - cell.X, before.Y - cell.Y};
  auto steps = [&](int Count, bool Undo) {
    for (int n = 0; n != Count && (Undo ? edit->CanUndo() : edit->CanRedo()); ++n) {
      if (Undo)
        edit->Undo();
      else
        edit->Redo();
      if (c.paint_each) {
        edit->Update();
        EXPECT_TRUE(wm::CaretDrawn()) << n;
        EXPECT_EQ(Drawn(), CellOfCaret()) << n;
      } else {
        EXPECT_FALSE(wm::CaretDrawn()) << n;
        EXPECT_EQ(Drawn(), before) << n;
      }
    }
  };
  steps(c.undos, true);
  steps(c.redos, false);
  EXPECT_NE(CellOfCaret(), before);
  edit->Update();
  EXPECT_TRUE(wm::CaretDrawn());
  EXPECT_EQ(Drawn(), CellOfCaret());
}

const TCaretRunCase kCaretRuns[] = {
    {"OneUndo", 1, 0, false},
    {"EveryUndo", -1, 0, false},
    {"UndosThenARedo", 3, 1, false},
    {"EveryStepPainted", -1, 2, true},
};

INSTANTIATE_TEST_SUITE_P(Runs, UndoCaretTest, ::testing::ValuesIn(kCaretRuns),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lab::edittest
