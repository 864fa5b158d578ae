#include "crashreport/report/report_rtf.h"

#include <vector>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/report/report_layout.h"
#include "crashreport/codec/text_utils.h"
#include "platform/controls/common_controls.h"
#include "platform/graphics/gdi.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

void AppendUnicode(std::string& Out, char32_t C) {
  const auto unit = [&](std::uint32_t u) { Out += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?"; };
  if (C > 0xFFFF) {
    const std::uint32_t v = static_cast<std::uint32_t>(C) - 0x10000;
    unit(0xD800 + (v >> 10));
    unit(0xDC00 + (v & 0x3FF));
  } else {
    unit(C);
  }
}

// RTFEscape without the line breaks: one line's text.
void AppendEscaped(std::string& Out, std::string_view Text) {
  for (std::size_t i = 0; i < Text.size();) {
    const auto c = static_cast<unsigned char>(Text[i]);
    if (c < 0x80) {
      if (c == '\\' || c == '{' || c == '}') Out += '\\';
      Out += static_cast<char>(c);
      ++i;
      continue;
    }
    std::size_t length = 0;
    AppendUnicode(Out, Utf8At(Text, i, &length));
    i += std::max<std::size_t>(length, 1);
  }
}

std::string Escaped(std::string_view Text) {
  std::string out;
  AppendEscaped(out, Text);
  return out;
}

std::string Start(const TReportFont& Font) {
  return RTFHeader(GetDefaultCharset(), Font.Name) + "\\f0\\fs" + std::to_string(2 * Font.PointSize) + "\r\n";
}

// ---- The CPU block --------------------------------------------------------------------------------

std::string Heading(std::string_view Caption) { return "\\cf3\\b " + Escaped(Caption) + "\\cf2\\b0"; }

std::string_view Part(std::string_view Line, std::size_t From, std::size_t Count = std::string_view::npos) {
  return From >= Line.size() ? std::string_view() : Line.substr(From, Count);
}

// A label ("RAX:", "00007FFFFFFFDF00:") in colour 3 and what follows it up to End in colour 2, the
// blanks between them kept.
std::string Labelled(std::string_view Line, std::size_t From, std::size_t ValueAt, std::size_t End) {
  const std::string label = TrimRight(Part(Line, From, ValueAt - From));
  const std::string_view rest = Part(Line, From + label.size(), End - std::min(End, From + label.size()));
  return "\\cf3 " + Escaped(label) + "\\cf2 " + Escaped(rest);
}

// Captions: "Stack:", blanks, "Memory Dump:"; underlines: two runs of "-" with blanks between.
std::string TwoColumns(std::string_view Line, std::size_t Split, bool Underline) {
  const std::string first = TrimRight(Part(Line, 0, Split));
  const std::string second = Trim(Part(Line, Split));
  if (Underline) return "\\cf3 " + first + (second.empty() ? "" : "\\tab " + second) + "\\cf2";
  return Heading(first) + (second.empty() ? "" : "\\tab " + Heading(second));
}

std::string CpuLine(std::size_t Index, std::string_view Line) {
  constexpr std::size_t npos = std::string_view::npos;
  if (Line.empty()) return {};
  if (Index == 0) return Heading(Line);
  if (Index == 1) return "\\cf3 " + std::string(Line) + "\\cf2";
  if (Index < kRegisterLineFirst + kRegisterLines.size()) {
    const std::size_t label2 = kRegisterValue2 - kRegisterValue1;
    return Labelled(Line, 0, kRegisterValue1, kRegisterValue1 + kRegisterDigits) + "\\tab " +
           Labelled(Line, label2, kRegisterValue2, npos);
  }
  if (Index == kDumpLineFirst - 2) return TwoColumns(Line, Line.find(':') + 1, false);
  if (Index == kDumpLineFirst - 1) return TwoColumns(Line, Line.find(' '), true);
  return Labelled(Line, 0, kDumpStackValue, kDumpStackValue + kRegisterDigits) + "\\tab " +
         Labelled(Line, kDumpCodeAddress, kDumpBytes - 1, npos);
}

}  // namespace

std::string RTFEscape(std::string_view Text) {
  std::string out;
  out.reserve(Text.size() + Text.size() / 8);
  for (std::size_t from = 0;;) {
    const std::size_t at = Text.find("\r\n", from);
    AppendEscaped(out, Text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) break;
    out += "\\par\r\n";
    from = at + 2;
  }
  return out;
}

std::string RTFHeader(int Charset, std::string_view FontName) {
  return Format(
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset%d %s;}}\r\n"
      "{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0\\blue0;\\red40\\green40\\blue40;\\red0\\green0\\blue160;}\r\n",
      Charset, Escaped(FontName));
}

std::string ReportToRTF(std::string_view Text, const TReportFont& Font) {
  const std::string escaped = RTFEscape(Text);
  std::string out = Start(Font);
  out.reserve(out.size() + escaped.size() + escaped.size() / 4 + 16);
  bool first = true;
  for (std::size_t from = 0; from < escaped.size();) {
    std::size_t at = escaped.find("\r\n", from);
    if (at == std::string::npos) at = escaped.size();
    const std::string_view line = std::string_view(escaped).substr(from, at - from);
    from = at + 2;
    const std::size_t colon = line.find(':');
    const std::size_t label_end = line.find(": ");
    if (first) {
      out += "\\cf1\\b " + std::string(line) + "\\b0";
    } else if (colon != std::string_view::npos && line.substr(colon + 1) == "\\par") {
      out += "\\cf3\\b " + std::string(line) + "\\b0";
    } else if (line.starts_with('-')) {
      out += "\\cf3 " + std::string(line);
    } else if (label_end != std::string_view::npos) {
      out += "\\cf2 " + std::string(line.substr(0, label_end + 1)) + "\\cf4 " + std::string(line.substr(label_end + 1));
    } else {
      out += line;
    }
    out += "\r\n";
    first = false;
  }
  return out + "}";
}

std::string CpuReportToRTF(std::string_view Text, const TReportFont& Font) {
  std::string out = Start(Font) + "\\pard\\tx" + std::to_string(CpuTabStopTwips(Font)) + "\r\n";
  const std::vector<std::string_view> lines = SplitLines(Text);
  // A text ending in a line break has an empty last piece, which is no line.
  const std::size_t count = !lines.empty() && lines.back().empty() ? lines.size() - 1 : lines.size();
  for (std::size_t i = 0; i < count; ++i) out += CpuLine(i, lines[i]) + "\\par\r\n";
  return out + "}";
}

int CpuTabStopTwips(const TReportFont& Font) {
  win::HDC dc = win::CreateCompatibleDC(nullptr);
  win::HFONT font = win::CreateFont(-MulDiv(Font.PointSize, win::GetDeviceCaps(dc, win::LOGPIXELSY), 72), 0, 0, 0, win::FW_NORMAL,
                                    0, 0, 0, win::DEFAULT_CHARSET, 0, 0, 0, win::FIXED_PITCH | win::FF_MODERN,
                                    Font.Name.c_str());
  win::HGDIOBJ old = win::SelectObject(dc, font);
  win::SIZE extent{};
  win::GetTextExtentPoint32(dc, std::string(kDumpCodeAddress, '-'), -1, &extent);
  win::SelectObject(dc, old);
  win::DeleteObject(font);
  win::DeleteDC(dc);
  return 15 * extent.cx;
}

bool SetRichEditRTF(win::HWND Window, std::string_view Rtf) {
  TStringStream source{std::string(Rtf)};
  win::EDITSTREAM stream;
  stream.dwCookie = reinterpret_cast<std::uintptr_t>(&source);
  stream.pfnCallback = [](std::uintptr_t Cookie, std::uint8_t* Buffer, win::LONG Count, win::LONG* Done) -> win::DWORD {
    *Done = static_cast<win::LONG>(reinterpret_cast<TStringStream*>(Cookie)->Read(Buffer, Count));
    return 0;
  };
  return CrashGui().SendMessage(Window, win::EM_STREAMIN, win::SF_RTF, reinterpret_cast<win::LPARAM>(&stream)) > 0;
}

void SetRichEditBackColor(win::HWND Window, TColor Color) {
  const win::COLORREF rgb = static_cast<std::int32_t>(Color) < 0 ? win::GetSysColor(static_cast<int>(Color & 0xFF))
                                                                  : static_cast<win::COLORREF>(Color);
  CrashGui().SendMessage(Window, win::EM_SETBKGNDCOLOR, 0, static_cast<win::LPARAM>(rgb));
}

// ---- Character sets -----------------------------------------------------------------------------

int AnsiCodePageOfLocale(std::string_view LocaleName) {
  const std::string name(LocaleName.substr(0, LocaleName.find_first_of(".@")));
  const std::string language = name.substr(0, name.find('_'));
  const std::string territory = name.find('_') == std::string::npos ? std::string() : name.substr(name.find('_') + 1);
  if (language == "zh") return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
  if (language == "sr") return LocaleName.find("@latin") != std::string_view::npos ? 1250 : 1251;
  if (language == "uz" || language == "az") return LocaleName.find("@cyrillic") != std::string_view::npos ? 1251 : 1254;
  static const std::pair<int, std::vector<const char*>> kPages[] = {
      {874, {"th"}},
      {932, {"ja"}},
      {949, {"ko"}},
      {1250, {"cs", "hu", "pl", "ro", "hr", "sk", "sl", "sq", "bs"}},
      {1251, {"ru", "uk", "be", "bg", "mk", "kk", "ky", "tt", "mn", "ba", "sah", "tg"}},
      {1253, {"el"}},
      {1254, {"tr"}},
      {1255, {"he", "yi"}},
      {1256, {"ar", "fa", "ur", "ps", "ug", "sd"}},
      {1257, {"et", "lv", "lt"}},
      {1258, {"vi"}},
  };
  for (const auto& [page, languages] : kPages)
    for (const char* l : languages)
      if (language == l) return page;
  return 1252;
}

int CharsetOfCodePage(int CodePage) {
  switch (CodePage) {
    case 874: return win::THAI_CHARSET;
    case 932: return win::SHIFTJIS_CHARSET;
    case 936: return win::GB2312_CHARSET;
    case 949: return win::HANGUL_CHARSET;
    case 950: return win::CHINESEBIG5_CHARSET;
    case 1250: return win::EASTEUROPE_CHARSET;
    case 1251: return win::RUSSIAN_CHARSET;
    case 1253: return win::GREEK_CHARSET;
    case 1254: return win::TURKISH_CHARSET;
    case 1255: return win::HEBREW_CHARSET;
    case 1256: return win::ARABIC_CHARSET;
    case 1257: return win::BALTIC_CHARSET;
    case 1258: return win::VIETNAMESE_CHARSET;
    default: return win::ANSI_CHARSET;
  }
}

int GetDefaultCharset() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const std::string value = GetEnvironmentText(name);
    if (!value.empty()) return CharsetOfCodePage(AnsiCodePageOfLocale(value));
  }
  return win::ANSI_CHARSET;
}

}  // namespace lab
