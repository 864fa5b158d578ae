// The system clipboard under X11, against xclip on an X server of the test's own: what the program
// puts on the clipboard another program reads byte for byte (UTF-8, Latin-1, a registered format,
// 300 KB in steps) but for text's line breaks, which are LF outside the program and CR LF inside,
// what another program puts there the program reads, and a program that never answers is given up on.

#include <string>
#include <vector>

#include "controls_fixture.h"
#include "platform/controls/clipboard.h"
#include "platform/rtl/strutils.h"
#include "x11_fixture.h"

namespace lab::testing {
namespace {

using win::CF_TEXT;
using win::CF_UNICODETEXT;

// 300 KB of device traffic: numbered lines with a few characters past ASCII.
std::string LargeText() {
  std::string text;
  for (int i = 0; text.size() < 300 * 1024; ++i)
    text += std::to_string(i) + " RX 41 42 43 \xc2\xb5s \xe2\x86\x92 OK\r\n";
  return text;
}

const std::string kUtf8 = "Gr\xc3\xbc\xc3\x9f" "e, \xe4\xb8\x96\xe7\x95\x8c \xe2\x9c\x93\r\nline two\t\xf0\x9f\x98\x80";

// Text as other programs see it: LF line breaks.
std::string WithLf(const std::string& text) { return StringReplace(text, "\r\n", "\n", {rfReplaceAll}); }

class ClipboardX11Test : public XclipTest {
 protected:
  // Puts text on the clipboard. The back-end's own question comes after its taking the clipboard on
  // its connection, so the server has done that when the answer comes.
  void Ours(const std::string& text) {
    Clipboard()->SetAsText(text);
    EXPECT_FALSE(Backend().ClipboardHeldElsewhere());
  }
};

TEST_F(ClipboardX11Test, TextPutOnTheClipboardIsReadByAnotherProgramByteForByte) {
  Ours(kUtf8);
  EXPECT_EQ(Xclip({"-o"}), WithLf(kUtf8));
  EXPECT_EQ(Xclip({"-o", "-t", "text/plain;charset=utf-8"}), WithLf(kUtf8));
  const std::string large = WithLf(LargeText());
  Ours(LargeText());
  const std::string read = Xclip({"-o"});
  EXPECT_EQ(read.size(), large.size());
  EXPECT_TRUE(read == large);

  // STRING is Latin-1: what it cannot hold becomes '?'.
  Ours("caf\xc3\xa9 \xe2\x82\xac");
  EXPECT_EQ(Xclip({"-o", "-t", "STRING"}), "caf\xe9 ?");
}

TEST_F(ClipboardX11Test, ARegisteredFormatIsServedUnderItsOwnNameBesideTheText) {
  const win::UINT block = win::RegisterClipboardFormat("Lab Test Block");
  const std::string bytes("\x02line one\0\xff", 11);
  TClipboard* clipboard = Clipboard();
  clipboard->Open();
  clipboard->SetAsText("line one");
  clipboard->SetAsBuffer(block, bytes);
  clipboard->Close();
  EXPECT_FALSE(Backend().ClipboardHeldElsewhere());
  const std::string targets = Xclip({"-o", "-t", "TARGETS"});
  for (const char* name : {"TARGETS", "UTF8_STRING", "text/plain;charset=utf-8", "STRING", "Lab Test Block"})
    EXPECT_NE(targets.find(name), std::string::npos) << name << " in " << targets;
  EXPECT_EQ(Xclip({"-o", "-t", "Lab Test Block"}), bytes);
  EXPECT_EQ(Xclip({"-o"}), "line one");
  // The program's own reads stay in the program.
  EXPECT_EQ(clipboard->GetAsBuffer(block), bytes);
  EXPECT_EQ(clipboard->FormatCount(), 3);
}

TEST_F(ClipboardX11Test, TextAnotherProgramPutOnTheClipboardIsReadHere) {
  Ours("ours first");
  Xclip({"-i", "-quiet"}, kUtf8, true);
  TClipboard* clipboard = Clipboard();
  EXPECT_TRUE(clipboard->HasFormat(CF_TEXT));
  EXPECT_TRUE(clipboard->HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(clipboard->FormatCount(), 2);
  EXPECT_EQ(clipboard->AsText(), kUtf8);

  const std::string large = LargeText();
  Xclip({"-i", "-quiet"}, large, true);
  const std::string read = clipboard->AsText();
  EXPECT_EQ(read.size(), large.size());
  EXPECT_TRUE(read == large);

  // Text offered only as STRING is Latin-1.
  Xclip({"-i", "-quiet", "-t", "STRING"}, "caf\xe9", true);
  EXPECT_EQ(clipboard->AsText(), "caf\xc3\xa9");

  // A registered format by its name, and no text beside it.
  const win::UINT block = win::RegisterClipboardFormat("Lab Test Block");
  const std::string bytes("\x01" "col\0umn", 8);
  Xclip({"-i", "-quiet", "-t", "Lab Test Block"}, bytes, true);
  EXPECT_TRUE(clipboard->HasFormat(block));
  EXPECT_FALSE(clipboard->HasFormat(CF_TEXT));
  EXPECT_EQ(clipboard->GetAsBuffer(block), bytes);

  // Taken back: the program's own content again, served to others.
  Ours("mine again");
  EXPECT_EQ(clipboard->AsText(), "mine again");
  EXPECT_EQ(Xclip({"-o"}), "mine again");
}

// Rows copied as text (tab-separated, CR LF line ends) go out with LF, as a spreadsheet pastes them,
// and come back from it unchanged; a lone CR is left as it is both ways, a lone LF comes in as CR LF.
TEST_F(ClipboardX11Test, TextLineBreaksAreLfOutsideAndCrLfInside) {
  struct Case {
    std::string ours, theirs, back;
  };
  const Case cases[] = {
      {"1\tn1\r\n2\tn2\r\n", "1\tn1\n2\tn2\n", "1\tn1\r\n2\tn2\r\n"},
      {"a\r\r\nb\rc\nd", "a\r\nb\rc\nd", "a\r\nb\rc\r\nd"},
      {"\r\n\r\n", "\n\n", "\r\n\r\n"},
  };
  TClipboard* clipboard = Clipboard();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.theirs);
    Ours(c.ours);
    EXPECT_EQ(Xclip({"-o"}), c.theirs);
    EXPECT_EQ(Xclip({"-o", "-t", "STRING"}), c.theirs);
    EXPECT_EQ(clipboard->AsText(), c.ours);  // the program's own read stays in the program
    Xclip({"-i", "-quiet"}, c.theirs, true);
    EXPECT_EQ(clipboard->AsText(), c.back);
  }
}

// A program that holds the clipboard and never answers: the read gives up after its time and finds
// nothing, and the program goes on.
TEST_F(ClipboardX11Test, AProgramThatNeverAnswersIsGivenUpOn) {
  const Window silent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(d, XInternAtom(d, "CLIPBOARD", False), silent, CurrentTime);
  XSync(d, False);
  EXPECT_EQ(Clipboard()->AsText(), "");
  Ours("after the silence");
  EXPECT_EQ(Xclip({"-o"}), "after the silence");
}

}  // namespace
}  // namespace lab::testing
