#include "platform/controls/edit.h"

#include <algorithm>

#include "platform/controls/caret.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/input.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/utf8.h"

namespace lab {

using namespace win;

TCustomEdit::TCustomEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csCaptureMouse, csDoubleClicks, csFixedHeight, csClickEvents});
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetBorderStyle(bsSingle);
  SetColor(clWindow);
  SetParentColor(false);
  SetCursor(crIBeam);
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_TABSTOP;
  Params.Caption = WindowText();
}

// --- properties

void TCustomEdit::SetSelStart(int Value) {
  line_.SetSel(Value, 0);
  SelectionChanged();
}

void TCustomEdit::SetSelLength(int Value) {
  line_.SetSel(line_.SelStart(), Value);
  SelectionChanged();
}

std::string TCustomEdit::WindowText() const { return Utf8Encode(line_.Text()); }

std::string TCustomEdit::SelText() const { return Utf8Encode(line_.SelText()); }

void TCustomEdit::SetSelText(const std::string& Value) {
  const bool readOnly = line_.ReadOnly;
  // A program may replace the selection of a read-only edit.
  line_.ReadOnly = false;
  const bool changed = line_.ReplaceSel(Utf8Decode(Value));
  line_.ReadOnly = readOnly;
  if (changed) TextChanged();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (Value == line_.CharCase) return;
  line_.CharCase = Value;
  if (Value != ecNormal && !line_.IsMasked()) {
    const bool modified = line_.Modified;
    line_.SetText(line_.Text());
    line_.Modified = modified;
    TextChanged();
  }
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (Value == hide_selection_) return;
  hide_selection_ = Value;
  Invalidate();
}

// --- editing operations

template <class F>
void TCustomEdit::Edit(F Operation) {
  if (line_.ReadOnly || !EditCanModify()) return;
  if (Operation()) TextChanged();
}

void TCustomEdit::ClearSelection() {
  Edit([&] { return line_.ClearSelection(); });
}

void TCustomEdit::CopyToClipboard() {
  if (line_.SelLength() > 0) Clipboard()->SetAsText(SelText());
}

void TCustomEdit::CutToClipboard() {
  if (line_.SelLength() == 0 || line_.ReadOnly || !EditCanModify()) return;
  CopyToClipboard();
  ClearSelection();
}

void TCustomEdit::PasteFromClipboard() {
  std::string text = Clipboard()->AsText();
  // One line takes only the first line of what is pasted.
  if (const auto eol = text.find_first_of("\r\n"); eol != std::string::npos) text.resize(eol);
  const std::u32string value = Utf8Decode(text);
  Edit([&] { return line_.ReplaceSel(value); });
}

void TCustomEdit::SelectAll() {
  line_.SelectAll();
  SelectionChanged();
}

void TCustomEdit::Undo() {
  Edit([&] { return line_.Undo(); });
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::TextChanged() {
  // The window's own copy, which other threads read without waiting for this one (a crash report
  // names the text of the focused control).
  if (HandleAllocated()) wm::DefWindowProc(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(WindowText().c_str()));
  ScrollToCaret();
  Invalidate();
  UpdateCaret();
  Change();
}

void TCustomEdit::SelectionChanged() {
  ScrollToCaret();
  Invalidate();
  UpdateCaret();
}

// --- geometry

TRect TCustomEdit::GetEditRect() {
  const TRect r = ClientRect();
  return {r.Left + 1, r.Top + 1, std::max(r.Left + 1, r.Right - 1), std::max(r.Top + 1, r.Bottom - 1)};
}

int TCustomEdit::XFromPos(int Pos) {
  const TRect r = GetEditRect();
  if (!HandleAllocated()) return r.Left;
  const std::u32string text = DisplayText();
  Pos = std::clamp(Pos, 0, static_cast<int>(text.size()));
  Canvas()->SetFont(Font());
  return r.Left - scroll_ + Canvas()->TextWidth(Utf8Encode(text.substr(0, static_cast<std::size_t>(Pos))));
}

int TCustomEdit::PosFromX(int X) {
  const std::u32string text = DisplayText();
  if (!HandleAllocated()) return 0;
  // The boundary nearest X: past a character's middle counts as after it.
  int prev = XFromPos(0);
  for (int i = 1; i <= static_cast<int>(text.size()); ++i) {
    const int x = XFromPos(i);
    if (X < (prev + x + 1) / 2) return i - 1;
    prev = x;
  }
  return static_cast<int>(text.size());
}

void TCustomEdit::ScrollToCaret() {
  if (!HandleAllocated()) return;
  const TRect r = GetEditRect();
  const int width = std::max(r.Width(), 1);
  const int caretX = XFromPos(line_.Caret()) + scroll_ - r.Left;
  const int textWidth = XFromPos(line_.Length()) + scroll_ - r.Left;
  if (caretX - scroll_ < 0)
    scroll_ = caretX;
  else if (caretX - scroll_ > width - 1)
    scroll_ = caretX - width + 1;
  // No empty room at the right while text is scrolled out at the left.
  scroll_ = std::clamp(scroll_, 0, std::max(0, textWidth - width + 1));
}

void TCustomEdit::UpdateCaret() {
  if (!has_caret_ || !HandleAllocated()) return;
  const TRect r = GetEditRect();
  wm::SetCaretPos(XFromPos(line_.Caret()), r.Top);
}

void TCustomEdit::FocusChanged(bool Focused) {
  if (Focused) {
    Canvas()->SetFont(Font());
    const int h = Canvas()->TextHeight("Wg");
    has_caret_ = wm::CreateCaret(Handle(), nullptr, 1, h);
    UpdateCaret();
    if (has_caret_) wm::ShowCaret(Handle());
  } else if (has_caret_) {
    wm::DestroyCaret();
    has_caret_ = false;
  }
  Invalidate();
}

// --- painting

void TCustomEdit::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const TRect r = GetEditRect();
  const std::u32string text = DisplayText();
  c->SetFont(Font());
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  const int x0 = r.Left - scroll_;
  c->TextRect(r, x0, r.Top, Utf8Encode(text));
  const bool showSel = line_.SelLength() > 0 && (!hide_selection_ || Focused());
  if (showSel) {
    const int s = line_.SelStart();
    const int e = s + line_.SelLength();
    const int sx = XFromPos(s), ex = XFromPos(e);
    const TRect sel{std::max(sx, r.Left), r.Top, std::min(ex, r.Right), r.Bottom};
    if (!sel.IsEmpty()) {
      c->Brush()->SetColor(clHighlight);
      c->Font()->SetColor(clHighlightText);
      c->TextRect(sel, sx, r.Top,
                  Utf8Encode(text.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s))));
    }
  }
}

// --- keys, characters and the mouse

void TCustomEdit::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
      EditKey(static_cast<WORD>(Message.WParam), KeyboardStateToShiftState());
      return;
    case WM_CHAR:
      EditChar(static_cast<char32_t>(Message.WParam));
      return;
    default:
      TCustomControl::DefaultHandler(Message);
  }
}

void TCustomEdit::EditKey(WORD Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl);
  const bool shift = Shift.Contains(ssShift);
  const int caret = line_.Caret();
  switch (Key) {
    case VK_LEFT: {
      int to = ctrl ? line_.WordLeft(caret) : caret - 1;
      // Without Shift a selection collapses to its start.
      if (!shift && !ctrl && line_.SelLength() > 0) to = line_.SelStart();
      line_.MoveCaret(to, shift);
      SelectionChanged();
      break;
    }
    case VK_RIGHT: {
      int to = ctrl ? line_.WordRight(caret) : caret + 1;
      if (!shift && !ctrl && line_.SelLength() > 0) to = line_.SelStart() + line_.SelLength();
      line_.MoveCaret(to, shift);
      SelectionChanged();
      break;
    }
    case VK_HOME:
      line_.MoveCaret(0, shift);
      SelectionChanged();
      break;
    case VK_END:
      line_.MoveCaret(line_.Length(), shift);
      SelectionChanged();
      break;
    case VK_DELETE:
      if (shift)
        CutToClipboard();
      else
        Edit([&] { return line_.DeleteForward(); });
      break;
    case VK_INSERT:
      if (ctrl)
        CopyToClipboard();
      else if (shift)
        PasteFromClipboard();
      break;
    case 'C':
      if (ctrl) CopyToClipboard();
      break;
    case 'X':
      if (ctrl) CutToClipboard();
      break;
    case 'V':
      if (ctrl) PasteFromClipboard();
      break;
    case 'Z':
      if (ctrl) Undo();
      break;
    default: break;
  }
}

void TCustomEdit::EditChar(char32_t Ch) {
  if (Ch == U'\b') {
    Edit([&] { return line_.DeleteBack(); });
    return;
  }
  // Control characters (Ctrl+letter among them) type nothing; their keys did their work.
  if (Ch < U' ' || Ch == 0x7F) return;
  Edit([&] { return line_.TypeChar(Ch); });
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    const int pos = PosFromX(X);
    if (Shift.Contains(ssDouble)) {
      line_.SelectWord(pos);
    } else {
      line_.MoveCaret(pos, Shift.Contains(ssShift));
      selecting_ = true;
    }
    SelectionChanged();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::MouseMove(TShiftState Shift, int X, int Y) {
  if (selecting_) {
    line_.MoveCaret(PosFromX(X), true);
    SelectionChanged();
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) selecting_ = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomEdit::DoEnter() {
  // Coming in with the keyboard selects everything; a click places the caret itself.
  if (auto_select_ && !entered_by_mouse_) SelectAll();
  TCustomControl::DoEnter();
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXTLENGTH:
      Message.Result = static_cast<LRESULT>(WindowText().size());
      return;
    case WM_GETTEXT: {
      const std::string text = WindowText();
      if (Message.WParam == 0 || !Message.LParam) return;
      const std::size_t n = std::min<std::size_t>(text.size(), Message.WParam - 1);
      char* out = reinterpret_cast<char*>(Message.LParam);
      std::copy_n(text.data(), n, out);
      out[n] = '\0';
      Message.Result = static_cast<LRESULT>(n);
      return;
    }
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(Message.LParam);
      line_.SetText(Utf8Decode(text ? text : ""));
      scroll_ = 0;
      Message.Result = 1;
      TextChanged();
      return;
    }
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      return;
    case WM_SETFOCUS:
      TCustomControl::Dispatch(Message);
      FocusChanged(true);
      return;
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      FocusChanged(false);
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      entered_by_mouse_ = true;
      struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
      } reset{entered_by_mouse_};
      TCustomControl::Dispatch(Message);
      return;
    }
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      ScrollToCaret();
      UpdateCaret();
      return;
    case WM_CUT: CutToClipboard(); return;
    case WM_COPY: CopyToClipboard(); return;
    case WM_PASTE: PasteFromClipboard(); return;
    case WM_CLEAR: ClearSelection(); return;
    case WM_UNDO: Undo(); return;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      if (has_caret_) FocusChanged(true);
      return;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
