// The clipboard: several formats in one content, registered names, text standing for both text
// formats, and one holder at a time.

#include <thread>

#include "controls_fixture.h"
#include "platform/controls/clipboard.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class ClipboardTest : public ControlsTest {};

TEST_F(ClipboardTest, TwoFormatsSetBetweenOpenAndCloseFormOneContent) {
  const UINT block = RegisterClipboardFormat("CodeEdit Control Block Type");
  EXPECT_GE(block, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("CodeEdit Control Block Type"), block);
  EXPECT_NE(RegisterClipboardFormat("Another"), block);
  EXPECT_EQ(GetClipboardFormatName(block), "CodeEdit Control Block Type");

  TClipboard* clipboard = Clipboard();
  clipboard->Open();
  clipboard->SetAsText("line one\r\nline two");
  clipboard->SetAsBuffer(block, std::string("\x02" "line one", 9));
  clipboard->Close();
  EXPECT_TRUE(clipboard->HasFormat(CF_TEXT));
  EXPECT_TRUE(clipboard->HasFormat(CF_UNICODETEXT));
  EXPECT_TRUE(clipboard->HasFormat(block));
  EXPECT_EQ(clipboard->AsText(), "line one\r\nline two");
  EXPECT_EQ(clipboard->GetAsBuffer(block), std::string("\x02" "line one", 9));

  // A format set on its own replaces the whole content.
  clipboard->SetAsText("alone");
  EXPECT_FALSE(clipboard->HasFormat(block));
  EXPECT_EQ(clipboard->AsText(), "alone");
  clipboard->Clear();
  EXPECT_FALSE(clipboard->HasFormat(CF_TEXT));
  EXPECT_EQ(clipboard->AsText(), "");
}

TEST_F(ClipboardTest, OnlyOneThreadHoldsTheClipboardOpen) {
  TClipboard* clipboard = Clipboard();
  clipboard->Open();
  bool refused = false;
  std::thread other([&] {
    try {
      Clipboard()->SetAsText("from another thread");
    } catch (const Exception& e) {
      refused = e.Message() == "Cannot open clipboard";
    }
  });
  other.join();
  EXPECT_TRUE(refused);
  clipboard->SetAsText("mine");
  clipboard->Close();
  EXPECT_EQ(clipboard->AsText(), "mine");
  std::thread later([] { EXPECT_EQ(Clipboard()->AsText(), "mine"); });
  later.join();
}

}  // namespace
}  // namespace lab::testing
