#pragma once
// The report as rich text for the exception dialog's pages: the general part with coloured group
// titles, labels and values, and the CPU part with its columns on a tab stop. One font (the
// dialog's), four colours: 1 teal (the first line), 2 black (labels), 3 dark grey (titles and
// underlines), 4 dark blue (values).

#include <string>
#include <string_view>

#include "platform/controls/win_types.h"
#include "platform/graphics/colors.h"

namespace lab {

// "\" "{" "}" escaped with a backslash, each CR LF made "\par" and CR LF, and every character past
// ASCII written "\uN?" (N its UTF-16 unit as a signed 16-bit number, two of them past U+FFFF).
std::string RTFEscape(std::string_view Text);
// The font table and colour table that begin each text; Charset and FontName fill the font table.
std::string RTFHeader(int Charset, std::string_view FontName);
// The font the texts are written in: the dialog's fixed font (TDialogFonts::Report).
struct TReportFont {
  std::string Name = "monospace";
  int PointSize = 8;
};
// The header text of a report: its first line in colour 1 and bold, group titles ("Title:") bold in
// colour 3, underlines in colour 3, "label: value" lines with the label in colour 2 and the value in
// colour 4.
std::string ReportToRTF(std::string_view Text, const TReportFont& Font = {});
// The CPU block: captions bold in colour 3, register names and dump addresses in colour 3, values in
// colour 2, the second column of each line after a tab stop where the memory dump begins.
std::string CpuReportToRTF(std::string_view Text, const TReportFont& Font = {});
// The tab stop CpuReportToRTF sets, in twips: the width of the dump's stack column ("-" characters)
// in Font, times 15.
int CpuTabStopTwips(const TReportFont& Font = {});

// Streams RTF into a rich-text view (EM_STREAMIN through the crash reporter's GUI); false when the
// view took nothing.
bool SetRichEditRTF(win::HWND Window, std::string_view Rtf);
// The view's background: an RGB colour, or a system colour (negative: its index in the low byte).
void SetRichEditBackColor(win::HWND Window, TColor Color);

// The font character set of the user's locale (LC_ALL, LC_CTYPE, then LANG): the character set of
// the Windows code page its language would use (ANSI_CHARSET for western languages).
int GetDefaultCharset();
// The same for a locale name ("ru_RU.UTF-8" gives 1251) and a code page (1251 gives RUSSIAN_CHARSET).
int AnsiCodePageOfLocale(std::string_view LocaleName);
int CharsetOfCodePage(int CodePage);

}  // namespace lab
