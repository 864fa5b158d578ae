// The commands that change text: each case runs one command on a text and checks the text and the
// caret after it; then undo must give back the text before exactly (blanks included) and redo the
// text after.

#include <string>
#include <vector>

#include "tests/editor/editor_fixture.h"

namespace lab::edittest {
namespace {

struct TCommandCase {
  const char* name;
  std::vector<std::string> before;
  TBufferCoord caret;
  TCodeEditorCommand command;
  char32_t ch = 0;
  std::vector<std::string> after;
  TBufferCoord caret_after;
  TCodeEditorOptions add = {};
  TCodeEditorOptions remove = {};
  // A selection from the caret to here, when not {0, 0}.
  TBufferCoord select_to = {0, 0};
  const char* ime = nullptr;
  bool overwrite = false;
  TCodeSelectionMode mode = smNormal;
  // Word wrap in a window this many cells wide, when not 0.
  int wrap_cells = 0;
};

std::string Joined(const std::vector<std::string>& Lines) {
  std::string text;
  for (std::size_t i = 0; i < Lines.size(); ++i) text += (i ? "\r\n" : "") + Lines[i];
  return text;
}

const TCommandCase kCases[] = {
    {"TypeOnAnEmptyEditor", {}, {1, 1}, ecChar, U'x', {"x"}, {2, 1}},
    {"TypeInTheMiddle", {"ac"}, {2, 1}, ecChar, U'b', {"abc"}, {3, 1}},
    {"TypeBeyondTheEndFillsWithSpaces", {"ab"}, {5, 1}, ecChar, U'x', {"ab  x"}, {6, 1}},
    {"TypeBeyondTheEndOfAnEmptyLineIndentsWithTabs", {""}, {11, 1}, ecChar, U'x', {"\t  x"}, {5, 1}, {}, {eoTabsToSpaces}},
    {"TypeReplacesASelection", {"hello world"}, {1, 1}, ecChar, U'J', {"J world"}, {2, 1}, {}, {}, {6, 1}},
    {"TypeOverwrites", {"abc"}, {2, 1}, ecChar, U'x', {"axc"}, {3, 1}, {}, {}, {0, 0}, nullptr, true},
    {"TypeOverwritesBeyondTheEnd", {"ab"}, {4, 1}, ecChar, U'x', {"ab x"}, {5, 1}, {}, {}, {0, 0}, nullptr, true},
    {"ImeStringBeyondTheEndLeavesABlankAfterIt", {"ab"}, {4, 1}, ecImeStr, 0, {"ab \xE6\x97\xA5\xE6\x9C\xAC "}, {6, 1}, {}, {}, {0, 0}, "\xE6\x97\xA5\xE6\x9C\xAC"},
    {"ImeStringDropsControlCharacters", {"ab"}, {2, 1}, ecImeStr, 0, {"axyb"}, {4, 1}, {}, {}, {0, 0}, "x\r\ny\x7F"},
    {"DeleteEolBeyondTheEndFillsUpToTheCaret", {"ab", "c"}, {5, 1}, ecDeleteEOL, 0, {"ab  ", "c"}, {5, 1}},
    {"DeleteWordJoiningALineOfATabWithBlanksTrimmed", {"ab", "\t", "c"}, {5, 1}, ecDeleteWord, 0, {"ab", "c"}, {5, 1},
     {eoTrimTrailingSpaces}},
    {"ImeStringReplacesASelection", {"hello world"}, {1, 1}, ecImeStr, 0, {"\xC3\xA9t\xC3\xA9 world"}, {4, 1}, {}, {}, {6, 1}, "\xC3\xA9t\xC3\xA9"},
    {"BackspaceJoinsLines", {"ab", "cd"}, {1, 2}, ecDeleteLastChar, 0, {"abcd"}, {3, 1}},
    {"BackspaceBeyondTheEndStepsToIt", {"ab"}, {9, 1}, ecDeleteLastChar, 0, {"ab"}, {3, 1}},
    {"BackspaceBeyondTheEndStepsBackOne", {"ab"}, {9, 1}, ecDeleteLastChar, 0, {"ab"}, {8, 1}, {}, {eoSmartTabDelete}},
    {"BackspaceBeyondAnEmptyLineGoesToTheIndentationAbove", {"  a", "    b", ""}, {9, 3}, ecDeleteLastChar, 0, {"  a", "    b", ""}, {5, 3}},
    {"BackspaceDeletesOneCharacter", {"abc"}, {3, 1}, ecDeleteLastChar, 0, {"ac"}, {2, 1}},
    {"BackspaceInIndentationGoesToTheIndentationAbove", {"    a", "        b"}, {9, 2}, ecDeleteLastChar, 0, {"    a", "    b"}, {5, 2}},
    {"BackspaceInIndentationOnlyTakesBlanksBeforeTheCaret", {"a", "        b"}, {3, 2}, ecDeleteLastChar, 0, {"a", "      b"}, {1, 2}},
    {"BackspaceInSpacesGoesToTheTabStop", {"          x"}, {11, 1}, ecDeleteLastChar, 0, {"        x"}, {9, 1}, {}, {eoSmartTabDelete}},
    {"BackspaceInIndentationTakesOneTab", {"\t\tx"}, {3, 1}, ecDeleteLastChar, 0, {"\tx"}, {2, 1}, {}, {eoSmartTabDelete}},
    // With trailing blanks trimmed, the blanks a command leaves at a line's end go, and undo gives
    // them back.
    {"TypeABlankAtTheEndWithBlanksTrimmed", {"ab"}, {3, 1}, ecChar, U' ', {"ab"}, {4, 1}, {eoTrimTrailingSpaces}},
    {"DeleteWordJoiningALineWithBlanksTrimmed", {"", "ab  "}, {4, 1}, ecDeleteWord, 0, {"   ab"}, {4, 1}, {eoTrimTrailingSpaces}},
    {"BackspaceDeletesASelectionMadeBackwards", {"hello"}, {4, 1}, ecDeleteLastChar, 0, {"hlo"}, {2, 1}, {}, {}, {2, 1}},
    {"DeleteTakesTheCharacterAtTheCaret", {"abc"}, {2, 1}, ecDeleteChar, 0, {"ac"}, {2, 1}},
    {"DeleteAtTheEndJoinsTheNextLine", {"ab", "cd"}, {3, 1}, ecDeleteChar, 0, {"abcd"}, {3, 1}},
    {"DeleteBeyondTheEndJoinsAfterBlanks", {"ab", "cd"}, {5, 1}, ecDeleteChar, 0, {"ab  cd"}, {5, 1}},
    {"DeleteAtTheEndOfTheLastLineDoesNothing", {"ab"}, {3, 1}, ecDeleteChar, 0, {"ab"}, {3, 1}},
    {"DeleteWord", {"foo  bar"}, {1, 1}, ecDeleteWord, 0, {"bar"}, {1, 1}},
    {"DeleteWordAtTheEndJoinsTheNextLineWithoutItsSpaces", {"foo", "  bar"}, {4, 1}, ecDeleteWord, 0, {"foobar"}, {4, 1}},
    {"DeleteWordBeyondTheEndKeepsTheCaretsPlace", {"foo", "  bar"}, {6, 1}, ecDeleteWord, 0, {"foo  bar"}, {6, 1}},
    {"DeleteToTheLineEnd", {"foo bar"}, {4, 1}, ecDeleteEOL, 0, {"foo"}, {4, 1}},
    {"DeleteLastWord", {"foo bar"}, {8, 1}, ecDeleteLastWord, 0, {"foo "}, {5, 1}},
    {"DeleteLastWordAtColumnOneJoins", {"foo", "bar"}, {1, 2}, ecDeleteLastWord, 0, {"foobar"}, {4, 1}},
    {"DeleteToTheLineStart", {"foo bar"}, {5, 1}, ecDeleteBOL, 0, {"bar"}, {1, 1}},
    {"DeleteLineInTheMiddle", {"a", "b", "c"}, {2, 2}, ecDeleteLine, 0, {"a", "c"}, {1, 2}},
    {"DeleteTheLastLineEmptiesIt", {"a", "b"}, {2, 2}, ecDeleteLine, 0, {"a", ""}, {1, 2}},
    {"DeleteTheOnlyEmptyLineDoesNothing", {""}, {1, 1}, ecDeleteLine, 0, {""}, {1, 1}},
    {"LineBreakIndentsLikeTheLine", {"    abc"}, {6, 1}, ecLineBreak, 0, {"    a", "    bc"}, {5, 2}},
    {"LineBreakIndentsWithTabs", {"        abc"}, {10, 1}, ecLineBreak, 0, {"        a", "\tbc"}, {2, 2}, {}, {eoTabsToSpaces}},
    {"LineBreakAtColumnOneOpensALineAbove", {"abc"}, {1, 1}, ecLineBreak, 0, {"", "abc"}, {1, 2}},
    {"LineBreakAtTheEndCopiesTheIndentation", {"  ab"}, {5, 1}, ecLineBreak, 0, {"  ab", "  "}, {3, 2}},
    {"LineBreakBeyondTheEndAddsNoBlanks", {"ab"}, {6, 1}, ecLineBreak, 0, {"ab", ""}, {1, 2}},
    {"LineBreakOnAnEmptyLineIndentsLikeTheLineAbove", {"   a", ""}, {1, 2}, ecLineBreak, 0, {"   a", "", ""}, {4, 3}},
    {"LineBreakReplacesASelection", {"abcdef"}, {2, 1}, ecLineBreak, 0, {"a", "ef"}, {1, 2}, {}, {}, {5, 1}},
    {"LineBreakWithoutAutoIndent", {"  abc"}, {4, 1}, ecLineBreak, 0, {"  a", "bc"}, {1, 2}, {}, {eoAutoIndent}},
    {"InsertLineKeepsTheCaret", {"ab"}, {2, 1}, ecInsertLine, 0, {"a", "b"}, {2, 1}},
    {"TabInsertsSpacesToTheNextStop", {"ab"}, {3, 1}, ecTab, 0, {"ab      "}, {9, 1}},
    {"TabInsertsATab", {"ab"}, {3, 1}, ecTab, 0, {"ab\t"}, {4, 1}, {}, {eoTabsToSpaces}},
    {"SmartTabReachesTheNextWordAbove", {"foo bar", ""}, {1, 2}, ecTab, 0, {"foo bar", "    "}, {5, 2}},
    {"SmartTabWithTabs", {"x\t\tfoo   bar", "\t"}, {2, 2}, ecTab, 0, {"x\t\tfoo   bar", "\t\t"}, {3, 2}, {}, {eoTabsToSpaces}},
    {"TabBeyondTheEndFillsWithBlanks", {"ab"}, {5, 1}, ecTab, 0, {"ab  \t"}, {6, 1}, {}, {eoTabsToSpaces}},
    {"TabIndentsSelectedLines", {"ab", "cd"}, {1, 1}, ecTab, 0, {"\tab", "\tcd"}, {4, 2}, {eoTabIndent}, {eoTabsToSpaces}, {3, 2}},
    {"TabReplacesASelectionInALine", {"abcd"}, {2, 1}, ecTab, 0, {"a\td"}, {3, 1}, {}, {eoTabsToSpaces}, {4, 1}},
    {"ShiftTabGoesBackToTheTabStop", {"          x"}, {11, 1}, ecShiftTab, 0, {"        x"}, {9, 1}},
    {"ShiftTabTakesATab", {"\t\tx"}, {3, 1}, ecShiftTab, 0, {"\tx"}, {2, 1}},
    {"ShiftTabFollowsTheWordAbove", {"ab  cd", "      x"}, {7, 2}, ecShiftTab, 0, {"ab  cd", "    x"}, {5, 2}},
    {"ShiftTabNeverDeletesText", {"ab cd", "xyz"}, {3, 2}, ecShiftTab, 0, {"ab cd", "xyz"}, {3, 2}},
    {"ShiftTabUnindentsSelectedLines", {"\tab", "\tcd"}, {1, 1}, ecShiftTab, 0, {"ab", "cd"}, {3, 2}, {eoTabIndent}, {}, {4, 2}},
    {"UpperCaseWord", {"hello world"}, {2, 1}, ecUpperCase, 0, {"HELLO world"}, {2, 1}},
    {"LowerCaseWordBeforeTheCaret", {"HELLO WORLD"}, {12, 1}, ecLowerCase, 0, {"HELLO world"}, {12, 1}},
    {"ToggleCaseWord", {"hElLo"}, {1, 1}, ecToggleCase, 0, {"HeLlO"}, {1, 1}},
    {"TitleCaseWord", {"hELLO \xC3\xA9T\xC3\x89"}, {8, 1}, ecTitleCase, 0, {"hELLO \xC3\x89t\xC3\xA9"}, {8, 1}},
    // Past the end of its line the caret stands at no word: the word before it changes, not what the
    // lines selected before held.
    {.name = "UpperCaseWordPastTheEndOfTheLineIgnoresTheSelection", .before = {"ab", "cd", "ef"}, .caret = {1, 3},
     .command = ecUpperCase, .after = {"AB", "cd", "ef"}, .caret_after = {5, 1}, .add = {eoScrollPastEol},
     .select_to = {5, 1}, .mode = smLine},
    {"UpperCaseBlockTakesOneCharacter", {"abc"}, {1, 1}, ecUpperCaseBlock, 0, {"Abc"}, {2, 1}},
    {"ToggleCaseBlockOfASelection", {"abC def"}, {1, 1}, ecToggleCaseBlock, 0, {"ABc def"}, {4, 1}, {}, {}, {4, 1}},
    {"LowerCaseBlockBeyondTheEndGoesToTheNextLine", {"ab", "CD"}, {5, 1}, ecLowerCaseBlock, 0, {"ab", "CD"}, {1, 2}},
    // A column block of display columns 10 to 12 over a line with a tab (where it is characters 3 to
    // 5), a line without, and a line that ends before it: the text typed goes in at its top left
    // corner, and undo puts each line's characters back where they were, adding no blanks.
    {.name = "TypeOverAColumnBlockAcrossTabsAndShortLines", .before = {"\tabcdef", "0123456789abcdef", "xy"},
     .caret = {6, 1}, .command = ecChar, .ch = U'X', .after = {"\taXef", "012345678cdef", "xy"},
     .caret_after = {4, 1}, .select_to = {10, 3}, .mode = smColumn},
    {.name = "ImeStringOverAColumnBlock", .before = {"\tabcdef", "0123456789abcdef", "xy"}, .caret = {6, 1},
     .command = ecImeStr, .after = {"\ta\xC3\xA9t\xC3\xA9" "ef", "012345678cdef", "xy"}, .caret_after = {6, 1},
     .select_to = {10, 3}, .ime = "\xC3\xA9t\xC3\xA9", .mode = smColumn},
    {.name = "DeleteAColumnBlockAcrossTabsAndShortLines", .before = {"\tabcdef", "0123456789abcdef", "xy"},
     .caret = {6, 1}, .command = ecDeleteChar, .after = {"\taef", "012345678cdef", "xy"}, .caret_after = {3, 1},
     .select_to = {10, 3}, .mode = smColumn},
    {.name = "BackspaceOverAColumnBlockMadeBackwards", .before = {"\tabcdef", "0123456789abcdef", "xy"},
     .caret = {10, 3}, .command = ecDeleteLastChar, .after = {"\taef", "012345678cdef", "xy"}, .caret_after = {3, 1},
     .select_to = {6, 1}, .mode = smColumn},
    {.name = "LineBreakOverAColumnBlock", .before = {"\tabcdef", "0123456789abcdef", "xy"}, .caret = {6, 1},
     .command = ecLineBreak, .after = {"\ta", "        ef", "012345678cdef", "xy"}, .caret_after = {9, 2},
     .select_to = {10, 3}, .mode = smColumn},
    {.name = "TabOverAColumnBlock", .before = {"\tabcdef", "0123456789abcdef", "xy"}, .caret = {6, 1},
     .command = ecTab, .after = {"\ta      ef", "012345678cdef", "xy"}, .caret_after = {9, 1}, .select_to = {10, 3},
     .mode = smColumn},
    {.name = "UpperCaseBlockOfAColumnBlockStaysInPlace", .before = {"\tabcdef", "0123456789abcdef", "xy"},
     .caret = {6, 1}, .command = ecUpperCaseBlock, .after = {"\taBCDef", "0123456789ABcdef", "xy"},
     .caret_after = {10, 3}, .select_to = {10, 3}, .mode = smColumn},
    // A column block indented over a line that ends before it: the blanks that reach the block go
    // again on undo.
    {.name = "BlockIndentOfAColumnBlockOverAShortLine", .before = {"abcdef", "a", "abcdef"}, .caret = {3, 1},
     .command = ecBlockIndent, .after = {"ab        cdef", "a         ", "ab        cdef"},
     .caret_after = {13, 3},
     .select_to = {5, 3}, .mode = smColumn},
    // Its corner beyond a short first line: the blanks that reach it go again on undo.
    {.name = "TypeOverAColumnBlockWhoseCornerIsBeyondAShortLine", .before = {"xy", "0123456789abcdef"},
     .caret = {10, 1}, .command = ecChar, .ch = U'X', .after = {"xy       X", "012345678cdef"}, .caret_after = {11, 1},
     .select_to = {13, 2}, .mode = smColumn},
    // With trailing blanks trimmed: a tab typed before a line of blanks leaves nothing on it (undo takes
    // the tab's blanks out again, not just what stayed), and a column block whose case changes on a
    // line that ends in it goes back after the blanks it lost meanwhile.
    {.name = "TabBeforeBlanksWithBlanksTrimmed", .before = {"\t"}, .caret = {1, 1}, .command = ecTab, .after = {""},
     .caret_after = {9, 1}, .add = {eoTrimTrailingSpaces}},
    {.name = "UpperCaseBlockOfAColumnBlockEndingALineWithBlanksTrimmed", .before = {"abcdef", "   xyz"},
     .caret = {4, 1}, .command = ecUpperCaseBlock, .after = {"abcDEF", "   XYZ"}, .caret_after = {7, 2},
     .add = {eoTrimTrailingSpaces}, .select_to = {7, 2}, .mode = smColumn},
    // Text beyond MaxScrollWidth (1024) is taken out and put back whole.
    {"TabBeyondTheScrollWidth", {"ab"}, {1025, 1}, ecTab, 0, {"ab" + std::string(1030, ' ')}, {1025, 1}},
    {"DeleteTheLastLineLongerThanTheScrollWidth", {std::string(2000, 'a')}, {1, 1}, ecDeleteLine, 0, {""}, {1, 1}},
    // Wrapped in rows of 8 cells, the block's corners fall in one column of two rows.
    {.name = "BlockIndentOfAColumnBlockWrapped", .before = {"abcdefghijklmnop", "abcdefghijklmnop"}, .caret = {3, 1},
     .command = ecBlockIndent, .after = {"ab        cdefghijklmnop", "ab        cdefghijklmnop"},
     .caret_after = {19, 2}, .select_to = {11, 2}, .mode = smColumn, .wrap_cells = 8},
};

void PrintTo(const TCommandCase& c, std::ostream* os) { *os << c.name; }

class CommandTest : public EditorTest, public ::testing::WithParamInterface<TCommandCase> {};

TEST_P(CommandTest, ChangesTheTextAndUndoesAndRedoesExactly) {
  const TCommandCase& c = GetParam();
  TCodeEditorOptions options = edit->Options();
  options += c.add;
  options -= c.remove;
  edit->SetOptions(options);
  if (!c.before.empty()) {
    TStringList lines;
    for (const std::string& line : c.before) lines.Add(line);
    edit->Lines()->Assign(&lines);
  }
  if (c.wrap_cells) {
    edit->SetBounds(0, 0, edit->Width() - edit->ClientWidth() + edit->GutterWidth() + 2 + c.wrap_cells * edit->CharWidth(),
                    300);
    edit->SetWordWrap(true);
    ASSERT_EQ(edit->CharsInWindow(), c.wrap_cells);
  }
  edit->SetInsertMode(!c.overwrite);
  edit->SetSelectionMode(c.mode);
  edit->SetCaretXY(c.caret);
  if (c.select_to.Char) {
    edit->SetBlockBegin(c.caret);
    edit->SetBlockEnd(c.select_to);
    edit->SetCaretXY(c.select_to);
    edit->SetBlockBegin(c.caret);
    edit->SetBlockEnd(c.select_to);
  }
  const std::string before = edit->Text();
  edit->CommandProcessor(c.command, c.ch, const_cast<char*>(c.ime));
  EXPECT_EQ(edit->Text(), Joined(c.after));
  EXPECT_EQ(edit->CaretXY(), c.caret_after);
  const std::string after = edit->Text();
  edit->CommandProcessor(ecUndo, 0, nullptr);
  EXPECT_EQ(edit->Text(), before) << "undo";
  EXPECT_EQ(edit->Modified(), false);
  edit->CommandProcessor(ecRedo, 0, nullptr);
  EXPECT_EQ(edit->Text(), after) << "redo";
  edit->CommandProcessor(ecUndo, 0, nullptr);
  EXPECT_EQ(edit->Text(), before) << "undo after redo";
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TCommandCase>& info) { return std::string(info.param.name); });

// Every command that changes text is refused by a read-only view; reading, selecting, moving and
// bookmarks still work.
TEST_F(EditorTest, AReadOnlyViewRefusesEveryChangingCommand) {
  SetText({"  hello world", "second line"});
  edit->SetCaretXY({5, 1});
  edit->SetBlockBegin({3, 1});
  edit->SetBlockEnd({8, 1});
  edit->CopyToClipboard();
  edit->SetCaretXY({5, 1});
  edit->SetReadOnly(true);
  char ime[] = "ime";
  for (TCodeEditorCommand command :
       {ecChar, ecImeStr, ecDeleteLastChar, ecDeleteChar, ecDeleteWord, ecDeleteLastWord, ecDeleteBOL, ecDeleteEOL,
        ecDeleteLine, ecLineBreak, ecInsertLine, ecTab, ecShiftTab, ecUpperCase, ecLowerCase, ecToggleCase,
        ecTitleCase, ecUpperCaseBlock, ecLowerCaseBlock, ecToggleCaseBlock, ecPaste, ecCut, ecBlockIndent,
        ecBlockUnindent, ecClearAll, ecUndo, ecRedo}) {
    edit->SetCaretXY({5, 1});
    edit->SetBlockBegin({3, 1});
    edit->SetBlockEnd({8, 1});
    edit->CommandProcessor(command, U'x', command == ecImeStr ? ime : nullptr);
    EXPECT_EQ(edit->Text(), "  hello world\r\nsecond line") << command;
    EXPECT_FALSE(edit->Modified()) << command;
  }
  edit->CommandProcessor(ecSelectAll, 0, nullptr);
  edit->CommandProcessor(ecCopy, 0, nullptr);
  EXPECT_EQ(edit->SelText(), "  hello world\r\nsecond line");
  edit->CommandProcessor(ecDown, 0, nullptr);
  edit->CommandProcessor(ecLineStart, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 2}));
  edit->CommandProcessor(ecSetMarker3, 0, nullptr);
  EXPECT_TRUE(edit->IsBookmark(3));
}

// Marks follow the lines that commands delete and insert: a bookmark on a deleted line stays on the
// line that takes its place (the first one stays on line 1); an inserted line moves the marks from
// where it went in.
TEST_F(EditorTest, BookmarksFollowDeletedAndInsertedLines) {
  SetText({"one", "two", "three", "four"});
  edit->SetBookmark(0, 1, 1);
  edit->SetBookmark(1, 1, 2);
  edit->SetBookmark(2, 1, 3);
  edit->SetCaretXY({2, 1});
  edit->CommandProcessor(ecDeleteLine, 0, nullptr);
  EXPECT_EQ(edit->BookMarks(0)->Line(), 1);
  EXPECT_EQ(edit->BookMarks(1)->Line(), 1);
  EXPECT_EQ(edit->BookMarks(2)->Line(), 2);
  // "two", "three", "four": a line opened in the middle of line 1 goes in after it.
  edit->SetCaretXY({2, 1});
  edit->CommandProcessor(ecInsertLine, 0, nullptr);
  EXPECT_EQ(edit->BookMarks(0)->Line(), 1);
  EXPECT_EQ(edit->BookMarks(2)->Line(), 3);
  // One opened at column 1 goes in before it, and the line's marks move down with its text.
  edit->SetCaretXY({1, 3});
  edit->CommandProcessor(ecInsertLine, 0, nullptr);
  EXPECT_EQ(edit->BookMarks(2)->Line(), 4);
  EXPECT_EQ(edit->Lines()->Strings(3), "three");
  edit->SetCaretXY({1, 4});
  edit->CommandProcessor(ecLineBreak, 0, nullptr);
  EXPECT_EQ(edit->BookMarks(2)->Line(), 5);
  EXPECT_EQ(edit->Lines()->Strings(4), "three");
}

// With eoGroupUndo typed characters undo together until the caret moves; without it one at a time.
// Modified is false again where the text was saved.
TEST_F(EditorTest, TypingUndoesByGroupsAndModifiedFollowsTheSavedPoint) {
  SetText({""});
  for (char32_t c : {U'a', U'b', U'c'}) edit->CommandProcessor(ecChar, c, nullptr);
  edit->SetModified(false);
  edit->CommandProcessor(ecLeft, 0, nullptr);
  for (char32_t c : {U'x', U'y'}) edit->CommandProcessor(ecChar, c, nullptr);
  EXPECT_EQ(edit->Text(), "abxyc");
  EXPECT_TRUE(edit->Modified());
  edit->Undo();
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_FALSE(edit->Modified());
  edit->Undo();
  EXPECT_EQ(edit->Text(), "");
  EXPECT_TRUE(edit->Modified());
  edit->Redo();
  EXPECT_FALSE(edit->Modified());
  edit->SetOptions(edit->Options() - TCodeEditorOptions{eoGroupUndo});
  edit->SetText("");
  for (char32_t c : {U'a', U'b', U'c'}) edit->CommandProcessor(ecChar, c, nullptr);
  edit->Undo();
  EXPECT_EQ(edit->Text(), "ab");
  // Backspace at the start of a line undoes back into a line break.
  edit->SetText("ab\r\ncd");
  edit->SetCaretXY({1, 2});
  edit->CommandProcessor(ecDeleteLastChar, 0, nullptr);
  ASSERT_EQ(edit->UndoList()->ItemCount(), 1);
  EXPECT_EQ(edit->UndoList()->PeekItem()->ChangeReason(), crSilentDelete);
  EXPECT_EQ(edit->UndoList()->PeekItem()->ChangeStr(), U"\r\n");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "ab\r\ncd");
}

TEST_F(EditorTest, ChangeCaseOfAnotherCommandIsAnAssertionFailure) {
  SetText({"abc"});
  try {
    edit->ChangeCase(ecTab);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Assertion failure (CodeEdit)");
  }
}

}  // namespace
}  // namespace lab::edittest
