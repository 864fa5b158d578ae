// The report-style list view: columns and rows through its methods and its messages, the selection
// by keys and mouse with the notifications its parent gets, scrolling, header dividers, and its
// drawing: its own, and the parent's through WM_DRAWITEM.

#include <string>
#include <vector>

#include "controls_fixture.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/forms.h"
#include "platform/controls/list_view.h"
#include "platform/controls/painting.h"
#include "platform/graphics/image_list.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class ListViewTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    // The parent window records what the list tells it and draws owner-drawn rows in blue.
    previous = form->WindowProc;
    form->WindowProc = [this](TMessage& m) {
      if (m.Msg == WM_NOTIFY) {
        const auto& nm = *reinterpret_cast<const NMITEMACTIVATE*>(m.LParam);
        notes.push_back({nm.hdr.code, nm.iItem, nm.ptAction});
      } else if (m.Msg == WM_DRAWITEM) {
        const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        drawn.push_back(dis);
        HBRUSH brush = CreateSolidBrush(dis.itemState & ODS_SELECTED ? RGB(0, 0, 255) : RGB(0, 255, 0));
        FillRect(dis.hDC, &dis.rcItem, brush);
        DeleteObject(brush);
        m.Result = 1;
        return;
      }
      previous(m);
    };
    list = new TListView(form);
    list->SetParent(form);
    list->SetBounds(10, 10, 300, 200);
    list->AddColumn("Name", 100);
    list->AddColumn("Size", 80, taRightJustify);
    list->AddColumn("Path", 200);
    for (int i = 0; i < 30; ++i)
      list->AddItem({{"item " + std::to_string(i), std::to_string(i * 1000), "/opt/lab"}, -1, 100 + i});
    form->Show();
    Process();
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  void Process() { Application->ProcessMessages(); }
  LRESULT Send(UINT msg, WPARAM wp, const void* lp) {
    return wm::SendMessage(list->Handle(), msg, wp, reinterpret_cast<LPARAM>(lp));
  }
  // A pixel of the list's client area.
  COLORREF At(int x, int y) {
    TPoint p{x, y};
    wm::MapWindowPoints(list->Handle(), form->Handle(), &p, 1);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    return ColorOfPixel(s->Row(p.Y)[p.X]);
  }
  // Whether a row of the client area has a dark pixel (text) between two x.
  bool HasText(int y, int from, int to) {
    for (int x = from; x < to; ++x)
      if (GetRValue(At(x, y)) < 0x80 && GetGValue(At(x, y)) < 0x80 && GetBValue(At(x, y)) < 0x80) return true;
    return false;
  }
  int RowMiddle(int index) {
    const TRect r = list->ItemRect(index);
    return (r.Top + r.Bottom) / 2;
  }

  struct TNote {
    UINT Code;
    int Item;
    TPoint Point;
  };
  TForm* form = nullptr;
  TListView* list = nullptr;
  TWndMethod previous;
  std::vector<TNote> notes;
  std::vector<DRAWITEMSTRUCT> drawn;
};

TEST_F(ListViewTest, MessagesReadAndWriteColumnsAndRows) {
  EXPECT_EQ(Send(LVM_GETITEMCOUNT, 0, nullptr), 30);
  EXPECT_EQ(Send(LVM_GETCOLUMNWIDTH, 1, nullptr), 80);
  EXPECT_EQ(Send(LVM_GETCOLUMNWIDTH, 3, nullptr), 0);  // no such column
  LVCOLUMN column;
  column.mask = LVCF_FMT | LVCF_WIDTH;
  ASSERT_EQ(Send(LVM_GETCOLUMN, 1, &column), 1);
  EXPECT_EQ(column.fmt, LVCFMT_RIGHT);

  // A row inserted at the end by messages, its cells, image and data read back.
  char first[] = "added", second[] = "42";
  LVITEM item;
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
  item.iItem = 30;
  item.pszText = first;
  item.iImage = 2;
  item.lParam = 7;
  EXPECT_EQ(Send(LVM_INSERTITEM, 0, &item), 30);
  item.iSubItem = 1;
  item.pszText = second;
  EXPECT_EQ(Send(LVM_SETITEMTEXT, 30, &item), 1);
  char buffer[4] = {};
  LVITEM read;
  read.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
  read.iItem = 30;
  read.pszText = buffer;
  read.cchTextMax = sizeof buffer;
  ASSERT_EQ(Send(LVM_GETITEM, 0, &read), 1);
  EXPECT_STREQ(buffer, "add");  // cut to the buffer with its closing 0
  EXPECT_EQ(read.lParam, 7);
  EXPECT_EQ(read.iImage, 2);
  read.iSubItem = 1;
  EXPECT_EQ(Send(LVM_GETITEMTEXT, 30, &read), 2);
  EXPECT_STREQ(buffer, "42");
  read.iItem = 31;  // the count itself is no row
  EXPECT_EQ(Send(LVM_GETITEM, 0, &read), 0);
  EXPECT_THROW(list->Item(31), EListError);

  // The selection stays on its row while rows come and go before it.
  list->SetItemIndex(5);
  Send(LVM_DELETEITEM, 2, nullptr);
  EXPECT_EQ(list->ItemIndex(), 4);
  EXPECT_EQ(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), reinterpret_cast<const void*>(LVNI_SELECTED)), 4);
  list->InsertItem(0, {{"top"}});
  EXPECT_EQ(list->ItemIndex(), 5);
  EXPECT_EQ(list->ItemText(5, 0), "item 5");
  Send(LVM_DELETEITEM, 5, nullptr);
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), reinterpret_cast<const void*>(LVNI_SELECTED)), -1);
  EXPECT_EQ(Send(LVM_DELETEITEM, static_cast<WPARAM>(list->ItemCount()), nullptr), 0);
  Send(LVM_DELETEALLITEMS, 0, nullptr);
  EXPECT_EQ(list->ItemCount(), 0);
  EXPECT_EQ(list->TopIndex(), 0);
}

TEST_F(ListViewTest, KeysMouseAndTheParentsNotifications) {
  list->SetFocus();
  struct TStep {
    UINT Key;
    int Selected;
    int Top;
  };
  const int page = list->VisibleRowCount();
  for (const TStep s : {TStep{VK_DOWN, 0, 0}, TStep{VK_DOWN, 1, 0}, TStep{VK_END, 29, 30 - page},
                        TStep{VK_PRIOR, 29 - (page - 1), 30 - page}, TStep{VK_HOME, 0, 0},
                        TStep{VK_NEXT, page - 1, 0}}) {
    headless::PressKey(s.Key);
    Process();
    EXPECT_EQ(list->ItemIndex(), s.Selected) << s.Key;
    EXPECT_EQ(list->TopIndex(), s.Top) << s.Key;
  }
  headless::PressKey(VK_RETURN);
  Process();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].Code, LVN_ITEMACTIVATE);
  EXPECT_EQ(notes[0].Item, page - 1);

  // A click on a row selects it and tells the parent where; one below the rows tells of no row.
  notes.clear();
  const int y = RowMiddle(2);
  headless::Click(list->Handle(), 50, y);
  Process();
  EXPECT_EQ(list->ItemIndex(), 2);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].Code, NM_CLICK);
  EXPECT_EQ(notes[0].Item, 2);
  EXPECT_EQ(notes[0].Point, TPoint(50, y));
  // A second click at once is a double click: the row is activated.
  headless::Click(list->Handle(), 50, y);
  Process();
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[1].Code, NM_DBLCLK);
  EXPECT_EQ(notes[2].Code, LVN_ITEMACTIVATE);
  EXPECT_EQ(notes[2].Item, 2);
  EXPECT_EQ(notes[3].Code, NM_CLICK);
  headless::Wheel(list->Handle(), 50, y, -120);
  Process();
  EXPECT_EQ(list->TopIndex(), 3);
  list->ClearItems();
  notes.clear();
  clock.Advance(1000);  // no double click
  headless::Click(list->Handle(), 50, y);
  Process();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].Item, -1);
}

TEST_F(ListViewTest, HeaderDividerDragsAColumnWidthAndColumnsScrollAcross) {
  // The divider between the first two columns, 100 pixels in.
  const int header = list->HeaderHeight();
  headless::MouseDown(list->Handle(), 101, header / 2);
  headless::MoveMouse(list->Handle(), 140, header / 2);
  headless::MouseUp(list->Handle(), 140, header / 2);
  Process();
  EXPECT_EQ(list->Column(0).Width, 139);
  EXPECT_EQ(list->ItemIndex(), -1);  // the header selects nothing
  // A column dragged to nothing can be widened again from its divider.
  list->SetColumnWidth(1, 0);
  clock.Advance(1000);  // no double click
  headless::MouseDown(list->Handle(), 139, header / 2);
  headless::MoveMouse(list->Handle(), 160, header / 2);
  headless::MouseUp(list->Handle(), 160, header / 2);
  Process();
  EXPECT_EQ(list->Column(1).Width, 21);
  EXPECT_EQ(list->Column(0).Width, 139);

  const int wide = list->TotalColumnWidth() - list->ClientWidth();
  ASSERT_GT(wide, 0);
  list->SetScrollX(10000);
  EXPECT_EQ(list->ScrollX(), wide);
  EXPECT_EQ(list->ItemRect(0).Left, -wide);
  EXPECT_EQ(list->ItemAtPos({5, RowMiddle(0)}), 0);
  EXPECT_EQ(list->ItemAtPos({5, header - 1}), -1);
}

TEST_F(ListViewTest, DrawsSelectionRightAlignedCellsAndTheHeader) {
  list->SetItemIndex(1);
  list->SetFocus();
  Process();
  const COLORREF highlight = ColorToRGB(clHighlight);
  const int y = RowMiddle(1);
  EXPECT_EQ(At(2, y), highlight);
  EXPECT_NE(At(2, RowMiddle(2)), highlight);
  EXPECT_EQ(At(2, list->HeaderHeight() / 2), ColorToRGB(clBtnFace));
  // "2000" in the right-aligned column stands at its right edge, not its left.
  const int row = RowMiddle(2);
  EXPECT_TRUE(HasText(row, 150, 174));
  EXPECT_FALSE(HasText(row, 101, 120));
  // Scrolled across, the first column's text has gone out at the left.
  EXPECT_TRUE(HasText(row, 6, 30));
  list->SetScrollX(60);
  Process();
  EXPECT_FALSE(HasText(row, 0, 30));
}

TEST_F(ListViewTest, OwnerDrawnRowsAreDrawnByTheParent) {
  list->SetOwnerDraw(true);
  list->SetItemIndex(3);
  list->SetFocus();
  list->Invalidate();
  Process();
  ASSERT_GE(static_cast<int>(drawn.size()), list->VisibleRowCount());
  const DRAWITEMSTRUCT& third = drawn[3];
  EXPECT_EQ(third.CtlType, ODT_LISTVIEW);
  EXPECT_EQ(third.itemID, 3u);
  EXPECT_EQ(third.itemState, ODS_SELECTED | ODS_FOCUS);
  EXPECT_EQ(third.itemData, 103u);
  EXPECT_EQ(third.hwndItem, list->Handle());
  EXPECT_EQ(third.rcItem, list->ItemRect(3));
  EXPECT_EQ(drawn[2].itemState, 0u);
  EXPECT_EQ(At(150, RowMiddle(3)), RGB(0, 0, 255));
  EXPECT_EQ(At(150, RowMiddle(2)), RGB(0, 255, 0));
}

TEST_F(ListViewTest, SmallImagesRaiseTheRowsAndGoWithTheirList) {
  auto* images = new TImageList(form);
  images->SetHeight(24);
  const LRESULT old = Send(LVM_SETIMAGELIST, LVSIL_SMALL, images);
  EXPECT_EQ(old, 0);
  EXPECT_EQ(list->SmallImages(), images);
  EXPECT_EQ(list->RowHeight(), 25);
  delete images;
  EXPECT_EQ(list->SmallImages(), nullptr);
  EXPECT_LT(list->RowHeight(), 25);
}

}  // namespace
}  // namespace lab::testing
