#include "platform/graphics/image_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/classes/filer.h"
#include "platform/graphics/graphics_unit.h"

namespace lab {

// ---------------------------------------------------------------- TChangeLink

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

// ---------------------------------------------------------------- TCustomImageList

void TCustomImageList::DeclareProperties(TPropertyDeclarer<TCustomImageList>& P) {
  P.Property("AllocBy", &TCustomImageList::AllocBy, &TCustomImageList::SetAllocBy).Default(4);
  P.Property("BlendColor", &TCustomImageList::BlendColor, &TCustomImageList::SetBlendColor).Idents("TColor").Default(clNone);
  P.Property("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor).Idents("TColor").Default(clNone);
  P.Property("DrawingStyle", &TCustomImageList::DrawingStyle, &TCustomImageList::SetDrawingStyle).Default(dsNormal);
  P.Property("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight).Default(16);
  P.Property("ImageType", &TCustomImageList::ImageType, &TCustomImageList::SetImageType).Default(itImage);
  P.Property("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked).Default(true);
  P.Property("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth).Default(16);
  P.Property("OnChange", &TCustomImageList::OnChange);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) { UseUnit(GraphicsUnit); }

TCustomImageList::TCustomImageList(TComponent* AOwner, int width, int height) : TComponent(AOwner) {
  UseUnit(GraphicsUnit);
  SetWidth(width);
  SetHeight(height);
}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : links_) link->SetSender(nullptr);
}

void TCustomImageList::SetWidth(int v) {
  if (v == width_) return;
  if (v < 1) throw EInvalidOperation("Invalid image size");
  width_ = v;
  images_.clear();
  Change();
}

void TCustomImageList::SetHeight(int v) {
  if (v == height_) return;
  if (v < 1) throw EInvalidOperation("Invalid image size");
  height_ = v;
  images_.clear();
  Change();
}

void TCustomImageList::SetBkColor(TColor v) {
  if (v == bk_color_) return;
  bk_color_ = v;
  Change();
}

void TCustomImageList::SetBlendColor(TColor v) {
  if (v == blend_color_) return;
  blend_color_ = v;
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle v) {
  if (v == drawing_style_) return;
  drawing_style_ = v;
  Change();
}

void TCustomImageList::SetImageType(TImageType v) {
  if (v == image_type_) return;
  image_type_ = v;
  Change();
}

void TCustomImageList::SetMasked(bool v) {
  if (v == masked_) return;
  masked_ = v;
  Change();
}

void TCustomImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

std::vector<TCustomImageList::TImage> TCustomImageList::Slice(TBitmap* image, TBitmap* mask, bool by_color,
                                                              TColor mask_color) const {
  std::vector<TImage> out;
  if (!image || image->Empty()) return out;
  const int iw = image->Width(), ih = image->Height();
  std::uint32_t key = 0;
  if (by_color) key = PixelOf(ColorToRGB(mask_color == clDefault ? image->TransparentColor() : mask_color));
  const bool use_mask = mask && !mask->Empty();
  // A narrower image than the list still makes one image, the rest clear.
  const int count = std::max(1, iw / width_);
  for (int n = 0; n < count; ++n) {
    TImage img;
    img.pixels.assign(static_cast<std::size_t>(width_) * height_, 0xFFFFFFFFu);
    img.clear.assign(static_cast<std::size_t>(width_) * height_, 1);
    for (int y = 0; y < height_ && y < ih; ++y) {
      const std::uint32_t* src = image->ScanLine(y);
      const std::uint32_t* msk = use_mask && y < mask->Height() ? mask->ScanLine(y) : nullptr;
      for (int x = 0; x < width_; ++x) {
        const int sx = n * width_ + x;
        if (sx >= iw) break;
        const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
        img.pixels[i] = src[sx] | 0xFF000000u;
        bool clear = false;
        if (by_color) clear = (src[sx] & 0xFFFFFF) == (key & 0xFFFFFF);
        else if (msk && sx < mask->Width()) clear = (msk[sx] & 0xFFFFFF) != 0;
        img.clear[i] = clear ? 1 : 0;
      }
    }
    out.push_back(std::move(img));
  }
  return out;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  auto added = Slice(image, mask, false, clNone);
  if (added.empty()) return -1;
  const int first = Count();
  images_.insert(images_.end(), added.begin(), added.end());
  Change();
  return first;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor mask_color) {
  auto added = Slice(image, nullptr, true, mask_color);
  if (added.empty()) return -1;
  const int first = Count();
  images_.insert(images_.end(), added.begin(), added.end());
  Change();
  return first;
}

void TCustomImageList::Insert(int index, TBitmap* image, TBitmap* mask) {
  if (index < 0 || index > Count()) throw EInvalidOperation("Invalid ImageList Index");
  auto added = Slice(image, mask, false, clNone);
  images_.insert(images_.begin() + index, added.begin(), added.end());
  Change();
}

void TCustomImageList::InsertMasked(int index, TBitmap* image, TColor mask_color) {
  if (index < 0 || index > Count()) throw EInvalidOperation("Invalid ImageList Index");
  auto added = Slice(image, nullptr, true, mask_color);
  images_.insert(images_.begin() + index, added.begin(), added.end());
  Change();
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
  CheckIndex(index);
  auto added = Slice(image, mask, false, clNone);
  if (added.empty()) return;
  images_[static_cast<std::size_t>(index)] = std::move(added.front());
  Change();
}

void TCustomImageList::ReplaceMasked(int index, TBitmap* image, TColor mask_color) {
  CheckIndex(index);
  auto added = Slice(image, nullptr, true, mask_color);
  if (added.empty()) return;
  images_[static_cast<std::size_t>(index)] = std::move(added.front());
  Change();
}

void TCustomImageList::Delete(int index) {
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  Change();
}

void TCustomImageList::Move(int cur_index, int new_index) {
  CheckIndex(cur_index);
  CheckIndex(new_index);
  if (cur_index == new_index) return;
  TImage img = std::move(images_[static_cast<std::size_t>(cur_index)]);
  images_.erase(images_.begin() + cur_index);
  images_.insert(images_.begin() + new_index, std::move(img));
  Change();
}

void TCustomImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Change();
}

void TCustomImageList::GetBitmap(int index, TBitmap* bitmap) {
  CheckIndex(index);
  if (!bitmap) return;
  bitmap->SetSize(width_, height_);
  const TImage& img = images_[static_cast<std::size_t>(index)];
  const std::uint32_t bk = PixelOf(bk_color_ == clNone ? 0xFFFFFFu : ColorToRGB(bk_color_));
  for (int y = 0; y < height_; ++y) {
    std::uint32_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < width_; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
      row[x] = (masked_ && img.clear[i]) ? bk : img.pixels[i];
    }
  }
  bitmap->Changed();
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
  Draw(canvas, x, y, index, drawing_style_, image_type_, enabled);
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle style, TImageType type,
                            bool enabled) {
  if (!canvas || index < 0 || index >= Count()) return;
  const TImage& img = images_[static_cast<std::size_t>(index)];
  const std::size_t n = img.pixels.size();
  std::vector<std::uint32_t> out(n);
  const bool masked = masked_ && type == itImage;
  if (type == itMask) {
    for (std::size_t i = 0; i < n; ++i) out[i] = img.clear[i] ? 0xFFFFFFFFu : 0xFF000000u;
  } else if (!enabled) {
    // Greyed: the image's non-white shown pixels, embossed: highlight one pixel down-right, shadow on top.
    const std::uint32_t hi = 0xFF000000u | PixelOf(SystemColorRGB(syscolor::BtnHighlight));
    const std::uint32_t sh = 0xFF000000u | PixelOf(SystemColorRGB(syscolor::BtnShadow));
    auto shape = [&](int px, int py) {
      if (px < 0 || py < 0 || px >= width_ || py >= height_) return false;
      const std::size_t i = static_cast<std::size_t>(py) * width_ + px;
      return !(masked_ && img.clear[i]) && (img.pixels[i] & 0xFFFFFF) != 0xFFFFFF;
    };
    for (int py = 0; py < height_; ++py)
      for (int px = 0; px < width_; ++px) {
        const std::size_t i = static_cast<std::size_t>(py) * width_ + px;
        out[i] = shape(px, py) ? sh : shape(px - 1, py - 1) ? hi : 0;
      }
  } else {
    // Selected and focused images are tinted toward the blend colour (half and a quarter).
    const int share = style == dsSelected ? 128 : style == dsFocus ? 64 : 0;
    const std::uint32_t blend = PixelOf(ColorToRGB(blend_color_ == clNone ? clHighlight : blend_color_));
    const bool fill_bk = masked && style == dsNormal && bk_color_ != clNone;
    const std::uint32_t bk = 0xFF000000u | PixelOf(ColorToRGB(bk_color_));
    for (std::size_t i = 0; i < n; ++i) {
      if (masked && img.clear[i]) {
        out[i] = fill_bk ? bk : 0;
        continue;
      }
      std::uint32_t p = img.pixels[i];
      if (share) {
        auto mix = [share](std::uint32_t a, std::uint32_t b) { return (a * (256 - share) + b * share) >> 8; };
        p = 0xFF000000u | (mix((p >> 16) & 0xFF, (blend >> 16) & 0xFF) << 16) |
            (mix((p >> 8) & 0xFF, (blend >> 8) & 0xFF) << 8) | mix(p & 0xFF, blend & 0xFF);
      }
      out[i] = p | 0xFF000000u;
    }
  }
  canvas->Handle()->BlendImage(x, y, width_, height_, out.data(), width_, height_);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (!link) return;
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
  link->SetSender(this);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  auto it = std::find(links_.begin(), links_.end(), link);
  if (it == links_.end()) return;
  links_.erase(it);
  link->SetSender(nullptr);
}

void TCustomImageList::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0 && changed_while_updating_) {
    changed_while_updating_ = false;
    Change();
  }
}

void TCustomImageList::Change() {
  if (updating_ > 0) {
    changed_while_updating_ = true;
    return;
  }
  // A link may unregister itself while being told: walk a copy.
  const std::vector<TChangeLink*> links = links_;
  for (TChangeLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
  if (OnChange) OnChange(this);
}

void TCustomImageList::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TCustomImageList*>(Source)) {
    if (other == this) return;
    width_ = other->width_;
    height_ = other->height_;
    bk_color_ = other->bk_color_;
    blend_color_ = other->blend_color_;
    drawing_style_ = other->drawing_style_;
    image_type_ = other->image_type_;
    masked_ = other->masked_;
    alloc_by_ = other->alloc_by_;
    images_ = other->images_;
    Change();
    return;
  }
  TComponent::Assign(Source);
}

// ---------------------------------------------------------------- form data
//
// The common-controls image-list layout: a 28-byte header ("IL", version 0x101, current and
// maximum count, growth, image width and height, background colour, flags, four overlay slots),
// then the images as a BMP file four images to a row, then (masked lists) the mask as a monochrome
// BMP file of the same layout.

namespace {
constexpr std::uint16_t kMagic = 0x4C49, kVersion = 0x0101;
constexpr std::uint16_t ILC_MASK = 0x0001, ILC_COLOR24 = 0x0018;
constexpr int kPerRow = 4;

void Put16(std::vector<std::uint8_t>& o, std::uint16_t v) {
  o.push_back(static_cast<std::uint8_t>(v));
  o.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& o, std::uint32_t v) {
  Put16(o, static_cast<std::uint16_t>(v));
  Put16(o, static_cast<std::uint16_t>(v >> 16));
}

[[noreturn]] void ReadFail() { throw EReadError("Failed to read ImageList data from stream"); }

// An image list keeps small images of one size, so its strip is refused beyond 2^24 pixels (4096
// by 4096): a few run-length bytes could otherwise claim a strip of a quarter-billion pixels.
constexpr std::int64_t kMaxStripPixels = std::int64_t{1} << 24;

// Reads one BMP file at the stream's position: its header tells how long it is. The size its info
// header claims is checked before anything that large is decoded.
void ReadBmp(TStream* stream, TBitmap& bmp) {
  std::uint8_t head[26] = {};
  const std::int64_t at = stream->Position();
  const std::int64_t got = stream->Read(head, sizeof head);
  stream->SetPosition(at);
  if (got == sizeof head) {
    auto i32 = [&](int k) {
      return static_cast<std::int64_t>(static_cast<std::int32_t>(
          head[k] | (head[k + 1] << 8) | (head[k + 2] << 16) | (static_cast<std::uint32_t>(head[k + 3]) << 24)));
    };
    const bool core = i32(14) == 12;
    const std::int64_t w = core ? head[18] | (head[19] << 8) : i32(18);
    const std::int64_t h = core ? head[20] | (head[21] << 8) : i32(22);
    if (std::abs(w) * std::abs(h) > kMaxStripPixels) ReadFail();
  }
  try {
    bmp.LoadFromStream(stream);
  } catch (const EInvalidGraphic&) {
    ReadFail();
  } catch (const EReadError&) {
    ReadFail();
  }
}
}  // namespace

void TCustomImageList::WriteData(TStream* stream) const {
  const int count = Count();
  const int max = std::max(kPerRow, (count + kPerRow - 1) / kPerRow * kPerRow);
  const int rows = max / kPerRow;
  std::vector<std::uint8_t> head;
  Put16(head, kMagic);
  Put16(head, kVersion);
  Put16(head, static_cast<std::uint16_t>(count));
  Put16(head, static_cast<std::uint16_t>(max));
  Put16(head, static_cast<std::uint16_t>(alloc_by_));
  Put16(head, static_cast<std::uint16_t>(width_));
  Put16(head, static_cast<std::uint16_t>(height_));
  Put32(head, bk_color_ == clNone ? 0xFFFFFFFFu : ColorToRGB(bk_color_));
  Put16(head, static_cast<std::uint16_t>(ILC_COLOR24 | (masked_ ? ILC_MASK : 0)));
  for (int i = 0; i < 4; ++i) Put16(head, 0xFFFF);
  stream->WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));

  const int w = width_ * kPerRow, h = height_ * rows;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h, 0xFF000000u);
  std::vector<std::uint32_t> mask(static_cast<std::size_t>(w) * h, 0xFFFFFFFFu);
  for (int n = 0; n < count; ++n) {
    const TImage& img = images_[static_cast<std::size_t>(n)];
    const int ox = (n % kPerRow) * width_, oy = (n / kPerRow) * height_;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * width_ + x;
        const std::size_t o = static_cast<std::size_t>(oy + y) * w + ox + x;
        pixels[o] = img.pixels[i];
        mask[o] = img.clear[i] ? 0xFFFFFFFFu : 0xFF000000u;
      }
  }
  const auto colour = EncodeBmp(w, h, pixels.data(), 24);
  stream->WriteBuffer(colour.data(), static_cast<std::int64_t>(colour.size()));
  if (masked_) {
    const auto bits = EncodeBmp(w, h, mask.data(), 1);
    stream->WriteBuffer(bits.data(), static_cast<std::int64_t>(bits.size()));
  }
}

void TCustomImageList::ReadData(TStream* stream) {
  std::uint8_t head[28];
  if (stream->Read(head, 28) != 28) ReadFail();
  auto get16 = [&](int at) { return static_cast<std::uint16_t>(head[at] | (head[at + 1] << 8)); };
  if (get16(0) != kMagic) ReadFail();
  const int count = get16(4), grow = get16(8), cx = get16(10), cy = get16(12);
  const std::uint32_t bk = get16(14) | (static_cast<std::uint32_t>(get16(16)) << 16);
  const bool has_mask = get16(18) & ILC_MASK;
  if (cx < 1 || cy < 1) ReadFail();
  // Sizes whose strip (four images a row) no bitmap could hold would be taken but never written
  // back readable.
  constexpr int kMaxSide = 32767;
  const std::int64_t strip_height = static_cast<std::int64_t>(cy) * ((std::max(count, 1) + kPerRow - 1) / kPerRow);
  if (cx > kMaxSide / kPerRow || strip_height > kMaxSide || cx * kPerRow * strip_height > kMaxStripPixels) ReadFail();
  TBitmap colour, mask;
  ReadBmp(stream, colour);
  if (has_mask) ReadBmp(stream, mask);
  // Every image is cut from the strip: one wider than the strip would read past its rows. A list is
  // always written with room for at least one image, even an empty one, so a smaller strip is
  // damaged (and its list would write back a strip far larger than the data it came from).
  if (colour.Width() < cx || colour.Height() < cy) ReadFail();
  const int per_row = std::max(1, colour.Width() / cx);
  if (count > 0 && (colour.Height() / cy) * per_row < count) ReadFail();
  std::vector<TImage> images;
  for (int n = 0; n < count; ++n) {
    TImage img;
    img.pixels.resize(static_cast<std::size_t>(cx) * cy);
    img.clear.assign(static_cast<std::size_t>(cx) * cy, 0);
    const int ox = (n % per_row) * cx, oy = (n / per_row) * cy;
    for (int y = 0; y < cy; ++y) {
      const std::uint32_t* row = colour.ScanLine(oy + y);
      const std::uint32_t* mrow = has_mask && oy + y < mask.Height() ? mask.ScanLine(oy + y) : nullptr;
      for (int x = 0; x < cx; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * cx + x;
        img.pixels[i] = row[ox + x] | 0xFF000000u;
        if (mrow && ox + x < mask.Width()) img.clear[i] = (mrow[ox + x] & 0xFFFFFF) ? 1 : 0;
      }
    }
    images.push_back(std::move(img));
  }
  width_ = cx;
  height_ = cy;
  alloc_by_ = std::max(1, grow);
  bk_color_ = bk == 0xFFFFFFFFu ? clNone : static_cast<TColor>(bk & 0xFFFFFF);
  masked_ = has_mask;
  images_ = std::move(images);
  Change();
}

void TCustomImageList::DefineProperties(TFiler& Filer) {
  TComponent::DefineProperties(Filer);
  Filer.DefineBinaryProperty(
      "Bitmap", [this](TStream& s) { ReadData(&s); }, [this](TStream& s) { WriteData(&s); }, Count() > 0);
}

}  // namespace lab
