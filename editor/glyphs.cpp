#include "editor/glyphs.h"

#include <vector>

#include "platform/classes/resources.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

std::unique_ptr<TBitmap> LoadBitmapResource(std::string_view Name) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadFromBytes(LoadResource(Name, "BITMAP"));
  return bitmap;
}

// The part of a picture of height H shown on a line of LineHeight at Y: the source rows and the
// destination top.
void Fit(int H, int Y, int LineHeight, int& SourceTop, int& Rows, int& DestTop) {
  if (H > LineHeight) {
    SourceTop = (H - LineHeight) / 2;
    Rows = LineHeight;
    DestTop = Y;
  } else {
    SourceTop = 0;
    Rows = H;
    DestTop = Y + (LineHeight - H) / 2;
  }
}

// Strips are loaded once per resource name and freed with their last user.
struct TSharedStrip {
  std::string Key;
  std::unique_ptr<TBitmap> Bitmap;
  int RefCount = 0;
};

std::unique_ptr<std::vector<TSharedStrip>>& Strips() {
  // Never freed: an editor freed by an exit handler still lets go of its strip.
  static auto* strips = new std::unique_ptr<std::vector<TSharedStrip>>;
  return *strips;
}

}  // namespace

// ---- Glyph ----

void TCodeGlyph::DeclareProperties(TPropertyDeclarer<TCodeGlyph>& P) {
  P.Property("Glyph", &TCodeGlyph::Glyph, &TCodeGlyph::SetGlyph);
  P.Property("MaskColor", &TCodeGlyph::MaskColor, &TCodeGlyph::SetMaskColor).Idents("TColor").Default(clNone);
  P.Property("Visible", &TCodeGlyph::Visible, &TCodeGlyph::SetVisible).Default(true);
}

TCodeGlyph::TCodeGlyph(std::string_view AName, TColor AMaskColor) : glyph_(std::make_unique<TBitmap>()) {
  if (!AName.empty()) {
    internal_glyph_ = LoadBitmapResource(AName);
    internal_mask_color_ = AMaskColor;
  }
  glyph_->OnChange = [this](TObject*) { Changed(); };
}

TCodeGlyph::~TCodeGlyph() { glyph_->OnChange = nullptr; }

void TCodeGlyph::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCodeGlyph*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source->internal_glyph_) {
    if (!internal_glyph_) internal_glyph_ = std::make_unique<TBitmap>();
    internal_glyph_->Assign(source->internal_glyph_.get());
  } else {
    internal_glyph_.reset();
  }
  internal_mask_color_ = source->internal_mask_color_;
  visible_ = source->visible_;
  mask_color_ = source->mask_color_;
  {
    TNotifyEvent hook = std::move(glyph_->OnChange);
    glyph_->OnChange = nullptr;
    glyph_->Assign(source->glyph_.get());
    glyph_->OnChange = std::move(hook);
  }
  Changed();
}

void TCodeGlyph::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Changed();
}

void TCodeGlyph::SetGlyph(TBitmap* Value) {
  if (Value)
    glyph_->Assign(Value);
  else
    glyph_->SetSize(0, 0);
}

void TCodeGlyph::SetMaskColor(TColor Value) {
  if (mask_color_ == Value) return;
  mask_color_ = Value;
  Changed();
}

int TCodeGlyph::Width() {
  if (!glyph_->Empty()) return glyph_->Width();
  return internal_glyph_ ? internal_glyph_->Width() : 0;
}

void TCodeGlyph::Draw(TCanvas* ACanvas, int X, int Y, int LineHeight) {
  TBitmap* picture;
  TColor mask;
  if (!glyph_->Empty()) {
    picture = glyph_.get();
    mask = mask_color_;
  } else if (internal_glyph_) {
    picture = internal_glyph_.get();
    mask = internal_mask_color_;
  } else {
    return;
  }
  int source_top, rows, dest_top;
  Fit(picture->Height(), Y, LineHeight, source_top, rows, dest_top);
  const int w = picture->Width();
  ACanvas->BrushCopy(TRect{X, dest_top, X + w, dest_top + rows}, picture, TRect{0, source_top, w, source_top + rows},
                     mask);
}

// ---- Internal images ----

TCodeInternalImage::TCodeInternalImage(std::string_view Name, int Count) : name_(UpperCase(Name)) {
  auto& strips = Strips();
  if (!strips) strips = std::make_unique<std::vector<TSharedStrip>>();
  TSharedStrip* strip = nullptr;
  for (TSharedStrip& s : *strips)
    if (s.Key == name_) strip = &s;
  if (!strip) {
    std::unique_ptr<TBitmap> bitmap = LoadBitmapResource(Name);  // raises before anything is kept
    strips->push_back(TSharedStrip{name_, std::move(bitmap), 0});
    strip = &strips->back();
  }
  ++strip->RefCount;
  images_ = strip->Bitmap.get();
  count_ = Count > 0 ? Count : 1;
  width_ = static_cast<int>(Round(static_cast<double>(images_->Width()) / count_));
  height_ = images_->Height();
}

TCodeInternalImage::~TCodeInternalImage() {
  auto& strips = Strips();
  if (!strips) return;
  for (auto it = strips->begin(); it != strips->end(); ++it)
    if (it->Key == name_) {
      if (--it->RefCount <= 0) strips->erase(it);
      break;
    }
  if (strips->empty()) strips.reset();
}

int TCodeInternalImage::SharedCount() {
  const auto& strips = Strips();
  return strips ? static_cast<int>(strips->size()) : 0;
}

void TCodeInternalImage::DrawMark(TCanvas* ACanvas, int Number, int X, int Y, int LineHeight) {
  if (Number < 0 || Number >= count_) return;
  int source_top, rows, dest_top;
  Fit(height_, Y, LineHeight, source_top, rows, dest_top);
  const int left = Number * width_;
  ACanvas->CopyRect(TRect{X, dest_top, X + width_, dest_top + rows}, images_->Canvas(),
                    TRect{left, source_top, left + width_, source_top + rows});
}

}  // namespace lab
