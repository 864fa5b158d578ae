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

// Compares two records by the keys (descending keys reversed): negative, 0 or positive.
int CompareByKeys(const TMemStore& Store, const std::vector<TSortKey>& Keys, TRecordId A, TRecordId B);

}  // namespace lab
