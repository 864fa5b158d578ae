#include "grid/column_title.h"

#include "grid/columns.h"
#include "grid/dbgrid.h"
#include "platform/db/fields.h"

namespace lab {

void TColumnTitleX::DeclareProperties(TPropertyDeclarer<TColumnTitleX>& P) {
  P.Property("Alignment", &TColumnTitleX::Alignment, &TColumnTitleX::SetAlignment)
      .Stored(&TColumnTitleX::IsAlignmentStored);
  P.Property("Caption", &TColumnTitleX::Caption, &TColumnTitleX::SetCaption).Stored(&TColumnTitleX::IsCaptionStored);
  P.Property("Color", &TColumnTitleX::Color, &TColumnTitleX::SetColor)
      .Idents("TColor")
      .Stored(&TColumnTitleX::IsColorStored);
  P.Property("EndEllipsis", &TColumnTitleX::EndEllipsis, &TColumnTitleX::SetEndEllipsis)
      .Stored(&TColumnTitleX::IsEndEllipsisStored);
  P.Property("Font", &TColumnTitleX::Font, &TColumnTitleX::SetFont).Stored(&TColumnTitleX::IsFontStored);
  P.Property("Hint", &TColumnTitleX::Hint, &TColumnTitleX::SetHint);
  P.Property("ImageIndex", &TColumnTitleX::ImageIndex, &TColumnTitleX::SetImageIndex).Default(-1);
  P.Property("Orientation", &TColumnTitleX::Orientation, &TColumnTitleX::SetOrientation)
      .Stored(&TColumnTitleX::IsOrientationStored);
  P.Property("SortIndex", &TColumnTitleX::SortIndex, &TColumnTitleX::SetSortIndex).Default(0);
  P.Property("SortMarker", &TColumnTitleX::SortMarker, &TColumnTitleX::SetSortMarker).Default(smNoneX);
  P.Property("TitleButton", &TColumnTitleX::TitleButton, &TColumnTitleX::SetTitleButton)
      .Stored(&TColumnTitleX::IsTitleButtonStored);
  P.Property("ToolTips", &TColumnTitleX::ToolTips, &TColumnTitleX::SetToolTips)
      .Stored(&TColumnTitleX::IsToolTipsStored);
}

TColumnTitleX::TColumnTitleX(TColumnX* Column) : column_(Column), font_(std::make_unique<TFont>()) {
  RefreshDefaultFont();
  font_->OnChange = [this](TObject*) { FontChanged(); };
}

TColumnTitleX::~TColumnTitleX() = default;

TPersistent* TColumnTitleX::GetOwner() { return column_; }

TColumnTitleDefValuesX* TColumnTitleX::Defaults() const {
  TCustomDBGridX* grid = column_->GetGrid();
  return grid ? grid->ColumnDefValues()->Title() : nullptr;
}

void TColumnTitleX::Changed() { column_->Changed(false); }

// ---- Fallbacks ----

TAlignment TColumnTitleX::DefaultAlignment() const {
  TColumnTitleDefValuesX* d = Defaults();
  return d ? d->Alignment() : taLeftJustify;
}

std::string TColumnTitleX::DefaultCaption() const {
  if (TField* f = column_->GetField()) return f->DisplayName();
  return column_->FieldName();
}

TColor TColumnTitleX::DefaultColor() const {
  TColumnTitleDefValuesX* d = Defaults();
  return d ? d->Color() : clBtnFace;
}

bool TColumnTitleX::DefaultEndEllipsis() const {
  TColumnTitleDefValuesX* d = Defaults();
  return d && d->EndEllipsis();
}

TTextOrientationX TColumnTitleX::DefaultOrientation() const {
  TColumnTitleDefValuesX* d = Defaults();
  return d ? d->Orientation() : toxHorizontal;
}

bool TColumnTitleX::DefaultTitleButton() const {
  TColumnTitleDefValuesX* d = Defaults();
  return d && d->TitleButton();
}

bool TColumnTitleX::DefaultToolTips() const {
  TColumnTitleDefValuesX* d = Defaults();
  return d && d->ToolTips();
}

void TColumnTitleX::RefreshDefaultFont() {
  if (column_->Assigned(cvTitleFont) || refreshing_font_) return;
  refreshing_font_ = true;
  TCustomDBGridX* grid = column_->GetGrid();
  font_->Assign(grid ? grid->TitleFont() : column_->Font());
  refreshing_font_ = false;
}

void TColumnTitleX::RestoreDefaults() {
  const bool font_assigned = column_->Assigned(cvTitleFont);
  column_->assigned_ -= TColumnXValues{cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont, cvTitleButton,
                                       cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation};
  if (font_assigned) RefreshDefaultFont();
}

// ---- Values ----

TAlignment TColumnTitleX::Alignment() const {
  return column_->Assigned(cvTitleAlignment) ? alignment_ : DefaultAlignment();
}

void TColumnTitleX::SetAlignment(TAlignment Value) {
  if (column_->Assigned(cvTitleAlignment) && alignment_ == Value) return;
  alignment_ = Value;
  column_->Assign(cvTitleAlignment);
  Changed();
}

std::string TColumnTitleX::Caption() const {
  return column_->Assigned(cvTitleCaption) ? caption_ : DefaultCaption();
}

void TColumnTitleX::SetCaption(const std::string& Value) {
  TCustomDBGridX* grid = column_->GetGrid();
  if (column_->IsDefaultColumn() && grid && grid->DataLink()->Active()) {
    if (TField* f = column_->GetField()) {
      f->SetDisplayLabel(Value);
      return;
    }
  }
  if (column_->Assigned(cvTitleCaption) && caption_ == Value) return;
  caption_ = Value;
  column_->Assign(cvTitleCaption);
  Changed();
}

TColor TColumnTitleX::Color() const { return column_->Assigned(cvTitleColor) ? color_ : DefaultColor(); }

void TColumnTitleX::SetColor(TColor Value) {
  if (column_->Assigned(cvTitleColor) && color_ == Value) return;
  color_ = Value;
  column_->Assign(cvTitleColor);
  Changed();
}

bool TColumnTitleX::EndEllipsis() const {
  return column_->Assigned(cvTitleEndEllipsis) ? end_ellipsis_ : DefaultEndEllipsis();
}

void TColumnTitleX::SetEndEllipsis(bool Value) {
  if (column_->Assigned(cvTitleEndEllipsis) && end_ellipsis_ == Value) return;
  end_ellipsis_ = Value;
  column_->Assign(cvTitleEndEllipsis);
  Changed();
}

TFont* TColumnTitleX::Font() {
  RefreshDefaultFont();
  return font_.get();
}

void TColumnTitleX::SetFont(TFont* Value) { font_->Assign(Value); }

void TColumnTitleX::FontChanged() {
  if (refreshing_font_) return;
  column_->Assign(cvTitleFont);
  Changed();
}

void TColumnTitleX::SetHint(const std::string& Value) { hint_ = Value; }

void TColumnTitleX::SetImageIndex(int Value) {
  if (image_index_ == Value) return;
  image_index_ = Value;
  Changed();
}

TTextOrientationX TColumnTitleX::Orientation() const {
  return column_->Assigned(cvTitleOrientation) ? orientation_ : DefaultOrientation();
}

void TColumnTitleX::SetOrientation(TTextOrientationX Value) {
  if (column_->Assigned(cvTitleOrientation) && orientation_ == Value) return;
  orientation_ = Value;
  column_->Assign(cvTitleOrientation);
  Changed();
}

bool TColumnTitleX::TitleButton() const {
  return column_->Assigned(cvTitleButton) ? title_button_ : DefaultTitleButton();
}

void TColumnTitleX::SetTitleButton(bool Value) {
  if (column_->Assigned(cvTitleButton) && title_button_ == Value) return;
  title_button_ = Value;
  column_->Assign(cvTitleButton);
  Changed();
}

bool TColumnTitleX::ToolTips() const {
  return column_->Assigned(cvTitleToolTips) ? tool_tips_ : DefaultToolTips();
}

void TColumnTitleX::SetToolTips(bool Value) {
  if (column_->Assigned(cvTitleToolTips) && tool_tips_ == Value) return;
  tool_tips_ = Value;
  column_->Assign(cvTitleToolTips);
  Changed();
}

// ---- Sort markers ----

void TColumnTitleX::SetSortMarker(TSortMarkerX Value) {
  if (sort_marker_ == Value) return;
  sort_marker_ = Value;
  TCollection* columns = column_->Collection();
  if (columns && columns->UpdateCount() > 0) return;
  if (TCustomDBGridX* grid = column_->GetGrid()) {
    TColumnsXList& sorted = grid->SortMarkedColumnsList();
    if (!grid->OptionsX().Contains(dgxMultiSortMarking)) {
      if (Value != smNoneX) {
        for (int i = 0; i < grid->Columns()->Count(); ++i) {
          TColumnTitleX* other = grid->Columns()->GetColumn(i)->Title();
          if (other == this) continue;
          other->sort_marker_ = smNoneX;
          other->sort_index_ = 0;
        }
        sort_index_ = 1;
        sorted.Clear();
        sorted.Add(column_);
      } else {
        sort_index_ = 0;
        sorted.Clear();
      }
    } else if (Value != smNoneX) {
      if (sort_index_ == 0) {
        sort_index_ = 1 + sorted.Count();
        sorted.Add(column_);
      }
    } else if (sort_index_ > 0) {
      for (TColumnX* c : sorted)
        if (c->Title()->sort_index_ > sort_index_) --c->Title()->sort_index_;
      sorted.Remove(column_);
      sort_index_ = 0;
    }
  }
  Changed();
}

void TColumnTitleX::SetSortIndex(int Value) {
  if (Value < 0) Value = 0;
  if (sort_index_ == Value) return;
  TCollection* columns = column_->Collection();
  if (columns && columns->UpdateCount() > 0) {
    sort_index_ = Value;
    return;
  }
  if (sort_marker_ == smNoneX || !columns) return;
  TColumnX* holder = nullptr;
  for (int i = 0; i < columns->Count() && !holder; ++i) {
    auto* c = static_cast<TColumnX*>(columns->Items(i));
    if (c != column_ && c->Title()->sort_index_ == Value) holder = c;
  }
  if (!holder) return;
  holder->Title()->sort_index_ = sort_index_;
  sort_index_ = Value;
  if (TCustomDBGridX* grid = column_->GetGrid()) {
    TColumnsXList& sorted = grid->SortMarkedColumnsList();
    const int a = sorted.IndexOf(column_), b = sorted.IndexOf(holder);
    if (a >= 0 && b >= 0) sorted.Exchange(a, b);
  }
  Changed();
}

void TColumnTitleX::CycleSortMarker(bool KeepOthers) {
  if (!KeepOthers) {
    if (TCollection* columns = column_->Collection()) {
      for (int i = 0; i < columns->Count(); ++i) {
        auto* c = static_cast<TColumnX*>(columns->Items(i));
        if (c != column_) c->Title()->SetSortMarker(smNoneX);
      }
    }
  }
  switch (sort_marker_) {
    case smNoneX: SetSortMarker(smDownX); break;
    case smDownX: SetSortMarker(smUpX); break;
    case smUpX: SetSortMarker(KeepOthers ? smNoneX : smDownX); break;
  }
}

int TColumnTitleX::SortMarkerWidth(int ColumnWidth, int SortIndexTextWidth) const {
  if (sort_index_ == 0) return 0;
  TCustomDBGridX* grid = column_->GetGrid();
  const bool numbered = grid && grid->SortMarkedColumns().Count() >= 2;
  int width = 16 + (numbered ? SortIndexTextWidth : 0);
  if (width > ColumnWidth - 4) {
    width -= 14;
    if (width > ColumnWidth - 4) width -= SortIndexTextWidth + 2;
  }
  // A narrow column would otherwise give a negative width, which the title text would grow by.
  return width < 0 ? 0 : width;
}

// ---- Storing ----

bool TColumnTitleX::IsAlignmentStored() const {
  return column_->Assigned(cvTitleAlignment) && alignment_ != DefaultAlignment();
}
bool TColumnTitleX::IsCaptionStored() const {
  return column_->Assigned(cvTitleCaption) && caption_ != DefaultCaption();
}
bool TColumnTitleX::IsColorStored() const { return column_->Assigned(cvTitleColor) && color_ != DefaultColor(); }
bool TColumnTitleX::IsEndEllipsisStored() const {
  return column_->Assigned(cvTitleEndEllipsis) && end_ellipsis_ != DefaultEndEllipsis();
}
bool TColumnTitleX::IsFontStored() const { return column_->Assigned(cvTitleFont); }
bool TColumnTitleX::IsOrientationStored() const {
  return column_->Assigned(cvTitleOrientation) && orientation_ != DefaultOrientation();
}
bool TColumnTitleX::IsTitleButtonStored() const {
  return column_->Assigned(cvTitleButton) && title_button_ != DefaultTitleButton();
}
bool TColumnTitleX::IsToolTipsStored() const {
  return column_->Assigned(cvTitleToolTips) && tool_tips_ != DefaultToolTips();
}

void TColumnTitleX::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TColumnTitleX*>(Source)) {
    const TColumnXValues flags = src->column_->AssignedValues();
    if (flags.Contains(cvTitleAlignment)) SetAlignment(src->alignment_);
    if (flags.Contains(cvTitleCaption)) SetCaption(src->caption_);
    if (flags.Contains(cvTitleColor)) SetColor(src->color_);
    if (flags.Contains(cvTitleEndEllipsis)) SetEndEllipsis(src->end_ellipsis_);
    if (flags.Contains(cvTitleFont)) SetFont(src->font_.get());
    if (flags.Contains(cvTitleOrientation)) SetOrientation(src->orientation_);
    if (flags.Contains(cvTitleButton)) SetTitleButton(src->title_button_);
    if (flags.Contains(cvTitleToolTips)) SetToolTips(src->tool_tips_);
    hint_ = src->hint_;
    image_index_ = src->image_index_;
    sort_marker_ = src->sort_marker_;
    sort_index_ = src->sort_index_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

}  // namespace lab
