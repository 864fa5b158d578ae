#pragma once
// Counted records that the grid may show every one as a row: the dataset reads any record in
// place and offers IMemTableX through the read-in-place adapter, so a grid over a million of them
// runs in record-set mode at no memory cost.

#include <cstring>

#include "counted_dataset.h"
#include "grid/mem_table.h"

namespace lab::gridtest {

class TCountedMemTable : public TCountedDataSet {
  LAB_CLASS(TCountedMemTable, TCountedDataSet)
 public:
  TCountedMemTable(TComponent* AOwner, std::int64_t Count) : TCountedDataSet(AOwner, Count) {
    static const bool registered =
        (RegisterMemTableX(StaticClass(), [](TDataSet* d) { return CreateReadInPlaceMemTableX(d); }), true);
    (void)registered;
  }

  bool CanReadRecordValues() const override { return true; }
  Variant RecordValue(int RecNo, const TField*) const override {
    if (RecNo < 1 || RecNo > RecordCount()) DatabaseError("Record not found", const_cast<TCountedMemTable*>(this));
    return RecNo;
  }
  bool GetRecordAt(int RecNo, TRecordBuffer& Buffer) const override {
    if (RecNo < 1 || RecNo > RecordCount()) return false;
    const std::int64_t n = RecNo - 1;
    Buffer.Handle = n;
    Buffer.Bookmark.assign(reinterpret_cast<const char*>(&n), sizeof n);
    Buffer.BookmarkFlag = bfCurrent;
    Buffer.Editing = false;
    return true;
  }
};

}  // namespace lab::gridtest
