// Sorting by precomputed 64-bit keys: every column becomes one or two words per record whose
// unsigned order is the column's order, so the sort itself moves small fixed-size rows and never
// calls back into the collator.
#include "platform/db/mem_sort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "platform/rtl/strutils.h"

namespace lab {

namespace {

constexpr std::uint64_t kSign = 0x8000000000000000ull;

// Order-preserving bits of a double: negative values reversed, positive ones above them.
std::uint64_t RealBits(double v) {
  if (v == 0) v = 0;  // -0 sorts with +0
  const auto bits = std::bit_cast<std::uint64_t>(v);
  return (bits & kSign) ? ~bits : (bits | kSign);
}

// Ranks of the distinct texts of the records, starting at 1, in locale (or byte, for blobs) order.
std::vector<std::uint64_t> TextRanks(const TMemStore::TColumn& c, const std::vector<TRecordId>& ids) {
  std::unordered_map<std::string_view, std::uint32_t> slot;
  std::vector<std::string_view> distinct;
  std::vector<std::uint32_t> slot_of(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (c.Nulls[ids[i]]) continue;
    const std::string_view text = c.Texts[ids[i]];
    auto [it, added] = slot.try_emplace(text, static_cast<std::uint32_t>(distinct.size()));
    if (added) distinct.push_back(text);
    slot_of[i] = it->second;
  }
  std::vector<std::uint32_t> order(distinct.size());
  std::iota(order.begin(), order.end(), 0u);
  if (c.Type == ftBlob) {
    std::sort(order.begin(), order.end(), [&](auto a, auto b) { return distinct[a] < distinct[b]; });
  } else {
    std::sort(order.begin(), order.end(),
              [&](auto a, auto b) { return AnsiCompareStr(distinct[a], distinct[b]) < 0; });
  }
  std::vector<std::uint64_t> rank_of_slot(distinct.size());
  for (std::size_t r = 0; r < order.size(); ++r) rank_of_slot[order[r]] = r + 1;
  std::vector<std::uint64_t> keys(ids.size(), 0);
  for (std::size_t i = 0; i < ids.size(); ++i)
    if (!c.Nulls[ids[i]]) keys[i] = rank_of_slot[slot_of[i]];
  return keys;
}

// The words of one column for every record. Null is 0 where the value words can spare it; 64-bit
// integers cannot, so they get a separate null word when a null occurs.
std::vector<std::vector<std::uint64_t>> ColumnWords(const TMemStore::TColumn& c,
                                                    const std::vector<TRecordId>& ids) {
  const std::size_t n = ids.size();
  std::vector<std::vector<std::uint64_t>> words;
  switch (c.Kind) {
    case TColumnKind::Text:
      words.push_back(TextRanks(c, ids));
      break;
    case TColumnKind::Real: {
      auto& w = words.emplace_back(n);
      // -NaN's reversed bits are 0; every other value lands above it.
      for (std::size_t i = 0; i < n; ++i) w[i] = c.Nulls[ids[i]] ? 0 : std::max<std::uint64_t>(1, RealBits(c.Reals[ids[i]]));
      break;
    }
    case TColumnKind::Integer: {
      const bool any_null = std::any_of(ids.begin(), ids.end(), [&](TRecordId id) { return c.Nulls[id] != 0; });
      if (any_null) {
        auto& nw = words.emplace_back(n);
        for (std::size_t i = 0; i < n; ++i) nw[i] = c.Nulls[ids[i]] ? 0 : 1;
      }
      auto& w = words.emplace_back(n);
      for (std::size_t i = 0; i < n; ++i)
        w[i] = c.Nulls[ids[i]] ? 0 : static_cast<std::uint64_t>(c.Ints[ids[i]]) ^ kSign;
      break;
    }
  }
  return words;
}

template <std::size_t W>
void SortRows(std::vector<TRecordId>& ids, const std::vector<std::vector<std::uint64_t>>& words) {
  struct Row {
    std::array<std::uint64_t, W> k;
    std::uint32_t pos;
  };
  const std::size_t n = ids.size();
  std::vector<Row> rows(n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < W; ++j) rows[i].k[j] = words[j][i];
    rows[i].pos = static_cast<std::uint32_t>(i);
  }
  // The position as last key makes the unstable sort keep the order of equal rows.
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    for (std::size_t j = 0; j < W; ++j)
      if (a.k[j] != b.k[j]) return a.k[j] < b.k[j];
    return a.pos < b.pos;
  });
  std::vector<TRecordId> sorted(n);
  for (std::size_t i = 0; i < n; ++i) sorted[i] = ids[rows[i].pos];
  ids.swap(sorted);
}

void SortByIndex(std::vector<TRecordId>& ids, const std::vector<std::vector<std::uint64_t>>& words) {
  std::vector<std::uint32_t> order(ids.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    for (const auto& w : words)
      if (w[a] != w[b]) return w[a] < w[b];
    return false;
  });
  std::vector<TRecordId> sorted(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) sorted[i] = ids[order[i]];
  ids.swap(sorted);
}

}  // namespace

void SortRecords(const TMemStore& Store, std::vector<TRecordId>& Ids, const std::vector<TSortKey>& Keys) {
  if (Keys.empty() || Ids.size() < 2) return;
  std::vector<std::vector<std::uint64_t>> words;
  for (const TSortKey& key : Keys) {
    auto column = ColumnWords(Store.Column(key.Column), Ids);
    for (auto& w : column) {
      if (key.Descending)
        for (auto& x : w) x = ~x;
      words.push_back(std::move(w));
    }
  }
  switch (words.size()) {
    case 1: return SortRows<1>(Ids, words);
    case 2: return SortRows<2>(Ids, words);
    case 3: return SortRows<3>(Ids, words);
    case 4: return SortRows<4>(Ids, words);
    default: return SortByIndex(Ids, words);
  }
}

int CompareByKeys(const TMemStore& Store, const std::vector<TSortKey>& Keys, TRecordId A, TRecordId B) {
  for (const TSortKey& key : Keys) {
    const int c = Store.Compare(key.Column, A, B);
    if (c != 0) return key.Descending ? -c : c;
  }
  return 0;
}

}  // namespace lab
