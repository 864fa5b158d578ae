#pragma once
// A rich text as the rich-text view shows it, and the reader of the RTF that makes one: font and
// colour tables, fonts, sizes, colours and bold by run, paragraphs with tab stops, tabs, "\'hh"
// (code page 1252) and "\uN" characters; control characters other than tabs are no text. Other
// control words and destinations are passed over, so any RTF reads to its plain text at least; text
// that is no RTF reads as plain text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/colors.h"

namespace lab {

struct TRichFont {
  std::string Name;  // empty: the view's own font
  int Charset = 0;
};

// What the characters of a run share.
struct TRichFormat {
  int Font = 0;       // index into TRichText::Fonts (by the RTF's font number); -1 the view's font
  int HalfPoints = 24;
  int Color = 0;      // index into TRichText::Colors; 0 the automatic colour
  bool Bold = false;
  bool operator==(const TRichFormat&) const = default;
};

struct TRichRun {
  TRichFormat Format;
  std::string Text;  // UTF-8; "\t" for a tab
};

struct TRichParagraph {
  std::vector<TRichRun> Runs;
  std::vector<int> TabStops;  // in twips, ascending
  TRichFormat EndFormat;      // in force at its end: the height of an empty paragraph
};

struct TRichText {
  std::vector<TRichFont> Fonts;
  // Index 0 is the automatic colour (clDefault); the others are RGB colours.
  std::vector<TColor> Colors{clDefault};
  std::vector<TRichParagraph> Paragraphs;

  // The characters, paragraphs ended by CR LF (the last one only when it is followed by another).
  std::string PlainText() const;
};

// Reads RTF; never fails. Groups nest at most kMaxRichTextDepth deep: deeper ones are read as
// their parent's text. A final paragraph without characters is left out.
inline constexpr int kMaxRichTextDepth = 256;
TRichText ReadRichText(std::string_view Rtf);
// Plain text: one paragraph per line (CR LF, LF or a lone CR), all in the automatic format, control
// characters but tabs left out and bytes of no UTF-8 sequence read as Latin-1.
TRichText PlainRichText(std::string_view Text);

}  // namespace lab
