// Painting: the gutter, the text rows with the selection and the right edge, the plug-ins and the
// paint events.

#include "editor/codeedit.h"

namespace lab {

void TCustomCodeEdit::Paint() {}

void TCustomCodeEdit::PaintGutter(const TRect& /*AClip*/, int /*FirstRow*/, int /*LastRow*/) {}

void TCustomCodeEdit::PaintTextLines(TRect /*AClip*/, int /*FirstRow*/, int /*LastRow*/, int /*FirstCol*/,
                                     int /*LastCol*/) {}

void TCustomCodeEdit::DoOnPaint() {}

void TCustomCodeEdit::DoOnPaintTransientEx(TTransientType /*TransientType*/, bool /*Lock*/) {}

bool TCustomCodeEdit::DoOnSpecialLineColors(int Line, TColor& Foreground, TColor& Background) {
  bool special = false;
  if (OnSpecialLineColors) OnSpecialLineColors(this, Line, special, Foreground, Background);
  return special;
}

}  // namespace lab
