// The editor's published properties: every one of them, and of its option objects and keystrokes,
// changed from its default survives writing and reading a form.

#include <memory>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "platform/classes/form_text.h"
#include "tests/common/published_values.h"

namespace lab::edittest {
namespace {

using Paths = std::vector<std::string>;

TEST_F(EditorTest, EveryPublishedPropertyChangedSurvivesAForm) {
  EXPECT_EQ(testing::VaryPublishedValues(edit), Paths{"TabOrder"});  // the form's only control
  // Most settings now differ from a new editor's (some follow the parent's instead, some refer to
  // other components, and the keystrokes keep their number).
  TCodeEdit fresh(nullptr);
  EXPECT_GT(testing::DifferingPublishedValues(edit, &fresh).size(), 300u);

  const std::string text = WriteFormText(form);
  std::unique_ptr<TComponent> root(ReadFormText(text));
  ASSERT_EQ(root->ComponentCount(), 1);
  auto* copy = dynamic_cast<TCodeEdit*>(root->Components(0));
  ASSERT_TRUE(copy) << text;
  EXPECT_EQ(testing::DifferingPublishedValues(edit, copy), Paths{}) << text;
}

}  // namespace
}  // namespace lab::edittest
