#pragma once
// What the views with their own scroll bars share (memos, list views, rich views): each scrolls down
// by rows and across by pixels, keeps each position inside its range, shows it on the window's own
// bar and moves where the bar's messages say.

#include "platform/controls/messages.h"
#include "platform/controls/win_types.h"

namespace lab {

// One direction of a view: where it stands, what an arrow and a page area move it by, and where its
// content ends.
struct TScrollAxis {
  int Pos = 0;
  int Line = 1;
  int Page = 1;
  int End = 0;
};

// Puts Value, brought into 0 .. Max (0 for a Max below it), into Pos; answers whether Pos changed.
bool MoveScrollPosition(int& Pos, int Value, int Max) noexcept;

// Shows a window's own bar (SB_VERT or SB_HORZ) over content 0 .. Last with Page of it in view, at Pos.
void ShowViewScrollBar(win::HWND Handle, int Bar, int Last, int Page, int Pos);

// Whether Message is a WM_VSCROLL or WM_HSCROLL from the window's own bars (a bar control's
// carries its handle and goes to its parent's own handling).
bool IsViewScroll(const TMessage& Message) noexcept;
// Where the bar's code and thumb position in Message move Axis.
int ScrolledTo(const TMessage& Message, const TScrollAxis& Axis);

}  // namespace lab
