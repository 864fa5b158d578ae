#include "grid/column_footers.h"

#include "grid/columns.h"
#include "grid/dbgrid.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TColumnFooterX::DeclareProperties(TPropertyDeclarer<TColumnFooterX>& P) {
  using F = TColumnFooterX;
  P.Property("Alignment", &F::Alignment, &F::SetAlignment).Stored(&F::IsAlignmentStored);
  P.Property("Color", &F::Color, &F::SetColor).Idents("TColor").Stored(&F::IsColorStored);
  P.Property("DisplayFormat", &F::DisplayFormat, &F::SetDisplayFormat).Stored([](F& f) {
    return !f.display_format_.empty();
  });
  P.Property("EndEllipsis", &F::EndEllipsis, &F::SetEndEllipsis).Default(false);
  P.Property("FieldName", &F::FieldName, &F::SetFieldName).Stored([](F& f) { return !f.field_name_.empty(); });
  P.Property("Font", &F::Font, &F::SetFont).Stored([](F& f) { return f.assigned_.Contains(cfvFont); });
  P.Property("ToolTips", &F::ToolTips, &F::SetToolTips).Stored(&F::IsToolTipsStored);
  P.Property("Value", &F::Value, &F::SetValue).Stored([](F& f) { return !f.value_.empty(); });
  P.Property("ValueType", &F::ValueType, &F::SetValueType).Default(fvtNon);
  P.Property("WordWrap", &F::WordWrap, &F::SetWordWrap).Default(false);
}

TColumnFooterX::TColumnFooterX(TCollection* Collection)
    : TCollectionItem(Collection),
      column_(Collection && Collection->Is<TColumnFootersX>() ? static_cast<TColumnFootersX*>(Collection)->Column()
                                                              : nullptr) {
  Init();
}

TColumnFooterX::TColumnFooterX(TColumnX* Column) : TCollectionItem(nullptr), column_(Column) { Init(); }

void TColumnFooterX::Init() {
  font_ = std::make_unique<TFont>();
  RefreshDefaultFont();
  font_->OnChange = [this](TObject*) { FontChanged(); };
  if (TCustomDBGridX* grid = Grid()) grid->InvalidateFooter();
}

TColumnFooterX::~TColumnFooterX() {
  if (TCustomDBGridX* grid = Grid()) grid->InvalidateFooter();
  DropSum();
}

TCustomDBGridX* TColumnFooterX::Grid() const { return column_ ? column_->GetGrid() : nullptr; }

// A footer's change is its column's: the grid repaints (and lays out) through the columns.
void TColumnFooterX::FooterChanged() {
  if (column_) column_->Changed(false);
}

void TColumnFooterX::FontChanged() {
  if (refreshing_font_) return;
  assigned_.Include(cfvFont);
  if (column_) column_->Changed(true);
}

// ---- Fallbacks ----

TAlignment TColumnFooterX::DefaultAlignment() {
  TField* f = column_ ? column_->GetField() : nullptr;
  return f ? f->Alignment() : taLeftJustify;
}

TColor TColumnFooterX::DefaultColor() const {
  TCustomDBGridX* grid = Grid();
  return grid ? grid->FooterColor() : clWindow;
}

bool TColumnFooterX::DefaultToolTips() const {
  TCustomDBGridX* grid = Grid();
  // Only the data grid's defaults carry footer settings.
  auto* defaults = grid ? dynamic_cast<TDBGridXColumnDefValuesX*>(grid->ColumnDefValues()) : nullptr;
  return defaults && defaults->Footer()->ToolTips();
}

void TColumnFooterX::RefreshDefaultFont() {
  if (assigned_.Contains(cfvFont) || refreshing_font_) return;
  refreshing_font_ = true;
  TScopeExit clear([this] { refreshing_font_ = false; });
  if (TCustomDBGridX* grid = Grid()) {
    font_->Assign(grid->FooterFont());
  } else if (column_) {
    font_->Assign(column_->Font());
  }
}

void TColumnFooterX::RestoreDefaults() {
  const bool font_assigned = assigned_.Contains(cfvFont);
  assigned_ = {};
  RefreshDefaultFont();
  if (font_assigned && column_) column_->Changed(true);
}

// ---- Values ----

TAlignment TColumnFooterX::Alignment() { return assigned_.Contains(cfvAlignment) ? alignment_ : DefaultAlignment(); }

void TColumnFooterX::SetAlignment(TAlignment Value) {
  if (assigned_.Contains(cfvAlignment) && alignment_ == Value) return;
  alignment_ = Value;
  assigned_.Include(cfvAlignment);
  FooterChanged();
}

TColor TColumnFooterX::Color() const { return assigned_.Contains(cfvColor) ? color_ : DefaultColor(); }

void TColumnFooterX::SetColor(TColor Value) {
  if (assigned_.Contains(cfvColor) && color_ == Value) return;
  color_ = Value;
  assigned_.Include(cfvColor);
  FooterChanged();
}

bool TColumnFooterX::ToolTips() const { return assigned_.Contains(cfvToolTips) ? tool_tips_ : DefaultToolTips(); }

void TColumnFooterX::SetToolTips(bool Value) {
  if (assigned_.Contains(cfvToolTips) && tool_tips_ == Value) return;
  tool_tips_ = Value;
  assigned_.Include(cfvToolTips);
  FooterChanged();
}

TFont* TColumnFooterX::Font() {
  RefreshDefaultFont();
  return font_.get();
}

void TColumnFooterX::SetFont(TFont* Value) { font_->Assign(Value); }

void TColumnFooterX::SetDisplayFormat(const std::string& Value) {
  if (display_format_ == Value) return;
  display_format_ = Value;
  FooterChanged();
}

void TColumnFooterX::SetEndEllipsis(bool Value) {
  if (end_ellipsis_ == Value) return;
  end_ellipsis_ = Value;
  FooterChanged();
}

// A bound aggregate follows at once: left on the old field it would sum one field while the
// footer shows the aggregate of the other.
void TColumnFooterX::SetFieldName(const std::string& Value) {
  if (field_name_ == Value) return;
  field_name_ = Value;
  if (sum_id_ >= 0) BindSum();
  FooterChanged();
}

void TColumnFooterX::SetValue(const std::string& Value) {
  if (value_ == Value) return;
  value_ = Value;
  FooterChanged();
}

void TColumnFooterX::SetWordWrap(bool Value) {
  if (word_wrap_ == Value) return;
  word_wrap_ = Value;
  FooterChanged();
}

void TColumnFooterX::SetValueType(TFooterValueType Value) {
  if (value_type_ == Value) return;
  value_type_ = Value;
  if (column_) column_->ResetFooters();
  FooterChanged();
}

// ---- The aggregate ----

std::string TColumnFooterX::SumFieldName() const {
  if (!field_name_.empty() || !column_) return field_name_;
  return column_->FieldName();
}

TDBSum* TColumnFooterX::DBSum() const {
  if (sum_id_ < 0) return nullptr;
  TCustomDBGridX* grid = Grid();
  if (!grid || !grid->SumList()) return nullptr;
  return static_cast<TDBSum*>(grid->SumList()->SumCollection()->FindItemID(sum_id_));
}

void TColumnFooterX::DropSum() {
  TDBSum* sum = DBSum();
  sum_id_ = -1;
  if (sum) sum->Collection()->Delete(sum->Index());
}

void TColumnFooterX::BindSum() {
  TCustomDBGridX* grid = Grid();
  if (!grid || !grid->SumList()) return;
  TDBSum* sum = DBSum();
  const bool aggregate = value_type_ == fvtSum || value_type_ == fvtAvg || value_type_ == fvtCount;
  if (!aggregate) {
    if (sum) DropSum();
    return;
  }
  // One recalculation for the whole change.
  TDBSumCollection* sums = grid->SumList()->SumCollection();
  sums->BeginUpdate();
  TScopeExit end_update([sums] { sums->EndUpdate(); });
  if (!sum) {
    sum = sums->Add();
    sum_id_ = sum->ID();
  }
  switch (value_type_) {
    case fvtSum:
      sum->SetGroupOperation(goSum);
      sum->SetFieldName(SumFieldName());
      break;
    case fvtAvg:
      sum->SetGroupOperation(goAvg);
      sum->SetFieldName(SumFieldName());
      break;
    default:
      sum->SetGroupOperation(goCount);
      sum->SetFieldName("");
      break;
  }
}

// ---- Storing and copying ----

bool TColumnFooterX::IsAlignmentStored() {
  return assigned_.Contains(cfvAlignment) && alignment_ != DefaultAlignment();
}
bool TColumnFooterX::IsColorStored() const { return assigned_.Contains(cfvColor) && color_ != DefaultColor(); }
bool TColumnFooterX::IsToolTipsStored() const {
  return assigned_.Contains(cfvToolTips) && tool_tips_ != DefaultToolTips();
}

void TColumnFooterX::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TColumnFooterX*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  if (src->assigned_.Contains(cfvAlignment)) SetAlignment(src->alignment_);
  if (src->assigned_.Contains(cfvColor)) SetColor(src->color_);
  if (src->assigned_.Contains(cfvFont)) SetFont(src->font_.get());
  SetEndEllipsis(src->end_ellipsis_);
  SetValueType(src->value_type_);
  SetFieldName(src->field_name_);
  SetValue(src->value_);
  SetWordWrap(src->word_wrap_);
  SetDisplayFormat(src->display_format_);
  if (src->assigned_.Contains(cfvToolTips)) SetToolTips(src->tool_tips_);
}

TPersistent* TColumnFootersX::GetOwner() { return column_; }

}  // namespace lab
