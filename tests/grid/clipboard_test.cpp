// Pasting into the grid: each value goes to the column at its own distance from the current one,
// and one whose column may not be changed is dropped, in both the text and the grid's own format.

#include "grid_paint_fixture.h"

#include "grid/grid_clipboard.h"
#include "platform/controls/clipboard.h"
#include "platform/db/fields.h"

namespace lab::gridtest {
namespace {

class GridPaste : public GridPaintTest {};

TEST_F(GridPaste, AValueForAReadOnlyColumnIsDroppedAndTheNextKeepsItsColumn) {
  for (const char* f : {"Name", "Code", "Id"}) grid->Columns()->Add()->SetFieldName(f);
  Column(1)->SetReadOnly(true);
  grid->SetDataSource(source);
  OpenWithRows();
  grid->SetEditActions({geaCopyX, geaPasteX});
  form->Show();
  Pump();
  struct TCase {
    const char* Rendering;
    bool Typed;
  };
  for (const TCase t : {TCase{"text", false}, TCase{"GRIDDBIF", true}}) {
    SCOPED_TRACE(t.Rendering);
    // The second record copied from the grid, then pasted over the first.
    ds->First();
    ds->Next();
    grid->Selection()->Rect()->Select(0, ds->Bookmark(), false);
    grid->Selection()->Rect()->Select(2, ds->Bookmark(), true);
    CopyGridToClipboard(grid);
    if (!t.Typed) Clipboard()->SetAsText(Clipboard()->AsText());
    ASSERT_EQ(Clipboard()->HasFormat(CF_GRIDDBIF()), t.Typed);
    grid->Selection()->Clear();
    ds->First();
    grid->SetSelectedIndex(0);
    PasteGridFromClipboard(grid);
    ds->First();
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "two");
    EXPECT_EQ(ds->FieldByName("Code")->AsString(), "K0");  // read-only: kept
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 2);     // not moved into Code's place
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("one");
    ds->FieldByName("Id")->SetAsInteger(1);
    ds->Post();
  }
}

}  // namespace
}  // namespace lab::gridtest
