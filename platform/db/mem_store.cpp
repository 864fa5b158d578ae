// Typed column storage of the in-memory dataset.
#include "platform/db/mem_store.h"

#include <algorithm>

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
    columns_[i].Type = Types[i];
    columns_[i].Kind = ColumnKindOf(Types[i]);
  }
}

void TMemStore::Reserve(std::size_t Count) {
  alive_.reserve(Count);
  for (TColumn& c : columns_) {
    c.Nulls.reserve(Count);
    switch (c.Kind) {
      case TColumnKind::Integer: c.Ints.reserve(Count); break;
      case TColumnKind::Real: c.Reals.reserve(Count); break;
      case TColumnKind::Text: c.Texts.reserve(Count); break;
    }
  }
}

TRecordId TMemStore::NewRecord() {
  const auto id = static_cast<TRecordId>(alive_.size());
  alive_.push_back(1);
  ++live_;
  for (TColumn& c : columns_) {
    c.Nulls.push_back(1);
    switch (c.Kind) {
      case TColumnKind::Integer: c.Ints.push_back(0); break;
      case TColumnKind::Real: c.Reals.push_back(0); break;
      case TColumnKind::Text: c.Texts.emplace_back(); break;
    }
  }
  return id;
}

void TMemStore::DeleteRecord(TRecordId Id) {
  if (!IsAlive(Id)) return;
  alive_[Id] = 0;
  --live_;
  for (TColumn& c : columns_)
    if (c.Kind == TColumnKind::Text) std::string().swap(c.Texts[Id]);  // give the text back now
}

Variant TMemStore::Get(int Col, TRecordId Id) const {
  const TColumn& c = Column(Col);
  if (c.Nulls[Id]) return Null();
  switch (c.Type) {
    case ftBoolean: return Variant(c.Ints[Id] != 0);
    case ftSmallint: case ftInteger: return Variant(static_cast<std::int32_t>(c.Ints[Id]));
    case ftLargeint: return Variant(c.Ints[Id]);
    case ftCurrency: return Variant(Currency::FromRaw(c.Ints[Id]));
    case ftFloat: return Variant(c.Reals[Id]);
    case ftDate: case ftTime: case ftDateTime: return VarFromDateTime(c.Reals[Id]);
    default: return Variant(c.Texts[Id]);
  }
}

void TMemStore::SetNull(int Col, TRecordId Id) {
  TColumn& c = columns_[static_cast<std::size_t>(Col)];
  c.Nulls[Id] = 1;
  if (c.Kind == TColumnKind::Text) c.Texts[Id].clear();
}

void TMemStore::SetInt(int Col, TRecordId Id, std::int64_t Value) {
  TColumn& c = columns_[static_cast<std::size_t>(Col)];
  c.Ints[Id] = Value;
  c.Nulls[Id] = 0;
}

void TMemStore::SetReal(int Col, TRecordId Id, double Value) {
  TColumn& c = columns_[static_cast<std::size_t>(Col)];
  c.Reals[Id] = Value;
  c.Nulls[Id] = 0;
}

void TMemStore::SetText(int Col, TRecordId Id, std::string Value) {
  TColumn& c = columns_[static_cast<std::size_t>(Col)];
  c.Texts[Id] = std::move(Value);
  c.Nulls[Id] = 0;
}

void TMemStore::Set(int Col, TRecordId Id, const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return SetNull(Col, Id);
  const TColumn& c = Column(Col);
  switch (c.Type) {
    case ftBoolean: return SetInt(Col, Id, Value.AsBoolean() ? 1 : 0);
    case ftCurrency: return SetInt(Col, Id, Value.AsCurrency().Raw());
    default: break;
  }
  switch (c.Kind) {
    case TColumnKind::Integer: return SetInt(Col, Id, Value.AsInt64());
    case TColumnKind::Real: return SetReal(Col, Id, Value.Type() == varDate ? Value.AsDateTime() : Value.AsDouble());
    case TColumnKind::Text: return SetText(Col, Id, Value.AsString());
  }
}

namespace {

template <class T>
int Order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

int CompareTexts(TFieldType Type, const std::string& a, const std::string& b, bool CaseInsensitive) {
  if (Type == ftBlob) return Order(CompareStr(a, b), 0);
  return CaseInsensitive ? Order(AnsiCompareText(a, b), 0) : Order(AnsiCompareStr(a, b), 0);
}

}  // namespace

int TMemStore::Compare(int Col, TRecordId A, TRecordId B) const {
  const TColumn& c = Column(Col);
  const bool na = c.Nulls[A] != 0, nb = c.Nulls[B] != 0;
  if (na || nb) return Order<int>(!na, !nb);
  switch (c.Kind) {
    case TColumnKind::Integer: return Order(c.Ints[A], c.Ints[B]);
    case TColumnKind::Real: return Order(c.Reals[A], c.Reals[B]);
    case TColumnKind::Text: return CompareTexts(c.Type, c.Texts[A], c.Texts[B], false);
  }
  return 0;
}

int CompareStoredValue(const TMemStore& Store, int Col, TRecordId Id, const Variant& Value,
                       bool CaseInsensitive) {
  const TMemStore::TColumn& c = Store.Column(Col);
  const bool nv = VarIsNull(Value) || VarIsEmpty(Value), ns = c.Nulls[Id] != 0;
  if (nv || ns) return Order<int>(!ns, !nv);
  switch (c.Type) {
    case ftBoolean: return Order<std::int64_t>(c.Ints[Id], Value.AsBoolean() ? 1 : 0);
    case ftCurrency: return Order(c.Ints[Id], Value.AsCurrency().Raw());
    default: break;
  }
  switch (c.Kind) {
    case TColumnKind::Integer: return Order(c.Ints[Id], Value.AsInt64());
    case TColumnKind::Real:
      return Order(c.Reals[Id], Value.Type() == varDate ? Value.AsDateTime() : Value.AsDouble());
    case TColumnKind::Text: return CompareTexts(c.Type, c.Texts[Id], Value.AsString(), CaseInsensitive);
  }
  return 0;
}

}  // namespace lab
