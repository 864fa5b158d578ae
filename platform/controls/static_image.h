#pragma once
// TStaticImage: a picture that takes no input, in a window of its own (a dialog's STATIC control
// with SS_BITMAP): drawn at the top left, or centred with Center, leaving out its transparent colour
// when Transparent, on the colours its parent gives by WM_CTLCOLORSTATIC. Beside Picture it answers
// STM_SETIMAGE (the control copies the bitmap and answers 0) and STM_GETIMAGE.

#include <memory>

#include "platform/controls/custom_control.h"
#include "platform/controls/standard_controls.h"

namespace lab {

class TBitmap;

class TStaticImage : public TCustomControl {
  LAB_CLASS(TStaticImage, TCustomControl)
 public:
  explicit TStaticImage(TComponent* AOwner);
  ~TStaticImage() override;

  // The picture, owned by the control; SetPicture copies Value (nullptr: none).
  TBitmap* Picture() const noexcept { return picture_.get(); }
  void SetPicture(TBitmap* Value);
  bool Center() const noexcept { return center_; }
  void SetCenter(bool Value);
  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TBitmap> picture_;
  bool center_ = false;
  bool transparent_ = false;
};

}  // namespace lab
