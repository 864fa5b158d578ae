#include "platform/controls/rich_view.h"

#include <algorithm>

#include "platform/controls/common_controls.h"
#include "platform/controls/input.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/scrolled_view.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/gdi.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

using namespace win;

namespace {

constexpr int kMarginX = 2, kMarginY = 1;
constexpr int kDefaultTabTwips = 720;  // half an inch

int TwipsToPixels(int Twips) { return MulDiv(Twips, kScreenPixelsPerInch, 1440); }

}  // namespace

TRichView::TRichView(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque});
  SetBounds(0, 0, 185, 89);
  SetTabStop(true);
  SetBorderStyle(bsSingle);
  SetColor(clWindow);
  SetParentColor(false);
}

TRichView::~TRichView() = default;

void TRichView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_VSCROLL | WS_HSCROLL;
}

void TRichView::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollBars();
}

void TRichView::LoadRTF(std::string_view Rtf) { SetRichText(ReadRichText(Rtf)); }

void TRichView::LoadPlainText(std::string_view Text) { SetRichText(PlainRichText(Text)); }

void TRichView::SetRichText(TRichText Text) {
  text_ = std::move(Text);
  fonts_.clear();
  laid_out_ = false;
  top_line_ = scroll_x_ = 0;
  UpdateScrollBars();
  Invalidate();
}

// ---- layout -------------------------------------------------------------------------------------

TFont* TRichView::FontOf(const TRichFormat& Format) {
  const auto key = std::make_tuple(Format.Font, Format.HalfPoints, Format.Bold);
  std::unique_ptr<TFont>& font = fonts_[key];
  if (!font) {
    font = std::make_unique<TFont>();
    font->Assign(Font());
    const bool listed = Format.Font >= 0 && Format.Font < static_cast<int>(text_.Fonts.size());
    if (listed && !text_.Fonts[static_cast<std::size_t>(Format.Font)].Name.empty()) {
      font->SetName(text_.Fonts[static_cast<std::size_t>(Format.Font)].Name);
      font->SetHeight(-MulDiv(Format.HalfPoints, kScreenPixelsPerInch, 144));
    } else if (Format.Font >= 0) {
      font->SetHeight(-MulDiv(Format.HalfPoints, kScreenPixelsPerInch, 144));
    }
    TFontStyles style = font->Style();
    if (Format.Bold) style += fsBold;
    else style -= fsBold;
    font->SetStyle(style);
  }
  return font.get();
}

int TRichView::NextTab(const TRichParagraph& Paragraph, int X) {
  for (int stop : Paragraph.TabStops)
    if (const int x = kMarginX + TwipsToPixels(stop); x > X) return x;
  const int last = Paragraph.TabStops.empty() ? 0 : Paragraph.TabStops.back();
  const int step = TwipsToPixels(kDefaultTabTwips);
  int x = kMarginX + TwipsToPixels(last);
  while (x <= X) x += step;
  return x;
}

int TRichView::DrawLine(HDC dc, const TRichParagraph& Paragraph, const TLine& Line, int X, int Y, bool Draw) {
  int x = X;
  for (const TRichRun& run : Paragraph.Runs) {
    TFont* font = FontOf(run.Format);
    SelectObject(dc, font->Handle());
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    if (Draw) {
      const bool listed = run.Format.Color > 0 && run.Format.Color < static_cast<int>(text_.Colors.size());
      const TColor color = listed ? text_.Colors[static_cast<std::size_t>(run.Format.Color)] : clDefault;
      SetTextColor(dc, ColorToRGB(color == clDefault ? clWindowText : color));
    }
    for (std::size_t from = 0; from <= run.Text.size();) {
      std::size_t tab = run.Text.find('\t', from);
      if (tab == std::string::npos) tab = run.Text.size();
      const std::string_view piece = std::string_view(run.Text).substr(from, tab - from);
      if (!piece.empty()) {
        if (Draw) TextOut(dc, x, Y + Line.Ascent - tm.tmAscent, piece);
        SIZE extent{};
        GetTextExtentPoint32(dc, piece, -1, &extent);
        x += extent.cx;
      }
      if (tab == run.Text.size()) break;
      x = X + NextTab(Paragraph, x - X);
      from = tab + 1;
    }
  }
  return x - X;
}

void TRichView::Layout() {
  lines_.assign(text_.Paragraphs.size(), TLine{});
  content_width_ = 0;
  // Measured in a context of its own, so a view without a window yet can be laid out.
  HDC dc = CreateCompatibleDC(nullptr);
  TScopeExit release([&] { DeleteDC(dc); });
  int top = kMarginY;
  for (std::size_t i = 0; i < text_.Paragraphs.size(); ++i) {
    const TRichParagraph& p = text_.Paragraphs[i];
    TLine& line = lines_[i];
    int descent = 0;
    // An empty paragraph is as high as the format in force at its end.
    const auto measure = [&](const TRichFormat& format) {
      SelectObject(dc, FontOf(format)->Handle());
      TEXTMETRIC tm{};
      GetTextMetrics(dc, &tm);
      line.Ascent = std::max(line.Ascent, static_cast<int>(tm.tmAscent));
      descent = std::max(descent, static_cast<int>(tm.tmDescent));
    };
    if (p.Runs.empty()) measure(p.EndFormat);
    for (const TRichRun& run : p.Runs) measure(run.Format);
    line.Top = top;
    line.Height = line.Ascent + descent;
    line.Width = DrawLine(dc, p, line, kMarginX, 0, false);
    content_width_ = std::max(content_width_, kMarginX + line.Width + kMarginX);
    top += line.Height;
  }
  laid_out_ = true;
}

void TRichView::EnsureLayout() {
  if (!laid_out_) Layout();
}

int TRichView::LineTop(int Line) {
  EnsureLayout();
  if (Line < 0 || Line >= LineCount()) throw EListError("List index out of bounds (%d)", Line);
  return lines_[static_cast<std::size_t>(Line)].Top;
}

int TRichView::ContentWidth() {
  EnsureLayout();
  return content_width_;
}

int TRichView::ContentHeight() {
  EnsureLayout();
  return lines_.empty() ? 0 : lines_.back().Top + lines_.back().Height + kMarginY;
}

// ---- scrolling ----------------------------------------------------------------------------------

int TRichView::MaxTopLine() {
  // The first line from which the lines to the end fill the client area.
  EnsureLayout();
  const int height = ClientHeight();
  int line = LineCount();
  int used = 0;
  while (line > 0 && used + lines_[static_cast<std::size_t>(line) - 1].Height <= height)
    used += lines_[static_cast<std::size_t>(--line)].Height;
  return std::min(line, std::max(LineCount() - 1, 0));
}

int TRichView::PageLines() { return std::max(LineCount() - MaxTopLine() - 1, 1); }

int TRichView::MaxScrollX() { return std::max(ContentWidth() - ClientWidth(), 0); }

void TRichView::SetTopLine(int Value) {
  if (!MoveScrollPosition(top_line_, Value, MaxTopLine())) return;
  UpdateScrollBars();
  Invalidate();
}

void TRichView::SetScrollX(int Value) {
  if (!MoveScrollPosition(scroll_x_, Value, MaxScrollX())) return;
  UpdateScrollBars();
  Invalidate();
}

void TRichView::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  ShowViewScrollBar(Handle(), SB_VERT, LineCount() - 1, std::max(LineCount() - MaxTopLine(), 1), top_line_);
  ShowViewScrollBar(Handle(), SB_HORZ, ContentWidth() - 1, ClientWidth(), scroll_x_);
}

// ---- painting and input -------------------------------------------------------------------------

void TRichView::Paint() {
  EnsureLayout();
  TCanvas* c = Canvas();
  const TRect client = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(client);
  HDC dc = c->Handle();
  const int saved = SaveDC(dc);
  TScopeExit restore([&] {
    RestoreDC(dc, saved);
    c->Refresh();
  });
  SetBkMode(dc, TRANSPARENT);
  const int offset = top_line_ < LineCount() ? lines_[static_cast<std::size_t>(top_line_)].Top - kMarginY : 0;
  for (int i = top_line_; i < LineCount(); ++i) {
    const TLine& line = lines_[static_cast<std::size_t>(i)];
    const int y = line.Top - offset;
    if (y >= client.Bottom) break;
    DrawLine(dc, text_.Paragraphs[static_cast<std::size_t>(i)], line, kMarginX - scroll_x_, y, true);
  }
}

void TRichView::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  const int page = PageLines();
  switch (Key) {
    case VK_UP: SetTopLine(top_line_ - 1); break;
    case VK_DOWN: SetTopLine(top_line_ + 1); break;
    case VK_PRIOR: SetTopLine(top_line_ - page); break;
    case VK_NEXT: SetTopLine(top_line_ + page); break;
    case VK_HOME: SetTopLine(0), SetScrollX(0); break;
    case VK_END: SetTopLine(LineCount()); break;
    case VK_LEFT: SetScrollX(scroll_x_ - 16); break;
    case VK_RIGHT: SetScrollX(scroll_x_ + 16); break;
    default: return;
  }
  Key = 0;
}

bool TRichView::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  SetTopLine(top_line_ + 3);
  return true;
}

bool TRichView::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  SetTopLine(top_line_ - 3);
  return true;
}

void TRichView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case EM_STREAMIN: {
      auto* stream = reinterpret_cast<EDITSTREAM*>(Message.LParam);
      const UINT format = static_cast<UINT>(Message.WParam) & (SF_RTF | SF_TEXT);
      Message.Result = 0;
      if (!stream || !stream->pfnCallback || !format) return;
      std::string data;
      std::uint8_t buffer[4096];
      for (;;) {
        LONG done = 0;
        stream->dwError = stream->pfnCallback(stream->dwCookie, buffer, sizeof buffer, &done);
        if (stream->dwError != 0 || done <= 0) break;
        data.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(std::min<LONG>(done, sizeof buffer)));
      }
      if (format & SF_RTF) LoadRTF(data);
      else LoadPlainText(data);
      Message.Result = static_cast<LRESULT>(Text().size());
      return;
    }
    case EM_SETBKGNDCOLOR: {
      Message.Result = static_cast<LRESULT>(ColorToRGB(Color()));
      SetColor(Message.WParam ? clWindow : static_cast<TColor>(Message.LParam & 0xFFFFFF));
      return;
    }
    case WM_GETFONT:
      Message.Result = reinterpret_cast<LRESULT>(Font()->Handle());
      return;
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_VSCROLL:
      if (!IsViewScroll(Message)) break;
      SetTopLine(ScrolledTo(Message, {top_line_, 1, PageLines(), LineCount()}));
      return;
    case WM_HSCROLL:
      if (!IsViewScroll(Message)) break;
      SetScrollX(ScrolledTo(Message, {scroll_x_, 16, std::max(ClientWidth() - 16, 1), ContentWidth()}));
      return;
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      top_line_ = std::clamp(top_line_, 0, MaxTopLine());
      scroll_x_ = std::clamp(scroll_x_, 0, MaxScrollX());
      UpdateScrollBars();
      return;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      fonts_.clear();
      laid_out_ = false;
      UpdateScrollBars();
      Invalidate();
      return;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
