// The editor's object model: defaults, the text as lines and as one string, the selected text in the
// three selection modes, clearing, the paint lock and status changes, pixel positions, gutter clicks,
// the key flow, Modified, components going away and form streaming.

#include <memory>

#include "editor_fixture.h"
#include "editor/edit_exceptions.h"
#include "platform/classes/form_text.h"
#include "platform/controls/input.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/streams.h"

namespace lab::edittest {
namespace {

using V = std::vector<std::string>;

TEST_F(EditorTest, ANewEditorStartsAtItsDefaults) {
  TCodeEdit fresh(nullptr);
  EXPECT_EQ(fresh.Text(), "");
  EXPECT_EQ(fresh.CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(fresh.BlockBegin(), (TBufferCoord{1, 1}));
  EXPECT_EQ(fresh.BlockEnd(), (TBufferCoord{1, 1}));
  EXPECT_FALSE(fresh.Modified());
  EXPECT_EQ(fresh.RightEdge(), 80);
  EXPECT_EQ(fresh.RightEdgeColor(), clSilver);
  EXPECT_EQ(fresh.Options().Value(), 0x026C0192u);
  EXPECT_EQ(fresh.TopLine(), 1);
  EXPECT_EQ(fresh.LeftChar(), 1);
  EXPECT_EQ(fresh.TabWidth(), 8);
  EXPECT_EQ(fresh.MaxScrollWidth(), 1024);
  EXPECT_EQ(fresh.MaxUndo(), 1024);
  EXPECT_TRUE(fresh.InsertMode());
  EXPECT_FALSE(fresh.ReadOnly());
  EXPECT_TRUE(fresh.WantReturns());
  EXPECT_FALSE(fresh.WantTabs());
  EXPECT_EQ(fresh.ActiveLineColor(), clNone);
  EXPECT_EQ(fresh.InsertCaret(), ctVerticalLine);
  EXPECT_EQ(fresh.OverwriteCaret(), ctBlock);
  EXPECT_EQ(fresh.ScrollBars(), ssBoth);
  EXPECT_EQ(fresh.BorderStyle(), bsSingle);
  EXPECT_EQ(fresh.Cursor(), crIBeam);
  EXPECT_EQ(fresh.Width(), 200);
  EXPECT_EQ(fresh.Height(), 150);
  EXPECT_TRUE(fresh.TabStop());
  EXPECT_FALSE(fresh.ParentFont());
  EXPECT_EQ(fresh.Font()->Name(), "monospace");
  EXPECT_EQ(fresh.Font()->Size(), 10);
  EXPECT_EQ(fresh.GutterWidth(), fresh.Gutter()->Width());
  EXPECT_EQ(fresh.TextOffset(), fresh.GutterWidth() + 2);
  EXPECT_GT(fresh.CharWidth(), 0);
  EXPECT_GT(fresh.TextHeight(), 0);
  EXPECT_EQ(fresh.Keystrokes()->Count(), 82);
  EXPECT_FALSE(fresh.WordWrap());
  EXPECT_EQ(fresh.PaintLock(), 0);
}

TEST_F(EditorTest, AssigningLinesResetsTheViewAndBothUndoLists) {
  Fill(200);
  edit->SetCaretXY({5, 20});
  edit->SetTopLine(15);
  edit->SetLeftChar(3);
  edit->UndoList()->AddChange(crInsert, {1, 1}, {2, 1}, U"", smNormal);
  edit->RedoList()->AddChange(crInsert, {1, 1}, {2, 1}, U"", smNormal);
  edit->SetModified(true);
  ASSERT_EQ(edit->TopLine(), 15);
  ASSERT_EQ(edit->LeftChar(), 3);
  TStringList source;
  source.Add("first");
  source.Add("second");
  edit->Lines()->Assign(&source);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(edit->TopLine(), 1);
  EXPECT_EQ(edit->LeftChar(), 1);
  EXPECT_EQ(edit->UndoList()->ItemCount(), 0);
  EXPECT_EQ(edit->RedoList()->ItemCount(), 0);
  EXPECT_FALSE(edit->SelAvail());
  EXPECT_TRUE(edit->Modified());  // kept as it was
  EXPECT_EQ(edit->Text(), "first\r\nsecond");

  // Into an empty editor nothing is cleared: the caret stays where it was.
  TCodeEdit empty(nullptr);
  empty.SetParent(form);
  empty.HandleNeeded();
  empty.SetCaretXY({4, 1});
  empty.Lines()->Assign(&source);
  EXPECT_EQ(empty.CaretXY(), (TBufferCoord{4, 1}));
  empty.SetParent(nullptr);
}

TEST_F(EditorTest, AReadOnlyEditorTakesAssignClearAllAndSelectAll) {
  edit->SetReadOnly(true);
  SetText({"alpha", "beta"});
  edit->SelectAll();
  EXPECT_EQ(edit->SelText(), "alpha\r\nbeta");
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{5, 2}));
  edit->ClearAll();
  EXPECT_EQ(edit->Text(), "");
  EXPECT_FALSE(edit->Modified());
  // Commands that would change the text do nothing.
  SetText({"kept"});
  edit->SelectAll();
  edit->CommandProcessor(ecClearAll, 0, nullptr);
  edit->CommandProcessor(ecCut, 0, nullptr);
  EXPECT_EQ(edit->Text(), "kept");
}

// The editor takes tabs up to the list's bound; the end of a line past the int range of cells is
// shown at the last column, and the scroll range stops there too.
TEST_F(EditorTest, ALineWiderThanTheIntRange) {
  edit->SetTabWidth(1 << 20);
  EXPECT_EQ(edit->TabWidth(), kMaxTabWidth);
  EXPECT_EQ(edit->LineList()->TabWidth(), kMaxTabWidth);
  edit->LineList()->Clear();
  edit->LineList()->AddLine(std::u32string(32768, U'\t'));
  EXPECT_EQ(edit->BufferToDisplayPos({32768, 1}), (TDisplayCoord{INT32_MAX - kMaxTabWidth + 2, 1}));
  EXPECT_EQ(edit->BufferToDisplayPos({32769, 1}), (TDisplayCoord{INT32_MAX, 1}));
  EXPECT_EQ(edit->DisplayToBufferPos({INT32_MAX, 1}), (TBufferCoord{32769, 1}));
  edit->SetOptions(edit->Options() - eoScrollPastEol);
  edit->SetLeftChar(INT32_MAX);
  EXPECT_EQ(edit->LeftChar(), INT32_MAX - edit->CharsInWindow() + 2);  // the line's last cell in view
}

TEST_F(EditorTest, SelTextInTheThreeModes) {
  // Tabs of width 4: "a\tbc" shows a, three tab cells, b, c.
  edit->SetTabWidth(4);
  SetText({"a\tbcdef", "xy", "", "0123456789"});
  // Normal: from begin to end, backwards as well.
  edit->SetBlockBegin({2, 1});
  edit->SetBlockEnd({3, 4});
  EXPECT_EQ(edit->SelText(), "\tbcdef\r\nxy\r\n\r\n01");
  edit->SetBlockBegin({3, 4});
  edit->SetBlockEnd({2, 1});
  EXPECT_EQ(edit->SelText(), "\tbcdef\r\nxy\r\n\r\n01");
  edit->SetBlockBegin({2, 1});
  edit->SetBlockEnd({5, 1});
  EXPECT_EQ(edit->SelText(), "\tbc");

  // Line: every whole line, each followed by CR LF but the buffer's last.
  edit->SetSelectionMode(smLine);
  edit->SetBlockBegin({3, 2});
  edit->SetBlockEnd({1, 3});
  EXPECT_EQ(edit->SelText(), "xy\r\n\r\n");
  edit->SetBlockBegin({3, 3});
  edit->SetBlockEnd({2, 4});
  EXPECT_EQ(edit->SelText(), "\r\n0123456789");

  // Column: the cells between the two columns, short lines padded, tab stops respected.
  edit->SetSelectionMode(smColumn);
  edit->SetBlockBegin({7, 4});  // column 7
  edit->SetBlockEnd({4, 1});    // "a\tbc": character 4 is c at column 6
  EXPECT_EQ(edit->SelText(), "c\r\n \r\n \r\n5");
  edit->SetOptions(edit->Options() + eoTrimTrailingSpaces);
  EXPECT_EQ(edit->SelText(), "c\r\n\r\n\r\n5");
  edit->SetOptions(edit->Options() - eoTrimTrailingSpaces);
  // Equal columns are no selection.
  edit->SetBlockBegin({3, 2});
  edit->SetBlockEnd({3, 4});
  EXPECT_FALSE(edit->SelAvail());
  EXPECT_EQ(edit->SelText(), "");
}

TEST_F(EditorTest, SelTextOfColumnBlocksOverTabsAndLineBlocksMadeBackwards) {
  // Tabs of width 4: "a\tbc" shows a in column 1, the tab in columns 2 to 4, b in 5, c in 6.
  edit->SetTabWidth(4);
  SetText({"a\tbc", "0123456", "xy", "\t\tz"});
  // A column block takes the characters that start inside its columns: a tab starting inside comes
  // whole, one starting left of it stays out (so a line whose tab covers the block gives nothing).
  edit->SetSelectionMode(smColumn);
  edit->SetBlockBegin({1, 1});  // column 1
  edit->SetBlockEnd({3, 2});    // column 3
  EXPECT_EQ(edit->SelText(), "a\t\r\n01");
  edit->SetBlockBegin({2, 4});  // the second tab, column 5, backwards up to column 3
  edit->SetBlockEnd({3, 2});
  EXPECT_EQ(edit->SelText(), "23\r\n  \r\n");
  // Backwards from past the end of line 1 (column 7) to column 1: short lines are filled with
  // blanks up to the block's right column, unless trailing blanks are trimmed.
  edit->SetBlockBegin({5, 1});
  edit->SetBlockEnd({1, 3});
  EXPECT_EQ(edit->SelText(), "a\tbc\r\n012345\r\nxy    ");
  edit->SetOptions(edit->Options() + eoTrimTrailingSpaces);
  EXPECT_EQ(edit->SelText(), "a\tbc\r\n012345\r\nxy");
  // A line block made backwards is the same whole lines; none but the buffer's last ends without
  // CR LF.
  edit->SetSelectionMode(smLine);
  edit->SetBlockBegin({2, 3});
  edit->SetBlockEnd({1, 2});
  EXPECT_EQ(edit->SelText(), "0123456\r\nxy\r\n");
  edit->SetBlockBegin({1, 4});
  edit->SetBlockEnd({4, 3});
  EXPECT_EQ(edit->SelText(), "xy\r\n\t\tz");
}

// SelText is written as UTF-8 straight from the lines, whatever width each line is stored in, and
// pads a column block of any width.
TEST_F(EditorTest, SelTextEncodesLinesOfEveryWidthAndPadsWideColumnBlocks) {
  const std::string latin = "Gr\xC3\xB6\xC3\x9F" "e", x(200, 'x'), cjk = "\xE6\x97\xA5\xE6\x9C\xAC",
                    emoji = "a\xF0\x9F\x98\x80" "b";
  SetText({latin.c_str(), x.c_str(), cjk.c_str(), emoji.c_str(), ""});
  edit->SelectAll();
  EXPECT_EQ(edit->SelText(), latin + "\r\n" + x + "\r\n" + cjk + "\r\n" + emoji + "\r\n");
  edit->SetBlockBegin({2, 1});
  edit->SetBlockEnd({3, 4});
  EXPECT_EQ(edit->SelText(), "r\xC3\xB6\xC3\x9F" "e\r\n" + x + "\r\n" + cjk + "\r\na\xF0\x9F\x98\x80");
  // Columns 3 to 180: the short first line is padded by 175 blanks.
  edit->SetSelectionMode(smColumn);
  edit->SetBlockBegin({3, 1});
  edit->SetBlockEnd({181, 2});
  EXPECT_EQ(edit->SelText(), "\xC3\xB6\xC3\x9F" "e" + std::string(175, ' ') + "\r\n" + std::string(178, 'x'));
}

TEST_F(EditorTest, ClearAllEmptiesMarksButBookmarkSlotsKeepTheirs) {
  Fill(10);
  edit->SetBookmark(3, 1, 5);
  auto* plain = new TCodeEditMark(edit);
  plain->SetLine(2);
  edit->Marks()->Add(plain);
  edit->UndoList()->AddChange(crInsert, {1, 1}, {2, 1}, U"", smNormal);
  edit->SetModified(true);
  ASSERT_EQ(edit->Marks()->Count(), 2);
  edit->ClearAll();
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(edit->Marks()->Count(), 0);
  EXPECT_EQ(edit->UndoList()->ItemCount(), 0);
  EXPECT_FALSE(edit->Modified());
  ASSERT_NE(edit->BookMarks(3), nullptr);  // the slot keeps its mark (freed with the editor)
  EXPECT_EQ(edit->BookMarks(3)->Line(), 5);
  // The plain mark went with the list (the sanitizer build sees it freed once, and not leaked).
  // Setting the bookmark again replaces the kept mark.
  Fill(10);
  edit->SetBookmark(3, 2, 7);
  EXPECT_EQ(edit->BookMarks(3)->Line(), 7);
  EXPECT_EQ(edit->Marks()->Count(), 1);
}

TEST_F(EditorTest, NestedUpdatesFireOneStatusChange) {
  Fill(30);
  std::vector<TCodeStatusChanges> fired;
  edit->OnStatusChange = [&](TObject*, TCodeStatusChanges c) { fired.push_back(c); };
  edit->BeginUpdate();
  edit->BeginUpdate();
  edit->SetCaretXY({3, 4});
  edit->SetTopLine(5);
  edit->EndUpdate();
  EXPECT_TRUE(fired.empty());
  edit->EndUpdate();
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_TRUE(fired[0].Contains(scCaretX));
  EXPECT_TRUE(fired[0].Contains(scCaretY));
  EXPECT_TRUE(fired[0].Contains(scTopLine));
  EXPECT_TRUE(edit->StatusChanges().Empty());
  // Outside a lock a change fires at once.
  edit->SetReadOnly(true);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[1], TCodeStatusChanges{scReadOnly});
  // An unmatched EndUpdate is a misuse.
  EXPECT_THROW(edit->EndUpdate(), EAssertionFailed);
  EXPECT_EQ(edit->PaintLock(), 0);
}

TEST_F(EditorTest, PixelsMapToRowsAndColumns) {
  Fill(100);
  const int cw = edit->CharWidth(), th = edit->TextHeight(), left = edit->GutterWidth() + 2;
  EXPECT_EQ(edit->PixelsToRowColumn(left, 0), (TDisplayCoord{1, 1}));
  EXPECT_EQ(edit->PixelsToRowColumn(left + 3 * cw + cw - 1, 2 * th), (TDisplayCoord{4, 3}));
  EXPECT_EQ(edit->PixelsToRowColumn(-5000, -5000), (TDisplayCoord{1, 1}));
  // The nearest column: right halves go to the next one, an exact half to the even neighbour.
  if (cw % 2 == 0) {
    EXPECT_EQ(edit->PixelsToNearestRowColumn(left + cw / 2, 0).Column, 1);           // 0.5 -> 0
    EXPECT_EQ(edit->PixelsToNearestRowColumn(left + cw + cw / 2, 0).Column, 3);      // 1.5 -> 2
    EXPECT_EQ(edit->PixelsToNearestRowColumn(left + 2 * cw + cw / 2, 0).Column, 3);  // 2.5 -> 2
  }
  EXPECT_EQ(edit->PixelsToNearestRowColumn(left + cw / 2 + 1, 0).Column, 2);
  // Below the last whole row the nearest row is that row.
  const int rows = edit->LinesInWindow();
  EXPECT_EQ(edit->PixelsToNearestRowColumn(left, rows * th + 40).Row, rows);
  // A scrolled view counts from its top line and left column; arithmetic never overflows.
  edit->SetTopLine(10);
  edit->SetLeftChar(5);
  EXPECT_EQ(edit->PixelsToRowColumn(left, 0), (TDisplayCoord{5, 10}));
  EXPECT_GT(edit->PixelsToRowColumn(INT32_MAX, INT32_MAX).Row, 0);
  EXPECT_EQ(edit->RowColumnToPixels({5, 10}), (TPoint{left, 0}));
  // ComputeCaret puts the caret at the nearest position, rows limited to the text.
  edit->SetTopLine(1);
  edit->SetLeftChar(1);
  edit->ComputeCaret(left + 2 * cw + cw / 2 + 1, th + 1);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{4, 2}));
}

TEST_F(EditorTest, ASpacingBelowTheFontNeverMakesARowEmpty) {
  edit->SetExtraLineSpacing(-100000);
  EXPECT_EQ(edit->TextHeight(), 1);
  EXPECT_EQ(edit->PixelsToRowColumn(0, 50).Row, 51);
  edit->SetExtraLineSpacing(4);
  const int plain = edit->TextDrawer()->CharHeight();
  EXPECT_EQ(edit->TextHeight(), plain + 4);
}

TEST_F(EditorTest, GutterClicksFindTheLineAndTheMark) {
  Fill(20);
  edit->SetBookmark(1, 1, 3);
  edit->SetBookmark(2, 1, 3);
  struct Click {
    int line;
    TCodeEditMark* mark;
  };
  std::vector<Click> clicks;
  // Without a handler nothing is looked up.
  edit->DoOnGutterClick(mbLeft, 1, 0);
  edit->OnGutterClick = [&](TObject*, TMouseButton, int, int, int line, TCodeEditMark* mark) {
    clicks.push_back({line, mark});
  };
  const int th = edit->TextHeight(), step = edit->BookMarkOptions()->Xoffset();
  edit->DoOnGutterClick(mbLeft, 1, 2 * th + 1);
  edit->DoOnGutterClick(mbLeft, step + 1, 2 * th + 1);
  edit->DoOnGutterClick(mbLeft, 2 * step + 1, 2 * th + 1);
  edit->DoOnGutterClick(mbLeft, 1, th + 1);
  ASSERT_EQ(clicks.size(), 4u);
  EXPECT_EQ(clicks[0].line, 3);
  EXPECT_EQ(clicks[0].mark, edit->BookMarks(1));
  EXPECT_EQ(clicks[1].mark, edit->BookMarks(2));
  EXPECT_EQ(clicks[2].mark, nullptr);
  EXPECT_EQ(clicks[3].line, 2);
  EXPECT_EQ(clicks[3].mark, nullptr);
  // Beyond the last line nothing happens.
  edit->DoOnGutterClick(mbLeft, 1, 10000 * th);
  EXPECT_EQ(clicks.size(), 4u);
}

TEST_F(EditorTest, KeysBecomeCommandsAndTheirCharactersAreDropped) {
  Fill(5);
  Focus();
  std::vector<TCodeEditorCommand> commands;
  edit->OnCommandProcessed = [&](TObject*, TCodeEditorCommand& c, char32_t&, void*) {
    if (c != 480 && c != 481) commands.push_back(c);  // not the focus notifications
  };
  // Ctrl+A selects all; the character the key also sends is dropped, not typed.
  Press('A', {ssCtrl}, U'\x01');
  EXPECT_EQ(commands, (std::vector<TCodeEditorCommand>{ecSelectAll}));
  EXPECT_FALSE(edit->StateFlags().Contains(sfIgnoreNextChar));
  Press(win::VK_DOWN);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{7, 5}));
  // A key with no keystroke waits, between codes 30 and 145, as the first key of a sequence.
  Press('Q', {ssCtrl});
  EXPECT_EQ(edit->PendingKey().Key, 'Q');
  Press(win::VK_ESCAPE);  // below 30: no first key
  EXPECT_EQ(edit->PendingKey().Key, 0);
  // A two-key keystroke runs its command on the second key.
  TCodeEditKeyStroke* stroke = edit->Keystrokes()->Add();
  stroke->SetCommand(ecEditorTop);
  stroke->SetKey('Q');
  stroke->SetShift({ssCtrl});
  stroke->SetKey2('B');
  stroke->SetShift2({ssCtrl});
  // (Ctrl is held through both: its own key-down is a key too, and clears a waiting first key.)
  input::KeyDown(win::VK_CONTROL);
  input::KeyDown('Q');
  input::KeyUp('Q');
  Pump();
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{7, 5}));
  input::KeyDown('B');
  input::KeyUp('B');
  input::KeyUp(win::VK_CONTROL);
  Pump();
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
  // A plain character becomes the typing command.
  commands.clear();
  Press('X', {}, U'x');
  EXPECT_EQ(commands, (std::vector<TCodeEditorCommand>{ecChar}));
  EXPECT_EQ(edit->Lines()->Strings(0), "xline 1");
  // An OnKeyDown handler runs first and may take the key.
  edit->OnKeyDown = [](TObject*, win::WORD& key, TShiftState) { key = 0; };
  Press(win::VK_DOWN);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{2, 1}));
}

TEST_F(EditorTest, CommandsPassTheirEventsAndHookedHandlers) {
  Fill(3);
  std::vector<std::string> seen;
  edit->OnProcessCommand = [&](TObject*, TCodeEditorCommand& c, char32_t&, void*) {
    seen.push_back("process " + std::to_string(c));
    if (c == ecDown) c = ecNone;  // cancelled
  };
  edit->OnProcessUserCommand = [&](TObject*, TCodeEditorCommand& c, char32_t&, void*) {
    seen.push_back("user " + std::to_string(c));
  };
  edit->OnCommandProcessed = [&](TObject*, TCodeEditorCommand& c, char32_t&, void*) {
    seen.push_back("processed " + std::to_string(c));
  };
  int data = 0;
  edit->RegisterCommandHandler(
      [&](TObject*, bool after, bool& handled, TCodeEditorCommand& c, char32_t&, void*, void* mine) {
        seen.push_back(std::string(after ? "after " : "before ") + std::to_string(c));
        EXPECT_EQ(mine, &data);
        if (c == ecLineEnd && !after) handled = true;
      },
      &data);
  edit->CommandProcessor(ecDown, 0, nullptr);
  edit->CommandProcessor(ecRight, 0, nullptr);
  edit->CommandProcessor(ecLineEnd, 0, nullptr);
  edit->CommandProcessor(1500, 0, nullptr);
  EXPECT_EQ(seen, (V{"process 4", "processed 0", "process 2", "before 2", "after 2", "processed 2", "process 8",
                     "before 8", "processed 0", "user 1500", "before 1500", "after 1500", "processed 1500"}));
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{2, 1}));
  edit->UnregisterCommandHandler(&data);
  seen.clear();
  edit->CommandProcessor(ecRight, 0, nullptr);
  EXPECT_EQ(seen, (V{"process 2", "processed 2"}));
}

TEST_F(EditorTest, ModifiedFollowsTheUndoListsCleanState) {
  std::vector<TCodeStatusChanges> fired;
  edit->OnStatusChange = [&](TObject*, TCodeStatusChanges c) { fired.push_back(c); };
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->UndoList()->AddChange(crInsert, {1, 1}, {2, 1}, U"", smNormal);
  EXPECT_TRUE(edit->Modified());
  EXPECT_EQ(changes, 1);
  edit->SetModified(false);
  EXPECT_FALSE(edit->Modified());
  EXPECT_TRUE(edit->UndoList()->IsTopMarkedAsUnmodified());
  // With group undo a group break separates the clean state from the next change.
  EXPECT_EQ(edit->UndoList()->LastChangeReason(), crGroupBreak);
  edit->UndoList()->AddChange(crInsert, {2, 1}, {3, 1}, U"", smNormal);
  EXPECT_TRUE(edit->Modified());
  ASSERT_FALSE(fired.empty());
  EXPECT_TRUE(fired.back().Contains(scModified));
  // Inside a block OnChange fires once, when the block closes; a new change empties the redo list.
  edit->RedoList()->AddChange(crInsert, {1, 1}, {2, 1}, U"", smNormal);
  changes = 0;
  edit->UndoList()->BeginBlock();
  edit->UndoList()->AddChange(crInsert, {3, 1}, {4, 1}, U"", smNormal);
  edit->UndoList()->AddChange(crInsert, {4, 1}, {5, 1}, U"", smNormal);
  edit->UndoList()->EndBlock();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(edit->RedoList()->ItemCount(), 0);
  // MaxUndo sets both lists' limit; a negative value is ignored.
  edit->SetMaxUndo(2);
  EXPECT_EQ(edit->UndoList()->ItemCount(), 2);
  EXPECT_EQ(edit->RedoList()->MaxUndoActions(), 2);
  edit->SetMaxUndo(-1);
  EXPECT_EQ(edit->MaxUndo(), 2);
}

// Each line one token.
struct TLineHighlighter : TCodeCustomHighlighter {
  explicit TLineHighlighter(TComponent* AOwner = nullptr) : TCodeCustomHighlighter(AOwner) {
    AddAttribute(attr = new TCodeHighlighterAttributes("Text"));
  }
  void SetLine(const std::u32string& S, int) override { line = S, eol = S.empty(); }
  bool GetEol() const override { return eol; }
  void Next() override { eol = true; }
  std::u32string GetToken() const override { return line; }
  int GetTokenKind() const override { return 0; }
  TCodeHighlighterAttributes* GetTokenAttribute() const override { return attr; }
  int GetTokenPos() const override { return 0; }
  TCodeHighlighterAttributes* attr;
  std::u32string line;
  bool eol = true;
};

TEST_F(EditorTest, ComponentsThatGoAwayAreForgotten) {
  auto* images = new TImageList(form);
  edit->BookMarkOptions()->SetBookmarkImages(images);
  struct Engine : TCodeEditSearchCustom {
    using TCodeEditSearchCustom::TCodeEditSearchCustom;
    std::string Pattern() const override { return {}; }
    void SetPattern(const std::string&) override {}
    int FindAll(const std::u32string&) override { return 0; }
    int ResultCount() const override { return 0; }
    int Results(int) const override { return 0; }
    int Lengths(int) const override { return 0; }
    std::u32string Replace(const std::u32string&, const std::u32string&) override { return {}; }
  };
  auto* engine = new Engine(form);
  edit->SetSearchEngine(engine);
  delete images;
  EXPECT_EQ(edit->BookMarkOptions()->BookmarkImages(), nullptr);
  delete engine;
  EXPECT_EQ(edit->SearchEngine(), nullptr);
  // Languages switch as programs do it: the old highlighter freed, then the new one set.
  Fill(3);
  edit->SetHighlighter(new TLineHighlighter(form));
  delete edit->Highlighter();
  EXPECT_EQ(edit->Highlighter(), nullptr);
  auto* next = new TLineHighlighter(form);
  edit->SetHighlighter(next);
  EXPECT_EQ(edit->Highlighter(), next);
  edit->Lines()->Add("line 4");
  delete next;
  EXPECT_EQ(edit->Highlighter(), nullptr);
}

TEST_F(EditorTest, LinesSharedWithAnotherEditorAreGivenBack) {
  Fill(4);
  auto* second = new TCodeEdit(form);
  second->SetParent(form);
  second->HandleNeeded();
  second->SetLinesPointer(edit);
  EXPECT_EQ(second->Text(), edit->Text());
  EXPECT_EQ(second->UndoList(), edit->UndoList());
  edit->Lines()->Add("line 5");
  EXPECT_EQ(second->LineList()->Count(), 5);
  // Each editor hears the shared list's changes: both reset their view when it is cleared.
  second->SetCaretXY({2, 3});
  edit->SetCaretXY({3, 4});
  edit->Lines()->Clear();
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(second->CaretXY(), (TBufferCoord{1, 1}));
  Fill(2);
  // Freeing the owner of the lines gives the other editor its own (empty) lines back.
  delete edit;
  edit = nullptr;
  EXPECT_EQ(second->ChainedEditor(), nullptr);
  EXPECT_EQ(second->Text(), "");
  second->Lines()->Add("own");
  EXPECT_EQ(second->Text(), "own");
  edit = second;
}

// Several editors share one editor's lines and give them back in any order: each that stays still
// hears every change, and none that left (or went) is told any more.
TEST_F(EditorTest, EditorsSharingOneTextLeaveInAnyOrder) {
  Fill(4);
  auto make = [&] {
    auto* e = new TCodeEdit(form);
    e->SetParent(form);
    e->HandleNeeded();
    return e;
  };
  TCodeEdit* second = make();
  TCodeEdit* third = make();
  TCodeEdit* fourth = make();
  second->SetLinesPointer(edit);
  third->SetLinesPointer(edit);
  // Sharing lines an editor itself shares means sharing them with their owner.
  fourth->SetLinesPointer(third);
  EXPECT_EQ(fourth->ChainedEditor(), edit);
  EXPECT_EQ(fourth->LineList(), edit->LineList());
  second->RemoveLinesPointer();
  delete second;  // the first to share leaves first
  third->SetCaretXY({3, 4});
  fourth->SetCaretXY({2, 2});
  edit->Lines()->Clear();
  EXPECT_EQ(third->CaretXY(), (TBufferCoord{1, 1}));
  EXPECT_EQ(fourth->CaretXY(), (TBufferCoord{1, 1}));
  Fill(3);
  third->RemoveLinesPointer();
  delete third;
  edit->Lines()->Add("line 4");  // tells the owner and the fourth, not the freed ones
  EXPECT_EQ(fourth->Text(), edit->Text());
  fourth->SetCaretXY({2, 4});
  delete fourth;  // freed while sharing
  edit->SetCaretXY({2, 4});
  edit->Lines()->Clear();
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
  // An editor asked to share its own lines keeps them.
  edit->SetLinesPointer(edit);
  EXPECT_EQ(edit->ChainedEditor(), nullptr);
}

TEST_F(EditorTest, AnEditorFreedOnItsOwnFiresNoEventOnItsWayOut) {
  Fill(5);
  // Freed by itself (not through its owner) while it shares another editor's lines and has a
  // highlighter: giving both back must not reach its handlers.
  auto* second = new TCodeEdit(form);
  second->SetParent(form);
  second->HandleNeeded();
  second->SetLinesPointer(edit);
  TLineHighlighter highlighter;
  second->SetHighlighter(&highlighter);
  second->SetCaretXY({3, 4});
  int fired = 0;
  second->OnStatusChange = [&](TObject*, TCodeStatusChanges) { ++fired; };
  second->OnChange = [&](TObject*) { ++fired; };
  second->OnPaint = [&](TObject*, TCanvas*) { ++fired; };
  delete second;
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(edit->LineList()->Count(), 5);
  edit->Lines()->Add("line 6");  // the lines no longer tell the freed editor
  EXPECT_EQ(edit->LineList()->Count(), 6);
}

// Loaded lines are one byte a character; an edit that brings wider characters gives the edited
// lines a wider block of their own, beside narrow ones and wider ones still in the loaded block.
TEST_F(EditorTest, LinesOfMixedWidthsAfterAnEditWidensANarrowLine) {
  TStringStream stream("abc\r\ndef\r\n\xF0\x9F\x98\x80x\r\nghi");
  edit->LineList()->LoadFromStream(&stream);
  edit->SetWordWrap(true);
  edit->SetCaretXY({2, 1});
  edit->SetSelText("\xE6\x97\xA5\r\nq\xC3\xA9");
  const std::string edited = "a\xE6\x97\xA5\r\nq\xC3\xA9" "bc\r\ndef\r\n\xF0\x9F\x98\x80x\r\nghi";
  ASSERT_EQ(edit->Text(), edited);
  EXPECT_EQ(edit->LineList()->LineView(0).width(), 2);
  EXPECT_EQ(edit->LineList()->LineView(1).width(), 1);
  EXPECT_EQ(edit->LineList()->LineView(3).width(), 4);
  EXPECT_EQ(edit->DisplayRowCount(), 5);
  edit->SetBlockBegin({1, 1});
  edit->SetBlockEnd({2, 4});
  EXPECT_EQ(edit->SelText(), "a\xE6\x97\xA5\r\nq\xC3\xA9" "bc\r\ndef\r\n\xF0\x9F\x98\x80");
  edit->SetSelectionMode(smColumn);
  edit->SetBlockBegin({2, 1});
  edit->SetBlockEnd({3, 4});
  EXPECT_EQ(edit->SelText(), "\xE6\x97\xA5\r\n\xC3\xA9\r\ne\r\nx");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "abc\r\ndef\r\n\xF0\x9F\x98\x80x\r\nghi");
  EXPECT_EQ(edit->LineList()->LineView(0).width(), 1);
  EXPECT_EQ(edit->DisplayRowCount(), 4);
  edit->Redo();
  EXPECT_EQ(edit->Text(), edited);
}

// Replacing the selection is undone to exactly the text before and redone again, wherever the text
// went in: at a caret away from a collapsed selection, beyond a line's end, in a line block.
TEST_F(EditorTest, ReplacedSelTextUndoesToTheTextBefore) {
  struct TCase {
    const char* name;
    std::vector<const char*> lines;
    TCodeSelectionMode mode;
    TBufferCoord caret, begin, end;
    const char* text;
    const char* replaced;
  };
  const TCase cases[] = {
      {"selection collapsed away from the caret", {"abc"}, smNormal, {1, 1}, {2, 1}, {2, 1}, "X\r\nq", "X\r\nqabc"},
      {"caret beyond the line's end", {"ab", "cd"}, smNormal, {5, 1}, {5, 1}, {5, 1}, "Z", "ab  Z\r\ncd"},
      {"caret beyond the end of no line", {}, smNormal, {3, 1}, {3, 1}, {3, 1}, "Z", "  Z"},
      {"lines at a caret beyond the end", {"ab"}, smNormal, {4, 1}, {4, 1}, {4, 1}, "1\r\n2", "ab 1\r\n2"},
      {"normal selection", {"abc", "def"}, smNormal, {2, 2}, {2, 1}, {2, 2}, "-", "a-ef"},
      {"selection made backwards", {"abc", "def"}, smNormal, {2, 1}, {2, 2}, {2, 1}, "-", "a-ef"},
      {"line block", {"a", "b", "c"}, smLine, {2, 2}, {1, 2}, {2, 2}, "X\r\n", "a\r\nX\r\nc"},
      {"line block at the end", {"a", "b"}, smLine, {2, 2}, {1, 2}, {2, 2}, "X", "a\r\nX"},
      {"line mode without a selection", {"abc"}, smLine, {3, 1}, {3, 1}, {3, 1}, "X\r\nq", "X\r\nqabc"},
      {"column block", {"abcd", "efgh"}, smColumn, {3, 2}, {2, 1}, {3, 2}, "1\r\n2", "a1cd\r\ne2gh"},
      {"column block beyond short lines", {"abcdef", "x", "yz"}, smColumn, {5, 1}, {5, 1}, {5, 1}, "1\r\n2\r\n3",
       "abcd1ef\r\nx   2\r\nyz  3"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TStringList lines;
    for (const char* line : c.lines) lines.Add(line);
    edit->Lines()->Assign(&lines);
    const std::string before = edit->Text();
    edit->SetSelectionMode(c.mode);
    edit->SetCaretXY(c.caret);
    edit->SetBlockBegin(c.begin);
    edit->SetBlockEnd(c.end);
    edit->SetSelText(c.text);
    EXPECT_EQ(edit->Text(), c.replaced);
    edit->Undo();
    EXPECT_EQ(edit->Text(), before);
    EXPECT_FALSE(edit->CanUndo());
    edit->Redo();
    EXPECT_EQ(edit->Text(), c.replaced);
    edit->Undo();
    EXPECT_EQ(edit->Text(), before);
  }
}

// A paste redone is undone again: the redone insertion is taken out, not put back in its own place.
TEST_F(EditorTest, APasteUndoneRedoneAndUndoneGivesTheTextBefore) {
  SetText({"one", "two"});
  edit->SetBlockBegin({1, 1});
  edit->SetBlockEnd({4, 1});
  edit->CopyToClipboard();
  edit->SetCaretXY({2, 2});
  edit->PasteFromClipboard();
  ASSERT_EQ(edit->Text(), "one\r\ntonewo");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "one\r\ntwo");
  edit->Redo();
  EXPECT_EQ(edit->Text(), "one\r\ntonewo");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "one\r\ntwo");
}

// One undo or redo step takes a block, or with group undo a run of changes of one kind; indentation
// steps stand alone even then.
TEST_F(EditorTest, UndoAndRedoStepsFollowGroupUndo) {
  for (bool grouped : {true, false}) {
    SCOPED_TRACE(grouped);
    edit->SetOptions(grouped ? edit->Options() + eoGroupUndo : edit->Options() - eoGroupUndo);
    SetText({"x"});
    edit->SetCaretXY({2, 1});
    for (const char* c : {"a", "b", "c"}) edit->SetSelText(c);
    ASSERT_EQ(edit->Text(), "xabc");
    const int steps = grouped ? 1 : 3;
    edit->Undo();
    EXPECT_EQ(edit->Text(), grouped ? "x" : "xab");
    for (int i = 1; i < steps; ++i) edit->Undo();
    EXPECT_EQ(edit->Text(), "x");
    edit->Redo();
    EXPECT_EQ(edit->Text(), grouped ? "xabc" : "xa");
    for (int i = 1; i < steps; ++i) edit->Redo();
    EXPECT_EQ(edit->Text(), "xabc");

    // Two indentation steps recorded one after the other: each is undone and redone on its own.
    SetText({"a", "b"});
    edit->UndoList()->Clear();
    edit->UndoList()->AddChange(crIndent, {1, 1}, {2, 2}, U"", smNormal);
    edit->UndoList()->AddChange(crIndent, {2, 1}, {3, 2}, U"", smNormal);
    edit->Undo();
    EXPECT_EQ(edit->UndoList()->ItemCount(), 1);
    EXPECT_EQ(edit->RedoList()->ItemCount(), 1);
    edit->Undo();
    edit->Redo();
    EXPECT_EQ(edit->UndoList()->ItemCount(), 1);
    EXPECT_EQ(edit->RedoList()->ItemCount(), 1);
  }
}

// Undo and redo let the caret past line ends while they replay; an editor without that option has it
// off again after each, and a column block padded over short lines still comes and goes whole.
TEST_F(EditorTest, UndoAndRedoWithoutScrollPastEolLeaveTheOptionOff) {
  edit->SetOptions(edit->Options() - eoScrollPastEol);
  const TCodeEditorOptions options = edit->Options();
  SetText({"abcdef", "x", "yz"});
  edit->SetSelectionMode(smColumn);
  edit->SetCaretXY({5, 1});
  edit->SetSelText("1\r\n2\r\n3");
  ASSERT_EQ(edit->Text(), "abcd1ef\r\nx   2\r\nyz  3");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    edit->Undo();
    EXPECT_EQ(edit->Text(), "abcdef\r\nx\r\nyz");
    EXPECT_EQ(edit->Options(), options);
    edit->Redo();
    EXPECT_EQ(edit->Text(), "abcd1ef\r\nx   2\r\nyz  3");
    EXPECT_EQ(edit->Options(), options);
  }
}

TEST_F(EditorTest, TheEndOfADragStopsTheDragScrollTimer) {
  Fill(50);
  Focus();
  edit->ScrollTimer()->SetEnabled(true);
  int ended = 0;
  edit->OnEndDrag = [&](TObject*, TObject*, int, int) { ++ended; };
  edit->BeginDrag(true);
  ASSERT_TRUE(edit->Dragging());
  edit->EndDrag(false);
  EXPECT_FALSE(edit->ScrollTimer()->Enabled());
  EXPECT_EQ(ended, 1);  // the framework's handling follows
}

TEST_F(EditorTest, AFormWritesOnlyWhatDiffersAndReadsItBack) {
  // At its defaults an editor writes none of its own settings.
  std::string text = WriteFormText(form);
  EXPECT_EQ(text.find("Keystrokes"), std::string::npos) << text;
  EXPECT_EQ(text.find("Options"), std::string::npos) << text;
  EXPECT_EQ(text.find("RightEdge"), std::string::npos) << text;

  edit->SetReadOnly(true);
  edit->SetRightEdge(8888);
  edit->SetOptions(edit->Options() + eoShowSpecialChars - eoSmartTabs);
  edit->Gutter()->SetVisible(false);
  edit->SetTabWidth(4);
  edit->SetWordWrap(true);
  edit->SetScrollHintFormat(shfTopToBottom);
  edit->Lines()->Add("placeholder");
  edit->Keystrokes()->Delete(edit->Keystrokes()->FindKeycode('A', {ssCtrl}));
  edit->Keystrokes()->AddKey(ecSelectAll, 'A', {ssAlt});
  text = WriteFormText(form);
  EXPECT_NE(text.find("AddedKeystrokes"), std::string::npos) << text;
  EXPECT_NE(text.find("RemovedKeystrokes"), std::string::npos) << text;

  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* copy = dynamic_cast<TCodeEdit*>(root->FindComponent("Edit1"));
  ASSERT_TRUE(copy) << text;
  EXPECT_TRUE(copy->ReadOnly());
  EXPECT_EQ(copy->RightEdge(), 8888);
  EXPECT_EQ(copy->Options(), edit->Options());
  EXPECT_FALSE(copy->Gutter()->Visible());
  EXPECT_EQ(copy->TabWidth(), 4);
  EXPECT_TRUE(copy->WordWrap());
  EXPECT_EQ(copy->ScrollHintFormat(), shfTopToBottom);
  EXPECT_EQ(copy->Text(), "placeholder");
  EXPECT_EQ(copy->Keystrokes()->Count(), edit->Keystrokes()->Count());
  EXPECT_EQ(copy->Keystrokes()->FindKeycode('A', {ssCtrl}), -1);
  const int alt_a = copy->Keystrokes()->FindKeycode('A', {ssAlt});
  ASSERT_GE(alt_a, 0);
  EXPECT_EQ(copy->Keystrokes()->Items(alt_a)->Command(), ecSelectAll);
}

}  // namespace
}  // namespace lab::edittest
