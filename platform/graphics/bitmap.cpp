#include "platform/graphics/bitmap.h"

#include <cstring>

#include "platform/classes/filer.h"
#include "platform/classes/resources.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/file_save_stream.h"

namespace lab {

// ---------------------------------------------------------------- TGraphic

void TGraphic::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Changed();
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::DefineProperties(TFiler& Filer) {
  TPersistent::DefineProperties(Filer);
  Filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(&s); }, [this](TStream& s) { WriteData(&s); }, !Empty());
}

void TGraphic::ReadData(TStream* stream) {
  std::uint8_t size_bytes[4];
  stream->ReadBuffer(size_bytes, 4);
  const std::uint32_t size = size_bytes[0] | (size_bytes[1] << 8) | (size_bytes[2] << 16) |
                             (static_cast<std::uint32_t>(size_bytes[3]) << 24);
  if (size > stream->Size() - stream->Position()) throw EReadError("Stream read error");
  std::vector<std::uint8_t> data(size);
  stream->ReadBuffer(data.data(), size);
  LoadFromBytes(data);
}

void TGraphic::WriteData(TStream* stream) const {
  const std::vector<std::uint8_t> data = SaveToBytes();
  const auto size = static_cast<std::uint32_t>(data.size());
  const std::uint8_t size_bytes[4] = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                      static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
  stream->WriteBuffer(size_bytes, 4);
  stream->WriteBuffer(data.data(), size);
}

void TGraphic::SaveToStream(TStream* stream) const {
  const std::vector<std::uint8_t> data = SaveToBytes();
  stream->WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
}

void TGraphic::LoadFromFile(const std::string& file_name) {
  TFileStream in(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&in);
}

void TGraphic::SaveToFile(const std::string& file_name) const {
  TFileSaveStream out(file_name);
  SaveToStream(&out);
  out.Commit();
}

// ---------------------------------------------------------------- TBitmap

// The bitmap's own canvas: a memory context with the bitmap selected.
class TBitmap::TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* owner) : owner_(owner) {}
  void Reselect() {
    if (dc_) dc_->SelectObject(owner_->image_.get());
  }

 protected:
  void CreateHandle() override {
    owner_->EnsureImage();
    dc_ = std::make_unique<TDeviceContext>();
    dc_->SelectObject(owner_->image_.get());
    SetHandle(dc_.get());
  }
  void Changed() override {
    TCanvas::Changed();
    owner_->Changed();
  }

 private:
  TBitmap* owner_;
  std::unique_ptr<TDeviceContext> dc_;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::~TBitmap() = default;

void TBitmap::EnsureImage() {
  if (!image_) {
    auto* bm = new TGdiBitmap(0, 0);
    image_ = bm;
    bm->Release();  // the reference now lives in image_
  }
}

void TBitmap::ImageReplaced() {
  if (canvas_) canvas_->Reselect();
}

bool TBitmap::Empty() const { return !image_ || image_->Width() == 0 || image_->Height() == 0; }
int TBitmap::Width() const { return image_ ? image_->Width() : 0; }
int TBitmap::Height() const { return image_ ? image_->Height() : 0; }

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  EnsureImage();
  const int ow = image_->Width(), oh = image_->Height();
  if (width == ow && height == oh) return;
  image_->Resize(width, height);
  // Fill what is new with the brush colour, as the framework's bitmaps do.
  std::uint32_t fill = PixelOf(ColorToRGB(canvas_ ? canvas_->Brush()->Color() : clWhite));
  if (image_->Monochrome()) fill = (fill & 0xFFFFFF) ? 0xFFFFFFFFu : 0xFF000000u;
  image_->BeginDirect();
  image_->FillPixels(TRect{ow, 0, width, std::min(oh, height)}, fill);
  image_->FillPixels(TRect{0, oh, width, height}, fill);
  image_->EndDirect();
  ImageReplaced();
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

win::HBITMAP TBitmap::Handle() {
  EnsureImage();
  return image_.get();
}

void TBitmap::SetHandle(win::HBITMAP h) {
  if (h == image_.get()) return;
  image_ = h;
  if (h) h->Release();  // taken over: image_ holds the caller's reference
  ImageReplaced();
  Changed();
}

bool TBitmap::Monochrome() const { return image_ && image_->Monochrome(); }

void TBitmap::SetMonochrome(bool v) {
  EnsureImage();
  if (v == image_->Monochrome()) return;
  image_->SetMonochrome(v);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat v) {
  if (v == pf1bit) {
    SetMonochrome(true);
    return;
  }
  format_ = v;
  if (Monochrome()) SetMonochrome(false);
}

TColor TBitmap::TransparentColor() {
  if (mode_ == tmFixed && transparent_color_ != clDefault) return transparent_color_;
  if (Empty()) return clDefault;
  image_->BeginDirect();
  return static_cast<TColor>(ColorOfPixel(image_->Row(image_->Height() - 1)[0]));
}

void TBitmap::SetTransparentColor(TColor c) {
  transparent_color_ = c;
  mode_ = c == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode m) {
  if (m == mode_) return;
  mode_ = m;
  Changed();
}

std::uint32_t* TBitmap::ScanLine(int y) {
  if (Empty() || y < 0 || y >= Height()) throw EInvalidGraphic("Scan line index out of range");
  image_->BeginDirect();
  image_->EndDirect();
  return image_->Row(y);
}

void TBitmap::LoadFromResourceName(void*, std::string_view name) {
  const std::span<const std::uint8_t> data = LoadResource(name, "BITMAP");
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
    LoadFromBytes(data);
    return;
  }
  SetImage(DecodeDib(data, false));
}

void TBitmap::LoadFromBytes(std::span<const std::uint8_t> data) { SetImage(DecodeBmp(data)); }

void TBitmap::SetImage(const TDecodedImage& img) {
  auto* bm = new TGdiBitmap(img.Width, img.Height, img.Monochrome);
  bm->BeginDirect();
  for (int y = 0; y < img.Height; ++y)
    std::memcpy(bm->Row(y), &img.Pixels[static_cast<std::size_t>(y) * img.Width], sizeof(std::uint32_t) * img.Width);
  bm->EndDirect();
  image_ = bm;
  bm->Release();
  format_ = img.BitCount == 32 ? pf32bit : img.BitCount == 24 ? pf24bit : img.BitCount == 8 ? pf8bit
            : img.BitCount == 4 ? pf4bit : img.BitCount == 16 ? pf16bit : pfDevice;
  ImageReplaced();
  Changed();
}

void TBitmap::LoadFromStream(TStream* stream) {
  // The file header tells the picture's size, so a stream may hold more after it.
  std::uint8_t header[14];
  if (stream->Read(header, 14) != 14 || header[0] != 'B' || header[1] != 'M')
    throw EInvalidGraphic("Bitmap image is not valid");
  std::uint32_t size = header[2] | (header[3] << 8) | (header[4] << 16) | (static_cast<std::uint32_t>(header[5]) << 24);
  const std::int64_t rest = stream->Size() - stream->Position();
  if (size < 14 || size - 14 > rest) size = SaturateCast<std::uint32_t>(rest + 14);
  std::vector<std::uint8_t> data(size);
  std::copy_n(header, 14, data.begin());
  stream->ReadBuffer(data.data() + 14, size - 14);
  LoadFromBytes(data);
}

std::vector<std::uint8_t> TBitmap::SaveToBytes() const {
  const int w = Width(), h = Height();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
  if (image_) {
    image_->BeginDirect();
    for (int y = 0; y < h; ++y)
      std::memcpy(&pixels[static_cast<std::size_t>(y) * w], image_->Row(y), sizeof(std::uint32_t) * w);
  }
  const int bits = Monochrome() ? 1 : format_ == pf32bit ? 32 : 24;
  return EncodeBmp(w, h, pixels.data(), bits);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
  if (Empty() || !canvas) return;
  TDeviceContext* dst = canvas->Handle();
  TDeviceContext* src = Canvas()->Handle();
  if (Transparent()) {
    dst->TransparentBlt(r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, Width(), Height(),
                        ColorToRGB(TransparentColor()));
  } else {
    dst->StretchBlt(r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, Width(), Height(), canvas->CopyMode());
  }
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    if (b->image_) {
      auto* bm = new TGdiBitmap(b->Width(), b->Height(), b->Monochrome());
      b->image_->BeginDirect();
      bm->BeginDirect();
      for (int y = 0; y < bm->Height(); ++y)
        std::memcpy(bm->Row(y), b->image_->Row(y), sizeof(std::uint32_t) * bm->Width());
      bm->EndDirect();
      image_ = bm;
      bm->Release();
    } else {
      image_ = nullptr;
    }
    format_ = b->format_;
    mode_ = b->mode_;
    transparent_color_ = b->transparent_color_;
    SetTransparent(b->Transparent());
    ImageReplaced();
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::Changed() { TGraphic::Changed(); }

}  // namespace lab
