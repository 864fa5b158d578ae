#include "editor/key_commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace lab {
namespace {

TEST(EditorCommandNames, TheTableAndItsConversions) {
  int count = 0;
  const TEditorCommandName* names = EditorCommandNames(count);
  ASSERT_EQ(count, 100);
  EXPECT_EQ(names[0].Name, "ecNone");
  EXPECT_EQ(names[35].Name, "ecSelectAll");
  EXPECT_EQ(names[99].Name, "ecString");
  std::set<int> numbers;
  for (int i = 0; i < count; ++i) numbers.insert(names[i].Command);
  EXPECT_EQ(numbers.size(), 100u);  // no number named twice

  std::string ident;
  EXPECT_TRUE(EditorCommandToIdent(ecSelPageBottom, ident));
  EXPECT_EQ(ident, "ecSelPageBottom");
  EXPECT_EQ(ecSelPageBottom, 114);
  EXPECT_FALSE(EditorCommandToIdent(1500, ident));
  EXPECT_EQ(EditorCommandToCodeString(1500), "1500");
  EXPECT_EQ(EditorCommandToCodeString(ecSetMarker9), "ecSetMarker9");
  EXPECT_EQ(EditorCommandToCodeString(ecUserFirst), "ecUserFirst");

  int command = -1;
  EXPECT_TRUE(IdentToEditorCommand("ecToggleCaseBlock", command));
  EXPECT_EQ(command, 627);
  EXPECT_TRUE(IdentToEditorCommand("ECCOPY", command));
  EXPECT_EQ(command, ecCopy);
  EXPECT_FALSE(IdentToEditorCommand("ecNoSuchCommand", command));
  EXPECT_FALSE(IdentToEditorCommand("201", command));
}

}  // namespace
}  // namespace lab
