// The clipboard and the selected text: copying the selection in the plain-text format and in the
// editor's own block format (the selection mode, then the text), cutting, pasting, and the word at
// the caret.

#include <algorithm>

#include "editor/clipboard_block.h"
#include "editor/codeedit.h"
#include "editor/edit_exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"
#include "platform/win/window_functions.h"

namespace lab {

std::string TCustomCodeEdit::WordAtCursor() {
  const TBufferCoord start = WordStart();
  const TBufferCoord end = WordEnd();
  if (start.Line != caret_y_ || end.Char <= start.Char) return {};
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  if (static_cast<std::size_t>(start.Char - 1) >= line.size()) return {};
  return Utf8Encode(line.substr(static_cast<std::size_t>(start.Char - 1), static_cast<std::size_t>(end.Char - start.Char)));
}

bool TCustomCodeEdit::CanPaste() {
  return !ReadOnly() &&
         (win::IsClipboardFormatAvailable(win::CF_TEXT) || win::IsClipboardFormatAvailable(CodeEditClipboardFormat()));
}

void TCustomCodeEdit::CopyToClipboard() {
  if (!SelAvail()) return;
  std::string text;
  {
    // A copied column block is always rectangular: its short lines keep their padding.
    const bool trim = active_selection_mode_ == smColumn && options_.Contains(eoTrimTrailingSpaces);
    if (trim) options_.Exclude(eoTrimTrailingSpaces);
    TScopeExit restore([&] {
      if (trim) options_.Include(eoTrimTrailingSpaces);
    });
    text = SelText();
  }
  if (!win::OpenClipboard(HandleAllocated() ? Handle() : nullptr))
    throw ECodeEditError("Clipboard copy operation failed");
  TScopeExit close([] { win::CloseClipboard(); });
  std::string block = WriteCodeEditBlock(active_selection_mode_, text);
  if (!win::EmptyClipboard() || !win::SetClipboardData(win::CF_TEXT, std::move(text)) ||
      !win::SetClipboardData(CodeEditClipboardFormat(), std::move(block)))
    throw ECodeEditError("Clipboard copy operation failed");
}

void TCustomCodeEdit::CutToClipboard() {
  if (ReadOnly() || !SelAvail()) return;
  undo_list_->BeginBlock();
  TScopeExit end_block([&] { undo_list_->EndBlock(); });
  // A failed copy raises here, before anything is cut.
  CopyToClipboard();
  ReplaceSelectionUndoable(U"");
}

void TCustomCodeEdit::PasteFromClipboard() {
  if (!CanPaste()) return;
  DoOnPaintTransient(ttBefore);
  bool pasted = false;
  {
    undo_list_->BeginBlock();
    TScopeExit end_block([&] { undo_list_->EndBlock(); });
    TScopeExit end_marker([&] {
      if (pasted) undo_list_->AddChange(crPasteEnd, NormalizedBlockBegin(), NormalizedBlockEnd(), U"", smNormal);
    });
    std::optional<TCodeEditBlock> block;
    if (win::IsClipboardFormatAvailable(CodeEditClipboardFormat())) {
      const std::optional<std::string> data = win::GetClipboardData(CodeEditClipboardFormat());
      if (!data) throw ECodeEditError("Clipboard paste operation failed.");
      block = ReadCodeEditBlock(*data);  // nothing for an empty block: the plain text is taken then
    }
    std::u32string text;
    TCodeSelectionMode mode = smNormal;
    bool found = true;
    if (block) {
      mode = block->Mode;
      text = Utf8Decode(block->Text);
    } else if (win::IsClipboardFormatAvailable(win::CF_TEXT)) {
      text = Utf8Decode(win::GetClipboardData(win::CF_TEXT).value_or(std::string()));
      if (!SelAvail()) active_selection_mode_ = selection_mode_;
      mode = active_selection_mode_;
    } else {
      found = false;
    }
    if (found) {
      undo_list_->AddChange(crPasteBegin, NormalizedBlockBegin(), NormalizedBlockEnd(), U"", smNormal);
      pasted = true;
      ReplaceSelectionRecorded(text, mode, crPaste);
    }
  }
  ScrollCaretIntoView();
  RecordStatusChange({scSelection});
  DoOnPaintTransient(ttAfter);
}

}  // namespace lab
