#include "grid/column_defaults.h"

#include "grid/dbgrid.h"

namespace lab {

// ---- Title defaults ----

void TColumnTitleDefValuesX::DeclareProperties(TPropertyDeclarer<TColumnTitleDefValuesX>& P) {
  P.Property("Alignment", &TColumnTitleDefValuesX::Alignment, &TColumnTitleDefValuesX::SetAlignment)
      .Stored([](TColumnTitleDefValuesX& t) { return t.alignment_assigned_ && t.alignment_ != t.DefaultAlignment(); });
  P.Property("Color", &TColumnTitleDefValuesX::Color, &TColumnTitleDefValuesX::SetColor)
      .Idents("TColor")
      .Stored([](TColumnTitleDefValuesX& t) { return t.color_assigned_; });
  P.Property("EndEllipsis", &TColumnTitleDefValuesX::EndEllipsis, &TColumnTitleDefValuesX::SetEndEllipsis)
      .Default(false);
  P.Property("Orientation", &TColumnTitleDefValuesX::Orientation, &TColumnTitleDefValuesX::SetOrientation)
      .Default(toxHorizontal);
  P.Property("TitleButton", &TColumnTitleDefValuesX::TitleButton, &TColumnTitleDefValuesX::SetTitleButton)
      .Default(false);
  P.Property("ToolTips", &TColumnTitleDefValuesX::ToolTips, &TColumnTitleDefValuesX::SetToolTips).Default(false);
}

TAlignment TColumnTitleDefValuesX::DefaultAlignment() const {
  TCustomDBGridX* grid = owner_->Grid();
  return grid && grid->UseMultiTitle() ? taCenter : taLeftJustify;
}

TColor TColumnTitleDefValuesX::DefaultColor() const {
  TCustomDBGridX* grid = owner_->Grid();
  return grid ? grid->FixedColor() : clBtnFace;
}

TAlignment TColumnTitleDefValuesX::Alignment() const { return alignment_assigned_ ? alignment_ : DefaultAlignment(); }

void TColumnTitleDefValuesX::SetAlignment(TAlignment Value) {
  if (alignment_assigned_ && alignment_ == Value) return;
  alignment_ = Value;
  alignment_assigned_ = true;
  Changed();
}

TColor TColumnTitleDefValuesX::Color() const { return color_assigned_ ? color_ : DefaultColor(); }

void TColumnTitleDefValuesX::SetColor(TColor Value) {
  if (color_assigned_ && color_ == Value) return;
  color_ = Value;
  color_assigned_ = true;
  Changed();
}

void TColumnTitleDefValuesX::SetEndEllipsis(bool Value) {
  if (end_ellipsis_ == Value) return;
  end_ellipsis_ = Value;
  Changed();
}

void TColumnTitleDefValuesX::SetOrientation(TTextOrientationX Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  Changed();
}

void TColumnTitleDefValuesX::SetTitleButton(bool Value) {
  if (title_button_ == Value) return;
  title_button_ = Value;
  Changed();
}

void TColumnTitleDefValuesX::SetToolTips(bool Value) {
  if (tool_tips_ == Value) return;
  tool_tips_ = Value;
  Changed();
}

void TColumnTitleDefValuesX::Changed() { owner_->Changed(); }

TPersistent* TColumnTitleDefValuesX::GetOwner() { return owner_; }

void TColumnTitleDefValuesX::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TColumnTitleDefValuesX*>(Source)) {
    alignment_ = src->alignment_;
    alignment_assigned_ = src->alignment_assigned_;
    color_ = src->color_;
    color_assigned_ = src->color_assigned_;
    end_ellipsis_ = src->end_ellipsis_;
    orientation_ = src->orientation_;
    title_button_ = src->title_button_;
    tool_tips_ = src->tool_tips_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- Footer defaults ----

void TColumnFooterDefValuesX::DeclareProperties(TPropertyDeclarer<TColumnFooterDefValuesX>& P) {
  P.Property("ToolTips", &TColumnFooterDefValuesX::ToolTips, &TColumnFooterDefValuesX::SetToolTips).Default(false);
}

void TColumnFooterDefValuesX::SetToolTips(bool Value) {
  if (tool_tips_ == Value) return;
  tool_tips_ = Value;
  owner_->Changed();
}

TPersistent* TColumnFooterDefValuesX::GetOwner() { return owner_; }

void TColumnFooterDefValuesX::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TColumnFooterDefValuesX*>(Source)) {
    SetToolTips(src->tool_tips_);
    return;
  }
  TPersistent::Assign(Source);
}

// ---- Column defaults ----

void TColumnDefValuesX::DeclareProperties(TPropertyDeclarer<TColumnDefValuesX>& P) {
  P.Property("AlwaysShowEditButton", &TColumnDefValuesX::AlwaysShowEditButton,
             &TColumnDefValuesX::SetAlwaysShowEditButton)
      .Default(false);
  P.Property("AutoDropDown", &TColumnDefValuesX::AutoDropDown, &TColumnDefValuesX::SetAutoDropDown).Default(false);
  P.Property("DblClickNextVal", &TColumnDefValuesX::DblClickNextVal, &TColumnDefValuesX::SetDblClickNextVal)
      .Default(false);
  P.Property("DropDownShowTitles", &TColumnDefValuesX::DropDownShowTitles, &TColumnDefValuesX::SetDropDownShowTitles)
      .Default(false);
  P.Property("DropDownSizing", &TColumnDefValuesX::DropDownSizing, &TColumnDefValuesX::SetDropDownSizing)
      .Default(false);
  P.Property("EndEllipsis", &TColumnDefValuesX::EndEllipsis, &TColumnDefValuesX::SetEndEllipsis).Default(false);
  P.Property("HighlightRequired", &TColumnDefValuesX::HighlightRequired, &TColumnDefValuesX::SetHighlightRequired)
      .Default(false);
  P.Property("Layout", &TColumnDefValuesX::Layout, &TColumnDefValuesX::SetLayout).Default(tlTop);
  P.Property("Title", &TColumnDefValuesX::Title, &TColumnDefValuesX::SetTitle);
  P.Property("ToolTips", &TColumnDefValuesX::ToolTips, &TColumnDefValuesX::SetToolTips).Default(false);
}

TColumnDefValuesX::TColumnDefValuesX(TCustomDBGridX* AGrid)
    : grid_(AGrid), title_(std::make_unique<TColumnTitleDefValuesX>(this)) {}

TColumnDefValuesX::~TColumnDefValuesX() = default;

void TColumnDefValuesX::Set(bool& Field, bool Value) {
  if (Field == Value) return;
  Field = Value;
  Changed();
}

void TColumnDefValuesX::SetLayout(TTextLayout Value) {
  if (layout_ == Value) return;
  layout_ = Value;
  Changed();
}

void TColumnDefValuesX::Changed() {
  if (grid_) grid_->LayoutChanged();
}

TPersistent* TColumnDefValuesX::GetOwner() { return grid_; }

void TColumnDefValuesX::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TColumnDefValuesX*>(Source)) {
    always_show_edit_button_ = src->always_show_edit_button_;
    auto_drop_down_ = src->auto_drop_down_;
    dbl_click_next_val_ = src->dbl_click_next_val_;
    drop_down_show_titles_ = src->drop_down_show_titles_;
    drop_down_sizing_ = src->drop_down_sizing_;
    end_ellipsis_ = src->end_ellipsis_;
    highlight_required_ = src->highlight_required_;
    tool_tips_ = src->tool_tips_;
    layout_ = src->layout_;
    title_->Assign(src->title_.get());
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TDBGridXColumnDefValuesX::DeclareProperties(TPropertyDeclarer<TDBGridXColumnDefValuesX>& P) {
  P.Property("Footer", &TDBGridXColumnDefValuesX::Footer, &TDBGridXColumnDefValuesX::SetFooter);
}

TDBGridXColumnDefValuesX::TDBGridXColumnDefValuesX(TCustomDBGridX* AGrid)
    : TColumnDefValuesX(AGrid), footer_(std::make_unique<TColumnFooterDefValuesX>(this)) {}

TDBGridXColumnDefValuesX::~TDBGridXColumnDefValuesX() = default;

void TDBGridXColumnDefValuesX::Assign(TPersistent* Source) {
  TColumnDefValuesX::Assign(Source);
  if (auto* src = dynamic_cast<TDBGridXColumnDefValuesX*>(Source)) footer_->Assign(src->footer_.get());
}

}  // namespace lab
