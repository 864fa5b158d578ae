// A program that frees a form holding an editor from an exit handler made before its first editor:
// the handler runs after the statics the editors made are gone, and the editor's shared parts (its
// fonts, its gutter images) must still be there.

#include <cstdlib>

#include "editor/codeedit.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "tests/common/ending_program.h"

namespace lab {
namespace {

using namespace lab::testing;

TForm* g_form = nullptr;

[[noreturn]] void FreeEditorFormAtExit() {
  if (const char* display = std::getenv("LAB_TEST_DISPLAY")) SetBackend(CreateX11Backend(display));
  std::atexit([] { delete g_form; });
  g_form = new TForm(nullptr);
  g_form->SetBounds(20, 20, 420, 300);
  auto* edit = new TCodeEdit(g_form);
  edit->SetParent(g_form);
  edit->SetAlign(alClient);
  edit->Gutter()->SetShowLineNumbers(true);
  edit->Lines()->SetText("first line\nsecond line\nthird line\n");
  edit->SetBookmark(1, 1, 2);
  g_form->Show();
  Application->ProcessMessages();
  std::exit(0);
}

TEST(EditorProgramEnd, AFormFreedByAnExitHandlerTakesItsEditorAwayCleanly) {
  if (InEndingProgram()) FreeEditorFormAtExit();
  ExpectCleanEndOnEachDisplay();
}

}  // namespace
}  // namespace lab
