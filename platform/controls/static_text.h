#pragma once
// TStaticText: a text that takes no input, in a window of its own (as a dialog's STATIC controls):
// aligned left, centred or right, broken at word ends unless WordWrap is off, '&' underlining the
// next character unless ShowAccelChar is off. Its Frame can be an etched line along its top or left
// edge, or an etched box, in place of the text. It asks its parent for its colours by
// WM_CTLCOLORSTATIC (a dialog may give it another background and text colour).

#include "platform/classes/alignment.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/standard_controls.h"

namespace lab {

enum TStaticFrame { sfNone, sfEtchedHorz, sfEtchedVert, sfEtchedFrame };

class TStaticText : public TCustomControl {
  LAB_CLASS(TStaticText, TCustomControl)
 public:
  explicit TStaticText(TComponent* AOwner);

  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool Value);
  bool ShowAccelChar() const noexcept { return show_accel_char_; }
  void SetShowAccelChar(bool Value);
  TStaticFrame Frame() const noexcept { return frame_; }
  void SetFrame(TStaticFrame Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  TAlignment alignment_ = taLeftJustify;
  bool word_wrap_ = true;
  bool show_accel_char_ = true;
  TStaticFrame frame_ = sfNone;
};

}  // namespace lab
