// Dragging and dropping: the end of a drag. Dragging text between and within editors is not built
// yet, so a drag over the editor and a drop on it get the framework's handling only.

#include "editor/codeedit.h"

namespace lab {

void TCustomCodeEdit::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TCustomControl::DragOver(Source, X, Y, State, Accept);
}

void TCustomCodeEdit::DragDrop(TObject* Source, int X, int Y) { TCustomControl::DragDrop(Source, X, Y); }

void TCustomCodeEdit::DoEndDrag(TObject* Target, int X, int Y) {
  // A drag that scrolled the text while outside it scrolls no further.
  scroll_timer_->SetEnabled(false);
  TCustomControl::DoEndDrag(Target, X, Y);
}

}  // namespace lab
