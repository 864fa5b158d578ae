#include "platform/controls/memo.h"

#include <algorithm>
#include <climits>

#include "platform/controls/caret.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/input.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/scrolled_view.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/utf8.h"

namespace lab {

using namespace win;

namespace {

constexpr int kMarginX = 2, kMarginY = 1;
constexpr int kWheelRows = 3;
constexpr int kHorzLine = 16;  // pixels a line of the horizontal bar scrolls

// Line breaks of any kind as LF, the way the text is kept.
std::u32string KeptText(std::string_view Text) {
  std::u32string in = Utf8Decode(Text), out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == U'\r') {
      out.push_back(U'\n');
      if (i + 1 < in.size() && in[i + 1] == U'\n') ++i;
    } else {
      out.push_back(in[i]);
    }
  }
  return out;
}

// The kept text with CR LF between lines, as the text goes out.
std::string OutgoingText(std::u32string_view Text) {
  std::string out;
  out.reserve(Text.size() + Text.size() / 16);
  std::size_t from = 0;
  for (;;) {
    const std::size_t eol = Text.find(U'\n', from);
    out += Utf8Encode(Text.substr(from, eol == std::u32string_view::npos ? std::u32string_view::npos : eol - from));
    if (eol == std::u32string_view::npos) return out;
    out += "\r\n";
    from = eol + 1;
  }
}

bool IsBlank(char32_t Ch) { return Ch == U' ' || Ch == U'\t'; }

}  // namespace

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
  TControlStyle style = ControlStyle();
  style.Exclude(csFixedHeight);
  SetControlStyle(style);
  SetBounds(Left(), Top(), 185, 89);
  SetAutoSelect(false);
}

void TCustomMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= ES_MULTILINE;
  if (scroll_bars_ == ssVertical || scroll_bars_ == ssBoth) Params.Style |= WS_VSCROLL;
  if (scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth) Params.Style |= WS_HSCROLL;
}

// ---- properties --------------------------------------------------------------------------------

int TCustomMemo::LineCount() const {
  return static_cast<int>(std::count(Line().Text().begin(), Line().Text().end(), U'\n')) + 1;
}

std::string TCustomMemo::LineText(int Index) const {
  const std::u32string& text = Line().Text();
  std::size_t from = 0;
  for (int i = 0; i < Index; ++i) {
    from = text.find(U'\n', from);
    if (from == std::u32string::npos) break;
    ++from;
  }
  if (Index < 0 || from == std::u32string::npos) throw EListError("List index out of bounds (%d)", Index);
  const std::size_t eol = text.find(U'\n', from);
  return Utf8Encode(std::u32string_view(text).substr(from, eol == std::u32string::npos ? eol : eol - from));
}

std::string TCustomMemo::WindowText() const { return OutgoingText(Line().Text()); }

std::string TCustomMemo::SelText() const { return OutgoingText(Line().SelText()); }

void TCustomMemo::SetSelText(const std::string& Value) {
  // A program may replace the selection of a read-only memo.
  const bool readOnly = Line().ReadOnly;
  Line().ReadOnly = false;
  const bool changed = Line().ReplaceSel(KeptText(Value));
  Line().ReadOnly = readOnly;
  if (changed) TextChanged();
}

void TCustomMemo::SetWordWrap(bool Value) {
  if (Value == word_wrap_) return;
  word_wrap_ = Value;
  scroll_x_ = 0;
  Relayout();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (Value == scroll_bars_) return;
  scroll_bars_ = Value;
  RecreateWnd();
}

// ---- layout ------------------------------------------------------------------------------------

int TCustomMemo::CharWidth(char32_t Ch) {
  auto it = widths_.find(Ch);
  if (it != widths_.end()) return it->second;
  Canvas()->SetFont(Font());
  const int width = Canvas()->TextWidth(Utf8Encode(std::u32string(1, Ch)));
  widths_.emplace(Ch, width);
  return width;
}

int TCustomMemo::TabWidth() { return std::max(1, 8 * CharWidth(U' ')); }

int TCustomMemo::RowHeight() {
  Canvas()->SetFont(Font());
  return std::max(1, Canvas()->TextHeight("Wg"));
}

TRect TCustomMemo::GetEditRect() {
  const TRect r = ClientRect();
  return {r.Left + kMarginX, r.Top + kMarginY, std::max(r.Left + kMarginX, r.Right - kMarginX),
          std::max(r.Top + kMarginY, r.Bottom - kMarginY)};
}

int TCustomMemo::XInRow(const TRow& Row, int Pos) {
  const std::u32string& text = Line().Text();
  int x = 0;
  const int end = std::min(Pos, Row.Start + Row.Length);
  for (int i = Row.Start; i < end; ++i) {
    const char32_t ch = text[static_cast<std::size_t>(i)];
    x += ch == U'\t' ? TabWidth() - x % TabWidth() : CharWidth(ch);
  }
  return x;
}

int TCustomMemo::PosInRow(const TRow& Row, int X) {
  const std::u32string& text = Line().Text();
  int x = 0;
  for (int i = Row.Start; i < Row.Start + Row.Length; ++i) {
    const char32_t ch = text[static_cast<std::size_t>(i)];
    const int w = ch == U'\t' ? TabWidth() - x % TabWidth() : CharWidth(ch);
    // Past a character's middle counts as after it.
    if (X < x + (w + 1) / 2) return i;
    x += w;
  }
  return Row.Start + Row.Length;
}

void TCustomMemo::Layout() {
  rows_.clear();
  content_width_ = 0;
  const std::u32string& text = Line().Text();
  const int size = static_cast<int>(text.size());
  const int width = word_wrap_ ? std::max(1, GetEditRect().Width()) : INT_MAX;
  const auto advance = [&](char32_t ch, int x) { return ch == U'\t' ? TabWidth() - x % TabWidth() : CharWidth(ch); };
  int start = 0;
  for (;;) {
    int end = static_cast<int>(text.find(U'\n', static_cast<std::size_t>(start)));
    if (end < 0) end = size;
    int row = start, x = 0, blank = -1;
    for (int i = start; i < end; ++i) {
      const char32_t ch = text[static_cast<std::size_t>(i)];
      int w = advance(ch, x);
      // A row breaks after its last blank (blanks themselves may stand past the edge), else where
      // the character does not fit.
      if (x + w > width && i > row && !IsBlank(ch)) {
        const int at = blank >= row ? blank + 1 : i;
        rows_.push_back({row, at - row});
        content_width_ = std::max(content_width_, XInRow(rows_.back(), at));
        row = at;
        x = XInRow({row, i - row}, i);
        w = advance(ch, x);
      }
      if (IsBlank(ch)) blank = i;
      x += w;
    }
    rows_.push_back({row, end - row});
    content_width_ = std::max(content_width_, x);
    if (end >= size) break;
    start = end + 1;
  }
  laid_out_ = true;
}

void TCustomMemo::EnsureLayout() {
  if (!laid_out_) Layout();
}

void TCustomMemo::Relayout() {
  laid_out_ = false;
  // Measuring takes the window's font; without a window the layout waits for one.
  if (!HandleAllocated()) return;
  EnsureLayout();
  top_row_ = std::clamp(top_row_, 0, MaxTopRow());
  SetScrollX(scroll_x_);
  UpdateScrollBars();
  Invalidate();
  UpdateCaret();
}

int TCustomMemo::RowCount() {
  EnsureLayout();
  return static_cast<int>(rows_.size());
}

int TCustomMemo::RowStart(int Row) {
  EnsureLayout();
  if (Row < 0 || Row >= RowCount()) throw EListError("List index out of bounds (%d)", Row);
  return rows_[static_cast<std::size_t>(Row)].Start;
}

int TCustomMemo::RowOfPos(int Pos) {
  EnsureLayout();
  const auto it = std::upper_bound(rows_.begin(), rows_.end(), Pos, [](int p, const TRow& r) { return p < r.Start; });
  return std::max(0, static_cast<int>(it - rows_.begin()) - 1);
}

// ---- scrolling ---------------------------------------------------------------------------------

int TCustomMemo::VisibleRows() { return std::max(1, GetEditRect().Height() / RowHeight()); }

int TCustomMemo::MaxTopRow() { return std::max(0, RowCount() - VisibleRows()); }

int TCustomMemo::ContentWidth() {
  EnsureLayout();
  return content_width_;
}

void TCustomMemo::SetTopRow(int Value) {
  if (!MoveScrollPosition(top_row_, Value, MaxTopRow())) return;
  UpdateScrollBars();
  Invalidate();
  UpdateCaret();
}

void TCustomMemo::SetScrollX(int Value) {
  // The caret may stand just past the widest row.
  if (!MoveScrollPosition(scroll_x_, Value, word_wrap_ ? 0 : ContentWidth() + 1 - GetEditRect().Width())) return;
  UpdateScrollBars();
  Invalidate();
  UpdateCaret();
}

void TCustomMemo::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  if (scroll_bars_ == ssVertical || scroll_bars_ == ssBoth)
    ShowViewScrollBar(Handle(), SB_VERT, RowCount() - 1, VisibleRows(), top_row_);
  // The caret may stand just past the widest row.
  if (scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth)
    ShowViewScrollBar(Handle(), SB_HORZ, word_wrap_ ? 0 : ContentWidth(), GetEditRect().Width(), scroll_x_);
}

void TCustomMemo::ScrollToCaret() {
  if (!HandleAllocated()) return;
  EnsureLayout();
  const int row = RowOfPos(Line().Caret());
  const int visible = VisibleRows();
  int top = top_row_;
  if (row < top) top = row;
  else if (row >= top + visible) top = row - visible + 1;
  top_row_ = std::clamp(top, 0, MaxTopRow());
  if (!word_wrap_) {
    const int x = XInRow(rows_[static_cast<std::size_t>(row)], Line().Caret());
    const int width = std::max(1, GetEditRect().Width());
    int scroll = scroll_x_;
    if (x < scroll) scroll = x;
    else if (x >= scroll + width) scroll = x - width + 1;
    scroll_x_ = std::clamp(scroll, 0, std::max(0, ContentWidth() + 1 - width));
  }
  UpdateScrollBars();
}

TPoint TCustomMemo::PointOfPos(int Pos) {
  EnsureLayout();
  const TRect r = GetEditRect();
  const int row = RowOfPos(Pos);
  return {r.Left - scroll_x_ + XInRow(rows_[static_cast<std::size_t>(row)], Pos),
          r.Top + (row - top_row_) * RowHeight()};
}

int TCustomMemo::PosAtPoint(TPoint Point) {
  EnsureLayout();
  const TRect r = GetEditRect();
  const int offset = Point.Y - r.Top;
  const int row = std::clamp(top_row_ + (offset < 0 ? -1 : offset / RowHeight()), 0, RowCount() - 1);
  return PosInRow(rows_[static_cast<std::size_t>(row)], Point.X - r.Left + scroll_x_);
}

void TCustomMemo::UpdateCaret() {
  // The caret belongs to the focused window; another's would move.
  if (!HandleAllocated() || !Focused()) return;
  const TPoint p = PointOfPos(Line().Caret());
  wm::SetCaretPos(p.X, p.Y);
}

void TCustomMemo::TextChanged() {
  laid_out_ = false;
  TCustomEdit::TextChanged();
}

// ---- painting ----------------------------------------------------------------------------------

void TCustomMemo::Paint() {
  EnsureLayout();
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const TRect r = GetEditRect();
  const std::u32string& text = Line().Text();
  const int height = RowHeight();
  const bool showSel = Line().SelLength() > 0 && (!HideSelection() || Focused());
  const int selStart = Line().SelStart(), selEnd = selStart + Line().SelLength();
  c->SetFont(Font());
  const TColor textColor = Enabled() ? Font()->Color() : clGrayText;
  // Draws the characters [From, To) of a row in the colours given, each run between tabs in one go.
  const auto drawRun = [&](const TRow& row, int y, int from, int to, bool selected) {
    if (from >= to) return;
    const int left = r.Left - scroll_x_ + XInRow(row, from), right = r.Left - scroll_x_ + XInRow(row, to);
    const TRect clip = IntersectRect(r, TRect{left, y, right, y + height});
    if (clip.IsEmpty()) return;
    c->Brush()->SetColor(selected ? clHighlight : Color());
    c->Font()->SetColor(selected ? clHighlightText : textColor);
    c->FillRect(clip);
    c->Brush()->SetStyle(bsClear);
    for (int i = from; i < to;) {
      int j = i;
      while (j < to && text[static_cast<std::size_t>(j)] != U'\t') ++j;
      if (j > i)
        c->TextRect(clip, r.Left - scroll_x_ + XInRow(row, i), y,
                    Utf8Encode(std::u32string_view(text).substr(static_cast<std::size_t>(i), static_cast<std::size_t>(j - i))));
      i = j + 1;
    }
    c->Brush()->SetStyle(bsSolid);
  };
  for (int i = top_row_, y = r.Top; i < RowCount() && y < r.Bottom; ++i, y += height) {
    const TRow& row = rows_[static_cast<std::size_t>(i)];
    const int end = row.Start + row.Length;
    if (!showSel || selEnd <= row.Start || selStart > end) {
      drawRun(row, y, row.Start, end, false);
      continue;
    }
    const int a = std::clamp(selStart, row.Start, end), b = std::clamp(selEnd, row.Start, end);
    drawRun(row, y, row.Start, a, false);
    drawRun(row, y, a, b, true);
    drawRun(row, y, b, end, false);
  }
}

// ---- keys, characters and the mouse ------------------------------------------------------------

void TCustomMemo::MoveToRow(int Row, bool Extend) {
  EnsureLayout();
  if (goal_x_ < 0) {
    const int caret = Line().Caret();
    goal_x_ = XInRow(rows_[static_cast<std::size_t>(RowOfPos(caret))], caret);
  }
  const int goal = goal_x_;
  Row = std::clamp(Row, 0, RowCount() - 1);
  Line().MoveCaret(PosInRow(rows_[static_cast<std::size_t>(Row)], goal), Extend);
  SelectionChanged();
  goal_x_ = goal;
}

void TCustomMemo::PasteText() {
  if (Line().ReadOnly || !EditCanModify()) return;
  if (Line().ReplaceSel(KeptText(Clipboard()->AsText()))) TextChanged();
}

void TCustomMemo::EditKey(WORD Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
  EnsureLayout();
  const int caret = Line().Caret();
  const int row = RowOfPos(caret);
  switch (Key) {
    case VK_UP: MoveToRow(row - 1, shift); return;
    case VK_DOWN: MoveToRow(row + 1, shift); return;
    case VK_PRIOR:
      SetTopRow(top_row_ - VisibleRows());
      MoveToRow(row - VisibleRows(), shift);
      return;
    case VK_NEXT:
      SetTopRow(top_row_ + VisibleRows());
      MoveToRow(row + VisibleRows(), shift);
      return;
    case VK_HOME:
      Line().MoveCaret(ctrl ? 0 : rows_[static_cast<std::size_t>(row)].Start, shift);
      break;
    case VK_END: {
      const TRow& r = rows_[static_cast<std::size_t>(row)];
      int to = r.Start + r.Length;
      // A wrapped row's end is the next row's start: stop before its last character instead.
      if (row + 1 < RowCount() && rows_[static_cast<std::size_t>(row) + 1].Start == to && r.Length > 0) --to;
      Line().MoveCaret(ctrl ? Line().Length() : to, shift);
      break;
    }
    case 'A':
      if (!ctrl) return;
      Line().SelectAll();
      break;
    case 'V':
      if (ctrl) PasteText();
      goal_x_ = -1;
      return;
    case VK_INSERT:
      if (shift && !ctrl) {
        PasteText();
        goal_x_ = -1;
        return;
      }
      TCustomEdit::EditKey(Key, Shift);
      return;
    default:
      TCustomEdit::EditKey(Key, Shift);
      goal_x_ = -1;
      return;
  }
  goal_x_ = -1;
  SelectionChanged();
}

void TCustomMemo::EditChar(char32_t Ch) {
  // Ctrl+Enter (a line feed) always starts a line; Enter only with WantReturns, Tab with WantTabs.
  const bool newLine = Ch == U'\n' || (Ch == U'\r' && want_returns_);
  if (newLine || (Ch == U'\t' && want_tabs_)) {
    goal_x_ = -1;
    if (Line().ReadOnly || !EditCanModify()) return;
    if (Line().TypeChar(newLine ? U'\n' : U'\t')) TextChanged();
    return;
  }
  goal_x_ = -1;
  TCustomEdit::EditChar(Ch);
}

void TCustomMemo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    const int pos = PosAtPoint(Point(X, Y));
    if (Shift.Contains(ssDouble)) {
      Line().SelectWord(pos);
    } else {
      Line().MoveCaret(pos, Shift.Contains(ssShift));
      selecting_ = true;
    }
    goal_x_ = -1;
    SelectionChanged();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomMemo::MouseMove(TShiftState Shift, int X, int Y) {
  if (selecting_) {
    Line().MoveCaret(PosAtPoint(Point(X, Y)), true);
    SelectionChanged();
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomMemo::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) selecting_ = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomMemo::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  SetTopRow(top_row_ + kWheelRows);
  return true;
}

bool TCustomMemo::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  SetTopRow(top_row_ - kWheelRows);
  return true;
}

void TCustomMemo::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(Message.LParam);
      Line().SetText(KeptText(text ? text : ""));
      top_row_ = 0;
      scroll_x_ = 0;
      goal_x_ = -1;
      Message.Result = TRUE;
      TextChanged();
      return;
    }
    case WM_PASTE:
      PasteText();
      return;
    case WM_GETDLGCODE: {
      TCustomEdit::Dispatch(Message);
      // A dialog asks about the key at hand (LParam the message): Enter and Tab when wanted.
      const auto* msg = reinterpret_cast<const MSG*>(Message.LParam);
      if (msg && msg->message == WM_KEYDOWN) {
        if (msg->wParam == VK_RETURN && want_returns_) Message.Result |= DLGC_WANTALLKEYS;
        if (msg->wParam == VK_TAB && want_tabs_) Message.Result |= DLGC_WANTTAB;
      }
      return;
    }
    case CM_WANTSPECIALKEY:
      // A form's Enter and Tab.
      Message.Result = (Message.WParam == VK_RETURN && want_returns_) || (Message.WParam == VK_TAB && want_tabs_);
      return;
    case EM_GETLINECOUNT:
      Message.Result = RowCount();
      return;
    case EM_GETSEL:
      Message.Result = static_cast<LRESULT>(MAKELONG(static_cast<WORD>(Line().SelStart()),
                                                     static_cast<WORD>(Line().SelStart() + Line().SelLength())));
      return;
    case EM_SETSEL: {
      const int start = static_cast<int>(Message.WParam), end = static_cast<int>(Message.LParam);
      if (start < 0) Line().SetSel(Line().Caret(), 0);
      else Line().SetSel(start, (end < 0 ? Line().Length() : end) - start);
      SelectionChanged();
      return;
    }
    case EM_REPLACESEL: {
      const char* text = reinterpret_cast<const char*>(Message.LParam);
      SetSelText(text ? text : "");
      return;
    }
    case EM_SETREADONLY:
      SetReadOnly(Message.WParam != 0);
      Message.Result = TRUE;
      return;
    case WM_VSCROLL:
      if (!IsViewScroll(Message)) break;
      SetTopRow(ScrolledTo(Message, {top_row_, 1, VisibleRows(), RowCount()}));
      return;
    case WM_HSCROLL:
      if (!IsViewScroll(Message)) break;
      SetScrollX(ScrolledTo(Message, {scroll_x_, kHorzLine, std::max(GetEditRect().Width() - kHorzLine, 1), ContentWidth()}));
      return;
    case WM_SIZE:
      TCustomEdit::Dispatch(Message);
      Relayout();
      return;
    case CM_FONTCHANGED:
      widths_.clear();
      TCustomEdit::Dispatch(Message);
      Relayout();
      return;
    default:
      break;
  }
  TCustomEdit::Dispatch(Message);
}

}  // namespace lab
