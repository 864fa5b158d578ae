#pragma once
// Grid-wide defaults that columns, titles and footers fall back to while they have no value of
// their own. Each Set... re-lays out the grid that owns them.

#include <memory>

#include "grid/dbgrid_types.h"
#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"

namespace lab {

class TCustomDBGridX;
class TColumnDefValuesX;

class TColumnTitleDefValuesX : public TPersistent {
  LAB_CLASS(TColumnTitleDefValuesX, TPersistent)
  LAB_PROPERTIES(TColumnTitleDefValuesX, TPersistent)
 public:
  explicit TColumnTitleDefValuesX(TColumnDefValuesX* AOwner) : owner_(AOwner) {}

  // taCenter in a grid with multi-level titles, else taLeftJustify, until assigned.
  TAlignment Alignment() const;
  void SetAlignment(TAlignment Value);
  // The grid's FixedColor (clBtnFace without grid) until assigned.
  TColor Color() const;
  void SetColor(TColor Value);
  bool EndEllipsis() const noexcept { return end_ellipsis_; }
  void SetEndEllipsis(bool Value);
  TTextOrientationX Orientation() const noexcept { return orientation_; }
  void SetOrientation(TTextOrientationX Value);
  bool TitleButton() const noexcept { return title_button_; }
  void SetTitleButton(bool Value);
  bool ToolTips() const noexcept { return tool_tips_; }
  void SetToolTips(bool Value);

  TAlignment DefaultAlignment() const;
  TColor DefaultColor() const;
  TPersistent* GetOwner() override;
  void Assign(TPersistent* Source) override;

 private:
  void Changed();

  TColumnDefValuesX* owner_;
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clBtnFace;
  bool alignment_assigned_ = false;
  bool color_assigned_ = false;
  bool end_ellipsis_ = false;
  TTextOrientationX orientation_ = toxHorizontal;
  bool title_button_ = false;
  bool tool_tips_ = false;
};

class TColumnFooterDefValuesX : public TPersistent {
  LAB_CLASS(TColumnFooterDefValuesX, TPersistent)
  LAB_PROPERTIES(TColumnFooterDefValuesX, TPersistent)
 public:
  explicit TColumnFooterDefValuesX(TColumnDefValuesX* AOwner) : owner_(AOwner) {}
  bool ToolTips() const noexcept { return tool_tips_; }
  void SetToolTips(bool Value);
  TPersistent* GetOwner() override;
  void Assign(TPersistent* Source) override;

 private:
  TColumnDefValuesX* owner_;
  bool tool_tips_ = false;
};

class TColumnDefValuesX : public TPersistent {
  LAB_CLASS(TColumnDefValuesX, TPersistent)
  LAB_PROPERTIES(TColumnDefValuesX, TPersistent)
 public:
  explicit TColumnDefValuesX(TCustomDBGridX* AGrid);
  ~TColumnDefValuesX() override;

  TCustomDBGridX* Grid() const noexcept { return grid_; }

  bool AlwaysShowEditButton() const noexcept { return always_show_edit_button_; }
  void SetAlwaysShowEditButton(bool Value) { Set(always_show_edit_button_, Value); }
  bool AutoDropDown() const noexcept { return auto_drop_down_; }
  void SetAutoDropDown(bool Value) { Set(auto_drop_down_, Value); }
  bool DblClickNextVal() const noexcept { return dbl_click_next_val_; }
  void SetDblClickNextVal(bool Value) { Set(dbl_click_next_val_, Value); }
  bool DropDownShowTitles() const noexcept { return drop_down_show_titles_; }
  void SetDropDownShowTitles(bool Value) { Set(drop_down_show_titles_, Value); }
  bool DropDownSizing() const noexcept { return drop_down_sizing_; }
  void SetDropDownSizing(bool Value) { Set(drop_down_sizing_, Value); }
  bool EndEllipsis() const noexcept { return end_ellipsis_; }
  void SetEndEllipsis(bool Value) { Set(end_ellipsis_, Value); }
  bool HighlightRequired() const noexcept { return highlight_required_; }
  void SetHighlightRequired(bool Value) { Set(highlight_required_, Value); }
  TTextLayout Layout() const noexcept { return layout_; }
  void SetLayout(TTextLayout Value);
  bool ToolTips() const noexcept { return tool_tips_; }
  void SetToolTips(bool Value) { Set(tool_tips_, Value); }
  TColumnTitleDefValuesX* Title() const noexcept { return title_.get(); }
  void SetTitle(TColumnTitleDefValuesX* Value) { title_->Assign(Value); }

  TPersistent* GetOwner() override;
  void Assign(TPersistent* Source) override;

  // The grid re-lays out after a change of any default.
  void Changed();

 private:
  void Set(bool& Field, bool Value);

  TCustomDBGridX* grid_;
  bool always_show_edit_button_ = false, auto_drop_down_ = false, dbl_click_next_val_ = false;
  bool drop_down_show_titles_ = false, drop_down_sizing_ = false, end_ellipsis_ = false;
  bool highlight_required_ = false, tool_tips_ = false;
  TTextLayout layout_ = tlTop;
  std::unique_ptr<TColumnTitleDefValuesX> title_;
};

class TDBGridXColumnDefValuesX : public TColumnDefValuesX {
  LAB_CLASS(TDBGridXColumnDefValuesX, TColumnDefValuesX)
  LAB_PROPERTIES(TDBGridXColumnDefValuesX, TColumnDefValuesX)
 public:
  explicit TDBGridXColumnDefValuesX(TCustomDBGridX* AGrid);
  ~TDBGridXColumnDefValuesX() override;
  TColumnFooterDefValuesX* Footer() const noexcept { return footer_.get(); }
  void SetFooter(TColumnFooterDefValuesX* Value) { footer_->Assign(Value); }
  void Assign(TPersistent* Source) override;

 private:
  std::unique_ptr<TColumnFooterDefValuesX> footer_;
};

}  // namespace lab
