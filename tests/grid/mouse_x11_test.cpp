// The grid's mouse under X11, driven by xdotool on an X server of the test's own: a click, a
// Shift+click range in the indicator, a column edge dragged and a title clicked, each checked
// through the dataset and the grid's pixels.

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "grid/dbgrid.h"
#include "platform/controls/forms.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "platform/graphics/colors.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

class GridX11Mouse : public X11Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is not installed (scripts/setup.sh)";
    X11Test::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    form = new TForm(nullptr);
    form->SetBounds(20, 20, 420, 300);
    ds = new TMemDataSet(form);
    ds->FieldDefs().Add("Id", ftInteger);
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->Open();
    for (int i = 1; i <= 8; ++i) {
      ds->Append();
      ds->FieldByName("Id")->SetAsInteger(i);
      ds->FieldByName("Name")->SetAsString(std::string(1, static_cast<char>('a' + (i * 5) % 8)) + "name");
      ds->Post();
    }
    ds->First();
    auto* source = new TDataSource(form);
    source->SetDataSet(ds);
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetOptions(grid->Options() + dgMultiSelect);
    grid->SetOptionsX(grid->OptionsX() + dgxAutoSortMarking);
    grid->ColumnDefValues()->Title()->SetTitleButton(true);
    grid->SetDataSource(source);
    form->Show();
    ASSERT_TRUE(WaitFor([&] { return grid->HandleAllocated() && grid->Focused(); }));
  }
  void TearDown() override {
    delete form;
    X11Test::TearDown();
  }

  // Runs xdotool on the test's server.
  void Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/xdotool");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string display = "DISPLAY=" + server.Name();
    char* envp[] = {display.data(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool failed";
  }
  // The screen point of a grid client point, as xdotool's arguments.
  std::vector<std::string> At(TPoint p) {
    const TPoint s = grid->ClientToScreen(p);
    return {"mousemove", std::to_string(s.X), std::to_string(s.Y)};
  }
  TPoint Middle(int col, int row) {
    const TRect r = grid->CellRect(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void Click(TPoint p, const char* modifier = nullptr) {
    std::vector<std::string> args = At(p);
    if (modifier) args.insert(args.end(), {"keydown", modifier});
    args.insert(args.end(), {"click", "1"});
    if (modifier) args.insert(args.end(), {"keyup", modifier});
    Xdotool(args);
  }
  // The colour at a point of the grid's client area, once painted.
  win::COLORREF Pixel(TPoint p) {
    Application->ProcessMessages();
    win::POINT q{p.X, p.Y};
    wm::MapWindowPoints(grid->Handle(), form->Handle(), &q, 1);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    return ColorOfPixel(s->Row(q.Y)[q.X]);
  }
  // Pixels of a cell that are not Color.
  int CountOther(const TRect& r, TColor Color) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += Pixel({x, y}) != ColorToRGB(Color);
    return n;
  }
  int Id() { return ds->FieldByName("Id")->AsInteger(); }

  TForm* form = nullptr;
  TMemDataSet* ds = nullptr;
  TDBGridX* grid = nullptr;
};

TEST_F(GridX11Mouse, ClicksDragsAndTitlesActOnTheDataAndShow) {
  // A click moves the record; the indicator's arrow moves with it.
  const int no_arrow = CountOther(grid->CellRect(0, 3), clBtnFace), arrow = CountOther(grid->CellRect(0, 1), clBtnFace);
  EXPECT_GT(arrow, no_arrow);
  Click(Middle(1, 3));
  ASSERT_TRUE(WaitFor([&] { return Id() == 3; }));
  EXPECT_EQ(CountOther(grid->CellRect(0, 3), clBtnFace), arrow);
  EXPECT_EQ(CountOther(grid->CellRect(0, 1), clBtnFace), no_arrow);
  // Shift+click in the indicator selects the records between; their cells take the selection colour.
  Click(Middle(0, 3));
  Click(Middle(0, 6), "shift");
  ASSERT_TRUE(WaitFor([&] { return grid->SelectedRows()->Count() == 4; }));
  EXPECT_EQ(Id(), 6);
  const TRect selected = grid->CellRect(2, 5), plain = grid->CellRect(2, 7);
  const TPoint in_selected{selected.Right - 3, selected.Top + 2}, in_plain{plain.Right - 3, plain.Top + 2};
  EXPECT_EQ(Pixel(in_selected), ColorToRGB(clHighlight));
  EXPECT_NE(Pixel(in_plain), ColorToRGB(clHighlight));
  // A column edge dragged 40 pixels right: the column is that much wider, its line moved with it.
  const TRect title = grid->CellRect(1, 0);
  const int width = grid->Columns()->GetColumn(0)->Width();
  std::vector<std::string> drag = At({title.Right, (title.Top + title.Bottom) / 2});
  drag.insert(drag.end(), {"mousedown", "1"});
  for (std::string& a : At({title.Right + 20, (title.Top + title.Bottom) / 2})) drag.push_back(a);
  for (std::string& a : At({title.Right + 40, (title.Top + title.Bottom) / 2})) drag.push_back(a);
  drag.insert(drag.end(), {"mouseup", "1"});
  Xdotool(drag);
  ASSERT_TRUE(WaitFor([&] { return grid->Columns()->GetColumn(0)->Width() == width + 40; }));
  EXPECT_NE(Pixel({title.Right + 40, Middle(1, 7).Y}), Pixel({title.Right + 39, Middle(1, 7).Y}));
  // A title click sorts by the column and shows its marker.
  const TRect name_title = grid->CellRect(2, 0);
  int before = 0;
  for (int x = name_title.Right - 20; x < name_title.Right - 2; ++x)
    if (Pixel({x, (name_title.Top + name_title.Bottom) / 2}) != ColorToRGB(clBtnFace)) ++before;
  Click(Middle(2, 0));
  ASSERT_TRUE(WaitFor([&] { return ds->SortFields() == "Name"; }));
  int after = 0;
  for (int x = name_title.Right - 20; x < name_title.Right - 2; ++x)
    if (Pixel({x, (name_title.Top + name_title.Bottom) / 2}) != ColorToRGB(clBtnFace)) ++after;
  EXPECT_GT(after, before);
  ds->First();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "aname");
}

}  // namespace
}  // namespace lab::testing
