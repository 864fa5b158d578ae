// Undo and redo of any run of editing commands: the bytes choose up to 48 of them (typing, deleting,
// line breaks, tabs, case changes, pastes and drags of normal, line and column blocks, undo and
// redo, word wrap switched and the window resized between them), and the first bytes the options
// and the tabs' width. After each command, undoing everything gives the text the run started with
// and redoing everything the text the command left (when it left nothing to redo).

#include <cstdint>
#include <string>
#include <vector>

#include "editor/codeedit.h"
#include "platform/backend/headless.h"
#include "platform/controls/forms.h"
#include "tests/editor/random_commands.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace lab;

// Choices read from the bytes, one a byte (two for a wide range); Low once they run out.
class TByteChoices {
 public:
  TByteChoices(const std::uint8_t* Data, std::size_t Size) : data_(Data), size_(Size) {}
  bool Empty() const { return at_ >= size_; }
  int Pick(int Low, int High) {
    const auto range = static_cast<unsigned>(High - Low) + 1;
    unsigned value = 0;
    for (unsigned span = 1; span < range && at_ < size_; span <<= 8) value = value << 8 | data_[at_++];
    return Low + static_cast<int>(value % range);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

TCodeEdit* Editor() {
  static TCodeEdit* edit = [] {
    SetBackend(CreateHeadlessBackend());
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 640, 480);
    auto* e = new TCodeEdit(form);
    e->SetParent(form);
    e->HandleNeeded();
    e->SetMaxUndo(1'000'000);
    return e;
  }();
  return edit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TByteChoices choices(data, size);
  TCodeEdit* edit = Editor();
  edit->SetWordWrap(false);
  edit->SetBounds(0, 0, 400, 300);
  TCodeEditorOptions options = edit->Options() - TCodeEditorOptions{eoTrimTrailingSpaces, eoTabsToSpaces, eoGroupUndo};
  if (choices.Pick(0, 1)) options += eoTrimTrailingSpaces;
  if (choices.Pick(0, 1)) options += eoTabsToSpaces;
  if (choices.Pick(0, 1)) options += eoGroupUndo;
  edit->SetOptions(options);
  static const int kTabs[] = {1, 2, 4, 8, 100};
  edit->SetTabWidth(kTabs[choices.Pick(0, 4)]);
  edittest::TRandomCommands commands(edit, [&](int Low, int High) { return choices.Pick(Low, High); });
  TStringList lines;
  const int count = choices.Pick(0, 8);
  for (int i = 0; i < count; ++i) lines.Add(commands.Line());
  edit->Lines()->Assign(&lines);
  edit->SetInsertMode(true);
  const std::vector<std::string> start = edittest::TRandomCommands::LinesOf(*edit);
  for (int i = 0; i < 48 && !choices.Empty(); ++i) {
    commands.OneCommand();
    const bool nothing_to_redo = !edit->CanRedo();
    const std::vector<std::string> now = edittest::TRandomCommands::LinesOf(*edit);
    while (edit->CanUndo()) edit->Undo();
    LAB_FUZZ_CHECK(edittest::TRandomCommands::LinesOf(*edit) == start);
    while (edit->CanRedo()) edit->Redo();
    LAB_FUZZ_CHECK(!nothing_to_redo || edittest::TRandomCommands::LinesOf(*edit) == now);
  }
  return 0;
}
