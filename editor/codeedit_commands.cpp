// Editor commands: how one command is processed (its events, the hooked handlers, its execution),
// and the commands that move the caret, select, scroll, switch modes, copy, cut and paste, and set
// and reach bookmarks. The commands that type and delete text live in codeedit_typing.cpp.

#include <algorithm>

#include "editor/codeedit.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

void TCustomCodeEdit::DoOnProcessCommand(TCodeEditorCommand& Command, char32_t& AChar, void* Data) {
  if (Command < ecUserFirst) {
    if (OnProcessCommand) OnProcessCommand(this, Command, AChar, Data);
  } else {
    if (OnProcessUserCommand) OnProcessUserCommand(this, Command, AChar, Data);
  }
}

void TCustomCodeEdit::DoOnCommandProcessed(TCodeEditorCommand Command, char32_t AChar, void* Data) {
  if (OnCommandProcessed) OnCommandProcessed(this, Command, AChar, Data);
}

void TCustomCodeEdit::CommandProcessor(TCodeEditorCommand Command, char32_t AChar, void* Data) {
  DoOnProcessCommand(Command, AChar, Data);
  if (Command != ecNone) NotifyHookedCommandHandlers(false, Command, AChar, Data);
  if (Command != ecNone && Command < ecUserFirst) ExecuteCommand(Command, AChar, Data);
  if (Command != ecNone) NotifyHookedCommandHandlers(true, Command, AChar, Data);
  DoOnCommandProcessed(Command, AChar, Data);
}

void TCustomCodeEdit::ExecuteCommand(TCodeEditorCommand Command, char32_t AChar, void* Data) {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  const bool extend = Command >= ecSelLeft && Command <= ecSelGotoXY;
  const TCodeEditorCommand move = extend ? static_cast<TCodeEditorCommand>(Command - 100) : Command;
  if (move >= ecLeft && move <= ecGotoXY) {
    switch (move) {
      case ecLeft:
        MoveCaretHorizontally(-1, extend);
        break;
      case ecRight:
        MoveCaretHorizontally(1, extend);
        break;
      case ecUp:
        MoveCaretVertically(-1, extend);
        Update();
        break;
      case ecDown:
        MoveCaretVertically(1, extend);
        Update();
        break;
      case ecWordLeft:
        MoveCaretWithSelection(CaretXY(), PrevWordPos(), extend);
        break;
      case ecWordRight:
        MoveCaretWithSelection(CaretXY(), NextWordPos(), extend);
        break;
      case ecLineStart:
        MoveToLineHome(extend);
        break;
      case ecLineEnd:
        MoveToLineEnd(extend);
        break;
      case ecPageUp:
      case ecPageDown: {
        int rows = options_.Contains(eoHalfPageScroll) ? lines_in_window_ / 2 : lines_in_window_;
        if (options_.Contains(eoScrollByOneLess)) --rows;
        if (move == ecPageUp) rows = -rows;
        SetTopLine(top_line_ + rows);
        MoveCaretVertically(rows, extend);
        Update();
        break;
      }
      case ecPageLeft:
        MoveCaretHorizontally(-chars_in_window_, extend);
        break;
      case ecPageRight:
        MoveCaretHorizontally(chars_in_window_, extend);
        break;
      case ecPageTop:
        MoveCaretWithSelection(CaretXY(), DisplayToBufferPos({DisplayX(), top_line_}), extend);
        Update();
        break;
      case ecPageBottom:
        MoveCaretWithSelection(CaretXY(), DisplayToBufferPos({DisplayX(), top_line_ + lines_in_window_ - 1}), extend);
        Update();
        break;
      case ecEditorTop:
        MoveCaretWithSelection(CaretXY(), {1, 1}, extend);
        Update();
        break;
      case ecEditorBottom: {
        const int count = lines_->Count();
        const TBufferCoord last = count > 0 ? TBufferCoord{static_cast<int>(lines_->LineView(count - 1).size()) + 1, count}
                                            : TBufferCoord{1, 0};
        MoveCaretWithSelection(CaretXY(), last, extend);
        Update();
        break;
      }
      case ecGotoXY:
        if (Data) {
          MoveCaretWithSelection(CaretXY(), *static_cast<const TBufferCoord*>(Data), extend);
          Update();
        }
        break;
      default:
        break;
    }
    return;
  }
  switch (Command) {
    case ecSelectAll:
      SelectAll();
      break;
    case ecCopy:
      CopyToClipboard();
      break;
    case ecCut:
      if (!ReadOnly() && SelAvail()) CutToClipboard();
      break;
    case ecPaste:
      if (!ReadOnly()) PasteFromClipboard();
      break;
    case ecScrollUp:
    case ecScrollDown: {
      const int row = DisplayY();
      const int last_visible = top_line_ + lines_in_window_ - 1;
      if (row >= top_line_ && row <= last_visible) {
        if (Command == ecScrollUp) {
          SetTopLine(top_line_ - 1);
          const int bottom = top_line_ + lines_in_window_ - 1;
          if (row > bottom) MoveCaretVertically(bottom - row, false);
        } else {
          SetTopLine(top_line_ + 1);
          if (row < top_line_) MoveCaretVertically(top_line_ - row, false);
        }
      }
      ScrollCaretIntoView();
      Update();
      break;
    }
    case ecScrollLeft:
      SetLeftChar(left_char_ - 1);
      Update();
      break;
    case ecScrollRight:
      SetLeftChar(left_char_ + 1);
      Update();
      break;
    case ecInsertMode:
      SetInsertMode(true);
      break;
    case ecOverwriteMode:
      SetInsertMode(false);
      break;
    case ecToggleMode:
      SetInsertMode(!insert_mode_);
      break;
    case ecNormalSelect:
      SetSelectionMode(smNormal);
      break;
    case ecLineSelect:
      SetSelectionMode(smLine);
      break;
    case ecColumnSelect:
      SetSelectionMode(smColumn);
      break;
    case ecMatchBracket:
      FindMatchingBracket();
      break;
    case ecContextHelp:
      if (OnContextHelp) {
        const TBufferCoord b = NormalizedBlockBegin(), e = NormalizedBlockEnd();
        const std::string word = WordAtCursor();
        block_begin_ = b;
        block_end_ = e;
        OnContextHelp(this, word);
      }
      break;
    case ecClearAll:
      if (!ReadOnly()) ClearAll();
      break;
    case ecDeleteLastChar:
      if (ReadOnly()) break;
      DoOnPaintTransientEx(ttBefore, true);
      {
        TScopeExit after([&] { DoOnPaintTransientEx(ttAfter, true); });
        DeleteLastChar();
      }
      break;
    case ecDeleteChar:
    case ecDeleteLastWord:
    case ecDeleteBOL:
      if (ReadOnly()) break;
      DoOnPaintTransient(ttBefore);
      if (Command == ecDeleteChar)
        DeleteChar();
      else
        DeleteToWordOrLineStart(Command == ecDeleteLastWord);
      DoOnPaintTransient(ttAfter);
      break;
    case ecDeleteWord:
    case ecDeleteEOL:
    case ecDeleteLine:
      if (ReadOnly()) break;
      DoOnPaintTransient(ttBefore);
      if (Command == ecDeleteLine)
        DeleteCaretLine();
      else
        DeleteToWordOrLineEnd(Command == ecDeleteWord);
      break;
    case ecLineBreak:
    case ecInsertLine:
      if (!ReadOnly()) BreakLine(Command == ecLineBreak);
      break;
    case ecChar:
      if (ReadOnly() || AChar < 32 || AChar == 127) break;
      if (TypeText(std::u32string_view(&AChar, 1), false)) DoOnPaintTransient(ttAfter);
      break;
    case ecImeStr:
      if (!ReadOnly() && Data) {
        // Control characters go as they go when typed.
        std::u32string text = Utf8Decode(static_cast<const char*>(Data));
        std::erase_if(text, [](char32_t C) { return C < 32 || C == 127; });
        if (!text.empty()) TypeText(text, true);
      }
      break;
    case ecUndo:
      if (!ReadOnly()) Undo();
      break;
    case ecRedo:
      if (!ReadOnly()) Redo();
      break;
    case ecBlockIndent:
      if (!ReadOnly()) IndentBlock();
      break;
    case ecBlockUnindent:
      if (!ReadOnly()) UnindentBlock();
      break;
    case ecTab:
      if (!ReadOnly()) InsertTab();
      break;
    case ecShiftTab:
      if (!ReadOnly()) RemoveTab();
      break;
    case ecUpperCase:
    case ecLowerCase:
    case ecToggleCase:
    case ecTitleCase:
    case ecUpperCaseBlock:
    case ecLowerCaseBlock:
    case ecToggleCaseBlock:
      if (!ReadOnly()) ChangeCase(Command);
      break;
    default:
      if (Command >= ecGotoMarker0 && Command <= ecGotoMarker9) {
        if (bookmark_options_->EnableKeys()) GotoBookmark(Command - ecGotoMarker0);
      } else if (Command >= ecSetMarker0 && Command <= ecSetMarker9) {
        if (!bookmark_options_->EnableKeys()) break;
        const int number = Command - ecSetMarker0;
        const TBufferCoord at = Data ? *static_cast<const TBufferCoord*>(Data) : CaretXY();
        if (TCodeEditMark* mark = BookMarks(number)) {
          const bool other_line = mark->Line() != at.Line;
          ClearBookmark(number);
          if (other_line) SetBookmark(number, at.Char, at.Line);
        } else {
          SetBookmark(number, at.Char, at.Line);
        }
      }
      break;
  }
}

}  // namespace lab
