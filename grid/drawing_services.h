#pragma once
// Drawing services the data grid shares with its edit controls and lookup grids: the pieces of a
// tree outline, the faces of in-cell buttons and check boxes, bitmaps from resources, and thin
// string-taking forms of the text and mapping functions.

#include <string>
#include <string_view>

#include "platform/controls/control_types.h"
#include "platform/graphics/canvas.h"
#include "platform/win/draw_text.h"

namespace lab {

class TBitmap;

// One element of a tree outline in Rect: 0 expanded node with a following sibling, 1 expanded last
// node, 3 collapsed node with a following sibling, 4 collapsed last node (a framed minus or plus
// box with dotted connectors), 6 leaf with a following sibling, 7 last leaf (connectors only), 9 a
// vertical line passing through. Other kinds draw nothing. The box scales with ScaleX and ScaleY;
// OddPhase starts the dots on the other pixel, so dots line up across rows of odd height.
void DrawTreeElement(TCanvas* Canvas, const TRect& Rect, int Kind, double ScaleX, double ScaleY, bool OddPhase);

// The looks of PaintButtonControlX.
enum TButtonLookX { blDropDownX = 0, blEllipsisX = 1, blUpDownX = 2, blCheckBoxX = 3, blPlusX = 4, blMinusX = 5 };

// A button face in Rect: a drop-down arrow, an ellipsis, up and down arrows, a check box (in
// CheckState), a plus or a minus. Flat looks draw no 3D edge: the face takes ParentColor, or the
// button face colour with a shadow frame when hot or pressed. A pressed face is sunken with its sign
// one pixel down and right; a disabled one has a grey sign.
void PaintButtonControlX(win::HDC DC, const TRect& Rect, TColor ParentColor, int Look, bool Pressed, bool Flat,
                         bool Hot, bool Enabled, TCheckBoxState CheckState);

// Loads a bitmap from a named bitmap resource; Module is accepted for the framework's form.
void LoadBitmapFromResourceX(TBitmap* Bitmap, void* Module, std::string_view Name);

// DrawText, DrawTextEx, GetOutlineTextMetrics and LPtoDP taking strings and records.
int DrawTextX(win::HDC DC, std::string_view Text, TRect& Rect, win::UINT Format);
int DrawTextExX(win::HDC DC, std::string_view Text, TRect& Rect, win::UINT Format, win::DRAWTEXTPARAMS* Params);
win::OUTLINETEXTMETRIC GetOutlineTextMetricsX(win::HDC DC);
TPoint LPtoDPX(win::HDC DC, TPoint P);
TRect LPtoDPX(win::HDC DC, const TRect& R);

}  // namespace lab
