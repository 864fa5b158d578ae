#include "platform/controls/static_image.h"

#include "platform/controls/dialog_controls.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/gdi_objects.h"

namespace lab {

using namespace win;

TStaticImage::TStaticImage(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csOpaque});
  SetBounds(0, 0, 32, 32);
}

TStaticImage::~TStaticImage() = default;

void TStaticImage::SetPicture(TBitmap* Value) {
  if (!Value) {
    picture_.reset();
  } else {
    if (!picture_) picture_ = std::make_unique<TBitmap>();
    picture_->Assign(Value);
    picture_->SetTransparent(transparent_);
  }
  Invalidate();
}

void TStaticImage::SetCenter(bool Value) {
  if (Value == center_) return;
  center_ = Value;
  Invalidate();
}

void TStaticImage::SetTransparent(bool Value) {
  if (Value == transparent_) return;
  transparent_ = Value;
  if (picture_) picture_->SetTransparent(Value);
  Invalidate();
}

void TStaticImage::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  const HBRUSH brush = ParentColors(this, dc);
  const TRect r = ClientRect();
  if (brush) {
    FillRect(dc, &r, brush);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  if (!picture_ || picture_->Empty()) return;
  const int x = center_ ? (r.Width() - picture_->Width()) / 2 : 0;
  const int y = center_ ? (r.Height() - picture_->Height()) / 2 : 0;
  c->Draw(x, y, picture_.get());
}

void TStaticImage::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_STATIC;
      return;
    case STM_SETIMAGE: {
      if (Message.WParam != IMAGE_BITMAP) return;
      // The control keeps a copy, so no bitmap of the caller's comes back.
      Message.Result = 0;
      auto* bitmap = reinterpret_cast<HBITMAP>(Message.LParam);
      if (!bitmap) {
        SetPicture(nullptr);
        return;
      }
      // The caller keeps its bitmap: the picture takes a reference of its own.
      bitmap->AddRef();
      TBitmap picture;
      picture.SetHandle(bitmap);
      SetPicture(&picture);
      return;
    }
    case STM_GETIMAGE:
      Message.Result = picture_ && Message.WParam == IMAGE_BITMAP ? reinterpret_cast<LRESULT>(picture_->Handle()) : 0;
      return;
    case CN_CTLCOLORSTATIC:
      Message.Result = 0;
      return;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
