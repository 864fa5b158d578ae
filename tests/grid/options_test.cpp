// Each option and look setting of the grid set (and cleared) at run time on a shown grid paints,
// frame included, pixel for pixel as a grid made with it from the start; also with the editor
// open, which goes with its cell and keeps the keyboard.

#include "grid_paint_fixture.h"

#include <functional>
#include <string>
#include <vector>

#include "platform/classes/type_info.h"

namespace lab::gridtest {
namespace {

using TSetting = std::function<void(TDBGridX*)>;

class GridOptions : public GridPaintTest {
 protected:
  void SetUp() override {
    GridPaintTest::SetUp();
    ds->Open();
    for (int i = 1; i <= 12; ++i) AddRow(i, ("name " + std::to_string(i)).c_str(), i % 3 == 0, "K", i * 1.25);
  }
  // Settings first, then the window, the data (on the third record) and the focus; a frozen
  // column, a sort marker, a two-level caption and a footer row; with editor_open_ the editor shows.
  void MakeGrid(const TSetting& Settings) {
    delete grid;
    form->Show();
    grid = new TDBGridX(form);
    grid->SetBounds(0, 0, 380, 260);
    for (const char* name : {"Id", "Name", "Done", "Code", "Price"}) {
      TColumnX* c = grid->Columns()->Add();
      c->SetFieldName(name);
      c->SetWidth(name[0] == 'N' ? 90 : 50);
    }
    grid->SetFrozenCols(1);
    grid->SetFooterRowCount(1);
    Column(1)->Title()->SetSortMarker(smDownX);
    Column(1)->Footer()->SetValueType(fvtStaticText);
    Column(1)->Footer()->SetValue("total");
    Column(4)->Title()->SetCaption("Cost|Price");
    if (editor_open_) grid->SetOptions(grid->Options() + dgAlwaysShowEditor);
    if (Settings) Settings(grid);
    grid->SetParent(form);
    grid->SetDataSource(source);
    ds->First();
    ds->MoveBy(2);
    grid->SetFocus();
    Paint();
  }
  // The grid's whole window as the form's surface shows it.
  std::vector<std::uint32_t> Shot() {
    Paint();
    win::RECT r;
    wm::GetWindowRect(grid->Handle(), r);
    win::POINT p{r.Left, r.Top};
    wm::ScreenToClient(form->Handle(), p);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    std::vector<std::uint32_t> out;
    for (int y = p.Y; y < p.Y + r.Height(); ++y) out.insert(out.end(), s->Row(y) + p.X, s->Row(y) + p.X + r.Width());
    s->EndDirect();
    return out;
  }
  // Changed at run time from Before, against a grid made with Before and Change.
  void Compare(const std::string& What, const TSetting& Before, const TSetting& Change) {
    SCOPED_TRACE(What + (editor_open_ ? " with the editor open" : ""));
    MakeGrid(Before);
    Change(grid);
    const std::vector<std::uint32_t> changed = Shot();
    MakeGrid([&](TDBGridX* g) {
      if (Before) Before(g);
      Change(g);
    });
    const std::vector<std::uint32_t> made = Shot();
    std::size_t i = 0;
    while (i < changed.size() && i < made.size() && changed[i] == made[i]) ++i;
    if (i < changed.size() || changed.size() != made.size()) {
      ADD_FAILURE() << "differs at (" << i % grid->Width() << ", " << i / grid->Width() << ")";
      Save("option_" + What + (editor_open_ ? "_editing" : ""));
    }
  }
  bool editor_open_ = false;
};

TEST_F(GridOptions, EachSettingChangedAtRunTimePaintsAsAGridMadeWithIt) {
  for (const bool open : {false, true}) {
    editor_open_ = open;
    for (int i = dgEditing; i <= dgMultiSelect; ++i) {
      const auto o = static_cast<TDBGridOption>(i);
      const std::string name(EnumTypeInfo<TDBGridOption>().NameOf(i));
      Compare(name + " set", [o](TDBGridX* g) { g->SetOptions(g->Options() - o); },
              [o](TDBGridX* g) { g->SetOptions(g->Options() + o); });
      Compare(name + " cleared", [o](TDBGridX* g) { g->SetOptions(g->Options() + o); },
              [o](TDBGridX* g) { g->SetOptions(g->Options() - o); });
    }
    for (int i = dgxFixed3D; i <= dgxRecordMoving; ++i) {
      const auto o = static_cast<TDBGridXOption>(i);
      const std::string name(EnumTypeInfo<TDBGridXOption>().NameOf(i));
      Compare(name + " set", [o](TDBGridX* g) { g->SetOptionsX(g->OptionsX() - o); },
              [o](TDBGridX* g) { g->SetOptionsX(g->OptionsX() + o); });
      Compare(name + " cleared", [o](TDBGridX* g) { g->SetOptionsX(g->OptionsX() + o); },
              [o](TDBGridX* g) { g->SetOptionsX(g->OptionsX() - o); });
    }
    const TSetting flat = [](TDBGridX* g) { g->SetFlat(true); };
    struct Case {
      const char* what;
      TSetting before, change;
    };
    const Case cases[] = {
        {"Flat", nullptr, flat},
        {"not Flat", flat, [](TDBGridX* g) { g->SetFlat(false); }},
        {"Flat without Ctl3D", [](TDBGridX* g) { g->SetCtl3D(false); }, flat},
        {"Ctl3D off when Flat", flat, [](TDBGridX* g) { g->SetCtl3D(false); }},
        {"no border when Flat", flat, [](TDBGridX* g) { g->SetBorderStyle(bsNone); }},
        {"ReadOnly", nullptr, [](TDBGridX* g) { g->SetReadOnly(true); }},
        {"OddRowColor", nullptr, [](TDBGridX* g) { g->SetOddRowColor(clAqua); }},
        {"UseMultiTitle", nullptr, [](TDBGridX* g) { g->SetUseMultiTitle(true); }},
        {"AutoFitColWidths", nullptr, [](TDBGridX* g) { g->SetAutoFitColWidths(true); }},
        {"FooterColor", nullptr, [](TDBGridX* g) { g->SetFooterColor(clLime); }},
        {"TitleFont", nullptr, [](TDBGridX* g) { g->TitleFont()->SetSize(14); }},
        {"Font", nullptr, [](TDBGridX* g) { g->Font()->SetSize(12); }},
        {"RowLines", nullptr, [](TDBGridX* g) { g->SetRowLines(2); }},
        {"TitleLines", nullptr, [](TDBGridX* g) { g->SetTitleLines(2); }},
        {"EvenRowColor", nullptr, [](TDBGridX* g) { g->SetEvenRowColor(clYellow); }},
        {"DrawMemoText", nullptr, [](TDBGridX* g) { g->SetDrawMemoText(true); }},
        {"RowSizingAllowed", nullptr, [](TDBGridX* g) { g->SetRowSizingAllowed(true); }},
        {"FrozenCols", nullptr, [](TDBGridX* g) { g->SetFrozenCols(2); }},
        {"FooterRowCount", nullptr, [](TDBGridX* g) { g->SetFooterRowCount(2); }},
        {"no footer", nullptr, [](TDBGridX* g) { g->SetFooterRowCount(0); }},
        {"TitleHeight", nullptr, [](TDBGridX* g) { g->SetTitleHeight(40); }},
        {"RowHeight", nullptr, [](TDBGridX* g) { g->SetRowHeight(30); }},
        {"VTitleMargin", nullptr, [](TDBGridX* g) { g->SetVTitleMargin(20); }},
        {"FixedColor", nullptr, [](TDBGridX* g) { g->SetFixedColor(clSilver); }},
        {"Color", nullptr, [](TDBGridX* g) { g->SetColor(clCream); }},
        {"FooterFont", nullptr, [](TDBGridX* g) { g->FooterFont()->SetStyle(TFontStyles{fsBold}); }},
        {"Ctl3D", nullptr, [](TDBGridX* g) { g->SetCtl3D(false); }},
        {"BorderStyle", nullptr, [](TDBGridX* g) { g->SetBorderStyle(bsNone); }},
        {"MinAutoFitWidth", [](TDBGridX* g) { g->SetAutoFitColWidths(true); },
         [](TDBGridX* g) { g->SetMinAutoFitWidth(500); }},
        {"DefaultDrawing", nullptr, [](TDBGridX* g) { g->SetDefaultDrawing(false); }},
        {"Flat with row select", [](TDBGridX* g) { g->SetOptions(g->Options() + dgRowSelect); }, flat},
        {"Flat with fixed 3D off", [](TDBGridX* g) { g->SetOptionsX(g->OptionsX() - dgxFixed3D); }, flat},
    };
    for (const Case& c : cases) Compare(c.what, c.before, c.change);
  }
}

}  // namespace
}  // namespace lab::gridtest
