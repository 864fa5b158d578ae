#include "grid/column_footers.h"

#include "grid/columns.h"

namespace lab {

void TColumnFooterX::DeclareProperties(TPropertyDeclarer<TColumnFooterX>&) {}

TColumnFooterX::TColumnFooterX(TCollection* Collection)
    : TCollectionItem(Collection),
      column_(Collection && Collection->Is<TColumnFootersX>() ? static_cast<TColumnFootersX*>(Collection)->Column()
                                                              : nullptr) {}

TColumnFooterX::TColumnFooterX(TColumnX* Column) : TCollectionItem(nullptr), column_(Column) {}

TPersistent* TColumnFootersX::GetOwner() { return column_; }

}  // namespace lab
