// Linking the editor makes TCodeEdit known by name: a form that holds one reads without the program
// starting any unit.

#include <gtest/gtest.h>

#include <memory>

#include "editor/codeedit.h"
#include "platform/backend/headless.h"
#include "platform/classes/form_text.h"
#include "platform/controls/forms.h"

namespace lab {
namespace {

TEST(EditorRegistration, AFormHoldingAnEditorReadsWithoutStartingUnitsByHand) {
  SetBackend(CreateHeadlessBackend());
  // As a fresh program: whatever earlier tests of this process started is ended first.
  FinalizeUnits();
  ASSERT_FALSE(CodeEditUnit.Initialized());
  std::unique_ptr<TComponent> form(ReadFormText(
      "object Form1: TForm\n"
      "  object Notes: TCodeEdit\n"
      "    ReadOnly = True\n"
      "  end\n"
      "end\n"));
  auto* edit = dynamic_cast<TCodeEdit*>(form->FindComponent("Notes"));
  ASSERT_TRUE(edit);
  EXPECT_TRUE(edit->ReadOnly());
  EXPECT_TRUE(CodeEditUnit.Initialized());
}

}  // namespace
}  // namespace lab
