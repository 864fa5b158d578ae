#pragma once
// Extra edit buttons of a grid column: TEditButtonX is one button (hidden until made visible),
// TVisibleEditButtonX the kind a column's collection holds (visible from the start), and
// TEditButtonsX their collection, which tells its owner (the column) of every change.

#include <functional>
#include <memory>

#include "platform/classes/collection.h"
#include "platform/graphics/bitmap.h"

namespace lab {

enum TEditButtonStyleX { ebsDropDownX, ebsEllipsisX, ebsGlyphX, ebsUpDownX, ebsPlusX, ebsMinusX };
LAB_ENUM_NAMES(TEditButtonStyleX, "ebsDropDownX", "ebsEllipsisX", "ebsGlyphX", "ebsUpDownX", "ebsPlusX",
               "ebsMinusX")

class TEditButtonX : public TCollectionItem {
  LAB_CLASS(TEditButtonX, TCollectionItem)
  LAB_PROPERTIES(TEditButtonX, TCollectionItem)
 public:
  explicit TEditButtonX(TCollection* Collection);
  ~TEditButtonX() override;

  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool Value);
  // 0 means the grid's default button width.
  int Width() const noexcept { return width_; }
  void SetWidth(int Value);
  TEditButtonStyleX Style() const noexcept { return style_; }
  void SetStyle(TEditButtonStyleX Value);
  // Drawn by the glyph style; owned.
  TBitmap* Glyph() const noexcept { return glyph_.get(); }
  void SetGlyph(TBitmap* Value);

  void Assign(TPersistent* Source) override;

 protected:
  // A button made visible from the start (the visible kind).
  TEditButtonX(TCollection* Collection, bool Visible);

 private:
  void GlyphChanged();

  bool visible_ = false;
  int width_ = 0;
  TEditButtonStyleX style_ = ebsDropDownX;
  std::unique_ptr<TBitmap> glyph_;
};

class TVisibleEditButtonX : public TEditButtonX {
  LAB_CLASS(TVisibleEditButtonX, TEditButtonX)
  LAB_PROPERTIES(TVisibleEditButtonX, TEditButtonX)
 public:
  explicit TVisibleEditButtonX(TCollection* Collection) : TEditButtonX(Collection, true) {}
};

class TEditButtonsX : public TOwnedCollection {
  LAB_CLASS(TEditButtonsX, TOwnedCollection)
 public:
  TEditButtonsX(TPersistent* AOwner, TCollectionItemClass ItemClass) : TOwnedCollection(AOwner, ItemClass) {}

  TEditButtonX* Items(int Index) const { return static_cast<TEditButtonX*>(TCollection::Items(Index)); }
  TEditButtonX* Add() { return static_cast<TEditButtonX*>(TCollection::Add()); }
  // Buttons with Visible set.
  int VisibleCount() const;

  // Fired after any change of the collection or of one of its buttons.
  TNotifyEvent OnChanged;

 protected:
  void Update(TCollectionItem* Item) override;
};

}  // namespace lab
