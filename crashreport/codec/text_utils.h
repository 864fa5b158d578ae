#pragma once
// Small text routines the crash reporter's report, mail and web output share. Positions are 1-based
// byte positions; widths count characters (code points).

#include <string>
#include <string_view>
#include <vector>

namespace lab {

class TStrings;

// Position of SubText in Text searching from Start (1-based); 0 when absent.
int PosFrom(std::string_view SubText, std::string_view Text, int Start);
// Every non-overlapping occurrence, left to right, case-sensitive, in one pass. An empty Pattern
// changes nothing.
std::string ReplaceAllText(std::string_view Text, std::string_view Pattern, std::string_view Replacement);
// Skips leading separator characters, then adds each trimmed piece between separators; a last piece
// is added only when it is not blank.
void SplitToStrings(std::string_view Separators, std::string_view Text, TStrings* List);
// Characters below 32 are dropped, each run of them becoming one blank.
std::string MakeSingleLine(std::string_view Text);
// Blanks appended up to Width characters; a longer text is returned unchanged.
std::string PadRight(std::string_view Text, int Width);
inline std::string IfThenStr(bool Condition, std::string_view Text) {
  return Condition ? std::string(Text) : std::string();
}
// The lines of Text: a line ends at CR LF, at LF or at a lone CR. A break at the very end gives an
// empty last line, so joining the lines with CR LF gives Text back with its breaks made CR LF.
std::vector<std::string_view> SplitLines(std::string_view Text);
// "&", the double quote, "'", "<", ">", two blanks and CR LF made safe for a web page, in that order.
std::string HTMLEncode(std::string_view Text);

}  // namespace lab
