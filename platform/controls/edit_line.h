#pragma once
// The text, caret, selection and one-step undo of a single-line edit, without a window: what the
// edit controls do with keys, characters and the clipboard's text. Positions count code points.
// With an edit mask the line works like the framework's masked edit: it always holds the mask's
// edit text, typing overwrites the next position that takes the character, and deleting leaves
// blanks.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/controls/edit_mask.h"

namespace lab {

enum TEditCharCase : std::uint8_t { ecNormal, ecUpperCase, ecLowerCase };

class TEditLine {
 public:
  // The whole text (for a masked line its edit text, literals and blanks included).
  const std::u32string& Text() const noexcept { return text_; }
  std::int32_t Length() const noexcept { return static_cast<std::int32_t>(text_.size()); }
  // Sets the text as a program does: not limited by MaxLength, the caret to the start, the undo
  // step forgotten. A masked line shows the value through its mask.
  void SetText(std::u32string_view Value);

  // Sets the text as it stands in the edit (a masked line: literals and blanks included, cut or
  // filled with blanks to the mask's length).
  void SetEditText(std::u32string_view Value);
  // The masked line's Text: blanks as spaces, literals only when the mask saves them.
  std::u32string MaskedText() const;
  const TEditMask& Mask() const noexcept { return mask_; }
  // Sets (or, with an empty mask, removes) the edit mask; the current text is shown through it.
  void SetMask(std::string_view EditMask);
  bool IsMasked() const noexcept { return !mask_.IsEmpty(); }

  // The selection runs from the anchor to the caret.
  std::int32_t Caret() const noexcept { return caret_; }
  std::int32_t Anchor() const noexcept { return anchor_; }
  std::int32_t SelStart() const noexcept { return std::min(anchor_, caret_); }
  std::int32_t SelLength() const noexcept { return std::max(anchor_, caret_) - SelStart(); }
  std::u32string SelText() const { return text_.substr(static_cast<std::size_t>(SelStart()), static_cast<std::size_t>(SelLength())); }
  // Selects Length characters from Start (both kept within the text); the caret goes to the end.
  void SetSel(std::int32_t Start, std::int32_t Length);
  void SelectAll() { SetSel(0, Length()); }
  // Moves the caret; with Extend the anchor stays, so the selection grows or shrinks.
  void MoveCaret(std::int32_t Pos, bool Extend);
  // The start of the word left of Pos, and the start of the word after the one at Pos.
  std::int32_t WordLeft(std::int32_t Pos) const;
  std::int32_t WordRight(std::int32_t Pos) const;
  // Selects the word at Pos (a double click).
  void SelectWord(std::int32_t Pos);

  // Replaces the selection with Value, as typing or pasting does: CharCase applies, MaxLength cuts
  // what does not fit, and the change can be undone. Answers whether the text changed. A masked
  // line places Value into the mask and refuses it whole when a character fits nowhere.
  bool ReplaceSel(std::u32string_view Value);
  // One typed character; refused (false) when it does not fit.
  bool TypeChar(char32_t Ch);
  // Backspace and Delete: the selection, else the character before or after the caret.
  bool DeleteBack();
  bool DeleteForward();
  // Removes the selection (for Cut).
  bool ClearSelection();

  // One step back; undoing again redoes it.
  bool CanUndo() const noexcept { return has_undo_; }
  bool Undo();
  void ClearUndo() noexcept { has_undo_ = false; }

  // The first position where a masked text breaks its mask; -1 when it is valid or unmasked.
  std::int32_t FirstInvalid() const { return mask_.IsEmpty() ? -1 : mask_.FirstInvalid(text_); }

  // 0: no limit.
  std::int32_t MaxLength = 0;
  TEditCharCase CharCase = ecNormal;
  bool ReadOnly = false;
  // Set by every change made through the editing operations; cleared by SetText.
  bool Modified = false;

 private:
  void SaveUndo();
  std::u32string ApplyCase(std::u32string_view Value) const;
  // Blanks the editable positions of Text from Start to End.
  void BlankRange(std::u32string& Text, std::int32_t Start, std::int32_t End) const;

  std::u32string text_;
  std::int32_t caret_ = 0;
  std::int32_t anchor_ = 0;
  TEditMask mask_;

  bool has_undo_ = false;
  std::u32string undo_text_;
  std::int32_t undo_caret_ = 0;
  std::int32_t undo_anchor_ = 0;
};

}  // namespace lab
