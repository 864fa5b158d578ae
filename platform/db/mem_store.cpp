// Typed column storage of the in-memory dataset.
#include "platform/db/mem_store.h"

#include <algorithm>

#include "platform/db/db_errors.h"
#include "platform/rtl/strutils.h"

namespace lab {

TColumnKind ColumnKindOf(TFieldType Type) {
  switch (Type) {
    case ftFloat: case ftDate: case ftTime: case ftDateTime:
      return TColumnKind::Real;
    case ftString: case ftMemo: case ftBlob:
      return TColumnKind::Text;
    default:
      return TColumnKind::Integer;
  }
}

bool IsStorableType(TFieldType Type) {
  switch (Type) {
    case ftString: case ftSmallint: case ftInteger: case ftLargeint: case ftBoolean: case ftFloat:
    case ftCurrency: case ftDate: case ftTime: case ftDateTime: case ftMemo: case ftBlob:
      return true;
    default:
      return false;
  }
}

TMemStore::TMemStore(std::vector<TFieldType> Types) {
  columns_.resize(Types.size());
  for (std::size_t i = 0; i < Types.size(); ++i) {
    TColumn& c = columns_[i];
    c.type_ = Types[i];
    c.kind_ = ColumnKindOf(Types[i]);
    c.wide_ = Types[i] == ftLargeint || Types[i] == ftCurrency;
  }
}

void TMemStore::Reserve(std::size_t Count) {
  alive_.Reserve(Count);
  for (TColumn& c : columns_) {
    switch (c.kind_) {
      case TColumnKind::Integer:
        if (c.wide_) c.ints64_.reserve(Count);
        else c.ints32_.reserve(Count);
        break;
      case TColumnKind::Real: c.reals_.reserve(Count); break;
      case TColumnKind::Text: c.texts_.Reserve(Count); break;
    }
    if (c.kind_ != TColumnKind::Text) c.nulls_.Reserve(Count);
  }
}

TRecordId TMemStore::NewRecord() {
  if (id_count_ == 0xFFFFFFFF) DatabaseError("Too many records for the in-memory dataset");
  const TRecordId id = id_count_++;
  alive_.Push(true);
  ++live_;
  for (TColumn& c : columns_) {
    switch (c.kind_) {
      case TColumnKind::Integer:
        if (c.wide_) c.ints64_.push_back(0);
        else c.ints32_.push_back(0);
        break;
      case TColumnKind::Real: c.reals_.push_back(0); break;
      case TColumnKind::Text: c.texts_.PushNull(); break;
    }
    if (c.kind_ != TColumnKind::Text) c.nulls_.Push(true);
  }
  return id;
}

void TMemStore::DeleteRecord(TRecordId Id) {
  if (!IsAlive(Id)) return;
  alive_.Set(Id, false);
  --live_;
  for (TColumn& c : columns_)
    if (c.kind_ == TColumnKind::Text) c.texts_.Release(Id);  // give the text back
}

Variant TMemStore::Get(int Col, TRecordId Id) const {
  const TColumn& c = Column(Col);
  if (c.IsNull(Id)) return Null();
  switch (c.type_) {
    case ftBoolean: return Variant(c.Int(Id) != 0);
    case ftSmallint: case ftInteger: return Variant(static_cast<std::int32_t>(c.Int(Id)));
    case ftLargeint: return Variant(c.Int(Id));
    case ftCurrency: return Variant(Currency::FromRaw(c.Int(Id)));
    case ftFloat: return Variant(c.Real(Id));
    case ftDate: case ftTime: case ftDateTime: return VarFromDateTime(c.Real(Id));
    default: return Variant(std::string(c.Text(Id)));
  }
}

void TMemStore::SetNull(int Col, TRecordId Id) {
  TColumn& c = Writable(Col);
  if (c.kind_ == TColumnKind::Text) c.texts_.SetNull(Id);
  else c.nulls_.Set(Id, true);
}

void TMemStore::SetInt(int Col, TRecordId Id, std::int64_t Value) {
  TColumn& c = Writable(Col);
  if (c.wide_) c.ints64_[Id] = Value;
  else c.ints32_[Id] = static_cast<std::int32_t>(Value);
  c.nulls_.Set(Id, false);
}

void TMemStore::SetReal(int Col, TRecordId Id, double Value) {
  TColumn& c = Writable(Col);
  c.reals_[Id] = Value;
  c.nulls_.Set(Id, false);
}

void TMemStore::SetText(int Col, TRecordId Id, std::string_view Value) { Writable(Col).texts_.Set(Id, Value); }

void TMemStore::Set(int Col, TRecordId Id, const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return SetNull(Col, Id);
  const TColumn& c = Column(Col);
  switch (c.type_) {
    case ftBoolean: return SetInt(Col, Id, Value.AsBoolean() ? 1 : 0);
    case ftCurrency: return SetInt(Col, Id, Value.AsCurrency().Raw());
    default: break;
  }
  switch (c.kind_) {
    case TColumnKind::Integer: return SetInt(Col, Id, Value.AsInt64());
    case TColumnKind::Real: return SetReal(Col, Id, Value.Type() == varDate ? Value.AsDateTime() : Value.AsDouble());
    case TColumnKind::Text: {
      const std::string* text = Value.StringPtr();
      // A text in place; another value's text lives to the end of the statement.
      return SetText(Col, Id, text ? std::string_view(*text) : std::string_view(Value.AsString()));
    }
  }
}

namespace {

template <class T>
int Order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

int CompareTexts(TFieldType Type, std::string_view a, std::string_view b, bool CaseInsensitive) {
  if (Type == ftBlob) return Order(CompareStr(a, b), 0);
  return CaseInsensitive ? Order(AnsiCompareText(a, b), 0) : Order(AnsiCompareStr(a, b), 0);
}

}  // namespace

int TMemStore::Compare(int Col, TRecordId A, TRecordId B) const {
  const TColumn& c = Column(Col);
  const bool na = c.IsNull(A), nb = c.IsNull(B);
  if (na || nb) return Order<int>(!na, !nb);
  switch (c.kind_) {
    case TColumnKind::Integer: return Order(c.Int(A), c.Int(B));
    case TColumnKind::Real: return Order(c.Real(A), c.Real(B));
    case TColumnKind::Text:
      // Texts found well-formed when they were stored go to the collator unchecked.
      if (c.type_ != ftBlob && c.TextWellFormed(A) && c.TextWellFormed(B))
        return Order(AnsiCompareWellFormedStr(c.Text(A), c.Text(B)), 0);
      return CompareTexts(c.type_, c.Text(A), c.Text(B), false);
  }
  return 0;
}

int CompareStoredValue(const TMemStore& Store, int Col, TRecordId Id, const Variant& Value,
                       bool CaseInsensitive) {
  const TMemStore::TColumn& c = Store.Column(Col);
  const bool nv = VarIsNull(Value) || VarIsEmpty(Value), ns = c.IsNull(Id);
  if (nv || ns) return Order<int>(!ns, !nv);
  switch (c.Type()) {
    case ftBoolean: return Order<std::int64_t>(c.Int(Id), Value.AsBoolean() ? 1 : 0);
    case ftCurrency: return Order(c.Int(Id), Value.AsCurrency().Raw());
    default: break;
  }
  switch (c.Kind()) {
    case TColumnKind::Integer: return Order(c.Int(Id), Value.AsInt64());
    case TColumnKind::Real:
      return Order(c.Real(Id), Value.Type() == varDate ? Value.AsDateTime() : Value.AsDouble());
    case TColumnKind::Text: {
      const std::string* text = Value.StringPtr();
      return CompareTexts(c.Type(), c.Text(Id), text ? std::string_view(*text) : std::string_view(Value.AsString()),
                          CaseInsensitive);
    }
  }
  return 0;
}

}  // namespace lab
