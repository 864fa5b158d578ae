#include "crashreport/dialogs/list_view_items.h"

#include "crashreport/dialogs/crash_gui.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/draw_text.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"

namespace lab {

using namespace win;

namespace {

constexpr UINT kTextFlags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;  // 0x8824
constexpr int kImageSize = 16, kBoxSize = 13;
constexpr const char* kBitmapNames[6] = {"CR_DLL", "CR_PKG", "CR_FWK", "CR_SRC", "CR_PLUS", "CR_MINUS"};
constexpr int kPlus = 4, kMinus = 5;
// Selected fill, plain fill, focus frame (selected, focused list), focus frame, heading band, row line.
constexpr COLORREF kBrushColors[6] = {RGB(204, 218, 241), RGB(255, 255, 255), RGB(49, 106, 197),
                                      RGB(152, 181, 226), RGB(123, 164, 224), RGB(206, 203, 194)};
enum TBrush { bSelected, bPlain, bFocusActive, bFocus, bBand, bLine };

LRESULT Send(HWND Window, UINT Msg, WPARAM WParam, const void* LParam) {
  return CrashGui().SendMessage(Window, Msg, WParam, reinterpret_cast<LPARAM>(LParam));
}

}  // namespace

void DrawTransparentBitmap(HDC DC, HBITMAP Bitmap, int X, int Y, int Width, int Height) {
  HDC image = CreateCompatibleDC(DC), back = CreateCompatibleDC(DC), mask = CreateCompatibleDC(DC),
      mem = CreateCompatibleDC(DC), save = CreateCompatibleDC(DC);
  HBITMAP back_bitmap = CreateBitmap(Width, Height, 1, 1, nullptr);
  HBITMAP mask_bitmap = CreateBitmap(Width, Height, 1, 1, nullptr);
  HBITMAP mem_bitmap = CreateCompatibleBitmap(DC, Width, Height);
  HBITMAP save_bitmap = CreateCompatibleBitmap(DC, Width, Height);
  HGDIOBJ old_image = SelectObject(image, Bitmap), old_back = SelectObject(back, back_bitmap),
          old_mask = SelectObject(mask, mask_bitmap), old_mem = SelectObject(mem, mem_bitmap),
          old_save = SelectObject(save, save_bitmap);
  TScopeExit release([&] {
    SelectObject(image, old_image);
    SelectObject(back, old_back);
    SelectObject(mask, old_mask);
    SelectObject(mem, old_mem);
    SelectObject(save, old_save);
    for (HBITMAP b : {back_bitmap, mask_bitmap, mem_bitmap, save_bitmap}) DeleteObject(b);
    for (HDC d : {image, back, mask, mem, save}) DeleteDC(d);
  });
  BitBlt(save, 0, 0, Width, Height, image, 0, 0, SRCCOPY);  // the bitmap as it was
  // The mask: 1 where the bitmap has the colour of its top-left pixel.
  const COLORREF old_back_color = SetBkColor(image, GetPixel(image, 0, 0));
  BitBlt(mask, 0, 0, Width, Height, image, 0, 0, SRCCOPY);
  SetBkColor(image, old_back_color);
  BitBlt(back, 0, 0, Width, Height, mask, 0, 0, NOTSRCCOPY);
  // The background with holes where the bitmap shows, the bitmap without its background, both
  // together back onto the destination.
  BitBlt(mem, 0, 0, Width, Height, DC, X, Y, SRCCOPY);
  BitBlt(mem, 0, 0, Width, Height, mask, 0, 0, SRCAND);
  BitBlt(image, 0, 0, Width, Height, back, 0, 0, SRCAND);
  BitBlt(mem, 0, 0, Width, Height, image, 0, 0, SRCPAINT);
  BitBlt(DC, X, Y, Width, Height, mem, 0, 0, SRCCOPY);
  BitBlt(image, 0, 0, Width, Height, save, 0, 0, SRCCOPY);
}

TListViewItems::TListViewItems(HWND Window) : window_(Window), images_(std::make_unique<TImageList>(nullptr)) {
  for (int i = 0; i < 6; ++i) {
    bitmaps_[i] = std::make_unique<TBitmap>();
    bitmaps_[i]->LoadFromResourceName(nullptr, kBitmapNames[i]);
    brushes_[i] = CreateSolidBrush(kBrushColors[i]);
  }
  images_->SetWidth(kImageSize);
  images_->SetHeight(kImageSize);
  for (int i = 0; i < 4; ++i) images_->AddMasked(bitmaps_[i].get(), bitmaps_[i]->Canvas()->Pixels(0, 0));
  Send(window_, LVM_SETIMAGELIST, LVSIL_SMALL, images_.get());

  for (int column = 0;; ++column) {
    LVCOLUMN c;
    c.mask = LVCF_FMT;
    if (!Send(window_, LVM_GETCOLUMN, static_cast<WPARAM>(column), &c)) break;
    column_formats_.push_back(c.fmt);
  }

  // The headings' bold font, and blanks as wide as an image in the list's font.
  auto font = reinterpret_cast<HFONT>(Send(window_, WM_GETFONT, 0, nullptr));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONT lf{};
  GetObject(font, &lf);
  lf.lfWeight = FW_BOLD;
  bold_font_ = CreateFontIndirect(&lf);
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE blank{};
  GetTextExtentPoint32(dc, " ", 1, &blank);
  SelectObject(dc, old);
  DeleteDC(dc);
  do {
    indent_text_ += ' ';
    indent_width_ += std::max(blank.cx, 1);
  } while (indent_width_ < kImageSize);
}

TListViewItems::~TListViewItems() {
  Send(window_, LVM_SETIMAGELIST, LVSIL_SMALL, nullptr);
  for (HBRUSH b : brushes_) DeleteObject(b);
  DeleteObject(bold_font_);
}

const TListViewItemRec& TListViewItems::Row(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", Index);
  return *rows_[static_cast<std::size_t>(Index)];
}

int TListViewItems::IndexOf(const TListViewItemRec* Row) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].get() == Row) return static_cast<int>(i);
  return -1;
}

int TListViewItems::PositionOf(int Index) const {
  int position = 0;
  for (int i = 0; i < Index; ++i) position += rows_[static_cast<std::size_t>(i)]->Visible ? 1 : 0;
  return position;
}

void TListViewItems::InsertInWindow(int Index) {
  TListViewItemRec& row = *rows_[static_cast<std::size_t>(Index)];
  std::string first = row.Texts.empty() ? std::string() : row.Texts[0];
  LVITEM item;
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
  item.iItem = PositionOf(Index);
  item.pszText = first.data();
  item.iImage = row.ImageIndex;
  item.lParam = Index;
  const auto position = Send(window_, LVM_INSERTITEM, 0, &item);
  for (std::size_t column = 1; column < row.Texts.size(); ++column) {
    LVITEM cell;
    cell.iSubItem = static_cast<int>(column);
    cell.pszText = row.Texts[column].data();
    Send(window_, LVM_SETITEMTEXT, static_cast<WPARAM>(position), &cell);
  }
  row.Visible = true;
}

void TListViewItems::AddItem(std::vector<std::string> Texts, bool IsGroup, std::uint32_t Data, int ImageIndex,
                             std::string Text) {
  auto row = std::make_unique<TListViewItemRec>();
  row->Window = window_;
  row->IsGroup = IsGroup;
  row->IsSeparator = !IsGroup && Trim(Texts.empty() ? std::string() : Texts[0]).empty();
  if (row->IsSeparator) headings_since_separator_ = 0;
  else if (IsGroup) ++headings_since_separator_;
  if (!row->IsSeparator && headings_since_separator_ > 1) {
    row->Level = 1;
    if (!Texts.empty()) Texts[0] = indent_text_ + Texts[0];
  }
  row->Texts = std::move(Texts);
  row->Data = Data;
  row->ImageIndex = ImageIndex;
  row->Text = std::move(Text);
  row->Link = current_;
  current_ = row->IsSeparator ? nullptr : row.get();
  rows_.push_back(std::move(row));
  InsertInWindow(Count() - 1);
}

void TListViewItems::Clear() {
  rows_.clear();
  headings_since_separator_ = 0;
  current_ = nullptr;
  Send(window_, LVM_DELETEALLITEMS, 0, nullptr);
}

const TListViewItemRec* TListViewItems::RowAt(int Position) {
  LVITEM item;
  item.mask = LVIF_PARAM;
  item.iItem = Position;
  if (!Send(window_, LVM_GETITEM, 0, &item) || item.lParam < 0 || item.lParam >= Count()) return nullptr;
  return rows_[static_cast<std::size_t>(item.lParam)].get();
}

int TListViewItems::ChildrenEnd(int Heading) const {
  const int level = rows_[static_cast<std::size_t>(Heading)]->Level;
  int end = Heading + 1;
  for (; end < Count(); ++end) {
    const TListViewItemRec& row = *rows_[static_cast<std::size_t>(end)];
    if (row.IsSeparator || (row.IsGroup && row.Level <= level)) break;
  }
  return end;
}

// A heading's box is drawn one pixel in from its row's left edge, which a grey heading (neither the
// first row shown nor one with a data value) moves right by one indentation.
int TListViewItems::BoxLeft(const TListViewItemRec& Row, const TRect& ItemRect, int Position) const {
  const bool grey = Position != 0 && Row.Data == 0;
  return ItemRect.Left + (grey ? indent_width_ : 0) + 1;
}

bool TListViewItems::ToggleExpanded(int Index, TPoint Point, bool CheckHit) {
  const TListViewItemRec* found = RowAt(Index);
  if (!found || !found->IsGroup) return false;
  const int heading = IndexOf(found);
  const int end = ChildrenEnd(heading);
  if (end == heading + 1) return false;
  if (CheckHit) {
    RECT rect;
    if (!Send(window_, LVM_GETITEMRECT, static_cast<WPARAM>(Index), &rect)) return false;
    // The box's inside: 2 to 12 pixels in from the bitmap's corner's row edge.
    const int left = BoxLeft(*found, rect, Index) + 1, top = rect.Top + 2;
    if (Point.X < left || Point.X > left + 10 || Point.Y < top || Point.Y > top + 10) return false;
  }
  TListViewItemRec& row = *rows_[static_cast<std::size_t>(heading)];
  row.Expanded = !row.Expanded;
  if (!row.Expanded) {
    for (int i = end - 1; i > heading; --i) {
      TListViewItemRec& child = *rows_[static_cast<std::size_t>(i)];
      if (!child.Visible) continue;
      Send(window_, LVM_DELETEITEM, static_cast<WPARAM>(PositionOf(i)), nullptr);
      child.Visible = false;
    }
  } else {
    for (int i = heading + 1; i < end;) {
      InsertInWindow(i);
      const TListViewItemRec& child = *rows_[static_cast<std::size_t>(i)];
      i = child.IsGroup && !child.Expanded ? ChildrenEnd(i) : i + 1;
    }
  }
  return true;
}

bool TListViewItems::DrawItem(const DRAWITEMSTRUCT& Item) {
  const TListViewItemRec* found = RowAt(static_cast<int>(Item.itemID));
  if (!found) return true;
  const TListViewItemRec& row = *found;
  HDC dc = Item.hDC;
  SetBkMode(dc, TRANSPARENT);
  const int offset = row.Level * indent_width_;
  const bool selected = (Item.itemState & ODS_SELECTED) != 0;
  const TRect fill{Item.rcItem.Left + offset + 2, Item.rcItem.Top, Item.rcItem.Right, Item.rcItem.Bottom};
  FillRect(dc, &fill, brushes_[selected ? bSelected : bPlain]);
  SetTextColor(dc, RGB(0, 0, 0));
  if (row.IsGroup)
    DrawHeading(Item, row, Item.rcItem, offset);
  else
    DrawCells(Item, row, Item.rcItem, offset);
  if (Item.itemState & ODS_FOCUS) {
    const bool active = selected && CrashGui().FocusedWindow() == window_;
    FrameRect(dc, &fill, brushes_[active ? bFocusActive : bFocus]);
  }
  return true;
}

void TListViewItems::DrawHeading(const DRAWITEMSTRUCT& Item, const TListViewItemRec& Row, TRect Rect, int) {
  HDC dc = Item.hDC;
  const int position = static_cast<int>(Item.itemID);
  const COLORREF color = position == 0 ? RGB(128, 0, 0) : Row.Data != 0 ? RGB(0, 0, 128) : RGB(96, 96, 96);
  Rect.Left = BoxLeft(Row, Rect, position) - 1;
  const TRect band{Rect.Left + 2, Rect.Bottom - 2, Rect.Right, Rect.Bottom};
  FillRect(dc, &band, brushes_[bBand]);
  const HGDIOBJ old = SelectObject(dc, bold_font_);
  SetTextColor(dc, color);
  TRect text{Rect.Left + 15, Rect.Top - 1, Rect.Right + 15, Rect.Bottom};
  DrawText(dc, Row.Text, -1, &text, kTextFlags);
  SelectObject(dc, old);
  DrawTransparentBitmap(dc, bitmaps_[Row.Expanded ? kMinus : kPlus]->Handle(), Rect.Left + 1, Rect.Top + 1, kBoxSize,
                        kBoxSize);
}

void TListViewItems::DrawCells(const DRAWITEMSTRUCT& Item, const TListViewItemRec& Row, TRect Rect, int Offset) {
  HDC dc = Item.hDC;
  if (Row.ImageIndex >= liDll && Row.ImageIndex <= liSource)
    DrawTransparentBitmap(dc, bitmaps_[Row.ImageIndex]->Handle(), Rect.Left + 2 + Offset, Rect.Top, kImageSize,
                          kImageSize);
  if (!Row.IsSeparator) {
    const TRect line{Rect.Left + Offset + 2, Rect.Bottom - 1, Rect.Right, Rect.Bottom};
    FillRect(dc, &line, brushes_[bLine]);
  }
  int x = Rect.Left;
  for (std::size_t column = 0; column < column_formats_.size(); ++column) {
    const int width = static_cast<int>(Send(window_, LVM_GETCOLUMNWIDTH, column, nullptr));
    TRect text{x + (column == 0 ? 20 : 6), Rect.Top, 0, Rect.Bottom};
    x += width;
    text.Right = x - (column == 0 ? 2 : 6);
    if (column >= Row.Texts.size() || text.Right <= text.Left) continue;
    const int format = column_formats_[column];
    const UINT align = format == LVCFMT_RIGHT ? DT_RIGHT : format == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    DrawText(dc, Row.Texts[column], -1, &text, kTextFlags | align);
  }
}

}  // namespace lab
