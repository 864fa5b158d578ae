// A long random run of editing commands (typing, deleting, line breaks, tabs, case changes, pastes of
// normal, line and column blocks over selections of each mode, drags of normal and column blocks, undo
// and redo) on a text of a few hundred lines: undoing everything gives the text it started from exactly,
// redoing everything the text it ended with, and undoing again the start once more; Modified is false
// exactly at the saved point.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "editor/clipboard_block.h"
#include "platform/win/window_functions.h"
#include "tests/editor/editor_fixture.h"

namespace lab::edittest {
namespace {

std::vector<std::string> LinesOf(TCustomCodeEdit& Edit) {
  std::vector<std::string> lines;
  for (int i = 0; i < Edit.Lines()->Count(); ++i) lines.push_back(Edit.Lines()->Strings(i));
  // No lines and one empty line are the same text.
  if (lines.size() == 1 && lines[0].empty()) lines.clear();
  return lines;
}

// Puts text on the clipboard as the editor's block format in Mode, and as plain text.
void PutOnClipboard(TCodeSelectionMode Mode, const std::string& Text) {
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  win::EmptyClipboard();
  win::SetClipboardData(win::CF_TEXT, Text);
  win::SetClipboardData(CodeEditClipboardFormat(), WriteCodeEditBlock(Mode, Text));
  win::CloseClipboard();
}

class UndoAllTest : public EditorTest {
 protected:
  std::mt19937 random{20240611};

  int Pick(int Low, int High) { return std::uniform_int_distribution<int>(Low, High)(random); }

  std::string Word() {
    static const char* const kWords[] = {"job", "Tracer", "edger", "R=2412", "caf\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC",
                                         "ACK", "x", "STATUS", "(a)", "lens", "\xCE\xB1\xCE\xB2"};
    return kWords[Pick(0, 11)];
  }

  std::string Line() {
    std::string line;
    switch (Pick(0, 5)) {
      case 0: return line;
      case 1: line = "\t"; break;
      case 2: line = "    "; break;
      case 3: line = "  \t "; break;
      default: break;
    }
    const int words = Pick(1, 8);
    for (int i = 0; i < words; ++i) line += (i ? (Pick(0, 4) ? " " : "  ") : "") + Word();
    if (Pick(0, 6) == 0) line += "  ";
    return line;
  }

  TBufferCoord AnyPosition() {
    const int line = Pick(1, std::max(1, edit->Lines()->Count()));
    const int length = static_cast<int>(edit->LineList()->LineView(line - 1).size());
    return {Pick(1, length + (Pick(0, 5) == 0 ? 6 : 1)), line};
  }

  // A position a few lines around the caret: selections stay small, so the text keeps its size.
  TBufferCoord NearPosition() {
    const int spread = Pick(0, 3) ? 0 : 2;  // mostly on the caret's line
    const int line = std::clamp(edit->CaretY() + Pick(-spread, spread), 1, std::max(1, edit->Lines()->Count()));
    const int length = static_cast<int>(edit->LineList()->LineView(line - 1).size());
    return {Pick(1, length + 1), line};
  }

  char32_t AnyChar() {
    static const char32_t kChars[] = {U'a', U'Z', U' ', U'7', U';', U'\x00E9', U'\x65E5', U'(', U')', U'_'};
    return kChars[Pick(0, 9)];
  }

  void OneCommand() {
    const int what = Pick(0, 99);
    if (what < 12) {
      edit->SetCaretXY(AnyPosition());
    } else if (what < 18) {
      edit->SetCaretXY(AnyPosition());
      // (A column block pasted last leaves its mode active: the selection's mode is set anew.)
      static const TCodeSelectionMode kModes[] = {smNormal, smNormal, smNormal, smNormal, smLine, smColumn, smColumn};
      const TCodeSelectionMode mode = kModes[Pick(0, 6)];
      edit->SetSelectionMode(mode);
      edit->SetActiveSelectionMode(mode);
      edit->SetBlockBegin(edit->CaretXY());
      edit->SetBlockEnd(NearPosition());
    } else if (what < 40) {
      edit->CommandProcessor(ecChar, AnyChar(), nullptr);
    } else if (what < 46) {
      edit->CommandProcessor(ecDeleteLastChar, 0, nullptr);
    } else if (what < 51) {
      edit->CommandProcessor(ecDeleteChar, 0, nullptr);
    } else if (what < 57) {
      edit->CommandProcessor(Pick(0, 1) ? ecLineBreak : ecInsertLine, 0, nullptr);
      if (Pick(0, 1)) edit->CommandProcessor(ecLineBreak, 0, nullptr);
    } else if (what < 61) {
      edit->CommandProcessor(Pick(0, 1) ? ecTab : ecShiftTab, 0, nullptr);
    } else if (what < 65) {
      static const TCodeEditorCommand kDeletes[] = {ecDeleteWord, ecDeleteLastWord, ecDeleteBOL, ecDeleteEOL,
                                                    ecDeleteLine};
      edit->CommandProcessor(kDeletes[Pick(0, Pick(0, 3) ? 3 : 4)], 0, nullptr);
    } else if (what < 69) {
      static const TCodeEditorCommand kCases[] = {ecUpperCase, ecLowerCase, ecToggleCase, ecTitleCase,
                                                  ecUpperCaseBlock, ecLowerCaseBlock, ecToggleCaseBlock};
      edit->CommandProcessor(kCases[Pick(0, 6)], 0, nullptr);
    } else if (what < 72) {
      std::string block;
      const int lines = Pick(1, 4);
      for (int i = 0; i < lines; ++i) block += (i ? "\r\n" : "") + Word();
      PutOnClipboard(smColumn, block);
      edit->CommandProcessor(ecPaste, 0, nullptr);
      // The pasted block leaves column mode active; selections here are made in the other modes.
      edit->SetActiveSelectionMode(smNormal);
    } else if (what < 74) {
      PutOnClipboard(Pick(0, 1) ? smNormal : smLine, Word() + "\r\n" + Line());
      edit->CommandProcessor(ecPaste, 0, nullptr);
    } else if (what < 76) {
      std::string text = Word();
      edit->CommandProcessor(ecImeStr, 0, text.data());
    } else if (what < 78) {
      edit->CommandProcessor(ecToggleMode, 0, nullptr);
    } else if (what < 80) {
      edit->CommandProcessor(Pick(0, 1) ? ecBlockIndent : ecBlockUnindent, 0, nullptr);
    } else if (what < 83) {
      edit->CommandProcessor(ecUndo, 0, nullptr);
    } else if (what < 85) {
      edit->CommandProcessor(ecRedo, 0, nullptr);
    } else if (what < 86) {
      edit->CommandProcessor(ecCut, 0, nullptr);
    } else if (what < 88) {
      // The selection dragged to a place on screen near it and dropped there (moved).
      edit->SetActiveSelectionMode(Pick(0, 2) ? smNormal : smColumn);
      edit->SetBlockBegin(edit->CaretXY());
      edit->SetBlockEnd(NearPosition());
      TBufferCoord to = NearPosition();
      to.Char = std::min(to.Char, 30);
      edit->SetTopLine(std::max(1, to.Line - 2));
      edit->SetLeftChar(1);
      const TPoint at = edit->RowColumnToPixels(edit->BufferToDisplayPos(to));
      edit->DragDrop(edit, at.X + 1, at.Y + 1);
    } else {
      static const TCodeEditorCommand kMoves[] = {ecLeft, ecRight, ecUp, ecDown, ecWordLeft, ecWordRight,
                                                  ecLineStart, ecLineEnd, ecSelLeft, ecSelRight, ecSelDown,
                                                  ecSelWordRight};
      edit->CommandProcessor(kMoves[Pick(0, 11)], 0, nullptr);
    }
  }

  void RunAndUndoAll(int Commands) {
    std::vector<std::string> start;
    for (int i = 0; i < 300; ++i) start.push_back(Line());
    TStringList lines;
    for (const std::string& line : start) lines.Add(line);
    edit->Lines()->Assign(&lines);
    edit->SetMaxUndo(10'000'000);
    ASSERT_FALSE(edit->Modified());
    std::vector<std::string> saved;
    for (int i = 0; i < Commands; ++i) {
      OneCommand();
      if (i == Commands / 2) {
        edit->SetModified(false);
        saved = LinesOf(*edit);
      }
    }
    edit->SetInsertMode(true);
    // The end is where redoing everything leads: steps undone last in the run come back too.
    while (edit->CanRedo()) edit->Redo();
    const std::vector<std::string> end = LinesOf(*edit);
    ASSERT_NE(end, start);
    EXPECT_GT(end.size(), 100u) << "the text kept a few hundred lines: " << end.size();
    int steps = 0;
    while (edit->CanUndo()) {
      edit->Undo();
      ++steps;
      if (!edit->Modified()) {
        EXPECT_EQ(LinesOf(*edit), saved) << "unmodified after " << steps << " undo steps";
      }
    }
    // (The saved point lies in the middle of the run: the start is a modified text.)
    EXPECT_EQ(LinesOf(*edit), start);
    EXPECT_TRUE(edit->Modified());
    while (edit->CanRedo()) edit->Redo();
    EXPECT_EQ(LinesOf(*edit), end);
    EXPECT_TRUE(edit->Modified());
    while (edit->CanUndo()) edit->Undo();
    EXPECT_EQ(LinesOf(*edit), start);
  }
};

TEST_F(UndoAllTest, AHundredThousandCommandsUndoToTheStartAndRedoToTheEnd) { RunAndUndoAll(100'000); }

TEST_F(UndoAllTest, WithTabsAndWithoutGroupUndo) {
  edit->SetOptions(edit->Options() - TCodeEditorOptions{eoTabsToSpaces, eoGroupUndo} + TCodeEditorOptions{eoTabIndent});
  edit->SetTabWidth(4);
  RunAndUndoAll(20'000);
}

// Lines lose their trailing blanks as they are stored: the blanks each change trims are recorded with
// it, so undo gives them back (lines of the start text end in blanks too). Several runs, with spaces
// and with tabs: each finds sequences the others miss.
struct TTrimmedRun {
  unsigned seed;
  bool tabs;
};

class UndoAllTrimmedTest : public UndoAllTest, public ::testing::WithParamInterface<TTrimmedRun> {};

TEST_P(UndoAllTrimmedTest, WithTrailingBlanksTrimmed) {
  random.seed(GetParam().seed);
  edit->SetOptions(edit->Options() + TCodeEditorOptions{eoTrimTrailingSpaces});
  if (GetParam().tabs) {
    edit->SetOptions(edit->Options() - TCodeEditorOptions{eoTabsToSpaces} + TCodeEditorOptions{eoTabIndent});
    edit->SetTabWidth(4);
  }
  RunAndUndoAll(20'000);
}

const TTrimmedRun kTrimmedRuns[] = {{20240611, false}, {1, false}, {3, false}, {4, false},
                                    {20240611, true},  {1, true},  {3, true},  {4, true}};

INSTANTIATE_TEST_SUITE_P(Runs, UndoAllTrimmedTest, ::testing::ValuesIn(kTrimmedRuns),
                         [](const ::testing::TestParamInfo<TTrimmedRun>& info) {
                           return "Seed" + std::to_string(info.param.seed) + (info.param.tabs ? "WithTabs" : "");
                         });

}  // namespace
}  // namespace lab::edittest
