#pragma once
// Dragging a control onto another: the drag manager follows the mouse while a drag is on, asks the
// control under it whether it accepts the source (DragOver), drops on release (DragDrop) and tells
// the source how it ended (EndDrag). Escape or a lost capture cancels.

#include "platform/controls/control.h"

namespace lab {

// CM_DRAG: WParam says what happens, LParam points to a TDragRec.
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

struct TDragRec {
  TPoint Pos;             // client coordinates of the target
  TObject* Source = nullptr;
  TControl* Target = nullptr;
};

class TDragManager {
 public:
  static void Begin(TControl* Source, bool Immediate, int Threshold);
  // Ends the drag, dropping on an accepting target when Drop.
  static void Finish(bool Drop);
  static void Cancel() { Finish(false); }
  static TControl* Source();
  // The control a drag would talk to at a screen point.
  static TControl* FindTarget(TPoint Screen);
  // CM_DRAG as TControl handles it.
  static void HandleDragMessage(TControl* Control, TMessage& Message);
};

}  // namespace lab
