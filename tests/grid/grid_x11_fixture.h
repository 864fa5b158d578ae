#pragma once
// A grid on an X server of the test's own: eight records (Id 1..8, names "fname", "cname", ...
// "aname") in a shown form, and the points, clicks and pixels the tests of its mouse and keys work
// with. The tests drive it with xdotool (GridX11Test) or meet it on the clipboard through xclip
// (GridOnX11<XclipTest>).

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

// TTool: the fixture of the program the test works the server with.
template <class TTool>
class GridOnX11 : public TTool {
 protected:
  void SetUp() override {
    TTool::SetUp();
    if (this->HasFatalFailure() || this->IsSkipped()) return;
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
    TTool::TearDown();
  }

  // The screen point of a client point of Control (the grid's by default), as xdotool's arguments.
  std::vector<std::string> At(TPoint p, TControl* Control = nullptr) {
    const TPoint s = (Control ? Control : grid)->ClientToScreen(p);
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
    this->Xdotool(args);
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

using GridX11Test = GridOnX11<XdotoolTest>;

}  // namespace lab::testing
