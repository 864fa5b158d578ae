#pragma once
// The rows of the exception dialog's call-stack and module lists: heading rows (a thread's caption)
// whose rows below them collapse and expand, separator rows, and rows with a module-kind image, all
// drawn by the dialog for its owner-drawn list view (WM_DRAWITEM) in the dialog's colours. The list
// view is driven through the crash reporter's GUI by the list-view messages (common_controls.h).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls/common_controls.h"
#include "platform/graphics/gdi.h"

namespace lab {

class TBitmap;
class TImageList;

// One row. Rows stay in the list when collapsed; Visible says whether the window shows them.
struct TListViewItemRec {
  win::HWND Window = nullptr;
  std::vector<std::string> Texts;  // by column
  int ImageIndex = -1;             // module kind 0 to 3, -1 none
  int Level = 0;                   // 1 under a nested heading
  std::uint32_t Data = 0;
  bool IsGroup = false;            // a heading that collapses the rows under it
  bool Expanded = true;
  bool IsSeparator = false;        // no heading, and an empty first column
  bool Visible = true;
  std::string Text;                // a heading's caption
  const TListViewItemRec* Link = nullptr;  // the row before it in its group; nullptr first in one
};

// Images of the rows and their index in the list view's image list.
enum TListViewImage : std::uint8_t { liDll = 0, liPackage = 1, liFramework = 2, liSource = 3 };

// Draws a bitmap with the colour of its top-left pixel left out, through a monochrome mask.
void DrawTransparentBitmap(win::HDC DC, win::HBITMAP Bitmap, int X, int Y, int Width, int Height);

class TListViewItems {
 public:
  // Takes the list view: gives it the image list of the module kinds, reads its columns'
  // alignments and its font (a bold one is made for headings).
  explicit TListViewItems(win::HWND Window);
  ~TListViewItems();
  TListViewItems(const TListViewItems&) = delete;
  TListViewItems& operator=(const TListViewItems&) = delete;

  win::HWND Window() const noexcept { return window_; }
  int Count() const noexcept { return static_cast<int>(rows_.size()); }
  const TListViewItemRec& Row(int Index) const;
  // The blanks before a nested row's first column, and their width in pixels.
  const std::string& IndentText() const noexcept { return indent_text_; }
  int IndentWidth() const noexcept { return indent_width_; }
  // The alignments of the columns as the list view had them when taken.
  const std::vector<int>& ColumnFormats() const noexcept { return column_formats_; }

  // Appends a row to the list and to the end of the window. Headings since the last separator are
  // counted: from the second on, rows other than separators go one level in (their first column
  // behind IndentText()).
  void AddItem(std::vector<std::string> Texts, bool IsGroup, std::uint32_t Data, int ImageIndex, std::string Text);
  // Empties the list and the window.
  void Clear();
  // The row the window shows at Position; nullptr for none.
  const TListViewItemRec* RowAt(int Position);
  // A click at Point (the list's client coordinates) on the window's row Index: a heading with rows
  // under it collapses (its rows leave the window) or expands (they come back, without those of a
  // collapsed heading inside it). With CheckHit only a click inside the heading's plus/minus box
  // counts. Answers whether it toggled.
  bool ToggleExpanded(int Index, TPoint Point, bool CheckHit);
  // Draws a row for WM_DRAWITEM; always true (the item is drawn).
  bool DrawItem(const win::DRAWITEMSTRUCT& Item);

 private:
  int IndexOf(const TListViewItemRec* Row) const;
  // The window's position of a row: the shown rows before it.
  int PositionOf(int Index) const;
  void InsertInWindow(int Index);
  // The rows under a heading: up to the next separator, or heading of its level or less.
  int ChildrenEnd(int Heading) const;
  // Where a heading's plus/minus box is drawn in its row.
  int BoxLeft(const TListViewItemRec& Row, const TRect& ItemRect, int Position) const;
  void DrawHeading(const win::DRAWITEMSTRUCT& Item, const TListViewItemRec& Row, TRect Rect, int Offset);
  void DrawCells(const win::DRAWITEMSTRUCT& Item, const TListViewItemRec& Row, TRect Rect, int Offset);

  win::HWND window_;
  std::vector<std::unique_ptr<TListViewItemRec>> rows_;
  int headings_since_separator_ = 0;
  const TListViewItemRec* current_ = nullptr;
  std::string indent_text_;
  int indent_width_ = 0;
  std::vector<int> column_formats_;
  win::HFONT bold_font_ = nullptr;
  win::HBRUSH brushes_[6] = {};
  std::unique_ptr<TBitmap> bitmaps_[6];  // CR_DLL, CR_PKG, CR_FWK, CR_SRC, CR_PLUS, CR_MINUS
  std::unique_ptr<TImageList> images_;   // the first four
};

}  // namespace lab
