#pragma once
// Random editing commands for the runs that check undo and redo (tests/editor/undo_all_test.cpp and
// the fuzz target tests/fuzz/editor_undo.cpp): typing, deleting, line breaks, tabs, case changes,
// pastes of normal, line and column blocks over selections of each mode, drags of normal, line and
// column blocks, undo and redo, with word wrap switched on and off, the window narrowed and widened
// and tabs made wide and narrow between them. Each choice comes from Pick (a random engine, or the
// fuzzer's bytes).

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editor/clipboard_block.h"
#include "editor/codeedit.h"
#include "platform/win/window_functions.h"

namespace lab::edittest {

class TRandomCommands {
 public:
  // A whole number from Low to High.
  using TPick = std::function<int(int Low, int High)>;

  TRandomCommands(TCodeEdit* Edit, TPick Pick) : edit_(Edit), pick_(std::move(Pick)) {}

  // The editor's lines; no lines and one empty line are the same text.
  static std::vector<std::string> LinesOf(TCustomCodeEdit& Edit) {
    std::vector<std::string> lines;
    for (int i = 0; i < Edit.Lines()->Count(); ++i) lines.push_back(Edit.Lines()->Strings(i));
    if (lines.size() == 1 && lines[0].empty()) lines.clear();
    return lines;
  }

  // Puts text on the clipboard as the editor's block format in Mode, and as plain text.
  static void PutOnClipboard(TCodeSelectionMode Mode, const std::string& Text) {
    if (!win::OpenClipboard(nullptr)) return;
    win::EmptyClipboard();
    win::SetClipboardData(win::CF_TEXT, Text);
    win::SetClipboardData(CodeEditClipboardFormat(), WriteCodeEditBlock(Mode, Text));
    win::CloseClipboard();
  }

  int Pick(int Low, int High) { return pick_(Low, High); }

  std::string Word() {
    static const char* const kWords[] = {"job", "Tracer", "edger", "R=2412", "caf\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC",
                                         "ACK", "x", "STATUS", "(a)", "lens", "\xCE\xB1\xCE\xB2"};
    return kWords[Pick(0, 11)];
  }

  std::string Line() {
    std::string line;
    switch (Pick(0, 7)) {
      case 0: return line;
      case 6: return "\t";  // a line of blanks only, which a trimmed join takes in
      case 7: return "  ";
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
    const int line = Pick(1, std::max(1, edit_->Lines()->Count()));
    const int length = static_cast<int>(edit_->LineList()->LineView(line - 1).size());
    return {Pick(1, length + (Pick(0, 5) == 0 ? 6 : 1)), line};
  }

  // A position a few lines around the caret: selections stay small, so the text keeps its size.
  TBufferCoord NearPosition() {
    const int spread = Pick(0, 3) ? 0 : 2;  // mostly on the caret's line
    const int line = std::clamp(edit_->CaretY() + Pick(-spread, spread), 1, std::max(1, edit_->Lines()->Count()));
    const int length = static_cast<int>(edit_->LineList()->LineView(line - 1).size());
    return {Pick(1, length + 1), line};
  }

  char32_t AnyChar() {
    static const char32_t kChars[] = {U'a', U'Z', U' ', U'7', U';', U'\x00E9', U'\x65E5', U'(', U')', U'_'};
    return kChars[Pick(0, 9)];
  }

  void OneCommand() {
    const int what = Pick(0, 103);
    if (what >= 100) {
      // The view changes between commands: word wrap, the window's width. (The tabs' width stays for
      // a run: a column block's cells are where the tabs put its columns when it is undone.)
      if (what == 100) {
        edit_->SetWordWrap(!edit_->WordWrap());
      } else if (what == 101) {
        static const int kWidths[] = {50, 90, 160, 400};
        edit_->SetBounds(0, 0, kWidths[Pick(0, 3)], 300);
      } else {
        // Deleting to a word's end from beyond a line's end joins the next line (trimmed, with the
        // trimmed runs).
        edit_->SetCaretXY({static_cast<int>(edit_->LineList()->LineView(edit_->CaretY() - 1).size()) + Pick(1, 4),
                          edit_->CaretY()});
        edit_->CommandProcessor(ecDeleteWord, 0, nullptr);
      }
    } else if (what < 12) {
      edit_->SetCaretXY(AnyPosition());
    } else if (what < 18) {
      edit_->SetCaretXY(AnyPosition());
      // (A column block pasted last leaves its mode active: the selection's mode is set anew.)
      static const TCodeSelectionMode kModes[] = {smNormal, smNormal, smNormal, smNormal, smLine, smColumn, smColumn};
      const TCodeSelectionMode mode = kModes[Pick(0, 6)];
      edit_->SetSelectionMode(mode);
      edit_->SetActiveSelectionMode(mode);
      edit_->SetBlockBegin(edit_->CaretXY());
      edit_->SetBlockEnd(NearPosition());
    } else if (what < 40) {
      edit_->CommandProcessor(ecChar, AnyChar(), nullptr);
    } else if (what < 46) {
      edit_->CommandProcessor(ecDeleteLastChar, 0, nullptr);
    } else if (what < 51) {
      edit_->CommandProcessor(ecDeleteChar, 0, nullptr);
    } else if (what < 57) {
      edit_->CommandProcessor(Pick(0, 1) ? ecLineBreak : ecInsertLine, 0, nullptr);
      if (Pick(0, 1)) edit_->CommandProcessor(ecLineBreak, 0, nullptr);
    } else if (what < 61) {
      edit_->CommandProcessor(Pick(0, 1) ? ecTab : ecShiftTab, 0, nullptr);
    } else if (what < 65) {
      static const TCodeEditorCommand kDeletes[] = {ecDeleteWord, ecDeleteLastWord, ecDeleteBOL, ecDeleteEOL,
                                                    ecDeleteLine};
      edit_->CommandProcessor(kDeletes[Pick(0, Pick(0, 3) ? 3 : 4)], 0, nullptr);
    } else if (what < 69) {
      static const TCodeEditorCommand kCases[] = {ecUpperCase, ecLowerCase, ecToggleCase, ecTitleCase,
                                                  ecUpperCaseBlock, ecLowerCaseBlock, ecToggleCaseBlock};
      edit_->CommandProcessor(kCases[Pick(0, 6)], 0, nullptr);
    } else if (what < 72) {
      std::string block;
      const int lines = Pick(1, 4);
      for (int i = 0; i < lines; ++i) block += (i ? "\r\n" : "") + Word();
      PutOnClipboard(smColumn, block);
      edit_->CommandProcessor(ecPaste, 0, nullptr);
      // The pasted block leaves column mode active; selections here are made in the other modes.
      edit_->SetActiveSelectionMode(smNormal);
    } else if (what < 74) {
      PutOnClipboard(Pick(0, 1) ? smNormal : smLine, Word() + "\r\n" + Line());
      edit_->CommandProcessor(ecPaste, 0, nullptr);
    } else if (what < 76) {
      std::string text = Word();
      edit_->CommandProcessor(ecImeStr, 0, text.data());
    } else if (what < 78) {
      edit_->CommandProcessor(ecToggleMode, 0, nullptr);
    } else if (what < 80) {
      edit_->CommandProcessor(Pick(0, 1) ? ecBlockIndent : ecBlockUnindent, 0, nullptr);
    } else if (what < 83) {
      edit_->CommandProcessor(ecUndo, 0, nullptr);
    } else if (what < 85) {
      edit_->CommandProcessor(ecRedo, 0, nullptr);
    } else if (what < 86) {
      edit_->CommandProcessor(ecCut, 0, nullptr);
    } else if (what < 88) {
      // The selection dragged to a place on screen near it and dropped there (moved).
      static const TCodeSelectionMode kModes[] = {smNormal, smNormal, smLine, smColumn};
      edit_->SetActiveSelectionMode(kModes[Pick(0, 3)]);
      edit_->SetBlockBegin(edit_->CaretXY());
      edit_->SetBlockEnd(NearPosition());
      TBufferCoord to = NearPosition();
      to.Char = std::min(to.Char, 30);
      edit_->SetTopLine(std::max(1, to.Line - 2));
      edit_->SetLeftChar(1);
      const TPoint at = edit_->RowColumnToPixels(edit_->BufferToDisplayPos(to));
      edit_->DragDrop(edit_, at.X + 1, at.Y + 1);
    } else {
      static const TCodeEditorCommand kMoves[] = {ecLeft, ecRight, ecUp, ecDown, ecWordLeft, ecWordRight,
                                                  ecLineStart, ecLineEnd, ecSelLeft, ecSelRight, ecSelDown,
                                                  ecSelWordRight};
      edit_->CommandProcessor(kMoves[Pick(0, 11)], 0, nullptr);
    }
  }

 private:
  TCodeEdit* edit_;
  TPick pick_;
};

}  // namespace lab::edittest
