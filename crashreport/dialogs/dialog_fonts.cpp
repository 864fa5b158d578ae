#include "crashreport/dialogs/dialog_fonts.h"

#include "platform/graphics/gdi.h"
#include "platform/graphics/system_metrics.h"
#include "platform/rtl/arith.h"

namespace lab {

namespace {

win::HFONT CreatePointFont(int PointSize, const char* Face) {
  const win::HDC dc = win::CreateCompatibleDC(nullptr);
  const int height = -MulDiv(PointSize, win::GetDeviceCaps(dc, win::LOGPIXELSY), 72);
  win::DeleteDC(dc);
  return win::CreateFont(height, 0, 0, 0, win::FW_NORMAL, 0, 0, 0, win::DEFAULT_CHARSET, 0, 0, 0,
                         win::FIXED_PITCH | win::FF_MODERN, Face);
}

}  // namespace

TDialogFonts::TDialogFonts() {
  const bool western = GetDefaultCharset() == win::ANSI_CHARSET;
  const int size = western ? 8 : 10;
  win::NONCLIENTMETRICS metrics{};
  metrics.cbSize = sizeof metrics;
  win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  caption_ = win::CreateFont(metrics.lfCaptionFont.lfHeight, 0, 0, 0, win::FW_BOLD, 0, 0, 0, win::DEFAULT_CHARSET,
                             0, 0, 0, win::VARIABLE_PITCH | win::FF_SWISS, "sans-serif");
  message_ = win::CreateFontIndirect(&metrics.lfMessageFont);
  win::LOGFONT link = metrics.lfMessageFont;
  link.lfWeight = win::FW_BOLD;
  link.lfUnderline = 1;
  link_ = win::CreateFontIndirect(&link);
  fixed_ = CreatePointFont(size, "monospace");
  list_ = CreatePointFont(size, western ? "sans-serif" : "monospace");
  report_ = TReportFont{"monospace", size};
}

TDialogFonts::~TDialogFonts() {
  for (win::HFONT font : {caption_, message_, link_, fixed_, list_})
    if (font) win::DeleteObject(font);
}

}  // namespace lab
