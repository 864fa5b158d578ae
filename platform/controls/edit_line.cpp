#include "platform/controls/edit_line.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <utility>

namespace lab {

void TEditLine::SetText(std::u32string_view Value) {
  text_ = IsMasked() ? mask_.FormatText(Value) : ApplyCase(Value);
  caret_ = anchor_ = 0;
  has_undo_ = false;
  Modified = false;
}

void TEditLine::SetEditText(std::u32string_view Value) {
  if (!IsMasked()) {
    SetText(Value);
    return;
  }
  std::u32string t = mask_.EmptyEditText();
  for (std::size_t i = 0; i < t.size() && i < Value.size(); ++i)
    if (!mask_.IsLiteral(static_cast<std::int32_t>(i))) t[i] = Value[i];
  text_ = std::move(t);
  caret_ = anchor_ = 0;
  has_undo_ = false;
  Modified = false;
}

std::u32string TEditLine::MaskedText() const { return IsMasked() ? mask_.TextOf(text_) : text_; }

void TEditLine::SetMask(std::string_view EditMask) {
  // From one mask to another the entered characters carry over, whatever literals either has.
  const bool wasMasked = IsMasked();
  const TEditMask newMask(EditMask);
  if (newMask.IsEmpty())
    text_ = MaskedText();
  else if (wasMasked)
    text_ = newMask.FormatText(mask_.EnteredText(text_), false);
  else
    text_ = newMask.FormatText(text_);
  mask_ = newMask;
  caret_ = anchor_ = 0;
  has_undo_ = false;
}

void TEditLine::SetSel(std::int32_t Start, std::int32_t Length) {
  Start = std::clamp(Start, 0, this->Length());
  anchor_ = Start;
  caret_ = std::clamp(Start + std::max(Length, 0), Start, this->Length());
}

void TEditLine::MoveCaret(std::int32_t Pos, bool Extend) {
  caret_ = std::clamp(Pos, 0, Length());
  if (!Extend) anchor_ = caret_;
}

namespace {

bool IsSpace(char32_t c) { return u_isUWhiteSpace(static_cast<UChar32>(c)); }

}  // namespace

std::int32_t TEditLine::WordLeft(std::int32_t Pos) const {
  Pos = std::clamp(Pos, 0, Length());
  while (Pos > 0 && IsSpace(text_[static_cast<std::size_t>(Pos - 1)])) --Pos;
  while (Pos > 0 && !IsSpace(text_[static_cast<std::size_t>(Pos - 1)])) --Pos;
  return Pos;
}

std::int32_t TEditLine::WordRight(std::int32_t Pos) const {
  Pos = std::clamp(Pos, 0, Length());
  while (Pos < Length() && !IsSpace(text_[static_cast<std::size_t>(Pos)])) ++Pos;
  while (Pos < Length() && IsSpace(text_[static_cast<std::size_t>(Pos)])) ++Pos;
  return Pos;
}

void TEditLine::SelectWord(std::int32_t Pos) {
  Pos = std::clamp(Pos, 0, Length());
  std::int32_t start = Pos;
  std::int32_t end = Pos;
  if (Pos < Length() && IsSpace(text_[static_cast<std::size_t>(Pos)])) {
    while (start > 0 && IsSpace(text_[static_cast<std::size_t>(start - 1)])) --start;
    while (end < Length() && IsSpace(text_[static_cast<std::size_t>(end)])) ++end;
  } else {
    while (start > 0 && !IsSpace(text_[static_cast<std::size_t>(start - 1)])) --start;
    while (end < Length() && !IsSpace(text_[static_cast<std::size_t>(end)])) ++end;
  }
  anchor_ = start;
  caret_ = end;
}

std::u32string TEditLine::ApplyCase(std::u32string_view Value) const {
  std::u32string out(Value);
  if (CharCase == ecNormal) return out;
  for (char32_t& c : out)
    c = static_cast<char32_t>(CharCase == ecUpperCase ? u_toupper(static_cast<UChar32>(c))
                                                      : u_tolower(static_cast<UChar32>(c)));
  return out;
}

void TEditLine::SaveUndo() {
  undo_text_ = text_;
  undo_caret_ = caret_;
  undo_anchor_ = anchor_;
  has_undo_ = true;
}

void TEditLine::BlankRange(std::u32string& Text, std::int32_t Start, std::int32_t End) const {
  for (std::int32_t p = Start; p < End; ++p)
    if (!mask_.IsLiteral(p)) Text[static_cast<std::size_t>(p)] = mask_.Blank();
}

bool TEditLine::ReplaceSel(std::u32string_view Value) {
  if (ReadOnly) return false;
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  if (IsMasked()) {
    std::u32string blanked = text_;
    BlankRange(blanked, start, start + length);
    std::int32_t pos = start;
    if (!mask_.Insert(blanked, start, Value, pos)) return false;
    if (blanked == text_ && pos == caret_) return false;
    SaveUndo();
    text_ = std::move(blanked);
    caret_ = anchor_ = pos;
    Modified = true;
    return true;
  }
  std::u32string value = ApplyCase(Value);
  if (MaxLength > 0) {
    const std::int32_t room = std::max(MaxLength - (Length() - length), 0);
    if (static_cast<std::int32_t>(value.size()) > room) value.resize(static_cast<std::size_t>(room));
  }
  if (value.empty() && length == 0) return false;
  SaveUndo();
  text_.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length), value);
  caret_ = anchor_ = start + static_cast<std::int32_t>(value.size());
  Modified = true;
  return true;
}

bool TEditLine::TypeChar(char32_t Ch) {
  if (ReadOnly) return false;
  // Typing into a full line changes nothing rather than dropping the selection.
  if (!IsMasked() && MaxLength > 0 && Length() - SelLength() >= MaxLength) return false;
  return ReplaceSel(std::u32string_view(&Ch, 1));
}

bool TEditLine::ClearSelection() {
  if (ReadOnly || SelLength() == 0) return false;
  const std::int32_t start = SelStart();
  SaveUndo();
  if (IsMasked())
    BlankRange(text_, start, start + SelLength());
  else
    text_.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(SelLength()));
  caret_ = anchor_ = start;
  Modified = true;
  return true;
}

bool TEditLine::DeleteBack() {
  if (ReadOnly) return false;
  if (SelLength() > 0) return ClearSelection();
  if (caret_ == 0) return false;
  if (IsMasked()) {
    const std::int32_t p = mask_.PrevEditable(caret_ - 1);
    if (p < 0) return false;
    SaveUndo();
    text_[static_cast<std::size_t>(p)] = mask_.Blank();
    caret_ = anchor_ = p;
  } else {
    SaveUndo();
    text_.erase(static_cast<std::size_t>(caret_ - 1), 1);
    caret_ = anchor_ = caret_ - 1;
  }
  Modified = true;
  return true;
}

bool TEditLine::DeleteForward() {
  if (ReadOnly) return false;
  if (SelLength() > 0) return ClearSelection();
  if (caret_ >= Length()) return false;
  if (IsMasked()) {
    const std::int32_t p = mask_.NextEditable(caret_);
    if (p >= Length()) return false;
    SaveUndo();
    text_[static_cast<std::size_t>(p)] = mask_.Blank();
  } else {
    SaveUndo();
    text_.erase(static_cast<std::size_t>(caret_), 1);
  }
  Modified = true;
  return true;
}

bool TEditLine::Undo() {
  if (!has_undo_ || ReadOnly) return false;
  std::swap(text_, undo_text_);
  std::swap(caret_, undo_caret_);
  std::swap(anchor_, undo_anchor_);
  Modified = true;
  return true;
}

}  // namespace lab
