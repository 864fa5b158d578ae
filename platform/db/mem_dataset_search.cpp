// TMemDataSet: sorting, filtering, Locate and Lookup, distinct values.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

#include "platform/db/db_errors.h"
#include "platform/db/field_values.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

std::vector<TSortKey> TMemDataSet::ParseSortFields(const std::string& Text) const {
  std::vector<TSortKey> keys;
  std::size_t start = 0;
  while (start <= Text.size()) {
    const std::size_t end = std::min(Text.find(';', start), Text.size());
    std::string item = Trim(std::string_view(Text).substr(start, end - start));
    start = end + 1;
    if (item.empty()) continue;
    TSortKey key;
    const std::size_t gap = item.find_last_of(" \t");
    if (gap != std::string::npos) {
      const std::string word = UpperCase(item.substr(gap + 1));
      if (word == "DESC" || word == "ASC") {
        key.Descending = word == "DESC";
        item = Trim(item.substr(0, gap));
      }
    }
    key.Column = FieldDefs().IndexOf(item);
    if (key.Column < 0) {
      if (FindField(item)) DatabaseErrorFmt(dbmsg::SNotSortable, this, item);
      DatabaseErrorFmt(dbmsg::SFieldNotFound, this, item);
    }
    if (FieldDefs()[key.Column].DataType() == ftBlob) DatabaseErrorFmt(dbmsg::SNotSortable, this, item);
    keys.push_back(key);
  }
  return keys;
}

void TMemDataSet::ParseFilter(const std::string& Text) {
  filter_expr_ = TFilterExpression::Parse(Text, [this](std::string_view Name, int& Index, TFieldType& Type) {
    Index = FieldDefs().IndexOf(Name);
    if (Index < 0) return false;
    Type = FieldDefs()[Index].DataType();
    return true;
  });
}

std::uint64_t TMemDataSet::ViewKey(TRecordId Id) const {
  const TMemStore::TColumn& column = store_->Column(sort_keys_[0].Column);
  const std::uint64_t key = HasOrderKey(column) ? OrderKey(column, Id) : TextKey(column, Id);
  return sort_keys_[0].Descending ? ~key : key;
}

std::uint64_t TMemDataSet::ViewKey(const Variant& Value) const {
  const TMemStore::TColumn& column = store_->Column(sort_keys_[0].Column);
  const std::uint64_t key = HasOrderKey(column) ? OrderKey(column, Value) : TextKey(column, Value);
  return sort_keys_[0].Descending ? ~key : key;
}

void TMemDataSet::AssignView(const std::vector<TRecordId>& Ids) {
  view_.Assign(Ids);
  if (HasViewKeys()) view_.FillFirstKeys([this](TRecordId id) { return ViewKey(id); });
}

void TMemDataSet::SetView(std::vector<TRecordId> Ids) {
  own_view_ = Filtering() || !sort_keys_.empty() || tree_;
  if (!own_view_) {
    view_.Clear();
    return;
  }
  SortRecords(*store_, Ids, sort_keys_);
  if (tree_) {
    tree_->Build(*store_, Ids);
    view_.Assign(tree_->Rows());
    return;
  }
  AssignView(Ids);
}

// Built aside, so a filter handler that raises leaves the view as it was.
void TMemDataSet::RebuildView() {
  std::vector<TRecordId> view;
  if (Filtering()) {
    TRecordBuffer probe;
    base_.ForEach([&](TRecordId id) {
      probe.Handle = id;
      if (Accepts(probe)) view.push_back(id);
    });
  } else if (!sort_keys_.empty() || tree_) {
    view = base_.ToVector();
  }
  SetView(std::move(view));
}

void TMemDataSet::SetSortFields(const std::string& Value) {
  if (!Active()) {
    sort_text_ = Value;
    return;
  }
  std::vector<TSortKey> keys = ParseSortFields(Value);
  CheckBrowseMode();
  const bool had_record = BufferRecordCount() > 0;
  const auto current = had_record ? static_cast<TRecordId>(ActiveBuffer().Handle) : 0;
  if (tree_) {
    // The children of each node take the new order; the tree holds collapsed records the view lacks.
    std::vector<TSortKey> old = std::exchange(sort_keys_, std::move(keys));
    {
      TScopeFail restore([&] { sort_keys_ = std::move(old); });
      RebuildView();
    }
    sort_text_ = Value;
    cursor_ = had_record ? ViewPos(current) : -1;
    CursorPosChanged();
    Resync({rmCenter});
    return;
  }
  // Equal records keep their stored order, whatever the order before; the records shown stay.
  std::vector<TRecordId> ids;
  if (own_view_) {
    std::vector<std::uint8_t> visible(store_->IdCount(), 0);
    view_.ForEach([&](TRecordId id) { visible[id] = 1; });
    base_.ForEach([&](TRecordId id) {
      if (visible[id]) ids.push_back(id);
    });
  } else if (!keys.empty()) {
    ids = base_.ToVector();
  }
  const bool subset = own_view_ && view_.Size() != base_.Size();
  sort_keys_ = std::move(keys);
  sort_text_ = Value;
  // A view the filter cut stays one even without keys.
  if (subset || !sort_keys_.empty()) {
    SortRecords(*store_, ids, sort_keys_);
    AssignView(ids);
    own_view_ = true;
  } else {
    view_.Clear();
    own_view_ = false;
  }
  cursor_ = had_record ? ViewPos(current) : -1;
  CursorPosChanged();
  Resync({rmCenter});
}

void TMemDataSet::SetFilter(const std::string& Value) {
  if (!Active()) return TDataSet::SetFilter(Value);
  TFilterExpression old = std::move(filter_expr_);
  {
    TScopeFail restore([&] { filter_expr_ = std::move(old); });
    ParseFilter(Value);
    CheckBrowseMode();
    if (Filtered()) RebuildView();
  }
  TDataSet::SetFilter(Value);
  if (Filtered()) First();
}

void TMemDataSet::SetFiltered(bool Value) {
  if (!Active()) return TDataSet::SetFiltered(Value);
  CheckBrowseMode();
  const bool old = Filtered();
  TDataSet::SetFiltered(Value);
  {
    TScopeFail restore([&] { TDataSet::SetFiltered(old); });
    RebuildView();
  }
  First();
}

std::int64_t TMemDataSet::FindRecord(std::string_view KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckActive();
  if (key_fields_.empty() || key_fields_stamp_ != Fields().Stamp() || KeyFields != key_fields_text_) {
    std::vector<TField*> fields;
    GetFieldList(fields, KeyFields);
    if (fields.empty()) DatabaseError(std::string(dbmsg::SFieldNameMissing), this);
    key_fields_ = std::move(fields);
    key_fields_text_ = KeyFields;
    key_fields_stamp_ = Fields().Stamp();
  }
  const std::vector<TField*>& fields = key_fields_;
  const bool one = fields.size() == 1 && !VarIsArray(KeyValues);
  if (!one) {
    if (!VarIsArray(KeyValues)) DatabaseErrorFmt(dbmsg::SKeyValueCount, this, 1, static_cast<int>(fields.size()));
    const int count = VarArrayHighBound(KeyValues) - VarArrayLowBound(KeyValues) + 1;
    if (count != static_cast<int>(fields.size()))
      DatabaseErrorFmt(dbmsg::SKeyValueCount, this, count, static_cast<int>(fields.size()));
  }
  const auto raw = [&](std::size_t i) -> const Variant& {
    return one ? KeyValues : KeyValues[VarArrayLowBound(KeyValues) + static_cast<int>(i)];
  };
  const bool ci = Options.Contains(loCaseInsensitive), partial = Options.Contains(loPartialKey);
  struct TKey {
    int Column;
    Variant Value;
    bool Prefix;
  };
  std::vector<TKey> keys;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    TField* f = fields[i];
    if (f->FieldKind() != fkData) DatabaseErrorFmt(dbmsg::SNotSearchable, this, f->FieldName());
    Variant value;
    // A value the field could never hold matches no record.
    const Variant& given = raw(i);
    if (ConvertFieldValue(f->DataType(), given, value) != TConvertResult::Ok || !ConvertedExactly(given, value))
      return -1;
    const bool text = f->DataType() == ftString || f->DataType() == ftMemo;
    keys.push_back({f->FieldNo() - 1, value, partial && text && !VarIsNull(value)});
  }
  const TMemStore& store = *store_;
  const TRecordList& view = View();
  auto matches = [&](TRecordId id) {
    for (const TKey& k : keys) {
      if (k.Prefix) {
        if (store.IsNull(k.Column, id)) return false;
        const std::string_view s = store.Column(k.Column).Text(id);
        const std::string key = k.Value.AsString();
        if (ci) {
          const std::string_view head = std::string_view(s).substr(0, Utf8Offset(s, Utf8Length(key)));
          if (AnsiCompareText(head, key) != 0) return false;
        } else if (!std::string_view(s).starts_with(key)) {
          return false;
        }
      } else if (CompareStoredValue(store, k.Column, id, k.Value, ci) != 0) {
        return false;
      }
    }
    return true;
  };
  // The beginning of a text on the leading sort field: every text that begins with it sorts from
  // the text itself to the text followed by U+FFFF, which the collation puts after every
  // character, so only that range is searched. A collation that joins letters (contractions) may
  // sort a match elsewhere: without one in the range, the rest is searched too.
  if (keys.size() == 1 && keys[0].Prefix && !sort_keys_.empty() && sort_keys_[0].Column == keys[0].Column &&
      !sort_keys_[0].Descending && store.Column(keys[0].Column).Type() != ftBlob) {
    const int col = keys[0].Column;
    const std::string key = keys[0].Value.AsString(), past = key + "\xEF\xBF\xBF";
    auto below = [&](const std::string& Bound) {
      return [&, col](TRecordId id) {
        if (store.IsNull(col, id)) return true;  // nulls sort first
        const std::string_view s = store.Column(col).Text(id);
        return (ci ? AnsiCompareText(s, Bound) : AnsiCompareStr(s, Bound)) < 0;
      };
    };
    const std::size_t first = view.PartitionPoint(below(key)), last = view.PartitionPoint(below(past));
    for (std::size_t pos = first; pos < last; ++pos)
      if (matches(view.At(pos))) return static_cast<std::int64_t>(pos);
    for (std::size_t pos = 0; pos < view.Size(); ++pos)
      if ((pos < first || pos >= last) && matches(view.At(pos))) return static_cast<std::int64_t>(pos);
    return -1;
  }
  // Sorted on leading key fields: a binary search finds where the matches start.
  std::size_t prefix = 0;
  // A tree's records are sorted only among siblings.
  if (!partial && !tree_)
    while (prefix < sort_keys_.size() &&
           std::any_of(keys.begin(), keys.end(), [&](const TKey& k) { return k.Column == sort_keys_[prefix].Column; })) {
      // Texts equal without case may be apart in the case-aware order of the keys after them.
      const bool text = store.Column(sort_keys_[prefix++].Column).Kind() == TColumnKind::Text;
      if (ci && text) break;
    }
  if (prefix > 0) {
    auto order = [&](TRecordId id) {
      for (std::size_t j = 0; j < prefix; ++j) {
        const TSortKey& sk = sort_keys_[j];
        const auto& key = *std::find_if(keys.begin(), keys.end(), [&](const TKey& k) { return k.Column == sk.Column; });
        const int c = CompareStoredValue(store, sk.Column, id, key.Value, ci);
        if (c != 0) return sk.Descending ? -c : c;
      }
      return 0;
    };
    const auto before = [&](TRecordId id) { return order(id) < 0; };
    std::size_t first;
    // The sorted view keeps the keys of its blocks' first records, so the search reads contiguous
    // keys to its block, and there a number's keys, and records only where keys tie. A text's key
    // has case in it: a search without case asks the records.
    if (HasViewKeys() && (ViewKeysInBlock() || !ci)) {
      const int lead = sort_keys_[0].Column;
      const auto& value = std::find_if(keys.begin(), keys.end(), [&](const TKey& k) { return k.Column == lead; })->Value;
      first = view.KeyedPartitionPoint(ViewKey(value), [this](TRecordId id) { return ViewKey(id); }, before,
                                       ViewKeysInBlock());
    } else {
      first = view.PartitionPoint(before);
    }
    for (std::size_t pos = first; pos < view.Size() && order(view.At(pos)) == 0; ++pos)
      if (matches(view.At(pos))) return static_cast<std::int64_t>(pos);
    return -1;
  }
  for (std::size_t pos = 0; pos < view.Size(); ++pos)
    if (matches(view.At(pos))) return static_cast<std::int64_t>(pos);
  return -1;
}

bool TMemDataSet::Locate(std::string_view KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckBrowseMode();
  const std::int64_t pos = FindRecord(KeyFields, KeyValues, Options);
  if (pos < 0) return false;
  if (BeforeScroll) BeforeScroll(this);
  cursor_ = pos;
  CursorPosChanged();
  Resync({rmExact, rmCenter});
  if (AfterScroll) AfterScroll(this);
  return true;
}

Variant TMemDataSet::Lookup(std::string_view KeyFields, const Variant& KeyValues, std::string_view ResultFields) {
  if (!Active()) return Null();
  const std::int64_t pos = FindRecord(KeyFields, KeyValues, {});
  if (pos < 0) return Null();
  std::vector<TField*> fields;
  GetFieldList(fields, ResultFields);
  TRecordBuffer buffer;
  buffer.Handle = View().At(static_cast<std::size_t>(pos));
  if (fields.size() == 1) return RecordFieldValue(fields[0], buffer);
  std::vector<Variant> values;
  for (TField* f : fields) values.push_back(RecordFieldValue(f, buffer));
  return VarArrayOf(std::move(values));
}

namespace {

std::size_t MixBits(std::uint64_t x) {
  x *= 0x9E3779B97F4A7C15ull;
  return static_cast<std::size_t>(x ^ (x >> 29));
}

// A real's bits with the values that compare alike made one: -0 is 0, and every NaN the same NaN.
std::uint64_t RealValueBits(double v) {
  if (v == 0) v = 0;
  if (std::isnan(v)) v = std::numeric_limits<double>::quiet_NaN();
  return std::bit_cast<std::uint64_t>(v);
}

// The first record, in the list's order, of each distinct non-null value of a column (the same
// bytes for texts, which the collator's order only finds equal when they are), in the order the
// values first come. An open-addressing table, grown with the values, so a column of a few
// thousand values keeps it in cache.
std::vector<TRecordId> FirstOfEachValue(const TMemStore::TColumn& c, const TRecordList& records) {
  auto hash = [&c](TRecordId id) -> std::size_t {
    switch (c.Kind()) {
      case TColumnKind::Text: return std::hash<std::string_view>()(c.Text(id));
      case TColumnKind::Real: return MixBits(RealValueBits(c.Real(id)));
      case TColumnKind::Integer: break;
    }
    return MixBits(static_cast<std::uint64_t>(c.Int(id)));
  };
  auto same = [&c](TRecordId a, TRecordId b) {
    switch (c.Kind()) {
      case TColumnKind::Text: return c.Text(a) == c.Text(b);
      case TColumnKind::Real: return RealValueBits(c.Real(a)) == RealValueBits(c.Real(b));
      case TColumnKind::Integer: break;
    }
    return c.Int(a) == c.Int(b);
  };
  constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
  std::vector<TRecordId> firsts;
  std::vector<std::size_t> hashes;  // by entry of firsts
  std::vector<std::uint32_t> table(1024, kEmpty);  // entries of firsts
  auto slot = [&table](std::size_t h) { return h & (table.size() - 1); };
  records.ForEach([&](TRecordId id) {
    if (c.IsNull(id)) return;
    const std::size_t h = hash(id);
    std::size_t at = slot(h);
    for (; table[at] != kEmpty; at = slot(at + 1))
      if (hashes[table[at]] == h && same(firsts[table[at]], id)) return;
    table[at] = static_cast<std::uint32_t>(firsts.size());
    firsts.push_back(id);
    hashes.push_back(h);
    if (2 * firsts.size() > table.size()) {
      table.assign(2 * table.size(), kEmpty);
      for (std::uint32_t e = 0; e < firsts.size(); ++e) {
        std::size_t free = slot(hashes[e]);
        while (table[free] != kEmpty) free = slot(free + 1);
        table[free] = e;
      }
    }
  });
  return firsts;
}

}  // namespace

// Only the first record of each value is sorted, so a million records of ten thousand values sort
// ten thousand.
std::vector<Variant> TMemDataSet::DistinctValues(std::string_view FieldName) const {
  CheckActive();
  TField* field = FieldByName(FieldName);
  if (field->FieldKind() != fkData) DatabaseErrorFmt(dbmsg::SNotSortable, this, field->FieldName());
  const int col = field->FieldNo() - 1;
  std::vector<TRecordId> ids = FirstOfEachValue(store_->Column(col), base_);
  SortRecords(*store_, ids, {TSortKey{col, false}});
  std::vector<Variant> values;
  values.reserve(ids.size());
  for (TRecordId id : ids) values.push_back(store_->Get(col, id));
  return values;
}

void TMemDataSet::ReplaceStore(std::unique_ptr<TMemStore> Store, std::vector<TRecordId> Order) {
  store_ = std::move(Store);
  base_.Assign(Order);
  if (tree_) tree_->Clear();  // the records are numbered anew
  RebuildView();
  cursor_ = -1;
  CursorPosChanged();
  RecordsReplaced();
  First();
}

void TMemDataSet::EmptyDataSet() {
  CheckBrowseMode();
  std::vector<TFieldType> types;
  for (int c = 0; c < store_->ColumnCount(); ++c) types.push_back(store_->Column(c).Type());
  ReplaceStore(std::make_unique<TMemStore>(std::move(types)), {});
}

}  // namespace lab
