// What the grid repaints: after each key that changes the selection or the current record, the
// pixels on screen are those a full repaint draws, so no row keeps a look it lost (partly shown
// rows, the filler row above the footers and the indicator column included).

#include "grid_paint_fixture.h"

#include <vector>

#include "platform/db/fields.h"

namespace lab::gridtest {
namespace {

class GridRepaint : public GridPaintTest {
 protected:
  void Records(int n, int footers, TDBGridOptions options) {
    ds->Close();
    grid->SetDataSource(source);
    grid->SetOptions(options);
    grid->SetFooterRowCount(footers);
    grid->SetEditActions({geaSelectAllX});
    ds->Open();
    ds->DisableControls();
    for (int i = 1; i <= n; ++i) AddRow(i, ("name " + std::to_string(i)).c_str(), i % 2 == 0, "c", 1.0 * i);
    ds->First();
    ds->EnableControls();
    form->Show();
    grid->SetFocus();
    Pump();
  }
  // A press and release on the second data column of a grid row.
  void Click(int Row) {
    const TRect r = Cell(2, Row);
    win::POINT p{r.Left + 5, r.Top + 3};
    wm::ClientToScreen(grid->Handle(), p);
    input::MouseButton(win::VK_LBUTTON, true, p);
    input::MouseButton(win::VK_LBUTTON, false, p);
    Pump();
  }
  // The grid's client area as it stands on the form's surface.
  std::vector<std::uint32_t> Pixels() {
    win::POINT p{0, 0};
    wm::MapWindowPoints(grid->Handle(), form->Handle(), &p, 1);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    std::vector<std::uint32_t> out;
    for (int y = 0; y < grid->ClientHeight(); ++y) {
      const std::uint32_t* row = s->Row(p.Y + y) + p.X;
      out.insert(out.end(), row, row + grid->ClientWidth());
    }
    s->EndDirect();
    return out;
  }
  // The first line of pixels that a full repaint changes, or -1 when it changes none.
  int StaleLine() {
    const std::vector<std::uint32_t> shown = Pixels();
    grid->Invalidate();
    Pump();
    const std::vector<std::uint32_t> full = Pixels();
    const int width = grid->ClientWidth();
    for (std::size_t i = 0; i < shown.size(); ++i)
      if (shown[i] != full[i]) return static_cast<int>(i) / width;
    return -1;
  }
};

TEST_F(GridRepaint, EachKeyLeavesThePixelsAFullRepaintDraws) {
  // A key, or (Key 0) a click on the second data column of grid row ClickRow.
  struct TKey {
    win::UINT Key;
    TShiftState Shift;
    int ClickRow = 0;
  };
  struct TCase {
    const char* Name;
    int Footers;
    bool MultiSelect;
    std::vector<TKey> Keys;
  };
  const TShiftState ctrl{ssCtrl}, shift{ssShift};
  const TCase cases[] = {
      {"select all, then pages, over a footer row", 1, false,
       {{'A', ctrl}, {win::VK_NEXT, {}}, {'A', ctrl}, {win::VK_NEXT, {}}, {'A', ctrl}, {win::VK_PRIOR, {}}}},
      {"select all, then a page down, every record a row", 0, false, {{'A', ctrl}, {win::VK_NEXT, {}}}},
      {"select all, then down and up, over two footer rows", 2, false,
       {{'A', ctrl}, {win::VK_DOWN, {}}, {'A', ctrl}, {win::VK_UP, {}}}},
      {"a click, the editor, Enter and Down", 1, false,
       {{0, {}, 4}, {0, {}, 4}, {win::VK_RETURN, {}}, {win::VK_DOWN, {}}, {0, {}, 9}, {win::VK_RETURN, {}},
        {win::VK_DOWN, {}}, {win::VK_DOWN, {}}, {win::VK_DOWN, {}}}},
      {"a click, the editor, Enter and Down, every record a row", 0, false,
       {{0, {}, 4}, {0, {}, 4}, {win::VK_RETURN, {}}, {win::VK_DOWN, {}}, {0, {}, 2}, {win::VK_DOWN, {}}}},
      {"selected records, then down", 1, true,
       {{win::VK_DOWN, shift}, {win::VK_DOWN, shift}, {win::VK_DOWN, {}}, {win::VK_NEXT, shift}, {win::VK_UP, {}}}},
      {"a rectangle, then pages", 1, false,
       {{win::VK_RIGHT, shift}, {win::VK_DOWN, shift}, {win::VK_NEXT, {}}, {win::VK_PRIOR, {}}}},
      {"to the end and back", 1, false, {{win::VK_END, ctrl}, {win::VK_UP, {}}, {win::VK_HOME, ctrl}}},
  };
  for (const TCase& t : cases) {
    SCOPED_TRACE(t.Name);
    TDBGridOptions options = grid->Options();
    if (t.MultiSelect) options += dgMultiSelect;
    else options -= dgMultiSelect;
    Records(60, t.Footers, options);
    for (std::size_t k = 0; k < t.Keys.size(); ++k) {
      if (t.Keys[k].Key != 0) Press(t.Keys[k].Key, t.Keys[k].Shift);
      else Click(t.Keys[k].ClickRow);
      EXPECT_EQ(StaleLine(), -1) << "after key " << k;
    }
  }
}

}  // namespace
}  // namespace lab::gridtest
