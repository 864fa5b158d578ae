// The word-wrap plug-in: rows of lines of every kind, rows that follow inserted, deleted and changed
// lines exactly as a full re-wrap lays them out, and positions converted both ways.

#include <random>

#include "editor/edit_exceptions.h"
#include "editor_fixture.h"

namespace lab::edittest {
namespace {

class WordWrapTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    edit->SetScrollBars(ssNone);
    edit->Gutter()->SetVisible(false);
  }
  // Makes the text area exactly Columns cells wide.
  void SetColumns(int Columns) {
    const int frame = edit->Width() - edit->ClientWidth();
    edit->SetWidth(Columns * edit->CharWidth() + 2 + frame + edit->CharWidth() / 2);
    ASSERT_EQ(edit->CharsInWindow(), Columns);
  }
  TCodeWordWrapPlugin& Plugin() { return *static_cast<TCodeWordWrapPlugin*>(edit->WordWrapPlugin()); }
  // The row lengths of every line.
  std::vector<std::vector<int>> Rows() {
    std::vector<std::vector<int>> rows;
    TCodeWordWrapPlugin& p = Plugin();
    int row = 1;
    for (int line = 0; line < p.LineCount(); ++line) {
      rows.emplace_back();
      for (; row <= p.LineOffset(line); ++row) rows.back().push_back(p.GetRowLength(row));
    }
    return rows;
  }
};

TEST_F(WordWrapTest, LinesSplitIntoRows) {
  SetColumns(40);
  edit->SetWordWrap(true);
  SetText({"", std::string(100, 'x').c_str(), "alpha beta   gamma delta epsilon zeta eta theta iota"});
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<int>{0}));           // an empty line takes one row
  EXPECT_EQ(rows[1], (std::vector<int>{40, 40, 20}));  // no blanks: cut at the edge
  // Blanks at a break stay at the end of the upper row; a word is not cut when a break precedes it.
  ASSERT_EQ(rows[2].size(), 2u);
  EXPECT_EQ(rows[2][0], 38);  // "alpha beta   gamma delta epsilon zeta " ends after the blank
  EXPECT_EQ(edit->DisplayRowCount(), 6);
  EXPECT_EQ(Plugin().MaxRowLength(), 40);
  EXPECT_EQ(Plugin().MinRowLength(), 27);
  EXPECT_THROW(Plugin().GetRowLength(7), EListError);
  EXPECT_THROW(Plugin().GetRowLength(0), EListError);
  try {
    TCodeWordWrapPlugin orphan(nullptr);
    ADD_FAILURE() << "a plug-in without an editor was made";
  } catch (const ECodeEditError& e) {
    EXPECT_EQ(e.Message(), "TCodeWordWrapPlugin must be owned by TCustomCodeEdit");
  }
  // A window wider than 255 cells still wraps at 255.
  SetColumns(300);
  SetText({std::string(600, 'y').c_str()});
  EXPECT_EQ(Rows()[0], (std::vector<int>{255, 255, 90}));
}

// A highlighter brings its own identifier characters: rows break after the others, also when it is
// set while word wrap is on.
TEST_F(WordWrapTest, AHighlighterSetUnderWordWrapBreaksRowsByItsCharacters) {
  struct TLetters : TCodeCustomHighlighter {  // identifiers are letters only
    TLetters() : TCodeCustomHighlighter(nullptr) {}
    TCodeCharSet IdentChars() const override { return TCodeCharSet::Range(U'a', U'z'); }
    void SetLine(const std::u32string&, int) override {}
    bool GetEol() const override { return true; }
    void Next() override {}
    std::u32string GetToken() const override { return {}; }
    int GetTokenKind() const override { return 0; }
    TCodeHighlighterAttributes* GetTokenAttribute() const override { return nullptr; }
    int GetTokenPos() const override { return 0; }
  } letters;
  SetColumns(20);
  edit->SetWordWrap(true);
  SetText({"aaaaaaaaaaaaaaa.bbbbbbbbbbbbb"});
  EXPECT_EQ(Rows()[0], (std::vector<int>{20, 9}));  // '.' makes up identifiers without a highlighter
  edit->SetHighlighter(&letters);
  EXPECT_EQ(Rows()[0], (std::vector<int>{16, 13}));  // the row ends after the '.'
  edit->SetHighlighter(nullptr);
  EXPECT_EQ(Rows()[0], (std::vector<int>{20, 9}));
}

TEST_F(WordWrapTest, TabsWrapByTheirCells) {
  SetColumns(10);
  edit->SetTabWidth(4);
  edit->SetWordWrap(true);
  SetText({"ab\tcdefghijklmn"});  // expanded: a b, two tab cells, then 12 letters
  EXPECT_EQ(Rows()[0], (std::vector<int>{10, 6}));
  // Display positions count cells; text positions count characters.
  EXPECT_EQ(edit->BufferToDisplayPos({4, 1}), (TDisplayCoord{5, 1}));  // c after the tab
  EXPECT_EQ(edit->BufferToDisplayPos({10, 1}), (TDisplayCoord{1, 2}));
  EXPECT_EQ(edit->DisplayToBufferPos({1, 2}), (TBufferCoord{10, 1}));
}

// Rows at their limits, in 40 columns (rows of 27 to 40 cells): a break at the shortest row's length
// or before it is not taken, and a row of tab cells is cut at the last tab stop within 255 cells, or
// at 255 where the tab is wider than that, so every row advances.
TEST_F(WordWrapTest, RowsMeetTheirLimits) {
  struct Case {
    int tab_width;
    std::string text;
    std::vector<int> rows;
  };
  const Case cases[] = {
      {8, std::string(28, 'a') + " " + std::string(40, 'b'), {29, 40}},  // a break after 28 cells
      {8, std::string(27, 'a') + " " + std::string(40, 'b'), {40, 28}},  // after 27: too short
      {200, "\t\t", {200, 200}},
      {256, "\t", {255, 1}},
      {300, "\t\tx", {255, 255, 90, 1}},
  };
  SetColumns(40);
  edit->SetWordWrap(true);
  for (const Case& c : cases) {
    edit->SetTabWidth(c.tab_width);
    SetText({c.text.c_str()});
    EXPECT_EQ(Rows()[0], c.rows) << c.tab_width << " " << c.text.size();
  }
}

// Lines with tabs are wrapped from their characters in place: their rows are those the rule cuts
// from the line expanded whole, for narrow and wide tabs, in narrow windows and at the 255 limit.
TEST_F(WordWrapTest, RowsOfLinesWithTabsAreThoseOfTheirExpandedText) {
  auto expanded_rows = [](const std::u32string& Text, int Max, int Min, int TabWidth, const TCodeCharSet& Breaks) {
    auto blank = [](char32_t c) { return c == U' ' || c == U'\t'; };
    const auto length = static_cast<std::int64_t>(Text.size());
    std::vector<int> rows;
    for (std::int64_t start = 0; start < length || rows.empty();) {
      std::int64_t end = std::min(start + Max, length);
      if (end < length && !blank(Text[end])) {
        for (std::int64_t p = end - 1; p > start + Min; --p)
          if (Breaks.Contains(Text[p])) {
            end = p + 1;
            break;
          }
      } else {
        while (end < length && blank(Text[end])) ++end;
      }
      if (end - start > 255) {
        const std::int64_t floor = start + 255 - 255 % TabWidth;
        end = start + 255;
        while (floor > start && end > floor && Text[end - 1] == U'\t' && end < length && Text[end] == U'\t') --end;
      }
      rows.push_back(static_cast<int>(end - start));
      start = end;
    }
    return rows;
  };
  std::mt19937 rng(31);
  TCodeEditStringList* lines = edit->LineList();
  for (const int columns : {9, 40, 300}) {
    SetColumns(columns);
    edit->SetWordWrap(true);
    for (const int tab_width : {2, 7, 200, 300}) {
      edit->SetTabWidth(tab_width);
      TStringList source;
      for (int i = 0; i < 12; ++i) {
        std::string s;
        const int n = static_cast<int>(rng() % 700);
        for (int k = 0; k < n; ++k) {
          const unsigned r = rng() % 12;
          s += r == 0 ? '\t' : r == 1 ? ' ' : r == 2 ? '.' : static_cast<char>('a' + rng() % 26);
        }
        source.Add(s);
      }
      edit->Lines()->Assign(&source);
      const auto rows = Rows();
      for (int i = 0; i < lines->Count(); ++i)
        ASSERT_EQ(rows[static_cast<std::size_t>(i)],
                  expanded_rows(lines->ExpandedStrings(i), Plugin().MaxRowLength(), Plugin().MinRowLength(), tab_width,
                                Plugin().BreakChars()))
            << columns << " " << tab_width << " " << i;
    }
    edit->SetWordWrap(false);
  }
}

TEST_F(WordWrapTest, RowsFollowEveryChangeAsAFullWrapWouldLayThemOut) {
  SetColumns(17);
  edit->SetWordWrap(true);
  std::mt19937 rng(23);
  auto text = [&] {
    std::string s;
    const int n = static_cast<int>(rng() % 70);
    for (int i = 0; i < n; ++i) {
      const unsigned r = rng() % 10;
      s += r < 2 ? ' ' : r == 2 ? '\t' : r == 3 ? '.' : static_cast<char>('a' + rng() % 26);
    }
    return s;
  };
  TCodeEditStringList* lines = edit->LineList();
  for (int i = 0; i < 20; ++i) lines->Add(text());
  for (int step = 0; step < 400; ++step) {
    const int count = lines->Count();
    switch (rng() % 5) {
      case 0:
        lines->Insert(static_cast<int>(rng() % (count + 1)), text());
        break;
      case 1:
        if (count > 0) lines->Delete(static_cast<int>(rng() % count));
        break;
      case 2:
        if (count > 0) lines->SetStrings(static_cast<int>(rng() % count), text());
        break;
      case 3:
        lines->InsertLines(static_cast<int>(rng() % (count + 1)), 1 + static_cast<int>(rng() % 3));
        break;
      default:
        if (count > 0) lines->DeleteLines(static_cast<int>(rng() % count), 1 + static_cast<int>(rng() % 4));
        break;
    }
    const auto rows = Rows();
    ASSERT_EQ(static_cast<int>(rows.size()), lines->Count()) << "step " << step;
    Plugin().Reset();
    ASSERT_EQ(Rows(), rows) << "step " << step;
  }
}

TEST_F(WordWrapTest, PositionsConvertBothWaysOnEveryPosition) {
  std::mt19937 rng(5);
  for (int columns : {7, 13, 30}) {
    SetColumns(columns);
    edit->SetWordWrap(false);
    edit->SetWordWrap(true);
    TStringList source;
    for (int i = 0; i < 25; ++i) {
      std::string s;
      const int n = static_cast<int>(rng() % 90);
      for (int k = 0; k < n; ++k) s += rng() % 5 == 0 ? ' ' : rng() % 17 == 0 ? '\t' : static_cast<char>('a' + rng() % 26);
      source.Add(s);
    }
    edit->Lines()->Assign(&source);
    for (int line = 1; line <= edit->LineList()->Count(); ++line) {
      const int length = static_cast<int>(edit->LineList()->GetLine(line - 1).size());
      int previous_row = 0;
      for (int c = 1; c <= length + 1; ++c) {
        const TDisplayCoord d = edit->BufferToDisplayPos({c, line});
        ASSERT_EQ(edit->DisplayToBufferPos(d), (TBufferCoord{c, line})) << columns << " " << line << ":" << c;
        ASSERT_GE(d.Row, previous_row);
        previous_row = d.Row;
      }
    }
    for (int row = 1; row <= edit->DisplayRowCount(); ++row) {
      const int length = Plugin().GetRowLength(row);
      const bool last = edit->RowToLine(row) != edit->RowToLine(row + 1);
      for (int col = 1; col <= length + (last ? 1 : 0); ++col) {
        const TBufferCoord b = edit->DisplayToBufferPos({col, row});
        const TDisplayCoord d = edit->BufferToDisplayPos(b);
        // A column inside a tab's cells maps to the character after the tab.
        if (d != (TDisplayCoord{col, row})) {
          ASSERT_EQ(edit->LineList()->GetLine(b.Line - 1)[static_cast<std::size_t>(b.Char - 2)], U'\t');
          continue;
        }
      }
    }
    // Beyond the text rows and lines continue one for one.
    const int rows = edit->DisplayRowCount(), lines = edit->LineList()->Count();
    EXPECT_EQ(edit->DisplayToBufferPos({4, rows + 2}), (TBufferCoord{4, lines + 2}));
    EXPECT_EQ(edit->BufferToDisplayPos({4, lines + 2}), (TDisplayCoord{4, rows + 2}));
    // Above the text (line or row 0) nothing is looked up: the position comes back as it is.
    EXPECT_EQ(Plugin().BufferToDisplayPos({4, 0}), (TDisplayCoord{4, 0}));
    EXPECT_EQ(Plugin().DisplayToBufferPos({4, 0}), (TBufferCoord{4, 0}));
  }
}

TEST_F(WordWrapTest, TurningWrapOnKeepsTheTopLineAndAResizeRewraps) {
  SetColumns(20);
  TStringList source;
  for (int i = 0; i < 100; ++i) source.Add(std::string(45, static_cast<char>('a' + i % 26)));
  edit->Lines()->Assign(&source);
  edit->SetTopLine(30);
  edit->SetWordWrap(true);
  EXPECT_EQ(edit->RowToLine(edit->TopLine()), 30);
  EXPECT_EQ(edit->LeftChar(), 1);
  EXPECT_EQ(Rows()[0], (std::vector<int>{20, 20, 5}));
  SetColumns(15);
  EXPECT_EQ(Rows()[0], (std::vector<int>{15, 15, 15}));
  edit->SetWordWrap(false);
  EXPECT_EQ(edit->WordWrapPlugin(), nullptr);
  EXPECT_EQ(edit->DisplayRowCount(), 100);
}

}  // namespace
}  // namespace lab::edittest

namespace lab::edittest {
namespace {

TEST_F(WordWrapTest, TheCaretStopsAtTheEndOfAWrappedRowBeforeTheNextOne) {
  SetColumns(10);
  edit->SetWordWrap(true);
  SetText({"abcdefghijklmnopqrstuvwxy"});  // rows of 10, 10 and 5
  edit->SetCaretXY({10, 1});
  edit->CommandProcessor(ecRight, 0, nullptr);
  // Character 11 starts the second row: the caret is first shown after the first row's end.
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{11, 1}));
  EXPECT_TRUE(edit->WrapCaretPending());
  EXPECT_EQ(edit->DisplayXY(), (TDisplayCoord{11, 1}));
  edit->CommandProcessor(ecRight, 0, nullptr);  // then at the start of the next row, same character
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{11, 1}));
  EXPECT_FALSE(edit->WrapCaretPending());
  EXPECT_EQ(edit->DisplayXY(), (TDisplayCoord{1, 2}));
  edit->CommandProcessor(ecLeft, 0, nullptr);  // and back
  EXPECT_TRUE(edit->WrapCaretPending());
  EXPECT_EQ(edit->DisplayXY(), (TDisplayCoord{11, 1}));
  // End on a row that is not the line's last stops at that row's end.
  edit->SetCaretXY({3, 1});
  edit->CommandProcessor(ecLineEnd, 0, nullptr);
  EXPECT_EQ(edit->DisplayXY(), (TDisplayCoord{11, 1}));
  // Down keeps the display column; a click past a row's end stays on that row.
  edit->SetCaretXY({3, 1});
  edit->CommandProcessor(ecDown, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{13, 1}));
  edit->SetCaretAtDisplayPos({14, 1});
  EXPECT_TRUE(edit->WrapCaretPending());
  EXPECT_EQ(edit->DisplayXY().Row, 1);
  // On the last row a click past the end goes past the line's end (the caret may stand there).
  edit->SetCaretAtDisplayPos({9, 3});
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{29, 1}));
  EXPECT_FALSE(edit->WrapCaretPending());
}

}  // namespace
}  // namespace lab::edittest
