#pragma once
// Filter texts of the in-memory dataset:
//   Name = 'Smith' AND (Age >= 18 OR Member) AND City LIKE 'Ber%' AND Phone IS NOT NULL
// Operands are field names (plain, [bracketed] or "double-quoted"), 'text' (quotes doubled
// inside), numbers, TRUE, FALSE and NULL. Operators: = <> != < > <= >=, LIKE and NOT LIKE with %
// (any run of characters) and _ (one character), IS [NOT] NULL, NOT, AND, OR, parentheses;
// keywords in any case. A field alone tests a Boolean field. Numbers may have a leading minus.
// As in SQL, a test on a null value is unknown, NOT of unknown is unknown, and a record passes
// only where the whole condition is true; IS [NOT] NULL asks for nulls ("= NULL" and "<> NULL"
// mean the same). A text constant compared with a field is read as the field's type when the text
// is parsed, so a bad constant is reported at once; dates are read in the locale's form or as
// 'yyyy-mm-dd' (with ' hh:nn[:ss]' for date-times). Errors raise EDatabaseError.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/field_types.h"
#include "platform/rtl/variant.h"

namespace lab {

class TFilterExpression {
 public:
  // Answers false when no field has that name.
  using TFieldResolver = std::function<bool(std::string_view Name, int& Index, TFieldType& Type)>;
  // The value of field Index of the record being tested.
  using TValueReader = std::function<Variant(int Index)>;

  // What the filter reads of the record being tested, field by field (Index as the resolver gave
  // it). The typed reads are asked only of fields of their kind that are not null: Int of integer
  // fields (not Booleans or Currency), Real of float and date fields, Text of string and memo fields.
  class TRecordReader {
   public:
    virtual bool IsNull(int Index) const = 0;
    virtual std::int64_t Int(int Index) const = 0;
    virtual double Real(int Index) const = 0;
    virtual std::string_view Text(int Index) const = 0;
    virtual Variant Value(int Index) const = 0;

   protected:
    ~TRecordReader() = default;
  };

  TFilterExpression();
  ~TFilterExpression();
  TFilterExpression(TFilterExpression&&) noexcept;
  TFilterExpression& operator=(TFilterExpression&&) noexcept;

  static TFilterExpression Parse(std::string_view Text, const TFieldResolver& Resolve);

  bool Empty() const { return nodes_.empty(); }
  // An empty expression accepts every record.
  bool Evaluate(const TRecordReader& Read) const;
  bool Evaluate(const TValueReader& Read) const;

 private:
  enum class TOp { Field, Const, Eq, Ne, Lt, Gt, Le, Ge, Like, NotLike, IsNull, IsNotNull, Not, And, Or, Truth };
  // How a comparison of a field with a constant reads the field: by its kind, or as a Variant.
  enum class TRead : std::uint8_t { Value, Int, IntAsReal, Real, Text };
  struct TNode {
    TOp Op = TOp::Const;
    int A = -1, B = -1;  // child nodes
    int Field = -1;
    TFieldType FieldType = ftUnknown;
    Variant Value;
    std::u32string Pattern;  // LIKE with a constant pattern, decoded once
    // A comparison of field node A with constant node B (swapped at parsing when written the
    // other way round), read as Read says, with the constant in the matching form.
    TRead Read = TRead::Value;
    std::int64_t IntConst = 0;
    double RealConst = 0;
    std::string TextConst;
  };
  class TParser;

  enum class TLogic : std::uint8_t { False, True, Unknown };
  static TLogic Logic(bool Value) { return Value ? TLogic::True : TLogic::False; }

  Variant Value(int Node, const TRecordReader& Read) const;
  TLogic Test(int Node, const TRecordReader& Read) const;
  TLogic Compare(const TNode& Node, const TRecordReader& Read) const;

  std::vector<TNode> nodes_;
  int root_ = -1;
};

// SQL LIKE matching of UTF-8 text against a decoded pattern with % and _.
bool MatchesLikePattern(std::string_view Text, std::u32string_view Pattern);

}  // namespace lab
