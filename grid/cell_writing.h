#pragma once
// Writing into grid cells: text fitted into a cell rectangle (alignment, vertical layout, word
// wrap, end ellipsis, margins, right-to-left reading), vertical title text, and images placed in a
// cell. Titles, data cells, footers and the lookup grids all write through these.
//
// One drawing bitmap serves every grid of the process: the first grid made acquires it, the last
// one freed releases it. Cells whose background the device cannot show as a pure colour, and all
// vertical text, are composed on it and copied to the target.

#include <string>
#include <string_view>

#include "platform/classes/alignment.h"
#include "platform/controls/control_types.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/image_list.h"

namespace lab {

void AcquireDrawBitmap();
void ReleaseDrawBitmap() noexcept;
// The shared bitmap while any grid holds it, else nullptr; and how many hold it.
TBitmap* DrawBitmap() noexcept;
int DrawBitmapUsers() noexcept;

// Text unchanged when it is at most MaxWidth wide on Canvas; else cut from the end with "..."
// appended: the first cut drops two characters, each further one one more, until it fits or only
// "..." is left.
std::string EllipsisText(std::string_view Text, TCanvas* Canvas, int MaxWidth);

// One call of DrawTextInRect.
struct TWriteTextParamsX {
  TCanvas* Canvas = nullptr;
  TRect Rect;
  bool FillRect = true;
  int DX = 0, DY = 0;
  std::string_view Text;
  TAlignment Alignment = taLeftJustify;
  TTextLayout Layout = tlTop;
  bool WordWrap = false;
  bool EndEllipsis = false;
  int LeftMarg = 0, RightMarg = 0;
  bool RightToLeft = false;
};

// Formatted text through DrawTextEx, the rectangle inset by DX and DY, moved down to centre the
// text or put it at the bottom for those layouts.
void DrawTextInRect(const TWriteTextParamsX& Params);

// Cell text: multi-line text through DrawTextInRect; single-line text cut with an ellipsis when
// asked, placed left (DX in), right or centred, and written with TextRect DY below the top. With
// FillRect false the background stays as it is.
void WriteCellText(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, std::string_view Text,
                   TAlignment Alignment, TTextLayout Layout, bool MultiLine, bool EndEllipsis, int LeftMarg,
                   int RightMarg, bool RightToLeft);

// A device font for vertical titles: Font turned by 90 degrees (a font named "Default" takes the
// default face). The caller deletes it.
win::HFONT CreateRotatedFont(TFont* Font);

// Vertical text, running bottom to top: Alignment places it along the cell's height (left justify
// at the bottom), Layout across the width (top at the left). With CalcHeight nothing is drawn and
// the answer is the height the text takes; otherwise the answer is 0.
int WriteCellTextVertical(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, std::string_view Text,
                          TAlignment Alignment, TTextLayout Layout, bool EndEllipsis, bool CalcHeight);

// An image in a cell: DX in from the left, against the right or centred by Alignment, centred
// vertically; clipped to the cell when it is larger, the canvas's clip restored afterwards. An
// index outside the list draws nothing.
void DrawImageInCell(TCustomImageList* Images, TCanvas* Canvas, const TRect& Rect, int ImageIndex, int DX,
                     TAlignment Alignment);
void DrawImageInCell(TGraphic* Graphic, TCanvas* Canvas, const TRect& Rect, int DX, TAlignment Alignment);

}  // namespace lab
