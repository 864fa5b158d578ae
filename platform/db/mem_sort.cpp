// Sorting by precomputed 64-bit keys: every column becomes one or two words per record whose
// unsigned order is the column's order, so the sort itself counts bytes of numbers and never calls
// back into the collator.
#include "platform/db/mem_sort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <numeric>
#include <string_view>
#include <utility>

#include "platform/rtl/arith.h"
#include "platform/rtl/parallel.h"
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

// Orders Items stably by Key(item), an unsigned number below 2^Bits, a byte at a time from the
// lowest: a few passes over the items in place of a comparison sort's many, and equal keys keep
// their order. The bytes are all counted in one pass; a byte that is the same in every key costs
// no moving.
template <class T, class KeyOf>
void RadixSort(std::vector<T>& items, int bits, KeyOf key) {
  if (items.size() < 1024) {  // fewer items than a pass's counts: a comparison sort is quicker
    std::stable_sort(items.begin(), items.end(), [&](const T& a, const T& b) { return key(a) < key(b); });
    return;
  }
  const auto bytes = static_cast<std::size_t>(bits + 7) / 8;
  std::vector<std::array<std::size_t, 256>> counts(bytes);
  for (const T& x : items) {
    const std::uint64_t k = key(x);
    for (std::size_t b = 0; b < bytes; ++b) ++counts[b][(k >> 8 * b) & 0xFF];
  }
  std::vector<T> moved;
  for (std::size_t b = 0; b < bytes; ++b) {
    std::array<std::size_t, 256>& starts = counts[b];
    if (std::find(starts.begin(), starts.end(), items.size()) != starts.end()) continue;
    std::size_t at = 0;
    for (std::size_t& s : starts) at += std::exchange(s, at);
    moved.resize(items.size());
    for (const T& x : items) moved[starts[(key(x) >> 8 * b) & 0xFF]++] = x;
    items.swap(moved);
  }
}

// A key's first eight bytes as a big-endian number, zeros after a shorter key's end.
std::uint64_t Head(std::string_view key) {
  std::uint64_t head = 0;
  if (!key.empty()) std::memcpy(&head, key.data(), std::min<std::size_t>(8, key.size()));
  return std::endian::native == std::endian::little ? __builtin_bswap64(head) : head;
}

// The texts to rank: each record's slot, and the texts by slot. Texts that repeat get one slot, so
// each gets its collation key once; where a sample finds the texts nearly all distinct, finding
// the repeats would cost more than the keys it saves, and each record gets a slot of its own.
struct TDistinctTexts {
  std::vector<std::string_view> texts;
  std::vector<std::uint32_t> slot_of;  // by record; unused for nulls
};

// Whether evenly spread samples of the texts repeat so seldom that nearly all texts are distinct.
bool NearlyAllDistinct(const TMemStore::TColumn& c, const std::vector<TRecordId>& ids) {
  constexpr std::size_t kSamples = 4096;
  if (ids.size() < 16 * kSamples) return false;  // few records: their repeats are quickly found
  std::vector<std::string_view> sample;
  for (std::size_t i = 0; i < ids.size(); i += ids.size() / kSamples)
    if (!c.IsNull(ids[i])) sample.push_back(c.Text(ids[i]));
  std::sort(sample.begin(), sample.end());
  const auto repeats = static_cast<std::size_t>(sample.end() - std::unique(sample.begin(), sample.end()));
  // Samples of texts half of which repeat find about 0.4% of them repeated.
  return repeats * 256 < sample.size();
}

TDistinctTexts Distinct(const TMemStore::TColumn& c, const std::vector<TRecordId>& ids) {
  const std::size_t n = ids.size();
  TDistinctTexts d;
  d.slot_of.resize(n);
  if (NearlyAllDistinct(c, ids)) {
    d.texts.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
      if (c.IsNull(ids[i])) continue;
      d.slot_of[i] = static_cast<std::uint32_t>(d.texts.size());
      d.texts.push_back(c.Text(ids[i]));
    }
    return d;
  }
  // Room for every record's text at most half full, so the table never grows: a column of a few
  // names touches few of its places, which stay in cache. Each place holds the high half of its
  // text's hash beside the slot, so a probe compares texts only when their hashes agree, and the
  // place of a record a few ahead is fetched early: with a million distinct texts the table is far
  // larger than the cache, and each probe would otherwise wait for memory.
  constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
  struct TPlace {
    std::uint32_t slot = kEmpty;
    std::uint32_t tag = 0;
  };
  std::vector<TPlace> table(std::bit_ceil(std::max<std::size_t>(1024, 2 * n)));
  const std::size_t mask = table.size() - 1;
  const std::hash<std::string_view> hash;
  constexpr std::size_t kAhead = 16;
  std::array<std::size_t, kAhead> ahead{};  // the hashes of the records ahead, by record modulo kAhead
  auto look_ahead = [&](std::size_t i) {
    if (i >= n || c.IsNull(ids[i])) return;
    ahead[i % kAhead] = hash(c.Text(ids[i]));
    __builtin_prefetch(&table[ahead[i % kAhead] & mask]);
  };
  for (std::size_t i = 0; i < kAhead; ++i) look_ahead(i);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t h = ahead[i % kAhead];
    look_ahead(i + kAhead);
    if (c.IsNull(ids[i])) continue;
    const std::string_view text = c.Text(ids[i]);
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    std::size_t at = h & mask;
    while (table[at].slot != kEmpty && (table[at].tag != tag || d.texts[table[at].slot] != text)) at = (at + 1) & mask;
    if (table[at].slot == kEmpty) {
      table[at] = {static_cast<std::uint32_t>(d.texts.size()), tag};
      d.texts.push_back(text);
    }
    d.slot_of[i] = table[at].slot;
  }
  return d;
}

// Ranks of the distinct texts of the records, starting at 1, in locale (or byte, for blobs) order.
// Each distinct text gets its sort key once, and the keys are sorted by their first eight bytes
// as a number before any byte-wise comparison. Making the keys is nearly all the work of a sort by
// text, and each key is made alone: many texts share it out among a few threads.
std::vector<std::uint64_t> TextRanks(const TMemStore::TColumn& c, const std::vector<TRecordId>& ids) {
  const TDistinctTexts d = Distinct(c, ids);
  const std::size_t n = d.texts.size();
  struct TEntry {
    std::uint64_t head;  // the key's first eight bytes, big-endian
    std::uint32_t slot;
  };
  std::vector<TEntry> entries(n);
  std::vector<std::string_view> keys(n);                 // by slot; a blob's key is its text
  std::vector<std::string> key_bytes(ParallelRanges());  // the keys each range made
  // A few milliseconds of keys, far more than starting a thread costs.
  constexpr std::size_t kTextsPerRange = 16384;
  std::vector<std::size_t> run_ends(ParallelRanges(), 0);  // where each range's entries end
  ForRanges(n, kTextsPerRange, [&](std::size_t range, std::size_t first, std::size_t end) {
    if (c.Type() == ftBlob) {
      for (std::size_t i = first; i < end; ++i) keys[i] = d.texts[i];
    } else {
      // Room for keys as long as the collator's longest, so growing the keys never copies them all.
      std::string& bytes = key_bytes[range];
      std::size_t text_bytes = 0;
      for (std::size_t i = first; i < end; ++i) text_bytes += d.texts[i].size();
      bytes.reserve(4 * text_bytes + 16 * (end - first));
      std::vector<std::size_t> ends(end - first);
      for (std::size_t i = first; i < end; ++i) {
        AnsiSortKey(d.texts[i], bytes);
        ends[i - first] = bytes.size();
      }
      for (std::size_t i = first, from = 0; i < end; from = ends[i - first], ++i)
        keys[i] = std::string_view(bytes).substr(from, ends[i - first] - from);
    }
    // The range orders its own entries by their heads; the ranges' runs are merged below.
    std::vector<TEntry> run(end - first);
    for (std::size_t i = first; i < end; ++i) run[i - first] = {Head(keys[i]), static_cast<std::uint32_t>(i)};
    RadixSort(run, 64, [](const TEntry& e) { return e.head; });
    std::copy(run.begin(), run.end(), entries.begin() + static_cast<std::ptrdiff_t>(first));
    run_ends[range] = end;
  });
  // Two runs at a time, an earlier run's entries first among equal heads, as one sort would order them.
  std::erase(run_ends, 0);
  auto at = [&](std::size_t i) { return entries.begin() + static_cast<std::ptrdiff_t>(i); };
  for (std::size_t width = 1; width < run_ends.size(); width *= 2) {
    for (std::size_t r = 0; r + width < run_ends.size(); r += 2 * width) {
      const std::size_t from = r == 0 ? 0 : run_ends[r - 1], middle = run_ends[r + width - 1],
                        to = run_ends[std::min(r + 2 * width, run_ends.size()) - 1];
      std::inplace_merge(at(from), at(middle), at(to), [](const TEntry& a, const TEntry& b) { return a.head < b.head; });
    }
  }
  // Keys that share their first eight bytes, by their bytes (unsigned, a prefix first); slots of
  // the same text in their order.
  for (std::size_t first = 0; first < n;) {
    std::size_t end = first + 1;
    while (end < n && entries[end].head == entries[first].head) ++end;
    if (end - first > 1)
      std::sort(entries.begin() + static_cast<std::ptrdiff_t>(first), entries.begin() + static_cast<std::ptrdiff_t>(end),
                [&](const TEntry& a, const TEntry& b) {
                  const int order = keys[a.slot].compare(keys[b.slot]);
                  return order != 0 ? order < 0 : a.slot < b.slot;
                });
    first = end;
  }
  // Equal keys, of the same text, share a rank.
  std::vector<std::uint64_t> rank_of_slot(n);
  std::uint64_t rank = 0;
  for (std::size_t r = 0; r < n; ++r) {
    if (r == 0 || entries[r].head != entries[r - 1].head || keys[entries[r].slot] != keys[entries[r - 1].slot]) ++rank;
    rank_of_slot[entries[r].slot] = rank;
  }
  std::vector<std::uint64_t> ranks(ids.size(), 0);
  ForRanges(ids.size(), kTextsPerRange, [&](std::size_t, std::size_t first, std::size_t end) {
    for (std::size_t i = first; i < end; ++i)
      if (!c.IsNull(ids[i])) ranks[i] = rank_of_slot[d.slot_of[i]];
  });
  return ranks;
}

// The words of one column for every record. Null is 0 where the value words can spare it; 64-bit
// integers cannot, so they get a separate null word when a null occurs.
std::vector<std::vector<std::uint64_t>> ColumnWords(const TMemStore::TColumn& c,
                                                    const std::vector<TRecordId>& ids) {
  const std::size_t n = ids.size();
  std::vector<std::vector<std::uint64_t>> words;
  switch (c.Kind()) {
    case TColumnKind::Text:
      words.push_back(TextRanks(c, ids));
      break;
    case TColumnKind::Real: {
      auto& w = words.emplace_back(n);
      // -NaN's reversed bits are 0; every other value lands above it.
      for (std::size_t i = 0; i < n; ++i) w[i] = c.IsNull(ids[i]) ? 0 : std::max<std::uint64_t>(1, RealBits(c.Real(ids[i])));
      break;
    }
    case TColumnKind::Integer: {
      const bool any_null = std::any_of(ids.begin(), ids.end(), [&](TRecordId id) { return c.IsNull(id); });
      if (any_null) {
        auto& nw = words.emplace_back(n);
        for (std::size_t i = 0; i < n; ++i) nw[i] = c.IsNull(ids[i]) ? 0 : 1;
      }
      auto& w = words.emplace_back(n);
      for (std::size_t i = 0; i < n; ++i)
        w[i] = c.IsNull(ids[i]) ? 0 : static_cast<std::uint64_t>(c.Int(ids[i])) ^ kSign;
      break;
    }
  }
  return words;
}

// Words whose values span few bits share a word: each is taken relative to its smallest value
// and laid after the ones before it, which keeps their order, and fewer rows sort faster (a text
// of a thousand names and an age make one word instead of two). Words that vary nowhere go.
std::vector<std::vector<std::uint64_t>> Packed(std::vector<std::vector<std::uint64_t>> words) {
  struct TRange {
    std::uint64_t low;
    int bits;
  };
  std::vector<TRange> ranges;
  for (const auto& w : words) {
    const auto [lo, hi] = std::minmax_element(w.begin(), w.end());
    const std::uint64_t range = *hi - *lo;
    ranges.push_back({*lo, range == 0 ? 0 : 64 - std::countl_zero(range)});
  }
  std::vector<std::vector<std::uint64_t>> packed;
  for (std::size_t first = 0; first < words.size();) {
    if (ranges[first].bits == 0) {
      ++first;
      continue;
    }
    // The run of words from first that fits in 64 bits.
    std::size_t end = first + 1;
    int bits = ranges[first].bits;
    while (end < words.size() && bits + ranges[end].bits <= 64) bits += ranges[end++].bits;
    std::vector<std::uint64_t>& p = packed.emplace_back(std::move(words[first]));
    if (end > first + 1) {
      for (auto& x : p) x -= ranges[first].low;
      for (std::size_t j = first + 1; j < end; ++j) {
        if (ranges[j].bits == 0) continue;
        const std::vector<std::uint64_t>& w = words[j];
        for (std::size_t i = 0; i < p.size(); ++i) p[i] = p[i] << ranges[j].bits | (w[i] - ranges[j].low);
      }
    }
    first = end;
  }
  return packed;
}

// Reorders Order (positions into the words) stably by the word's values.
void SortByWord(std::vector<std::uint32_t>& order, const std::vector<std::uint64_t>& word) {
  struct TRow {
    std::uint64_t key;  // the value less the smallest one
    std::uint32_t pos;
  };
  const auto [lo, hi] = std::minmax_element(word.begin(), word.end());
  std::vector<TRow> rows(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) rows[i] = {word[order[i]] - *lo, order[i]};
  RadixSort(rows, std::bit_width(*hi - *lo), [](const TRow& r) { return r.key; });
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = rows[i].pos;
}

// Reorders Ids stably by Word, whose values span fewer numbers than there are records (the ranks
// of a text's values, numbers of a small range): each record goes straight to its place, counted
// for each value, where a sort by digits would move every record a few times.
void SortByCounting(std::vector<TRecordId>& ids, const std::vector<std::uint64_t>& word, std::uint64_t low,
                    std::uint64_t high) {
  std::vector<std::uint32_t> starts(high - low + 2, 0);
  for (const std::uint64_t w : word) ++starts[w - low + 1];
  for (std::size_t v = 1; v < starts.size(); ++v) starts[v] += starts[v - 1];
  std::vector<TRecordId> sorted(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) sorted[starts[word[i] - low]++] = ids[i];
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
  words = Packed(std::move(words));
  if (words.empty()) return;  // the same keys for every record
  if (words.size() == 1) {
    const auto [low, high] = std::minmax_element(words[0].begin(), words[0].end());
    if (*high - *low < Ids.size()) return SortByCounting(Ids, words[0], *low, *high);
  }
  // The last word first: each stable pass keeps the order of the words after it among equals.
  std::vector<std::uint32_t> order(Ids.size());
  std::iota(order.begin(), order.end(), 0u);
  for (std::size_t j = words.size(); j-- > 0;) SortByWord(order, words[j]);
  std::vector<TRecordId> sorted(Ids.size());
  for (std::size_t i = 0; i < Ids.size(); ++i) sorted[i] = Ids[order[i]];
  Ids.swap(sorted);
}

namespace {

std::uint32_t IntKey(TFieldType Type, std::int64_t v) {
  if (Type == ftLargeint || Type == ftCurrency)
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) ^ kSign) >> 32);
  // Narrow columns hold 32-bit values; clamping keeps the order for a value past them.
  return static_cast<std::uint32_t>(SaturateCast<std::int32_t>(v)) ^ 0x80000000u;
}

std::uint32_t RealKey(double v) { return static_cast<std::uint32_t>(RealBits(v) >> 32); }

}  // namespace

bool HasOrderKey(const TMemStore::TColumn& Column) { return Column.Kind() != TColumnKind::Text; }

// Null is 0, which the smallest value may share.
std::uint32_t OrderKey(const TMemStore::TColumn& Column, TRecordId Id) {
  if (Column.IsNull(Id)) return 0;
  return Column.Kind() == TColumnKind::Real ? RealKey(Column.Real(Id)) : IntKey(Column.Type(), Column.Int(Id));
}

std::uint32_t OrderKey(const TMemStore::TColumn& Column, const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return 0;
  switch (Column.Type()) {
    case ftBoolean: return IntKey(ftBoolean, Value.AsBoolean() ? 1 : 0);
    case ftCurrency: return IntKey(ftCurrency, Value.AsCurrency().Raw());
    default: break;
  }
  if (Column.Kind() == TColumnKind::Real)
    return RealKey(Value.Type() == varDate ? Value.AsDateTime() : Value.AsDouble());
  return IntKey(Column.Type(), Value.AsInt64());
}

namespace {

std::uint64_t TextKeyOf(TFieldType Type, std::string_view Text) {
  const std::string key = Type == ftBlob ? std::string(Text.substr(0, 8)) : AnsiSortKeyPrefix(Text, 8);
  std::uint64_t k = 0;
  for (std::size_t i = 0; i < 8; ++i) k = k << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0);
  return k;
}

}  // namespace

std::uint64_t TextKey(const TMemStore::TColumn& Column, TRecordId Id) {
  return Column.IsNull(Id) ? 0 : TextKeyOf(Column.Type(), Column.Text(Id));
}

std::uint64_t TextKey(const TMemStore::TColumn& Column, const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return 0;
  const std::string* text = Value.StringPtr();
  return TextKeyOf(Column.Type(), text ? std::string_view(*text) : std::string_view(Value.AsString()));
}

int CompareByKeys(const TMemStore& Store, const std::vector<TSortKey>& Keys, TRecordId A, TRecordId B) {
  for (const TSortKey& key : Keys) {
    const int c = Store.Compare(key.Column, A, B);
    if (c != 0) return key.Descending ? -c : c;
  }
  return 0;
}

}  // namespace lab
