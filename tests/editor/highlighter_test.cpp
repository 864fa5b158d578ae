#include "editor/highlighter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "editor/settings_store.h"
#include "tests/platform/temp_folder.h"

namespace lab {
namespace {

// A highlighter of words and blanks, enough to drive the base.
class TWordHighlighter : public TCodeCustomHighlighter {
 public:
  explicit TWordHighlighter(TComponent* AOwner = nullptr) : TCodeCustomHighlighter(AOwner) {
    word = new TCodeHighlighterAttributes("Word");
    space = new TCodeHighlighterAttributes("Space");
    AddAttribute(word);
    AddAttribute(space);
  }
  void SetLine(const std::u32string& NewValue, int) override {
    line_ = NewValue;
    start_ = end_ = 0;
    Next();
  }
  bool GetEol() const override { return start_ >= line_.size(); }
  void Next() override {
    start_ = end_;
    if (start_ >= line_.size()) return;
    const bool blank = line_[start_] == U' ';
    end_ = start_;
    while (end_ < line_.size() && (line_[end_] == U' ') == blank) ++end_;
  }
  std::u32string GetToken() const override { return line_.substr(start_, end_ - start_); }
  int GetTokenKind() const override { return line_[start_] == U' ' ? 1 : 0; }
  TCodeHighlighterAttributes* GetTokenAttribute() const override { return GetTokenKind() ? space : word; }
  int GetTokenPos() const override { return static_cast<int>(start_); }

  TCodeHighlighterAttributes* word;
  TCodeHighlighterAttributes* space;

 private:
  std::u32string line_;
  std::size_t start_ = 0, end_ = 0;
};

struct Editor {
  int repaints = 0;
  void AttrChanged(TObject*) { ++repaints; }
};

TEST(CodeCustomHighlighter, BaseAnswers) {
  TWordHighlighter h;
  EXPECT_EQ(h.LanguageName(), "<Unknown>");
  EXPECT_EQ(h.Capabilities().Value(), 2u);
  EXPECT_TRUE(h.Enabled());
  EXPECT_EQ(h.GetRange(), 0);
  EXPECT_EQ(h.AttrCount(), 2);
  EXPECT_EQ(h.Attribute(0)->Name(), "Space");  // by name
  EXPECT_EQ(h.Attribute(1)->Name(), "Word");
  EXPECT_EQ(h.Attribute(2), nullptr);
  EXPECT_EQ(h.Attribute(-1), nullptr);
  const TCodeCharSet ident = h.IdentChars();
  EXPECT_FALSE(ident.Contains(U' '));
  EXPECT_TRUE(ident.Contains(U'!'));
  EXPECT_TRUE(ident.Contains(U'\u00FF'));
  const TCodeCharSet breaks = h.WordBreakChars();
  for (char32_t c : std::u32string_view(U"!\"'()*+,-./:;=?[\\]^{|}")) EXPECT_TRUE(breaks.Contains(c));
  EXPECT_FALSE(breaks.Contains(U'_'));
  EXPECT_FALSE(breaks.Contains(U'a'));

  std::vector<std::u32string> tokens;
  h.SetLine(U"ab  cd", 1);
  while (!h.GetEol()) {
    tokens.push_back(h.GetToken());
    h.Next();
  }
  EXPECT_EQ(tokens, (std::vector<std::u32string>{U"ab", U"  ", U"cd"}));
  h.SetLine(U"one two", 2);
  h.NextToEol();
  EXPECT_TRUE(h.GetEol());
}

TEST(CodeCustomHighlighter, ChangesReachTheHookedEditors) {
  TWordHighlighter h;
  Editor e1, e2;
  h.HookAttrChangeEvent({&e1, &Editor::AttrChanged});
  h.HookAttrChangeEvent({&e2, &Editor::AttrChanged});
  h.word->SetForeground(clRed);
  EXPECT_EQ(e1.repaints, 1);
  EXPECT_EQ(e2.repaints, 1);
  h.BeginUpdate();
  h.word->SetStyle({fsBold});
  h.space->SetBackground(clYellow);
  h.SetEnabled(false);
  EXPECT_EQ(e1.repaints, 1);
  h.EndUpdate();  // the changes inside count as one
  EXPECT_EQ(e1.repaints, 2);
  h.UnhookAttrChangeEvent({&e2, &Editor::AttrChanged});
  h.word->SetForeground(clBlue);
  EXPECT_EQ(e1.repaints, 3);
  EXPECT_EQ(e2.repaints, 2);
  h.word->SetForeground(clBlue);  // no change
  EXPECT_EQ(e1.repaints, 3);

  TWordHighlighter other;
  other.word->SetForeground(clGreen);
  other.SetDefaultFilter("Logs (*.log)|*.log");
  h.Assign(&other);
  EXPECT_EQ(e1.repaints, 4);  // once
  EXPECT_EQ(h.word->Foreground(), clGreen);
  EXPECT_EQ(h.DefaultFilter(), "Logs (*.log)|*.log");
  EXPECT_TRUE(h.Enabled());
}

TEST(CodeCustomHighlighter, SettingsRoundTrip) {
  testing::TempFolder folder;
  const std::string file = folder.File("colors.ini");
  TWordHighlighter h;
  h.word->SetForeground(clNavy);
  h.word->SetStyle({fsBold, fsUnderline, fsStrikeOut});
  h.space->SetBackground(static_cast<TColor>(0x123456));
  h.space->SetStyle({fsItalic});
  EXPECT_FALSE(h.LoadFromRegistry(file, "Software\\Lab\\Words"));  // nothing saved yet
  ASSERT_TRUE(h.SaveToRegistry(file, "Software\\Lab\\Words"));

  TWordHighlighter loaded;
  Editor e;
  loaded.HookAttrChangeEvent({&e, &Editor::AttrChanged});
  ASSERT_TRUE(loaded.LoadFromRegistry(file, "software\\lab\\words"));
  EXPECT_EQ(loaded.word->Foreground(), clNavy);
  EXPECT_EQ(loaded.word->Style(), (TFontStyles{fsBold, fsUnderline, fsStrikeOut}));
  EXPECT_EQ(loaded.space->Background(), 0x123456);
  EXPECT_EQ(loaded.space->Style(), TFontStyles{fsItalic});
  EXPECT_EQ(e.repaints, 1);
  EXPECT_FALSE(loaded.LoadFromRegistry(file, "Software\\Lab\\Other"));

  // A missing value is skipped; other keys of the file are kept when saving.
  TCodeSettingsStore store(file);
  ASSERT_TRUE(store.Load());
  store.WriteInteger("Elsewhere", "Kept", 5);
  store.Save();
  {
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::size_t at = text.find("Style=2");
    ASSERT_NE(at, std::string::npos);
    text.erase(at, 7);
    std::ofstream(file, std::ios::trunc) << text;
  }
  TWordHighlighter partial;
  partial.space->SetStyle({fsBold});
  ASSERT_TRUE(partial.LoadFromRegistry(file, "Software\\Lab\\Words"));
  EXPECT_EQ(partial.space->Style(), TFontStyles{fsBold});
  EXPECT_EQ(partial.space->Background(), 0x123456);
  ASSERT_TRUE(partial.SaveToRegistry(file, "Software\\Lab\\Words"));
  TCodeSettingsStore again(file);
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.ReadInteger("Elsewhere", "Kept", 0), 5);

  // A file that cannot be written answers false and leaves nothing half-written.
  EXPECT_FALSE(h.SaveToRegistry(folder.File("no/such/folder/colors.ini"), "Key"));
}

TEST(CodeSettingsStore, AStoredFileReadsAndSavesAsItWasWritten) {
  testing::TempFolder folder;
  const std::string file = folder.File("colors.ini");
  const std::string stored =
      "[Software\\Lab\\Words]\r\n\r\n"
      "[Software\\Lab\\Words\\Space]\r\nBackground=1193046\r\nForeground=-1\r\nStyle=2\r\n\r\n";
  std::ofstream(file, std::ios::binary) << stored << "; a note\n[Loose]\n  Width = 12 \nHeight=x\n";
  TCodeSettingsStore store(file);
  EXPECT_TRUE(store.KeyExists("software\\lab"));
  EXPECT_EQ(store.ReadInteger("Software\\Lab\\Words\\Space", "background", 0), 0x123456);
  EXPECT_EQ(store.ReadInteger("Loose", "Width", 0), 12);
  EXPECT_EQ(store.ReadInteger("Loose", "Height", 7), 7);  // no integer
  store.CreateKey("Software\\Lab\\Words");           // there already: the file keeps its place
  store.CreateKey("Software\\Lab\\Lines");
  store.Save();
  std::ifstream in(file, std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(saved, stored + "[Loose]\r\nWidth=12\r\nHeight=x\r\n\r\n[Software\\Lab\\Lines]\r\n\r\n");
  EXPECT_THROW(store.CreateKey("Two\nLines"), EConvertError);
}

TEST(CodeSettingsStore, NamesThatWouldBreakTheFileAreRefused) {
  TCodeSettingsStore store("/nonexistent/never-written.ini");
  EXPECT_FALSE(store.Load());
  EXPECT_THROW(store.WriteInteger("Key]\r\n[Other", "Value", 1), EConvertError);
  EXPECT_THROW(store.WriteInteger("Key", "A=B", 1), EConvertError);
  EXPECT_THROW(store.WriteInteger("Key", "Line\nBreak", 1), EConvertError);
  EXPECT_FALSE(store.KeyExists("Key"));
  store.WriteInteger("A\\B\\C", "V", -7);
  EXPECT_TRUE(store.KeyExists("A\\B"));
  EXPECT_TRUE(store.KeyExists("a\\b\\c"));
  EXPECT_FALSE(store.KeyExists("A\\B\\"));
  EXPECT_FALSE(store.KeyExists("A\\Bx"));
  EXPECT_EQ(store.ReadInteger("A\\B\\C", "v", 0), -7);
}

}  // namespace
}  // namespace lab
