#pragma once
// The record storage of TMemDataSet: one typed column per field and a stable 32-bit id per record.
// Ids are never reused while the store lives, so a bookmark of a deleted record stays recognisably
// dead. Values are kept in their field's own form and no wider: small integers and Booleans in 32
// bits, large integers and Currency's fixed point in 64, floats and dates as doubles, text, memo
// and blob bytes in paged text storage (mem_texts.h); nulls and live records are bits.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/field_types.h"
#include "platform/db/mem_texts.h"
#include "platform/rtl/variant.h"

namespace lab {

using TRecordId = std::uint32_t;

enum class TColumnKind { Integer, Real, Text };

TColumnKind ColumnKindOf(TFieldType Type);
// Whether the in-memory dataset can keep fields of this type.
bool IsStorableType(TFieldType Type);

// One bit per record.
class TBitColumn {
 public:
  void Push(bool Value) {
    if ((size_ & 63) == 0) words_.push_back(0);
    Set(static_cast<std::uint32_t>(size_++), Value);
  }
  void Reserve(std::size_t Count) { words_.reserve((Count + 63) / 64); }
  bool Get(std::uint32_t Index) const { return (words_[Index >> 6] >> (Index & 63)) & 1; }
  void Set(std::uint32_t Index, bool Value) {
    const std::uint64_t bit = std::uint64_t{1} << (Index & 63);
    if (Value) words_[Index >> 6] |= bit;
    else words_[Index >> 6] &= ~bit;
  }

 private:
  std::vector<std::uint64_t> words_;
  std::size_t size_ = 0;
};

class TMemStore {
 public:
  class TColumn {
   public:
    TFieldType Type() const { return type_; }
    TColumnKind Kind() const { return kind_; }
    bool IsNull(TRecordId Id) const { return kind_ == TColumnKind::Text ? texts_.IsNull(Id) : nulls_.Get(Id); }
    // Integer columns: the value (Booleans 0 and 1, Currency its scaled integer).
    std::int64_t Int(TRecordId Id) const { return wide_ ? ints64_[Id] : ints32_[Id]; }
    // Real columns: floats and dates.
    double Real(TRecordId Id) const { return reals_[Id]; }
    // Text columns: the bytes (empty for null).
    std::string_view Text(TRecordId Id) const { return texts_.Get(Id); }
    // Whether the text is well-formed UTF-8, as found when it was stored; false for null.
    bool TextWellFormed(TRecordId Id) const { return texts_.WellFormed(Id); }

   private:
    friend class TMemStore;
    TFieldType type_ = ftUnknown;
    TColumnKind kind_ = TColumnKind::Integer;
    bool wide_ = false;  // 64-bit integers
    std::vector<std::int32_t> ints32_;
    std::vector<std::int64_t> ints64_;
    std::vector<double> reals_;
    TMemTexts texts_;
    TBitColumn nulls_;  // numbers only: texts keep their own nulls
  };

  explicit TMemStore(std::vector<TFieldType> Types = {});

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const TColumn& Column(int Index) const { return columns_[static_cast<std::size_t>(Index)]; }
  // Ids handed out so far (live and deleted).
  TRecordId IdCount() const { return id_count_; }
  bool IsAlive(TRecordId Id) const { return Id < id_count_ && alive_.Get(Id); }
  std::size_t LiveCount() const { return live_; }

  // A new record with every value null.
  TRecordId NewRecord();
  void DeleteRecord(TRecordId Id);
  void Reserve(std::size_t Count);

  bool IsNull(int Col, TRecordId Id) const { return Column(Col).IsNull(Id); }
  // Null, or the value as varInt64 / varInteger / varBoolean / varCurrency / varDouble / varDate
  // / varString by the column's field type.
  Variant Get(int Col, TRecordId Id) const;
  // Value must already be of the column's form (as Get answers it) or Null.
  void Set(int Col, TRecordId Id, const Variant& Value);
  void SetNull(int Col, TRecordId Id);
  void SetInt(int Col, TRecordId Id, std::int64_t Value);
  void SetReal(int Col, TRecordId Id, double Value);
  void SetText(int Col, TRecordId Id, std::string_view Value);

  // Orders two values of one column: nulls first, then by value (text by the locale, blobs by
  // bytes). Negative, 0 or positive.
  int Compare(int Col, TRecordId A, TRecordId B) const;

 private:
  TColumn& Writable(int Col) { return columns_[static_cast<std::size_t>(Col)]; }

  std::vector<TColumn> columns_;
  TBitColumn alive_;
  TRecordId id_count_ = 0;
  std::size_t live_ = 0;
};

// Orders Value (of the column's form, as TMemStore::Get answers it) against a stored value, with
// text compared by the locale, or without case when CaseInsensitive.
int CompareStoredValue(const TMemStore& Store, int Col, TRecordId Id, const Variant& Value,
                       bool CaseInsensitive);

}  // namespace lab
