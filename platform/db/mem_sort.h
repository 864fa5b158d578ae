#pragma once
// Stable sorting of record ids by one or several columns of a TMemStore, each ascending or
// descending, nulls first when ascending. Text is ordered by the locale (AnsiCompareStr), which
// also keeps texts that differ only in case next to each other.

#include <vector>

#include "platform/db/mem_store.h"

namespace lab {

struct TSortKey {
  int Column = 0;
  bool Descending = false;
};

// Reorders Ids (all alive) so the keys ascend; records with equal keys keep their order.
void SortRecords(const TMemStore& Store, std::vector<TRecordId>& Ids, const std::vector<TSortKey>& Keys);

// A 32-bit key for a value of a number column that keeps the column's order (nulls first) where
// keys differ: a smaller key is a smaller value, while values apart may share a key (64-bit ones,
// by their high bits). Texts have none. Value is of the column's form, as TMemStore::Get answers
// it, or Null.
bool HasOrderKey(const TMemStore::TColumn& Column);
std::uint32_t OrderKey(const TMemStore::TColumn& Column, TRecordId Id);
std::uint32_t OrderKey(const TMemStore::TColumn& Column, const Variant& Value);

// A 64-bit key for a value of a text column that keeps the column's order (nulls first) where keys
// differ: the first eight bytes of the text's sort key (as AnsiSortKey makes it; a blob's own
// bytes). Texts apart may share a key, and making one costs about what comparing two texts does.
std::uint64_t TextKey(const TMemStore::TColumn& Column, TRecordId Id);
std::uint64_t TextKey(const TMemStore::TColumn& Column, const Variant& Value);

// Compares two records by the keys (descending keys reversed): negative, 0 or positive.
int CompareByKeys(const TMemStore& Store, const std::vector<TSortKey>& Keys, TRecordId A, TRecordId B);

}  // namespace lab
