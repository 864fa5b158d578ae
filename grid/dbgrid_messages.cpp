// The grid's window: its window procedure and creation parameters, the flat border and focus
// changes.

#include "grid/dbgrid.h"

namespace lab {

void TCustomDBGridX::WndProc(TMessage& Message) { TCustomGrid::WndProc(Message); }
void TCustomDBGridX::CreateParams(TCreateParams& Params) { TCustomGrid::CreateParams(Params); }
void TCustomDBGridX::PaintFlatBorder() {}
void TCustomDBGridX::FocusChanged() {}

}  // namespace lab
