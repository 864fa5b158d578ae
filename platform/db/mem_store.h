#pragma once
// The record storage of TMemDataSet: one typed column per field and a stable 32-bit id per record.
// Ids are never reused while the store lives, so a bookmark of a deleted record stays recognisably
// dead. Values are kept in their field's own form: integers (and Booleans and Currency's fixed
// point) as 64-bit integers, floats and dates as doubles, text, memo and blob bytes as strings.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/field_types.h"
#include "platform/rtl/variant.h"

namespace lab {

using TRecordId = std::uint32_t;

enum class TColumnKind { Integer, Real, Text };

TColumnKind ColumnKindOf(TFieldType Type);
// Whether the in-memory dataset can keep fields of this type.
bool IsStorableType(TFieldType Type);

class TMemStore {
 public:
  struct TColumn {
    TFieldType Type = ftUnknown;
    TColumnKind Kind = TColumnKind::Integer;
    std::vector<std::int64_t> Ints;
    std::vector<double> Reals;
    std::vector<std::string> Texts;
    std::vector<std::uint8_t> Nulls;  // 1 when the value is null
  };

  explicit TMemStore(std::vector<TFieldType> Types = {});

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const TColumn& Column(int Index) const { return columns_[static_cast<std::size_t>(Index)]; }
  // Ids handed out so far (live and deleted).
  TRecordId IdCount() const { return static_cast<TRecordId>(alive_.size()); }
  bool IsAlive(TRecordId Id) const { return Id < alive_.size() && alive_[Id]; }
  std::size_t LiveCount() const { return live_; }

  // A new record with every value null.
  TRecordId NewRecord();
  void DeleteRecord(TRecordId Id);
  void Reserve(std::size_t Count);

  bool IsNull(int Col, TRecordId Id) const { return Column(Col).Nulls[Id] != 0; }
  // Null, or the value as varInt64 / varInteger / varBoolean / varCurrency / varDouble / varDate
  // / varString by the column's field type.
  Variant Get(int Col, TRecordId Id) const;
  // Value must already be of the column's form (as Get answers it) or Null.
  void Set(int Col, TRecordId Id, const Variant& Value);
  void SetNull(int Col, TRecordId Id);
  void SetInt(int Col, TRecordId Id, std::int64_t Value);
  void SetReal(int Col, TRecordId Id, double Value);
  void SetText(int Col, TRecordId Id, std::string Value);

  // Orders two values of one column: nulls first, then by value (text by the locale, blobs by
  // bytes). Negative, 0 or positive.
  int Compare(int Col, TRecordId A, TRecordId B) const;

 private:
  std::vector<TColumn> columns_;
  std::vector<std::uint8_t> alive_;
  std::size_t live_ = 0;
};

// Orders Value (of the column's form, as TMemStore::Get answers it) against a stored value, with
// text compared by the locale, or without case when CaseInsensitive.
int CompareStoredValue(const TMemStore& Store, int Col, TRecordId Id, const Variant& Value,
                       bool CaseInsensitive);

}  // namespace lab
