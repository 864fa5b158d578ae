// The grid's clipboard under X11, against xclip on an X server of the test's own: a copied selection
// is tab-separated text another program reads (with LF line breaks, as X11 programs write them), and
// its "Csv" and "GRIDDBIF" renderings travel byte for byte under
// their own names; text another program offers pastes into the grid's records.

#include <string>
#include <vector>

#include "grid/dbgrid.h"
#include "grid/grid_clipboard.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/forms.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

class GridX11Clipboard : public XclipFormTest {
 protected:
  void FillForm() override {
    ds = new TMemDataSet(form);
    ds->FieldDefs().Add("Id", ftInteger);
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->Open();
    for (int i = 1; i <= 3; ++i) {
      ds->Append();
      ds->FieldByName("Id")->SetAsInteger(i);
      ds->FieldByName("Name")->SetAsString(i == 2 ? "caf\xC3\xA9 \"2\"" : "n" + std::to_string(i));
      ds->Post();
    }
    ds->First();
    auto* source = new TDataSource(form);
    source->SetDataSet(ds);
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
  }

  TMemDataSet* ds = nullptr;
  TDBGridX* grid = nullptr;
};

TEST_F(GridX11Clipboard, ACopiedSelectionIsTextForOtherProgramsAndRecordsUnderItsOwnNames) {
  grid->Selection()->SelectAll();
  CopyGridToClipboard(grid);
  EXPECT_EQ(Xclip({"-o"}), "1\tn1\n2\tcaf\xC3\xA9 \"2\"\n3\tn3\n");
  EXPECT_EQ(Xclip({"-o", "-t", "Csv"}), "\"1\";\"n1\"\r\n\"2\";\"caf\xC3\xA9 \"\"2\"\"\"\r\n\"3\";\"n3\"\r\n");
  const TGridClipData data = ParseGridDbif(Xclip({"-o", "-t", "GRIDDBIF"}));
  EXPECT_EQ(data.FieldNames, (std::vector<std::string>{"Id", "Name"}));
  ASSERT_EQ(data.Values.size(), 3u);
  EXPECT_EQ(data.Values[1][1].AsString(), "caf\xC3\xA9 \"2\"");
  EXPECT_EQ(Xclip({"-o", "-t", "Rich Text Format"}).rfind("{\\rtf1", 0), 0u);
}

TEST_F(GridX11Clipboard, TextAnotherProgramOffersPastesIntoTheRecords) {
  Xclip({"-i"}, "7\tseven\n8\teight \xE2\x80\xA2\n", true);
  grid->SetEditActions({geaPasteX});
  ASSERT_TRUE(grid->CanPasteToGrid());
  PasteGridFromClipboard(grid);
  ds->First();
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 7);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "seven");
  ds->Next();
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 8);
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "eight \xE2\x80\xA2");
  EXPECT_EQ(ds->RecordCount(), 3);
}

}  // namespace
}  // namespace lab::testing
