#pragma once
// The footer objects of a column: the single Footer and the Footers collection (one item per
// footer row). Here they know their column; what a footer shows and how it binds to the grid's
// sum list is added with the footers themselves.

#include "platform/classes/collection.h"

namespace lab {

class TColumnX;
class TColumnFootersX;

class TColumnFooterX : public TCollectionItem {
  LAB_CLASS(TColumnFooterX, TCollectionItem)
  LAB_PROPERTIES(TColumnFooterX, TCollectionItem)
 public:
  // An item of a column's Footers.
  explicit TColumnFooterX(TCollection* Collection);
  // A column's single Footer, outside any collection.
  explicit TColumnFooterX(TColumnX* Column);

  TColumnX* Column() const noexcept { return column_; }

 private:
  TColumnX* column_;
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
