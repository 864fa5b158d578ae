#include "grid/filter_expression.h"

#include <cctype>
#include <vector>

#include "platform/rtl/datetime.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/format.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/strutils.h"

namespace lab {

std::string_view FilterOperatorText(TSTFilterOperatorX Operator) {
  static constexpr std::string_view texts[] = {"",  "=",  "<>", ">",    "<",    ">=",   "<=",  "~",
                                               "!~", "In", "!In", "Null", "Null", "AND", "OR"};
  return texts[static_cast<int>(Operator)];
}

TSTFilterDataTypeX FilterDataTypeOf(TFieldType Type) {
  switch (Type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint: case ftFMTBcd:
      return fdtNumber;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: return fdtDateTime;
    case ftBoolean: return fdtBoolean;
    default: return fdtText;
  }
}

void ClearFilterExpression(TSTFilterExpressionX& Expression) {
  Expression.Operator1 = foNon;
  Expression.Operand1 = Null();
  Expression.Relation = foNon;
  Expression.Operator2 = foNon;
  Expression.Operand2 = Null();
}

namespace {

// The fixed forms of filter texts.
const TFormatSettings& FixedFormats() {
  static const TFormatSettings fixed = [] {
    TFormatSettings f;
    f.DecimalSeparator = '.';
    f.ThousandSeparator = ',';
    f.DateSeparator = '-';
    f.TimeSeparator = ':';
    f.ShortDateFormat = "yyyy-mm-dd";
    f.LongTimeFormat = "hh:nn:ss";
    return f;
  }();
  return fixed;
}

// The fewest significant digits (15 at least, as FloatToStr writes) that read back as the same
// number: 0.30000000000000004 is no 0.3.
std::string ShortestFloatText(double Value) {
  std::string text;
  for (int precision = 15; precision <= 17; ++precision) {
    text = FloatToStrF(Value, ffGeneral, precision, 0, FixedFormats());
    double back = 0;
    if (TryStrToFloat(text, back, FixedFormats()) && back == Value) break;
  }
  return text;
}

}  // namespace

std::string FilterValueText(const Variant& Value) {
  switch (Value.Type()) {
    case varDouble: return ShortestFloatText(Value.AsDouble());
    case varDate: {
      const TDateTime d = Value.AsDateTime();
      int h = 0, n = 0, sec = 0, ms = 0;
      DecodeTime(d, h, n, sec, ms);
      return FormatDateTime(h || n || sec || ms ? "yyyy-mm-dd hh:nn:ss" : "yyyy-mm-dd", d, FixedFormats());
    }
    case varBoolean: return Value.AsBoolean() ? "True" : "False";
    default: return Value.AsString();
  }
}

std::string FilterTextForValue(const std::string& Text) {
  TSTFilterExpressionX e;
  e.ExpressionType = fdtText;
  try {
    ParseFilterExpression(Text, e);
  } catch (const EConvertError&) {
    return QuotedStr(Text);
  }
  const bool same = e.Operator1 == foEqual && e.Relation == foNon && e.Operand1.AsString() == Text;
  return same ? Text : QuotedStr(Text);
}

namespace {

class TFilterParser {
 public:
  TFilterParser(std::string_view Text, TSTFilterDataTypeX Type) : text_(Text), type_(Type) {}

  void Parse(TSTFilterExpressionX& E) {
    Condition(E.Operator1, E.Operand1);
    SkipBlanks();
    if (AtEnd()) return;
    if (Keyword("AND")) E.Relation = foAND;
    else if (Keyword("OR")) E.Relation = foOR;
    else Fail();
    Condition(E.Operator2, E.Operand2);
    SkipBlanks();
    if (!AtEnd() || E.Operator2 == foNon) Fail();
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek(std::size_t Ahead = 0) const { return pos_ + Ahead < text_.size() ? text_[pos_ + Ahead] : '\0'; }
  static bool Blank(char C) { return static_cast<unsigned char>(C) <= ' '; }
  void SkipBlanks() {
    while (!AtEnd() && Blank(Peek())) ++pos_;
  }
  [[noreturn]] void Fail() const { throw EConvertError(Format("'%s' is not a valid filter expression", text_)); }

  // A word in any case that ends at a blank, "(" or the end.
  bool WordAt(std::size_t At, std::string_view Word) const {
    if (At + Word.size() > text_.size() || !SameText(text_.substr(At, Word.size()), Word)) return false;
    const std::size_t end = At + Word.size();
    return end == text_.size() || Blank(text_[end]) || text_[end] == '(';
  }
  bool Keyword(std::string_view Word) {
    if (!WordAt(pos_, Word)) return false;
    pos_ += Word.size();
    return true;
  }

  TSTFilterOperatorX Operator() {
    struct TSign {
      std::string_view Text;
      TSTFilterOperatorX Op;
    };
    static constexpr TSign signs[] = {{">=", foGreaterOrEqual}, {"<=", foLessOrEqual}, {"<>", foNotEqual},
                                      {"!=", foNotEqual},       {"!~", foNotLike},     {"=", foEqual},
                                      {">", foGreaterThan},     {"<", foLessThan},     {"~", foLike}};
    if (Keyword("!In")) return foNotIn;
    if (Keyword("In")) return foIn;
    for (const TSign& s : signs)
      if (text_.substr(pos_, s.Text.size()) == s.Text) {
        pos_ += s.Text.size();
        return s.Op;
      }
    return foNon;
  }

  // A relation word that stands between blanks ends a plain operand.
  bool RelationAt(std::size_t At) const {
    return At > 0 && Blank(text_[At - 1]) && (WordAt(At, "AND") || WordAt(At, "OR"));
  }

  // One operand as typed: quoted, or plain up to a relation, a Stop character or the end.
  std::string RawOperand(std::string_view Stops, bool* Quoted = nullptr) {
    SkipBlanks();
    if (Quoted) *Quoted = Peek() == '\'';
    if (Peek() == '\'') {
      std::string out;
      ++pos_;
      for (;;) {
        if (AtEnd()) Fail();
        const char c = text_[pos_++];
        if (c != '\'') {
          out += c;
        } else if (Peek() == '\'') {
          out += '\'';
          ++pos_;
        } else {
          return out;
        }
      }
    }
    const std::size_t start = pos_;
    while (!AtEnd() && Stops.find(Peek()) == std::string_view::npos && !RelationAt(pos_)) ++pos_;
    return Trim(text_.substr(start, pos_ - start));
  }

  Variant Value(const std::string& Text) const {
    switch (type_) {
      case fdtNumber: {
        double d = 0;
        if (TryStrToFloat(Text, d, FixedFormats()) || TryStrToFloat(Text, d)) return d;
        return StrToFloat(Text, FixedFormats());  // raises with the value named
      }
      case fdtDateTime: {
        TDateTime d = 0;
        if (TryStrToDateTime(Text, d, FixedFormats()) || TryStrToDateTime(Text, d)) return VarFromDateTime(d);
        return VarFromDateTime(StrToDateTime(Text, FixedFormats()));
      }
      case fdtBoolean:
        if (SameText(Text, "True")) return true;
        if (SameText(Text, "False")) return false;
        throw EConvertError(Format("'%s' is not a valid boolean value", Text));
      default: return Text;
    }
  }

  void Condition(TSTFilterOperatorX& Op, Variant& Operand) {
    SkipBlanks();
    if (AtEnd()) return;
    const TSTFilterOperatorX typed = Operator();
    Op = typed == foNon ? foEqual : typed;
    if (Op == foIn || Op == foNotIn) {
      SkipBlanks();
      const bool parenthesised = Peek() == '(';
      if (parenthesised) ++pos_;
      std::vector<Variant> items;
      for (;;) {
        items.push_back(Value(RawOperand(parenthesised ? ",)" : ",")));
        SkipBlanks();
        if (Peek() != ',') break;
        ++pos_;
      }
      if (parenthesised) {
        if (Peek() != ')') Fail();
        ++pos_;
      }
      Operand = VarArrayOf(std::move(items));
      return;
    }
    bool quoted = false;
    const std::string raw = RawOperand("", &quoted);
    if ((Op == foEqual || Op == foNotEqual) && !quoted && SameText(raw, "Null")) {
      Op = Op == foEqual ? foNull : foNotNull;
      Operand = Null();
      return;
    }
    if (raw.empty() && !quoted) Fail();
    // "Mo*" without an operator is a pattern.
    if (typed == foNon && !quoted && raw.find('*') != std::string::npos) Op = foLike;
    Operand = Op == foLike || Op == foNotLike ? Variant(raw) : Value(raw);
  }

  std::string_view text_;
  TSTFilterDataTypeX type_;
  std::size_t pos_ = 0;
};

}  // namespace

void ParseFilterExpression(std::string_view Text, TSTFilterExpressionX& Expression) {
  TSTFilterExpressionX parsed;
  parsed.ExpressionType = Expression.ExpressionType;
  TFilterParser(Text, Expression.ExpressionType).Parse(parsed);
  Expression = std::move(parsed);
}

}  // namespace lab
