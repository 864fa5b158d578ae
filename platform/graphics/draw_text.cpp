#include "platform/graphics/draw_text.h"

#include <algorithm>
#include <vector>

#include "platform/graphics/bidi.h"
#include "platform/rtl/utf8.h"

namespace lab::win {
namespace {

struct Line {
  std::size_t begin = 0, end = 0;  // characters [begin, end) of the processed text
  int width = 0;
  bool ellipsis = false;
};

constexpr char32_t kEllipsis[] = U"...";

class Layout {
 public:
  Layout(HDC dc, UINT format, int tab_length) : dc_(dc), format_(format) {
    tm_ = dc->GetTextMetrics();
    extra_ = dc->TextCharacterExtra();
    tab_width_ = std::max(1, tab_length) * std::max(1, tm_.tmAveCharWidth);
    ellipsis_width_ = 3 * (dc->GetCharWidth('.') + extra_);
  }

  // Strips '&' prefixes, noting the underlined character.
  void SetText(std::u32string text) {
    if (!(format_ & DT_NOPREFIX)) {
      std::u32string out;
      out.reserve(text.size());
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'&') {
          if (i + 1 < text.size() && text[i + 1] == U'&') {
            out.push_back(U'&');
            ++i;
          } else if (i + 1 < text.size()) {
            underline_ = out.size();
          }
          continue;
        }
        out.push_back(text[i]);
      }
      text = std::move(out);
    }
    text_ = std::move(text);
  }

  const std::u32string& Text() const { return text_; }
  std::size_t Underline() const { return underline_; }
  const TEXTMETRIC& Metrics() const { return tm_; }

  // Advance of character i when it starts at x (relative to the line start).
  int Advance(std::size_t i, int x) const {
    const char32_t c = text_[i];
    if (c == U'\t' && (format_ & DT_EXPANDTABS)) return (x / tab_width_ + 1) * tab_width_ - x;
    if (c < 0x20) return 0;
    return dc_->GetCharWidth(c) + extra_;
  }

  int Width(std::size_t begin, std::size_t end) const {
    int x = 0;
    for (std::size_t i = begin; i < end; ++i) x += Advance(i, x);
    return x;
  }

  // Splits into lines: at line breaks (unless single-line), and at spaces to fit `limit` with
  // DT_WORDBREAK. A word longer than the line stays whole, except in edit-control mode.
  std::vector<Line> Break(int limit) const {
    std::vector<Line> lines;
    const std::size_t n = text_.size();
    const bool single = format_ & DT_SINGLELINE;
    const bool wrap = (format_ & DT_WORDBREAK) && !single;
    std::size_t start = 0;
    while (start <= n) {
      std::size_t stop = start;
      if (!single)
        while (stop < n && text_[stop] != U'\r' && text_[stop] != U'\n') ++stop;
      else
        stop = n;
      if (wrap) WrapParagraph(start, stop, limit, lines);
      else lines.push_back({start, stop, Width(start, stop)});
      if (stop >= n) break;
      std::size_t next = stop + 1;
      if (text_[stop] == U'\r' && next < n && text_[next] == U'\n') ++next;
      if (next >= n) break;  // a final line break opens no empty line
      start = next;
    }
    return lines;
  }

  // Cuts a line so that it and "..." fit the limit.
  void Ellipsize(Line& line, int limit) const {
    int x = 0;
    std::size_t end = line.begin;
    while (end < line.end) {
      const int a = Advance(end, x);
      if (x + a + ellipsis_width_ > limit) break;
      x += a;
      ++end;
    }
    line.end = end;
    line.width = x + ellipsis_width_;
    line.ellipsis = true;
  }

 private:
  void WrapParagraph(std::size_t start, std::size_t stop, int limit, std::vector<Line>& lines) const {
    const bool hard = format_ & DT_EDITCONTROL;
    std::size_t begin = start;
    if (start == stop) {
      lines.push_back({start, stop, 0});
      return;
    }
    while (begin < stop) {
      int x = 0;
      std::size_t i = begin;
      std::size_t last_space = std::string::npos;
      while (i < stop) {
        const int a = Advance(i, x);
        if (text_[i] == U' ' || text_[i] == U'\t') last_space = i;
        if (x + a > limit && i > begin && text_[i] != U' ') break;
        x += a;
        ++i;
      }
      if (i >= stop) {
        lines.push_back({begin, stop, Width(begin, stop)});
        return;
      }
      std::size_t end, next;
      if (last_space != std::string::npos && last_space > begin) {
        end = last_space;
        while (end > begin && (text_[end - 1] == U' ' || text_[end - 1] == U'\t')) --end;
        next = last_space + 1;
      } else if (hard) {
        end = next = i;
      } else {
        // One word too long for the line: it stays whole and runs past the edge.
        std::size_t j = i;
        while (j < stop && text_[j] != U' ' && text_[j] != U'\t') ++j;
        end = next = j;
      }
      while (next < stop && text_[next] == U' ') ++next;
      lines.push_back({begin, end, Width(begin, end)});
      begin = next;
    }
  }

  HDC dc_;
  UINT format_;
  TEXTMETRIC tm_{};
  int extra_ = 0;
  int tab_width_ = 8;
  int ellipsis_width_ = 0;
  std::u32string text_;
  std::size_t underline_ = std::u32string::npos;
};

}  // namespace

int DrawText(HDC dc, std::string_view text, int count, RECT* rect, UINT format) {
  return DrawTextEx(dc, text, count, rect, format, nullptr);
}

int DrawTextEx(HDC dc, std::string_view text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  if (!dc || !rect) return 0;
  if (count >= 0) text = text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(count), text.size()));
  else if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);

  int tab_length = 8;
  if (format & DT_TABSTOP) {
    tab_length = static_cast<int>((format >> 8) & 0xFF);
    format &= ~0xFF00u;
  }
  int left_margin = 0, right_margin = 0;
  if (params) {
    if (params->iTabLength > 0) tab_length = params->iTabLength;
    left_margin = params->iLeftMargin;
    right_margin = params->iRightMargin;
    params->uiLengthDrawn = 0;
  }
  if (text.empty()) {
    if (format & DT_CALCRECT) {
      rect->Right = rect->Left;
      rect->Bottom = rect->Top;
    }
    return 0;
  }

  Layout layout(dc, format, tab_length);
  std::u32string decoded;
  Utf8DecodeAppend(text, decoded);
  layout.SetText(std::move(decoded));
  const std::u32string& chars = layout.Text();
  const TEXTMETRIC& tm = layout.Metrics();
  const int line_height = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const int left = rect->Left + left_margin;
  const int right = rect->Right - right_margin;
  const int limit = right - left;

  std::vector<Line> lines = layout.Break(limit);
  const bool calc = format & DT_CALCRECT;
  const bool multi = !(format & DT_SINGLELINE);
  if (multi && (format & DT_EDITCONTROL) && !calc) {
    // Like an edit control: no partly visible last line; with an end ellipsis the last full line
    // shows that text goes on.
    const std::size_t fit = static_cast<std::size_t>(std::max(1, rect->Height() / std::max(1, line_height)));
    if (lines.size() > fit) {
      lines.resize(fit);
      if (format & DT_END_ELLIPSIS) layout.Ellipsize(lines.back(), limit);
    }
  }
  if (format & DT_END_ELLIPSIS)
    for (Line& l : lines)
      if (!l.ellipsis && l.width > limit) layout.Ellipsize(l, limit);

  const int height = static_cast<int>(lines.size()) * line_height;
  if (params) params->uiLengthDrawn = static_cast<UINT>(chars.size());

  if (calc) {
    int widest = 0;
    for (const Line& l : lines) widest = std::max(widest, l.width);
    rect->Right = rect->Left + left_margin + widest + right_margin;
    rect->Bottom = rect->Top + height;
    return height;
  }

  int y = rect->Top;
  if (!multi) {
    if (format & DT_VCENTER) y = (rect->Top + rect->Bottom - line_height) / 2;
    else if (format & DT_BOTTOM) y = rect->Bottom - line_height;
  }
  const int first_y = y;

  const UINT saved_align = dc->SetTextAlign(TA_LEFT | TA_TOP);
  // Lines are put in display order here (the prefix mark must follow its character), so the output
  // itself leaves the order alone.
  const UINT options = ((format & DT_NOCLIP) ? 0 : ETO_CLIPPED) | ETO_IGNORELANGUAGE;
  const bool rtl = format & DT_RTLREADING;
  std::u32string shown;
  std::vector<int> order, shown_dx;
  const bool show_text = !(format & DT_PREFIXONLY);
  const bool show_prefix = !(format & DT_HIDEPREFIX);
  std::vector<int> dx;
  std::u32string run;
  for (const Line& l : lines) {
    run.assign(chars, l.begin, l.end - l.begin);
    dx.clear();
    int x = 0;
    for (std::size_t i = l.begin; i < l.end; ++i) {
      const int a = layout.Advance(i, x);
      dx.push_back(a);
      x += a;
    }
    if (l.ellipsis) {
      for (char32_t c : std::u32string_view(kEllipsis)) {
        run.push_back(c);
        dx.push_back(dc->GetCharWidth(c) + dc->TextCharacterExtra());
      }
    }
    std::size_t mark = std::u32string::npos;  // the underlined character's place in the run
    if (layout.Underline() != std::u32string::npos && layout.Underline() >= l.begin && layout.Underline() < l.end)
      mark = layout.Underline() - l.begin;
    if (ReorderForDisplay(run, rtl, shown, order)) {
      shown_dx.resize(order.size());
      std::size_t shown_mark = std::u32string::npos;
      for (std::size_t i = 0; i < order.size(); ++i) {
        shown_dx[i] = dx[static_cast<std::size_t>(order[i])];
        if (static_cast<std::size_t>(order[i]) == mark) shown_mark = i;
      }
      mark = shown_mark;
      run.swap(shown);
      dx.swap(shown_dx);
    }
    int lx = left;
    if (format & DT_CENTER) lx = (left + right - l.width) / 2;
    else if (format & DT_RIGHT) lx = right - l.width;
    if (show_text) dc->ExtTextOut(lx, y, options, rect, std::u32string_view(run), dx.data());
    if (show_prefix && mark != std::u32string::npos) {
      const std::size_t u = mark + l.begin;
      int ux = lx;
      for (std::size_t i = 0; i < u - l.begin; ++i) ux += dx[i];
      if (options & ETO_CLIPPED) {
        dc->SaveDC();
        dc->IntersectClipRect(*rect);
        dc->DrawTextUnderline(ux, y, dx[u - l.begin]);
        dc->RestoreDC(-1);
      } else {
        dc->DrawTextUnderline(ux, y, dx[u - l.begin]);
      }
    }
    y += line_height;
  }
  dc->SetTextAlign(saved_align);
  if (!multi && (format & (DT_VCENTER | DT_BOTTOM))) return first_y + line_height - rect->Top;
  return height;
}

}  // namespace lab::win
