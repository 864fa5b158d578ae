#pragma once
// The footer objects of a column: the single Footer and the Footers collection (one item per
// footer row). A footer shows nothing, a static text, the value of a field of the current record,
// or an aggregate of the grid's sum list (sum, average, count). Its alignment, colour, font and
// tool tips follow the field, the grid's footer settings and the grid-wide defaults until
// assigned, and are written into forms only then.
//
// An aggregate footer owns one item of the grid's sum list while its column belongs to a grid:
// the item is added, re-pointed or removed whenever the footer's type or the column's field
// changes (TColumnX::ResetFooters), so the sum list computes exactly what the footers show.

#include <cstdint>
#include <memory>
#include <string>

#include "grid/dbgrid_types.h"
#include "platform/classes/collection.h"
#include "platform/graphics/graphics_objects.h"

namespace lab {

class TColumnX;
class TColumnFootersX;
class TCustomDBGridX;
class TDBSum;

enum TColumnFooterXValue { cfvAlignment, cfvFont, cfvColor, cfvToolTips };
using TColumnFooterXValues = TSet<TColumnFooterXValue>;

class TColumnFooterX : public TCollectionItem {
  LAB_CLASS(TColumnFooterX, TCollectionItem)
  LAB_PROPERTIES(TColumnFooterX, TCollectionItem)
 public:
  // An item of a column's Footers.
  explicit TColumnFooterX(TCollection* Collection);
  // A column's single Footer, outside any collection.
  explicit TColumnFooterX(TColumnX* Column);
  // Repaints the grid's footer rows and gives the aggregate back to the sum list.
  ~TColumnFooterX() override;

  TColumnX* Column() const noexcept { return column_; }
  TColumnFooterXValues AssignedValues() const noexcept { return assigned_; }

  TAlignment Alignment();  // the field's Alignment; taLeftJustify
  void SetAlignment(TAlignment Value);
  TColor Color() const;  // the grid's FooterColor; clWindow
  void SetColor(TColor Value);
  const std::string& DisplayFormat() const noexcept { return display_format_; }
  void SetDisplayFormat(const std::string& Value);
  bool EndEllipsis() const noexcept { return end_ellipsis_; }
  void SetEndEllipsis(bool Value);
  // Empty: an aggregate sums the column's own field.
  const std::string& FieldName() const noexcept { return field_name_; }
  void SetFieldName(const std::string& Value);
  TFont* Font();  // the grid's FooterFont; the column's Font without grid
  void SetFont(TFont* Value);
  bool ToolTips() const;  // the grid's ColumnDefValues.Footer.ToolTips; False
  void SetToolTips(bool Value);
  const std::string& Value() const noexcept { return value_; }
  void SetValue(const std::string& Value);
  TFooterValueType ValueType() const noexcept { return value_type_; }
  void SetValueType(TFooterValueType Value);
  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool Value);

  // The aggregate of the grid's sum list that this footer shows; nullptr when it needs none.
  TDBSum* DBSum() const;
  // The field an aggregate is taken over: FieldName, else the column's FieldName.
  std::string SumFieldName() const;

  TAlignment DefaultAlignment();
  TColor DefaultColor() const;
  bool DefaultToolTips() const;
  // Takes the fallback font into the own font object without change events.
  void RefreshDefaultFont();
  virtual void RestoreDefaults();
  // Adds, re-points or removes the footer's aggregate for its type and field.
  void BindSum();
  // Removes the footer's aggregate from the grid's sum list.
  void DropSum();

  void Assign(TPersistent* Source) override;

 private:
  TCustomDBGridX* Grid() const;
  void Init();
  void FooterChanged();
  void FontChanged();
  bool IsAlignmentStored();
  bool IsColorStored() const;
  bool IsToolTipsStored() const;

  TColumnX* column_;
  TColumnFooterXValues assigned_;
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clWindow;
  std::string display_format_;
  bool end_ellipsis_ = false;
  std::string field_name_;
  std::unique_ptr<TFont> font_;
  bool refreshing_font_ = false;
  bool tool_tips_ = false;
  std::string value_;
  TFooterValueType value_type_ = fvtNon;
  bool word_wrap_ = false;
  // The bound aggregate, by its ID in the sum list's collection (-1: none): looked up each time,
  // so a sum list that went first leaves nothing dangling.
  int sum_id_ = -1;
};

class TColumnFootersX : public TCollection {
  LAB_CLASS(TColumnFootersX, TCollection)
 public:
  TColumnFootersX(TColumnX* Column, TCollectionItemClass FooterClass)
      : TCollection(FooterClass), column_(Column) {}
  TColumnX* Column() const noexcept { return column_; }
  TColumnFooterX* GetFooter(int Index) const { return static_cast<TColumnFooterX*>(Items(Index)); }
  TColumnFooterX* Add() { return static_cast<TColumnFooterX*>(TCollection::Add()); }
  TPersistent* GetOwner() override;

 private:
  TColumnX* column_;
};

}  // namespace lab
