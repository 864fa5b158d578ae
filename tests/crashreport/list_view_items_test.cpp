// The rows of the dialog's lists on a real list view (headless): levels, groups and links, collapsing
// and expanding (with and without the box test), the drawing of every kind of row, the transparent
// bitmaps; and rich text streamed into a rich-text view by window handle.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "crashreport/dialogs/list_view_items.h"
#include "crashreport/report/report_rtf.h"
#include "fake_crash_gui.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/image_list.h"
#include "platform/controls/list_view.h"
#include "platform/controls/painting.h"
#include "platform/controls/rich_view.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/gdi_objects.h"

namespace lab {
namespace {

using namespace win;

class ListViewItems : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBackend(CreateHeadlessBackend());
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 500, 400);
    list = new TListView(form);
    list->SetParent(form);
    list->SetBounds(0, 0, 480, 380);
    list->AddColumn("Address", 120);
    list->AddColumn("Module", 100);
    list->AddColumn("Line", 60, taRightJustify);
    list->SetOwnerDraw(true);
    // The dialog's page: rows drawn by the row model.
    previous = form->WindowProc;
    form->WindowProc = [this](TMessage& m) {
      if (m.Msg == WM_DRAWITEM && items) {
        m.Result = items->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam));
        return;
      }
      previous(m);
    };
    form->Show();
    items = std::make_unique<TListViewItems>(list->Handle());
  }
  void TearDown() override {
    items.reset();
    delete form;
    Application->ProcessMessages();
  }
  // A call stack as the dialog lists it: a heading per thread, a separator before all but the first.
  void AddThreads() {
    items->AddItem({""}, true, 1, -1, "Exception Thread: ID=1");
    items->AddItem({"0000000000401000", "prog", "12"}, false, 0, liSource, "");
    items->AddItem({"0000000000401100", "prog", ""}, false, 0, liDll, "");
    items->AddItem({"  "}, false, 0, -1, "");
    items->AddItem({""}, true, 0, -1, "Running Thread: ID=2");
    items->AddItem({"0000000000402000", "libc.so.6", ""}, false, 0, liDll, "");
  }
  std::vector<std::string> Shown() {
    std::vector<std::string> texts;
    for (int i = 0; i < list->ItemCount(); ++i) {
      const TListViewItemRec* row = items->RowAt(i);
      texts.push_back(row->IsGroup ? row->Text : row->Texts[0]);
    }
    return texts;
  }
  COLORREF At(int x, int y) {
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    TPoint p{x, y};
    wm::MapWindowPoints(list->Handle(), form->Handle(), &p, 1);
    return ColorOfPixel(s->Row(p.Y)[p.X]);
  }

  TForm* form = nullptr;
  TListView* list = nullptr;
  TWndMethod previous;
  std::unique_ptr<TListViewItems> items;
};

TEST_F(ListViewItems, RowsGroupsLevelsAndLinks) {
  AddThreads();
  ASSERT_EQ(items->Count(), 6);
  ASSERT_EQ(list->ItemCount(), 6);
  EXPECT_EQ(list->ItemText(1, 1), "prog");
  EXPECT_EQ(list->ItemText(1, 2), "12");
  EXPECT_EQ(list->Item(1).ImageIndex, liSource);
  EXPECT_EQ(list->SmallImages()->Count(), 4);
  const TListViewItemRec& separator = items->Row(3);
  EXPECT_TRUE(separator.IsSeparator);
  EXPECT_FALSE(items->Row(0).IsSeparator);  // a heading never is one
  EXPECT_EQ(separator.Link, &items->Row(2));
  EXPECT_EQ(items->Row(4).Link, nullptr);  // a group starts after a separator
  EXPECT_EQ(items->Row(5).Link, &items->Row(4));
  for (int i = 0; i < items->Count(); ++i) EXPECT_EQ(items->Row(i).Level, 0) << i;
  EXPECT_EQ(items->ColumnFormats(), (std::vector<int>{LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_RIGHT}));

  // A second heading without a separator nests: it and the rows after it go one level in.
  items->AddItem({""}, true, 0, -1, "Calling Thread: ID=2");
  items->AddItem({"0000000000403000"}, false, 0, liDll, "");
  EXPECT_EQ(items->Row(6).Level, 1);
  EXPECT_EQ(items->Row(7).Level, 1);
  EXPECT_EQ(items->Row(7).Texts[0], items->IndentText() + "0000000000403000");
  EXPECT_GE(items->IndentWidth(), 16);
  items->Clear();
  EXPECT_EQ(list->ItemCount(), 0);
  items->AddItem({"a"}, false, 0, -1, "");
  EXPECT_EQ(items->Row(0).Level, 0);
  EXPECT_EQ(items->Row(0).Link, nullptr);
}

TEST_F(ListViewItems, HeadingsCollapseAndExpandTheirRows) {
  AddThreads();
  items->AddItem({""}, true, 0, -1, "Calling Thread: ID=2");  // nested in the second thread
  items->AddItem({"0000000000403000"}, false, 0, liDll, "");
  EXPECT_FALSE(items->ToggleExpanded(1, {}, false));  // no heading
  EXPECT_FALSE(items->ToggleExpanded(list->ItemCount(), {}, false));  // past the rows

  EXPECT_TRUE(items->ToggleExpanded(6, {}, false));  // the nested heading
  EXPECT_EQ(list->ItemCount(), 7);
  EXPECT_TRUE(items->ToggleExpanded(4, {}, false));  // the second thread with the nested heading
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Exception Thread: ID=1", "0000000000401000", "0000000000401100", "  ",
                                               "Running Thread: ID=2"}));
  EXPECT_FALSE(items->Row(5).Visible);
  EXPECT_EQ(items->Count(), 8);  // rows stay in the list
  EXPECT_TRUE(items->ToggleExpanded(4, {}, false));
  // The nested heading comes back collapsed.
  EXPECT_EQ(list->ItemCount(), 7);
  EXPECT_EQ(Shown().back(), "Calling Thread: ID=2");
  EXPECT_TRUE(items->ToggleExpanded(0, {}, false));
  EXPECT_EQ(list->ItemCount(), 5);
  EXPECT_EQ(Shown()[1], "  ");
  EXPECT_TRUE(items->ToggleExpanded(0, {}, false));
  EXPECT_EQ(list->ItemCount(), 7);
}

TEST_F(ListViewItems, BoxTestCountsOnlyClicksInsideTheBox) {
  AddThreads();
  items->AddItem({""}, true, 0, -1, "Calling Thread: ID=3");
  items->AddItem({"0000000000403000"}, false, 0, liDll, "");
  struct TCase {
    int Row;  // in the window
    int DX, DY;
    bool Toggles;
  };
  // The first heading's box is 2 to 12 pixels in from its row's left and top edges; the grey heading
  // (data 0, not the first row) draws its box one indentation further right, where it counts too.
  const int indent = items->IndentWidth();
  const TCase cases[] = {
      {0, 2, 2, true},        {0, 12, 12, true},          {0, 1, 6, false},  {0, 13, 6, false},
      {0, 6, 1, false},       {0, 6, 13, false},          {4, 2, 6, false},  {4, indent + 2, 6, true},
      {4, indent + 12, 12, true}, {4, indent + 13, 6, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Row) + ": " + std::to_string(c.DX) + ", " + std::to_string(c.DY));
    const TRect r = list->ItemRect(c.Row);
    const bool expanded = items->RowAt(c.Row)->Expanded;
    EXPECT_EQ(items->ToggleExpanded(c.Row, {r.Left + c.DX, r.Top + c.DY}, true), c.Toggles);
    EXPECT_EQ(items->RowAt(c.Row)->Expanded, expanded != c.Toggles);
    if (c.Toggles) items->ToggleExpanded(c.Row, {}, false);
  }
}

TEST_F(ListViewItems, DrawsHeadingsRowsAndTheFocus) {
  AddThreads();
  list->SetItemIndex(1);
  list->SetFocus();
  Application->ProcessMessages();
  const TRect heading = list->ItemRect(0), selected = list->ItemRect(1), plain = list->ItemRect(2);
  const TRect separator = list->ItemRect(3), grey = list->ItemRect(4);
  struct TCase {
    const char* What;
    int X, Y;
    COLORREF Color;
  };
  const TCase cases[] = {
      {"plain row", 400, plain.Top + 3, RGB(255, 255, 255)},
      {"selected row", 400, selected.Top + 3, RGB(204, 218, 241)},
      {"row line", 400, plain.Bottom - 1, RGB(206, 203, 194)},
      {"no line under a separator", 400, separator.Bottom - 1, RGB(255, 255, 255)},
      {"heading band", 400, heading.Bottom - 1, RGB(123, 164, 224)},
      {"focus frame of a selected row in a focused list", 400, selected.Top, RGB(49, 106, 197)},
      {"left of the fill", 1, plain.Top + 3, ColorToRGB(clWindow)},
      {"box edge", heading.Left + 2, heading.Top + 2, RGB(128, 128, 128)},
      {"box sign", heading.Left + 7, heading.Top + 7, RGB(0, 0, 0)},
      {"box margin left out", heading.Left + 1, heading.Top + 1, RGB(255, 255, 255)},
      {"grey heading's box moved in", grey.Left + items->IndentWidth() + 2, grey.Top + 2, RGB(128, 128, 128)},
      {"image edge", plain.Left + 2 + 2, plain.Top + 1, RGB(0, 0, 0)},
      {"image background left out", plain.Left + 2, plain.Top, RGB(255, 255, 255)},
  };
  for (const TCase& c : cases) EXPECT_EQ(At(c.X, c.Y), c.Color) << c.What;
  // Heading texts in their colours (near them, as text is smoothed): the first shown dark red, a
  // grey one grey.
  const auto has = [&](const TRect& r, COLORREF color) {
    for (int y = r.Top; y < r.Bottom - 2; ++y)
      for (int x = r.Left + 15; x < r.Left + 200; ++x) {
        const COLORREF c = At(x, y);
        if (std::abs(GetRValue(c) - GetRValue(color)) < 24 && std::abs(GetGValue(c) - GetGValue(color)) < 24 &&
            std::abs(GetBValue(c) - GetBValue(color)) < 24)
          return true;
      }
    return false;
  };
  EXPECT_TRUE(has(heading, RGB(128, 0, 0)));
  EXPECT_TRUE(has(grey, RGB(96, 96, 96)));
  // Without the focus the frame takes the lighter blue.
  wm::SetFocus(nullptr);
  list->Invalidate();
  Application->ProcessMessages();
  EXPECT_EQ(At(400, selected.Top), RGB(152, 181, 226));
}

TEST(TransparentBitmap, LeavesOutTheTopLeftColour) {
  TBitmap image(4, 3), target(6, 5);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) image.Canvas()->SetPixels(x, y, x == y + 1 ? clRed : clFuchsia);
  target.Canvas()->Brush()->SetColor(clLime);
  target.Canvas()->FillRect({0, 0, 6, 5});
  DrawTransparentBitmap(target.Canvas()->Handle(), image.Handle(), 1, 1, 4, 3);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool drawn = y >= 1 && y <= 3 && x == y + 1;
      EXPECT_EQ(target.Canvas()->Pixels(x, y), drawn ? clRed : clLime) << x << "," << y;
    }
  EXPECT_EQ(image.Canvas()->Pixels(0, 0), clFuchsia);  // the bitmap itself is left as it was
  EXPECT_EQ(image.Canvas()->Pixels(1, 0), clRed);
}

TEST(RichEditByHandle, StreamsRichTextAndSetsTheBackground) {
  SetBackend(CreateHeadlessBackend());
  auto* form = new TForm(nullptr);
  auto* view = new TRichView(form);
  view->SetParent(form);
  form->Show();
  const std::string header = "CrashLog 1.1.0\r\n\r\nApplication:\r\n------\r\n  1.1 Start: now {x}\r\n";
  EXPECT_TRUE(SetRichEditRTF(view->Handle(), ReportToRTF(header)));
  EXPECT_EQ(view->Text(), header.substr(0, header.size() - 2));
  SetRichEditBackColor(view->Handle(), clBtnFace);
  EXPECT_EQ(ColorToRGB(view->Color()), ColorToRGB(clBtnFace));
  SetRichEditBackColor(view->Handle(), static_cast<TColor>(RGB(1, 2, 3)));
  EXPECT_EQ(view->Color(), static_cast<TColor>(RGB(1, 2, 3)));
  delete form;
  {
    testing::TFakeCrashGui fake;  // a window that is gone takes nothing
    EXPECT_FALSE(SetRichEditRTF(reinterpret_cast<HWND>(1), ReportToRTF(header)));
    ASSERT_EQ(fake.Sent.size(), 1u);
    EXPECT_EQ(fake.Sent[0].message, EM_STREAMIN);
  }
}

}  // namespace
}  // namespace lab
