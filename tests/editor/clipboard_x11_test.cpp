// The editor and the system clipboard under X11, against xclip on an X server of the test's own: text
// copied in the editor is what another program reads, byte for byte but for its line breaks (LF, as
// X11 programs write them), also 300 KB of device traffic;
// text another program offers pastes into the editor, and so does a column block between two editors.

#include <string>
#include <vector>

#include "editor/codeedit.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/forms.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

class EditorX11Clipboard : public XclipFormTest {
 protected:
  void FillForm() override {
    edit = new TCodeEdit(form);
    edit->SetParent(form);
    edit->SetAlign(alClient);
  }

  TCodeEdit* edit = nullptr;
};

TEST_F(EditorX11Clipboard, CopiedTextIsReadByAnotherProgramByteForByte) {
  const std::string line1 = "09:00:01 Tracer1 caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";
  const std::string line2 = "09:00:02 Edger2 ACK \xE2\x80\xA2";
  edit->SetText(line1 + "\r\n" + line2);
  edit->SetReadOnly(true);
  edit->CommandProcessor(ecSelectAll, 0, nullptr);
  edit->CommandProcessor(ecCopy, 0, nullptr);
  EXPECT_EQ(Xclip({"-o"}), line1 + "\n" + line2);

  // A few thousand lines of device traffic: more than one request carries.
  std::string large, read_there;
  for (int i = 0; large.size() < 300 * 1024; ++i) {
    const std::string line = "09:" + std::to_string(10 + i % 50) + ":00.250  Edger2  JOB=" +
                             std::to_string(24000 + i) + ";STATUS=0;R=2412;2398;2385;2377;2366 \xE2\x80\xA2";
    large += line + "\r\n";
    read_there += line + "\n";
  }
  large += "last line";
  read_there += "last line";
  edit->SetText(large);
  edit->SelectAll();
  edit->CopyToClipboard();
  const std::string read = Xclip({"-o"});
  EXPECT_EQ(read.size(), read_there.size());
  EXPECT_TRUE(read == read_there);
}

TEST_F(EditorX11Clipboard, TextAnotherProgramOffersPastesIntoTheEditor) {
  Xclip({"-i"}, "from xclip: caf\xC3\xA9\nsecond line", true);
  edit->SetText("<>");
  edit->SetCaretXY({2, 1});
  ASSERT_TRUE(edit->CanPaste());
  edit->CommandProcessor(ecPaste, 0, nullptr);
  EXPECT_EQ(edit->Text(), "<from xclip: caf\xC3\xA9\r\nsecond line>");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "<>");
}

TEST_F(EditorX11Clipboard, AColumnBlockGoesThroughTheSystemClipboardAsAColumnBlock) {
  edit->SetText("abcdef\r\nghijkl\r\nmnopqr");
  edit->SetSelectionMode(smColumn);
  edit->SetBlockBegin({2, 1});
  edit->SetBlockEnd({4, 3});
  edit->CopyToClipboard();
  // Other programs get the text; the block format travels under its own name.
  EXPECT_EQ(Xclip({"-o"}), "bc\nhi\nno");
  EXPECT_EQ(Xclip({"-o", "-t", "CodeEdit Control Block Type"}), std::string("\2bc\r\nhi\r\nno", 11) + '\0');
  auto* other = new TCodeEdit(form);
  other->SetParent(form);
  other->SetText("1234\r\n56\r\n7");
  other->SetCaretXY({3, 1});
  other->PasteFromClipboard();
  EXPECT_EQ(other->Text(), "12bc34\r\n56hi\r\n7 no");
}

// Another program's block data comes through the system clipboard unchecked: a column block pastes as
// one even without its terminator, a mode byte beyond the three known ones reads as the normal mode
// and a NUL ends the text early; an empty block pastes nothing.
TEST_F(EditorX11Clipboard, BlockDataFromAnotherProgramIsCheckedAsItPastes) {
  const std::string block_name = "CodeEdit Control Block Type";
  edit->SetText("1234\r\n56\r\n7");
  edit->SetCaretXY({3, 1});
  Xclip({"-i", "-quiet", "-t", block_name}, std::string("\2ab\r\ncd\r\nef", 11), true);
  ASSERT_TRUE(edit->CanPaste());
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "12ab34\r\n56cd\r\n7 ef");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "1234\r\n56\r\n7");

  edit->SetText("<>");
  edit->SetCaretXY({2, 1});
  Xclip({"-i", "-quiet", "-t", block_name}, std::string("\7one\r\ntwo\0rest", 13), true);
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "<one\r\ntwo>");

  // An empty block and no text: nothing to paste, and nothing raised.
  Xclip({"-i", "-quiet", "-t", block_name}, "", true);
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "<one\r\ntwo>");
}

// A program that holds the clipboard and never answers: the paste gives up after the answer time,
// pastes nothing and raises nothing, and the editor goes on.
TEST_F(EditorX11Clipboard, APasteFromAProgramThatNeverAnswersPastesNothing) {
  edit->SetText("keep");
  edit->SetCaretXY({5, 1});
  const Window silent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(d, XInternAtom(d, "CLIPBOARD", False), silent, CurrentTime);
  XSync(d, False);
  EXPECT_NO_THROW(edit->CommandProcessor(ecPaste, 0, nullptr));
  EXPECT_EQ(edit->Text(), "keep");
  EXPECT_FALSE(edit->UndoList()->CanUndo());
  // Its own copy takes the clipboard back.
  edit->SelectAll();
  edit->CopyToClipboard();
  EXPECT_EQ(Xclip({"-o"}), "keep");
}

}  // namespace
}  // namespace lab::testing
