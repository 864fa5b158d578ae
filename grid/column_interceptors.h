#pragma once
// How a grid's columns are kept by the property storage (property_interceptors.h): a column's
// stored Width is restored into its width before auto-fitting when its grid fits the columns to
// the client width, and the column order travels as one text of quoted field names,
// "ColumnsIndex" of the column collection: "Name","Price","Id". Both are registered when the grid
// unit starts.

#include <string>

#include "grid/property_interceptors.h"

namespace lab {

class TColumnX;
class TDBGridColumnsX;

class TColumnXPropertyInterceptor : public TStoragePropertyInterceptor {
  LAB_CLASS(TColumnXPropertyInterceptor, TStoragePropertyInterceptor)
  LAB_PROPERTIES(TColumnXPropertyInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
  TColumnX* Column() const;
  // Write only: reading a width reads the column's own.
  void SetWidth(int Value);
};

class TColumnsXPropertyInterceptor : public TStoragePropertyInterceptor {
  LAB_CLASS(TColumnsXPropertyInterceptor, TStoragePropertyInterceptor)
  LAB_PROPERTIES(TColumnsXPropertyInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
  TDBGridColumnsX* Columns() const;
  // Every column's FieldName in collection order, quoted, separated by ",".
  std::string ColumnsIndex() const;
  // Puts the named columns first, in the order of the text. A name no column has is skipped
  // (a layout saved before a column went restores without error); a column shown twice is found
  // once per mention.
  void SetColumnsIndex(const std::string& Value);

 private:
  std::string columns_index_;
};

// Registers both for their target classes.
void RegisterColumnInterceptors();

}  // namespace lab
