// A long random run of editing commands (typing, deleting, line breaks, tabs, case changes, pastes of
// normal, line and column blocks over selections of each mode, drags of normal, line and column
// blocks, undo and redo), with word wrap switched on and off, the window narrowed and widened and tabs
// made wide and narrow between them, on a text of a few hundred lines: undoing everything gives the
// text it started from exactly, redoing everything the text it ended with, and undoing again the start
// once more; Modified is false exactly at the saved point.

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/editor/editor_fixture.h"
#include "tests/editor/random_commands.h"

namespace lab::edittest {
namespace {

class UndoAllTest : public EditorTest {
 protected:
  std::mt19937 random{20240611};

  void RunAndUndoAll(int Commands) {
    TRandomCommands commands(edit, [this](int Low, int High) { return std::uniform_int_distribution<int>(Low, High)(random); });
    std::vector<std::string> start;
    for (int i = 0; i < 300; ++i) start.push_back(commands.Line());
    TStringList lines;
    for (const std::string& line : start) lines.Add(line);
    edit->Lines()->Assign(&lines);
    edit->SetMaxUndo(10'000'000);
    ASSERT_FALSE(edit->Modified());
    std::vector<std::string> saved;
    for (int i = 0; i < Commands; ++i) {
      commands.OneCommand();
      if (i == Commands / 2) {
        edit->SetModified(false);
        saved = TRandomCommands::LinesOf(*edit);
      }
    }
    edit->SetInsertMode(true);
    // The end is where redoing everything leads: steps undone last in the run come back too.
    while (edit->CanRedo()) edit->Redo();
    const std::vector<std::string> end = TRandomCommands::LinesOf(*edit);
    ASSERT_NE(end, start);
    EXPECT_GT(end.size(), 100u) << "the text kept a few hundred lines: " << end.size();
    int steps = 0;
    while (edit->CanUndo()) {
      edit->Undo();
      ++steps;
      if (!edit->Modified()) {
        EXPECT_EQ(TRandomCommands::LinesOf(*edit), saved) << "unmodified after " << steps << " undo steps";
      }
    }
    // (The saved point lies in the middle of the run: the start is a modified text.)
    EXPECT_EQ(TRandomCommands::LinesOf(*edit), start);
    EXPECT_TRUE(edit->Modified());
    while (edit->CanRedo()) edit->Redo();
    EXPECT_EQ(TRandomCommands::LinesOf(*edit), end);
    EXPECT_TRUE(edit->Modified());
    while (edit->CanUndo()) edit->Undo();
    EXPECT_EQ(TRandomCommands::LinesOf(*edit), start);
  }
};

TEST_F(UndoAllTest, AHundredThousandCommandsUndoToTheStartAndRedoToTheEnd) { RunAndUndoAll(100'000); }

TEST_F(UndoAllTest, WithTabsAndWithoutGroupUndo) {
  edit->SetOptions(edit->Options() - TCodeEditorOptions{eoTabsToSpaces, eoGroupUndo} + TCodeEditorOptions{eoTabIndent});
  edit->SetTabWidth(4);
  RunAndUndoAll(20'000);
}

// Tabs wider than the narrow windows' rows.
TEST_F(UndoAllTest, WithWideTabs) {
  random.seed(7);
  edit->SetOptions(edit->Options() - TCodeEditorOptions{eoTabsToSpaces});
  edit->SetTabWidth(100);
  RunAndUndoAll(20'000);
}

// Lines lose their trailing blanks as they are stored: the blanks each change trims are recorded with
// it, so undo gives them back (lines of the start text end in blanks too). Several runs, with spaces
// and with tabs: each finds sequences the others miss.
struct TTrimmedRun {
  unsigned seed;
  bool tabs;
};

class UndoAllTrimmedTest : public UndoAllTest, public ::testing::WithParamInterface<TTrimmedRun> {};

TEST_P(UndoAllTrimmedTest, WithTrailingBlanksTrimmed) {
  random.seed(GetParam().seed);
  edit->SetOptions(edit->Options() + TCodeEditorOptions{eoTrimTrailingSpaces});
  if (GetParam().tabs) {
    edit->SetOptions(edit->Options() - TCodeEditorOptions{eoTabsToSpaces} + TCodeEditorOptions{eoTabIndent});
    edit->SetTabWidth(4);
  }
  RunAndUndoAll(20'000);
}

const TTrimmedRun kTrimmedRuns[] = {{20240611, false}, {1, false}, {3, false}, {4, false},
                                    {20240611, true},  {1, true},  {3, true},  {4, true}};

INSTANTIATE_TEST_SUITE_P(Runs, UndoAllTrimmedTest, ::testing::ValuesIn(kTrimmedRuns),
                         [](const ::testing::TestParamInfo<TTrimmedRun>& info) {
                           return "Seed" + std::to_string(info.param.seed) + (info.param.tabs ? "WithTabs" : "");
                         });

}  // namespace
}  // namespace lab::edittest
