// Caret, selection and scrolling: caret moves and the selection replaced in its three modes against
// a model of the text, the caret kept in view, moves by characters, rows, words and line ends, block
// indentation and bracket matching.

#include <algorithm>
#include <random>

#include "editor_fixture.h"
#include "platform/rtl/utf8.h"

namespace lab::edittest {
namespace {

using Text = std::vector<std::u32string>;

Text Lines(TCodeEdit* edit) {
  Text out;
  for (int i = 0; i < edit->LineList()->Count(); ++i) out.push_back(edit->LineList()->GetLine(i));
  return out;
}

std::vector<std::u32string> Pieces(const std::u32string& Text) {
  std::vector<std::u32string> out(1);
  for (char32_t c : Text) {
    if (c == U'\n')
      out.emplace_back();
    else
      out.back().push_back(c);
  }
  return out;
}

class CaretTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    edit->Gutter()->SetVisible(false);
  }
  void ExpectCaretInView(int step) {
    const TDisplayCoord d = edit->DisplayXY();
    ASSERT_GE(d.Row, edit->TopLine()) << "step " << step;
    ASSERT_LT(d.Row, edit->TopLine() + edit->LinesInWindow()) << "step " << step;
    ASSERT_GE(d.Column, edit->LeftChar()) << "step " << step;
    ASSERT_LE(d.Column, edit->LeftChar() + edit->CharsInWindow()) << "step " << step;
  }
};

// The model's text after a selection from B to E (normalised, within the text) is replaced by T.
void ReplaceInModel(Text& model, TCodeSelectionMode mode, bool selected, TBufferCoord b, TBufferCoord e, int left,
                    int right, const std::u32string& t, TBufferCoord& caret) {
  auto line = [&](int n) -> std::u32string& { return model[static_cast<std::size_t>(n - 1)]; };
  // Deleting.
  if (selected) switch (mode) {
    case smNormal: {
      std::u32string joined = line(b.Line).substr(0, std::min<std::size_t>(line(b.Line).size(), b.Char - 1));
      if (static_cast<std::size_t>(e.Char - 1) < line(e.Line).size()) joined += line(e.Line).substr(e.Char - 1);
      model.erase(model.begin() + b.Line, model.begin() + e.Line);
      line(b.Line) = joined;
      caret = b;
      break;
    }
    case smLine:
      if (e.Line == static_cast<int>(model.size())) {
        model.erase(model.begin() + b.Line - 1, model.begin() + e.Line - 1);
        line(b.Line).clear();
      } else {
        model.erase(model.begin() + b.Line - 1, model.begin() + e.Line);
      }
      caret = {1, b.Line};
      break;
    case smColumn:
      for (int n = b.Line; n <= e.Line; ++n) {
        std::u32string& s = line(n);
        if (static_cast<std::size_t>(left - 1) < s.size()) s.erase(left - 1, std::min<std::size_t>(right - left, s.size() - (left - 1)));
      }
      caret = {left, b.Line};
      break;
  }
  if (t.empty()) return;
  // Inserting at the caret, in the same mode.
  const std::vector<std::u32string> pieces = Pieces(t);
  const int x = caret.Char, y = caret.Line;
  switch (mode) {
    case smNormal: {
      std::u32string left_side = line(y).substr(0, std::min<std::size_t>(line(y).size(), x - 1));
      left_side.resize(static_cast<std::size_t>(x - 1), U' ');
      const std::u32string right_side = static_cast<std::size_t>(x - 1) < line(y).size() ? line(y).substr(x - 1) : U"";
      if (pieces.size() == 1) {
        line(y) = left_side + pieces[0] + right_side;
        caret = {static_cast<int>(left_side.size() + pieces[0].size()) + 1, y};
      } else {
        line(y) = left_side + pieces[0];
        for (std::size_t i = 1; i < pieces.size(); ++i)
          model.insert(model.begin() + y - 1 + static_cast<int>(i), pieces[i] + (i + 1 == pieces.size() ? right_side : U""));
        caret = {static_cast<int>(pieces.back().size()) + 1, y + static_cast<int>(pieces.size()) - 1};
      }
      break;
    }
    case smLine: {
      int at = y;
      for (std::size_t i = 0; i + 1 < pieces.size(); ++i) model.insert(model.begin() + (at++ - 1), pieces[i]);
      if (at > static_cast<int>(model.size()))
        model.push_back(pieces.back());
      else
        line(at) = pieces.back() + line(at);
      caret = {static_cast<int>(pieces.back().size()) + 1, at};
      break;
    }
    case smColumn: {
      int at = y;
      for (const std::u32string& piece : pieces) {
        if (at > static_cast<int>(model.size())) {
          model.push_back(std::u32string(static_cast<std::size_t>(x - 1), U' ') + piece);
        } else {
          std::u32string& s = line(at);
          if (static_cast<int>(s.size()) < x - 1) s.resize(static_cast<std::size_t>(x - 1), U' ');
          s.insert(static_cast<std::size_t>(x - 1), piece);
        }
        ++at;
      }
      caret = {x + static_cast<int>(pieces.back().size()), at - 1};
      break;
    }
  }
}

TEST_F(CaretTest, ReplacingTheSelectionMatchesAModelInEveryMode) {
  std::mt19937 rng(41);
  auto pick = [&](int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto word = [&] {
    std::u32string s;
    const int n = pick(12);
    for (int i = 0; i < n; ++i) s.push_back(pick(5) == 0 ? U' ' : static_cast<char32_t>(U'a' + pick(26)));
    return s;
  };
  Text model;
  for (int i = 0; i < 30; ++i) model.push_back(word() + word());
  {
    TStringList source;
    for (const std::u32string& s : model) source.Add(Utf8Encode(s));
    edit->Lines()->Assign(&source);
  }
  for (int step = 0; step < 600; ++step) {
    const auto mode = static_cast<TCodeSelectionMode>(pick(3));
    edit->SetSelectionMode(mode);
    const int count = static_cast<int>(model.size());
    TBufferCoord a{1 + pick(30), 1 + pick(count)}, z{1 + pick(30), 1 + pick(count)};
    if (mode == smNormal) {
      a.Char = std::min<int>(a.Char, static_cast<int>(model[a.Line - 1].size()) + 1);
      z.Char = std::min<int>(z.Char, static_cast<int>(model[z.Line - 1].size()) + 1);
    }
    edit->SetCaretXY(z);
    edit->SetBlockBegin(a);
    edit->SetBlockEnd(z);
    ASSERT_EQ(edit->BlockBegin(), a) << "step " << step;
    // A few caret moves by characters and rows, extending the selection or not: the selection's ends
    // start from the stored BlockBegin, are clamped to the text (in normal mode to the line's end) and
    // the caret may stand beyond a line's end.
    for (int moves = pick(4); moves > 0; --moves) {
      TBufferCoord caret = edit->CaretXY(), b = edit->BlockBegin(), e = edit->BlockEnd();
      auto clamped = [&](TBufferCoord p) {
        p.Char = std::max(p.Char, 1);
        p.Line = std::clamp(p.Line, 1, count);
        if (mode == smNormal) p.Char = std::min(p.Char, static_cast<int>(model[p.Line - 1].size()) + 1);
        return p;
      };
      const bool sel = !(b == e) && (mode != smColumn || b.Char != e.Char);
      const bool rows = pick(2) == 0, extend = pick(2) == 0;
      const int d = pick(7) - 3;
      const TBufferCoord to = rows ? TBufferCoord{caret.Char, std::clamp(caret.Line + d, 1, count)}
                                   : TBufferCoord{std::max(1, caret.Char + d), caret.Line};
      if (rows)
        edit->MoveCaretVertically(d, extend);
      else
        edit->MoveCaretHorizontally(d, extend);
      if (extend) {
        if (!sel) b = e = clamped(b);
        e = clamped(to);
      } else {
        b = e = clamped(to);
      }
      ASSERT_EQ(edit->CaretXY(), to) << "step " << step << (rows ? " rows " : " chars ") << d;
      ASSERT_EQ(edit->BlockBegin(), b) << "step " << step;
      ASSERT_EQ(edit->BlockEnd(), e) << "step " << step;
      ExpectCaretInView(step);
    }
    a = edit->BlockBegin();
    z = edit->BlockEnd();
    std::u32string text;
    const int breaks = pick(4) == 0 ? pick(3) : 0;
    for (int i = 0; i <= breaks; ++i) text += (i ? U"\n" : U"") + word();
    const bool selected = edit->SelAvail();
    TBufferCoord b = edit->NormalizedBlockBegin(), e = edit->NormalizedBlockEnd();
    const int left = std::min(a.Char, z.Char), right = std::max(a.Char, z.Char);
    TBufferCoord caret = edit->CaretXY();
    ReplaceInModel(model, mode, selected, b, e, left, right, text, caret);
    edit->ReplaceSelectionEx(mode, text, false);
    ASSERT_EQ(Lines(edit), model) << "step " << step << " mode " << int(mode) << " a " << a.Char << "," << a.Line << " z " << z.Char << "," << z.Line << " text " << Utf8Encode(text) << " sel " << selected;
    ASSERT_EQ(edit->CaretXY(), caret) << "step " << step << " mode " << mode;
    ASSERT_FALSE(edit->SelAvail());
    ExpectCaretInView(step);
    if (model.size() > 60) {
      model.resize(30);
      edit->LineList()->DeleteLines(30, edit->LineList()->Count());
      edit->SetCaretXY({1, 1});
    }
  }
}

// A column block spans display columns: over tabs (width 4) the same character index is another
// column on another line, inside the block or not.
TEST_F(CaretTest, APointIsInAColumnBlockByItsDisplayColumn) {
  edit->SetTabWidth(4);
  SetText({"a\tb", "abcdef"});
  edit->SetSelectionMode(smColumn);
  const struct {
    TBufferCoord begin, end, point;
    bool inside;
  } cases[] = {
      {{2, 1}, {4, 2}, {3, 1}, false},  // columns 2 to 3; "b" of the first line stands in column 5
      {{2, 1}, {4, 2}, {2, 2}, true},
      {{2, 1}, {4, 2}, {2, 1}, true},   // the tab starts in column 2
      {{3, 1}, {7, 2}, {4, 2}, false},  // columns 5 to 6; "d" stands in column 4
      {{3, 1}, {7, 2}, {5, 2}, true},
      {{3, 1}, {7, 2}, {7, 2}, false},  // the right column is not in the block
  };
  for (const auto& c : cases) {
    edit->SetBlockBegin(c.begin);
    edit->SetBlockEnd(c.end);
    EXPECT_EQ(edit->IsPointInSelection(c.point), c.inside) << c.point.Char << "," << c.point.Line;
  }
}

TEST_F(CaretTest, TheCaretIsClampedAndFollowsTheOptions) {
  SetText({"one", "two", "three"});
  edit->SetCaretXY({5, 100});
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{5, 3}));  // beyond the end with eoScrollPastEol
  edit->SetCaretXY({2000, 1});
  EXPECT_EQ(edit->CaretX(), edit->MaxScrollWidth() + 1);
  // Removing eoScrollPastEol pulls the caret back to the end of its line.
  edit->SetCaretXY({9, 2});
  edit->SetOptions(edit->Options() - eoScrollPastEol);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{4, 2}));
  // Left at column 1 goes to the end of the line above; right at the end to the next line.
  edit->SetCaretXY({1, 3});
  edit->CommandProcessor(ecLeft, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{4, 2}));
  edit->CommandProcessor(ecRight, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 3}));
  edit->SetOptions(edit->Options() + eoScrollPastEol);
  edit->CommandProcessor(ecLeft, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 3}));  // with it on the caret stays
  edit->SetCaretXY({1, 1});
  edit->CommandProcessor(ecLeft, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
  // An empty editor behaves as one empty line.
  TCodeEdit empty(nullptr);
  empty.SetCaretXY({7, 3});
  EXPECT_EQ(empty.CaretXY(), (TBufferCoord{7, 1}));
}

TEST_F(CaretTest, VerticalMovesKeepTheColumnOnlyWithKeepCaretX) {
  SetText({"a long first line", "ab", "another long line"});
  edit->SetOptions(edit->Options() - eoScrollPastEol);
  edit->SetCaretXY({10, 1});
  edit->CommandProcessor(ecDown, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{3, 2}));
  edit->CommandProcessor(ecDown, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{3, 3}));  // the column came from the short line
  edit->SetOptions(edit->Options() + eoKeepCaretX);
  edit->SetCaretXY({10, 1});
  edit->CommandProcessor(ecDown, 0, nullptr);
  edit->CommandProcessor(ecDown, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{10, 3}));
  // Selecting twins extend from the anchor.
  edit->CommandProcessor(ecSelUp, 0, nullptr);
  EXPECT_EQ(edit->BlockBegin(), (TBufferCoord{10, 3}));
  EXPECT_TRUE(edit->SelAvail());
  edit->CommandProcessor(ecDown, 0, nullptr);
  EXPECT_FALSE(edit->SelAvail());
}

TEST_F(CaretTest, HomeAndEndToggle) {
  SetText({"    abc", "xyz   "});
  edit->SetOptions(edit->Options() + eoEnhanceHomeKey);
  edit->SetCaretXY({6, 1});
  edit->CommandProcessor(ecLineStart, 0, nullptr);
  EXPECT_EQ(edit->CaretX(), 5);
  edit->CommandProcessor(ecLineStart, 0, nullptr);
  EXPECT_EQ(edit->CaretX(), 1);
  edit->CommandProcessor(ecLineStart, 0, nullptr);
  EXPECT_EQ(edit->CaretX(), 5);
  edit->SetCaretXY({1, 2});
  edit->CommandProcessor(ecLineEnd, 0, nullptr);
  EXPECT_EQ(edit->CaretX(), 4);
  edit->CommandProcessor(ecLineEnd, 0, nullptr);
  EXPECT_EQ(edit->CaretX(), 7);
}

TEST_F(CaretTest, WordsAndWordSelection) {
  SetText({"alpha beta_1, gamma", "  delta", "", "caf\u00E9 \u65E5\u672C\u8A9E x"});
  EXPECT_EQ(edit->NextWordPosEx({1, 1}), (TBufferCoord{7, 1}));
  EXPECT_EQ(edit->NextWordPosEx({7, 1}), (TBufferCoord{15, 1}));
  EXPECT_EQ(edit->NextWordPosEx({19, 1}), (TBufferCoord{3, 2}));  // the last character: the next line's word
  EXPECT_EQ(edit->PrevWordPosEx({15, 1}), (TBufferCoord{7, 1}));
  EXPECT_EQ(edit->PrevWordPosEx({1, 2}), (TBufferCoord{20, 1}));
  EXPECT_EQ(edit->WordStartEx({9, 1}), (TBufferCoord{7, 1}));
  EXPECT_EQ(edit->WordEndEx({9, 1}), (TBufferCoord{13, 1}));
  EXPECT_EQ(edit->NextWordPosEx({1, 9}), (TBufferCoord{1, 9}));  // outside the lines: unchanged
  edit->SelectWordAt({9, 1});
  EXPECT_EQ(edit->SelText(), "beta_1");
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{13, 1}));
  edit->SelectWordAt({2, 4});
  EXPECT_EQ(edit->SelText(), "caf\xC3\xA9");
  edit->SelectWordAt({7, 4});  // ideographs make a word of their own kind
  EXPECT_EQ(edit->SelText(), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
  edit->SetCaretXY({1, 1});
  edit->SelectWordAt({30, 2});  // beyond the line: the caret goes to its end, no word is selected
  EXPECT_FALSE(edit->SelAvail());
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{8, 2}));
}

TEST_F(CaretTest, BracketsMatchAcrossLinesAndNesting) {
  SetText({"f(a, (b))", "{ x[", "  (y) ] }", "<no partner"});
  EXPECT_EQ(edit->GetMatchingBracketEx({2, 1}), (TBufferCoord{9, 1}));
  EXPECT_EQ(edit->GetMatchingBracketEx({6, 1}), (TBufferCoord{8, 1}));
  EXPECT_EQ(edit->GetMatchingBracketEx({9, 1}), (TBufferCoord{2, 1}));
  EXPECT_EQ(edit->GetMatchingBracketEx({1, 2}), (TBufferCoord{9, 3}));
  EXPECT_EQ(edit->GetMatchingBracketEx({9, 3}), (TBufferCoord{1, 2}));
  EXPECT_EQ(edit->GetMatchingBracketEx({4, 2}), (TBufferCoord{7, 3}));
  EXPECT_EQ(edit->GetMatchingBracketEx({1, 1}), (TBufferCoord{0, 0}));   // a letter
  EXPECT_EQ(edit->GetMatchingBracketEx({20, 1}), (TBufferCoord{0, 0}));  // beyond the line
  EXPECT_EQ(edit->GetMatchingBracketEx({1, 4}), (TBufferCoord{0, 0}));   // no partner
  // Without a partner the caret stays where it is.
  edit->SetCaretXY({1, 4});
  edit->FindMatchingBracket();
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 4}));
  edit->SetCaretXY({1, 2});
  edit->CommandProcessor(ecMatchBracket, 0, nullptr);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{9, 3}));
}

// Strings in quotes and comments between /* and */ (over lines, through the range); every other
// character a token of its own. It checks that each line it is given comes with its own 0-based number.
class TQuoteHighlighter : public TCodeCustomHighlighter {
 public:
  explicit TQuoteHighlighter(TComponent* AOwner) : TCodeCustomHighlighter(AOwner) {
    str = new TCodeHighlighterAttributes("String");
    comment = new TCodeHighlighterAttributes("Comment");
    AddAttribute(str);
    AddAttribute(comment);
  }
  void SetLine(const std::u32string& NewValue, int LineNumber) override {
    if (lines && (LineNumber < 0 || LineNumber >= lines->Count() || lines->GetLine(LineNumber) != NewValue))
      ++wrong_numbers;
    line_ = NewValue;
    end_ = 0;
    Next();
  }
  TCodeEditRange GetRange() const override { return in_comment_ ? 1 : 0; }
  void SetRange(TCodeEditRange Value) override { in_comment_ = Value == 1; }
  void ResetRange() override { in_comment_ = false; }
  bool GetEol() const override { return start_ >= line_.size(); }
  void Next() override {
    start_ = end_;
    if (start_ >= line_.size()) return;
    attr_ = nullptr;
    if (in_comment_ || line_.compare(start_, 2, U"/*") == 0) {
      attr_ = comment;
      const std::size_t close = line_.find(U"*/", in_comment_ ? start_ : start_ + 2);
      in_comment_ = close == std::u32string::npos;
      end_ = in_comment_ ? line_.size() : close + 2;
    } else if (line_[start_] == U'"') {
      attr_ = str;
      const std::size_t close = line_.find(U'"', start_ + 1);
      end_ = close == std::u32string::npos ? line_.size() : close + 1;
    } else {
      end_ = start_ + 1;
    }
  }
  std::u32string GetToken() const override { return line_.substr(start_, end_ - start_); }
  int GetTokenKind() const override { return attr_ == str ? 1 : attr_ == comment ? 2 : 0; }
  TCodeHighlighterAttributes* GetTokenAttribute() const override { return attr_; }
  int GetTokenPos() const override { return static_cast<int>(start_); }

  TCodeHighlighterAttributes* str;
  TCodeHighlighterAttributes* comment;
  TCodeEditStringList* lines = nullptr;
  int wrong_numbers = 0;

 private:
  std::u32string line_;
  std::size_t start_ = 0, end_ = 0;
  bool in_comment_ = false;
  TCodeHighlighterAttributes* attr_ = nullptr;
};

TEST_F(CaretTest, BracketsInStringsAndCommentsDoNotCount) {
  auto* h = new TQuoteHighlighter(form);
  h->lines = edit->LineList();
  edit->SetHighlighter(h);
  SetText({"f(\")\", a /* ) */ b", "/* ( over", "lines ) */ c)", "x[\"]\"]"});
  EXPECT_EQ(edit->GetMatchingBracketEx({2, 1}), (TBufferCoord{13, 3}));
  EXPECT_EQ(edit->GetMatchingBracketEx({13, 3}), (TBufferCoord{2, 1}));
  EXPECT_EQ(edit->GetMatchingBracketEx({2, 4}), (TBufferCoord{6, 4}));
  EXPECT_EQ(edit->GetMatchingBracketEx({6, 4}), (TBufferCoord{2, 4}));
  EXPECT_EQ(h->wrong_numbers, 0);
  // Without the highlighter every bracket counts.
  edit->SetHighlighter(nullptr);
  EXPECT_EQ(edit->GetMatchingBracketEx({2, 1}), (TBufferCoord{4, 1}));
}

TEST_F(CaretTest, IndentThenUnindentRestoresTextAndSelection) {
  for (bool spaces : {true, false}) {
    edit->SetOptions(spaces ? edit->Options() + eoTabsToSpaces : edit->Options() - eoTabsToSpaces);
    edit->SetTabWidth(4);
    SetText({"first", "  second", "\tthird", "fourth"});
    const Text before = Lines(edit);
    edit->SetBlockBegin({3, 1});
    edit->SetBlockEnd({4, 3});
    edit->SetCaretXY({4, 3});
    edit->SetBlockBegin({3, 1});
    edit->SetBlockEnd({4, 3});
    edit->CommandProcessor(ecBlockIndent, 0, nullptr);
    const std::u32string unit = spaces ? U"    " : U"\t";
    EXPECT_EQ(Lines(edit), (Text{unit + U"first", unit + U"  second", unit + U"\tthird", U"fourth"}));
    const int n = static_cast<int>(unit.size());
    EXPECT_EQ(edit->BlockBegin(), (TBufferCoord{3 + n, 1}));
    EXPECT_EQ(edit->BlockEnd(), (TBufferCoord{4 + n, 3}));
    EXPECT_EQ(edit->UndoList()->LastChangeReason(), crIndent);
    edit->CommandProcessor(ecBlockUnindent, 0, nullptr);
    EXPECT_EQ(Lines(edit), before);
    EXPECT_EQ(edit->BlockBegin(), (TBufferCoord{3, 1}));
    EXPECT_EQ(edit->BlockEnd(), (TBufferCoord{4, 3}));
    EXPECT_EQ(edit->UndoList()->LastChangeReason(), crUnindent);
  }
}

TEST_F(CaretTest, ScrollingClampsAndFollowsTheCaret) {
  Fill(10);
  edit->SetTopLine(1000);
  EXPECT_EQ(edit->TopLine(), 1);  // the text fits the window
  Fill(1000);
  edit->SetTopLine(100000);
  EXPECT_EQ(edit->TopLine(), 1000 - edit->LinesInWindow() + 1);
  edit->SetOptions(edit->Options() + eoScrollPastEof);
  edit->SetTopLine(100000);
  EXPECT_EQ(edit->TopLine(), 1000);
  edit->SetCaretXY({1, 500});
  EXPECT_EQ(edit->TopLine(), 500);
  edit->SetCaretXY({1, 400});
  EXPECT_EQ(edit->TopLine(), 400);
  edit->SetCaretXY({1, 420});
  edit->GotoBookmark(0);  // none: nothing happens
  EXPECT_EQ(edit->TopLine(), 420 - edit->LinesInWindow() + 1);
  edit->SetCaretXY({1, 415});
  edit->ScrollCaretIntoViewEx(true);  // well inside the window: nothing moves
  EXPECT_EQ(edit->TopLine(), 420 - edit->LinesInWindow() + 1);
  // Forced to the middle, the caret's row goes to the middle of the window.
  edit->SetCaretXY({1, 700});
  edit->ScrollCaretIntoViewEx(true);
  const int lines = edit->LinesInWindow();
  EXPECT_EQ(edit->TopLine(), 700 - (lines - 1) + lines / 2);
  // LeftChar follows the caret's column and is held within the scroll width.
  edit->SetCaretXY({edit->CharsInWindow() + 30, 1});
  EXPECT_EQ(edit->LeftChar(), 31);
  edit->SetLeftChar(100000);
  EXPECT_EQ(edit->LeftChar(), edit->MaxScrollWidth() - edit->CharsInWindow() + 1);
  EXPECT_EQ(edit->TextOffset(), edit->GutterWidth() + 2 - (edit->LeftChar() - 1) * edit->CharWidth());
  // Page down with half pages, one less: 9 rows of 20.
  edit->SetOptions(edit->Options() + eoHalfPageScroll + eoScrollByOneLess);
  edit->SetCaretXY({1, 100});
  const int rows = edit->LinesInWindow() / 2 - 1;
  edit->CommandProcessor(ecPageDown, 0, nullptr);
  EXPECT_EQ(edit->CaretY(), 100 + rows);
}

}  // namespace
}  // namespace lab::edittest
