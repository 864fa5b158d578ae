// The editor and the system clipboard under X11, against xclip on an X server of the test's own: text
// copied in the editor is what another program reads, byte for byte, also 300 KB of device traffic;
// text another program offers pastes into the editor, and so does a column block between two editors.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "editor/codeedit.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/forms.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

class EditorX11Clipboard : public X11Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/xclip", X_OK) != 0) GTEST_SKIP() << "xclip is not installed (scripts/setup.sh)";
    X11Test::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 400, 300);
    edit = new TCodeEdit(form);
    edit->SetParent(form);
    edit->SetAlign(alClient);
    form->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    for (pid_t p : serving_) {
      kill(p, SIGTERM);
      waitpid(p, nullptr, 0);
    }
    delete form;
    X11Test::TearDown();
  }

  // Runs xclip on the test's server with Input on its standard input. With Stay it keeps serving
  // until the test ends (once it holds the clipboard); else its output is answered when it ends.
  std::string Xclip(std::vector<std::string> Args, const std::string& Input = {}, bool Stay = false) {
    Args.insert(Args.begin(), {"/usr/bin/xclip", "-display", server.Name(), "-selection", "clipboard"});
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Window before = XGetSelectionOwner(d, clipboard);
    std::vector<char*> argv;
    for (auto& a : Args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    for (std::size_t done = 0; done < Input.size();) {
      const ssize_t n = write(in[1], Input.data() + done, Input.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(in[1]);
    std::string output;
    if (Stay) {
      serving_.push_back(pid);
      close(out[0]);
      EXPECT_TRUE(WaitFor([&] {
        const Window owner = XGetSelectionOwner(d, clipboard);
        return owner != None && owner != before;
      }));
      return output;
    }
    char buffer[65536];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xclip failed";
    return output;
  }

  TForm* form = nullptr;
  TCodeEdit* edit = nullptr;
  std::vector<pid_t> serving_;
};

TEST_F(EditorX11Clipboard, CopiedTextIsReadByAnotherProgramByteForByte) {
  const std::string text = "09:00:01 Tracer1 caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\r\n09:00:02 Edger2 ACK \xE2\x80\xA2";
  edit->SetText(text);
  edit->SetReadOnly(true);
  edit->CommandProcessor(ecSelectAll, 0, nullptr);
  edit->CommandProcessor(ecCopy, 0, nullptr);
  EXPECT_EQ(Xclip({"-o"}), text);

  // A few thousand lines of device traffic: more than one request carries.
  std::string large;
  for (int i = 0; large.size() < 300 * 1024; ++i)
    large += "09:" + std::to_string(10 + i % 50) + ":00.250  Edger2  JOB=" + std::to_string(24000 + i) +
             ";STATUS=0;R=2412;2398;2385;2377;2366 \xE2\x80\xA2\r\n";
  large += "last line";
  edit->SetText(large);
  edit->SelectAll();
  edit->CopyToClipboard();
  const std::string read = Xclip({"-o"});
  EXPECT_EQ(read.size(), large.size());
  EXPECT_TRUE(read == large);
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
  EXPECT_EQ(Xclip({"-o"}), "bc\r\nhi\r\nno");
  EXPECT_EQ(Xclip({"-o", "-t", "CodeEdit Control Block Type"}), std::string("\2bc\r\nhi\r\nno", 11) + '\0');
  auto* other = new TCodeEdit(form);
  other->SetParent(form);
  other->SetText("1234\r\n56\r\n7");
  other->SetCaretXY({3, 1});
  other->PasteFromClipboard();
  EXPECT_EQ(other->Text(), "12bc34\r\n56hi\r\n7 no");
}

}  // namespace
}  // namespace lab::testing
