// The grid's clipboard under X11, against xclip on an X server of the test's own: a copied selection
// is tab-separated text another program reads (with LF line breaks, as X11 programs write them), and
// its "Csv" and "GRIDDBIF" renderings travel byte for byte under their own names; text another
// program offers pastes into the grid's records.

#include <string>
#include <vector>

#include "grid/grid_clipboard.h"
#include "platform/controls/clipboard.h"
// Last: Xlib's macros.
#include "grid_x11_fixture.h"

namespace lab::testing {
namespace {

class GridX11Clipboard : public GridOnX11<XclipTest> {
 protected:
  void SetUp() override {
    GridOnX11::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    // A name CSV quotes, with a character beyond ASCII.
    ds->Next();
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("caf\xC3\xA9 \"2\"");
    ds->Post();
    ds->First();
  }
};

TEST_F(GridX11Clipboard, ACopiedSelectionIsTextForOtherProgramsAndRecordsUnderItsOwnNames) {
  grid->Selection()->SelectAll();
  CopyGridToClipboard(grid);
  EXPECT_EQ(Xclip({"-o"}),
            "1\tfname\n2\tcaf\xC3\xA9 \"2\"\n3\thname\n4\tename\n5\tbname\n6\tgname\n7\tdname\n8\taname\n");
  EXPECT_EQ(Xclip({"-o", "-t", "Csv"}),
            "\"1\";\"fname\"\r\n\"2\";\"caf\xC3\xA9 \"\"2\"\"\"\r\n\"3\";\"hname\"\r\n\"4\";\"ename\"\r\n"
            "\"5\";\"bname\"\r\n\"6\";\"gname\"\r\n\"7\";\"dname\"\r\n\"8\";\"aname\"\r\n");
  const TGridClipData data = ParseGridDbif(Xclip({"-o", "-t", "GRIDDBIF"}));
  EXPECT_EQ(data.FieldNames, (std::vector<std::string>{"Id", "Name"}));
  ASSERT_EQ(data.Values.size(), 8u);
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
  EXPECT_EQ(ds->RecordCount(), 8);
}

}  // namespace
}  // namespace lab::testing
