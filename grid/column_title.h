#pragma once
// TColumnTitleX: the title of a column. Its properties fall back to the grid's title defaults (and
// its caption to the field's display name) until assigned; the assigned flags live in the
// column. A title's sort marker and sort index keep the grid's list of sorted columns in step.

#include <memory>
#include <string>

#include "grid/dbgrid_types.h"
#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"
#include "platform/graphics/graphics_objects.h"

namespace lab {

class TColumnX;
class TColumnTitleDefValuesX;

class TColumnTitleX : public TPersistent {
  LAB_CLASS(TColumnTitleX, TPersistent)
  LAB_PROPERTIES(TColumnTitleX, TPersistent)
 public:
  explicit TColumnTitleX(TColumnX* Column);
  ~TColumnTitleX() override;

  TColumnX* Column() const noexcept { return column_; }

  TAlignment Alignment() const;
  void SetAlignment(TAlignment Value);
  // "|" separates the levels of a multi-level title.
  std::string Caption() const;
  void SetCaption(const std::string& Value);
  TColor Color() const;
  void SetColor(TColor Value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool Value);
  // The grid's TitleFont (the column's font without grid) until assigned.
  TFont* Font();
  void SetFont(TFont* Value);
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(const std::string& Value);
  // An image of the grid's TitleImages; -1 for none. Setting it re-lays out the grid.
  int ImageIndex() const noexcept { return image_index_; }
  void SetImageIndex(int Value);
  TTextOrientationX Orientation() const;
  void SetOrientation(TTextOrientationX Value);
  // 0: not sorted; 1.. the column's place among the sorted columns.
  int SortIndex() const noexcept { return sort_index_; }
  void SetSortIndex(int Value);
  TSortMarkerX SortMarker() const noexcept { return sort_marker_; }
  void SetSortMarker(TSortMarkerX Value);
  bool TitleButton() const;
  void SetTitleButton(bool Value);
  bool ToolTips() const;
  void SetToolTips(bool Value);

  // Title click: without KeepOthers every other column loses its marker first; then none ->
  // down -> up -> none (KeepOthers) or down.
  void CycleSortMarker(bool KeepOthers);
  // Pixels the sort marker takes in a title ColumnWidth wide (0 without a marker); never below 0.
  int SortMarkerWidth(int ColumnWidth, int SortIndexTextWidth) const;

  // Fallbacks.
  TAlignment DefaultAlignment() const;
  std::string DefaultCaption() const;
  TColor DefaultColor() const;
  bool DefaultEndEllipsis() const;
  TTextOrientationX DefaultOrientation() const;
  bool DefaultTitleButton() const;
  bool DefaultToolTips() const;
  // Takes the fallback font into the own font object without change events.
  void RefreshDefaultFont();
  // Forgets every assigned value (the column's title flags).
  void RestoreDefaults();

  TPersistent* GetOwner() override;
  void Assign(TPersistent* Source) override;

 private:
  friend class TColumnX;
  friend class TCustomDBGridX;
  TColumnTitleDefValuesX* Defaults() const;
  void FontChanged();
  void Changed();
  // Sets the marker without the sort-list bookkeeping (used while others are cleared).
  void StoreSortMarker(TSortMarkerX Value) { sort_marker_ = Value; }

  bool IsAlignmentStored() const;
  bool IsCaptionStored() const;
  bool IsColorStored() const;
  bool IsEndEllipsisStored() const;
  bool IsFontStored() const;
  bool IsOrientationStored() const;
  bool IsTitleButtonStored() const;
  bool IsToolTipsStored() const;

  TColumnX* column_;
  TAlignment alignment_ = taLeftJustify;
  std::string caption_;
  TColor color_ = clBtnFace;
  bool end_ellipsis_ = false;
  std::unique_ptr<TFont> font_;
  bool refreshing_font_ = false;
  std::string hint_;
  int image_index_ = -1;
  TTextOrientationX orientation_ = toxHorizontal;
  int sort_index_ = 0;
  TSortMarkerX sort_marker_ = smNoneX;
  bool title_button_ = false;
  bool tool_tips_ = false;
};

}  // namespace lab
