#include "grid/edit_buttons.h"

namespace lab {

void TEditButtonX::DeclareProperties(TPropertyDeclarer<TEditButtonX>& P) {
  P.Property("Glyph", &TEditButtonX::Glyph, &TEditButtonX::SetGlyph);
  P.Property("Style", &TEditButtonX::Style, &TEditButtonX::SetStyle).Default(ebsDropDownX);
  P.Property("Visible", &TEditButtonX::Visible, &TEditButtonX::SetVisible).Default(false);
  P.Property("Width", &TEditButtonX::Width, &TEditButtonX::SetWidth).Default(0);
}

void TVisibleEditButtonX::DeclareProperties(TPropertyDeclarer<TVisibleEditButtonX>& P) {
  P.Property("Visible", &TVisibleEditButtonX::Visible, &TVisibleEditButtonX::SetVisible).Default(true);
}

TEditButtonX::TEditButtonX(TCollection* Collection) : TEditButtonX(Collection, false) {}

TEditButtonX::TEditButtonX(TCollection* Collection, bool Visible)
    : TCollectionItem(Collection), visible_(Visible), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TObject*) { GlyphChanged(); };
}

TEditButtonX::~TEditButtonX() = default;

void TEditButtonX::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Changed(false);
}

void TEditButtonX::SetWidth(int Value) {
  if (Value < 0) Value = 0;
  if (width_ == Value) return;
  width_ = Value;
  Changed(false);
}

void TEditButtonX::SetStyle(TEditButtonStyleX Value) {
  if (style_ == Value) return;
  style_ = Value;
  Changed(false);
}

void TEditButtonX::SetGlyph(TBitmap* Value) {
  if (Value) glyph_->Assign(Value);
  else glyph_->SetSize(0, 0);
}

void TEditButtonX::GlyphChanged() { Changed(false); }

void TEditButtonX::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TEditButtonX*>(Source)) {
    visible_ = src->visible_;
    width_ = src->width_;
    style_ = src->style_;
    glyph_->Assign(src->glyph_.get());
    Changed(false);
    return;
  }
  TCollectionItem::Assign(Source);
}

int TEditButtonsX::VisibleCount() const {
  int n = 0;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Visible()) ++n;
  return n;
}

void TEditButtonsX::Update(TCollectionItem*) {
  if (OnChanged) OnChanged(this);
}

}  // namespace lab
