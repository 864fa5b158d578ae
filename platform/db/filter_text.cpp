// Parsing and evaluating filter texts.
#include "platform/db/filter_text.h"

#include <cctype>
#include <cmath>

#include "platform/db/csv.h"
#include "platform/db/db_errors.h"
#include "platform/db/field_values.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

// The code point at byte I of S and its length, as Utf8At reads it, with ASCII taken directly.
inline char32_t CodePointAt(std::string_view s, std::size_t i, std::size_t& length) {
  const auto byte = static_cast<unsigned char>(s[i]);
  if (byte < 0x80) {
    length = 1;
    return byte;
  }
  return Utf8At(s, i, &length);
}

}  // namespace

bool MatchesLikePattern(std::string_view Text, std::u32string_view Pattern) {
  // Greedy matching with one backtrack point for the last %, over the UTF-8 bytes: linear for the
  // usual masks. t and star_t are byte offsets in Text.
  std::size_t t = 0, p = 0, star_p = std::u32string::npos, star_t = 0;
  while (t < Text.size()) {
    std::size_t length;
    // % is tested first: it is a wildcard even where the text holds a % itself.
    if (p < Pattern.size() && Pattern[p] == U'%') {
      star_p = p++;
      star_t = t;
      if (p == Pattern.size()) return true;  // a trailing % takes the rest, whatever it is
      continue;
    }
    const char32_t c = CodePointAt(Text, t, length);
    if (p < Pattern.size() && (Pattern[p] == U'_' || Pattern[p] == c)) {
      t += length;
      ++p;
    } else if (star_p != std::u32string::npos) {
      // The last % takes one more code point.
      p = star_p + 1;
      CodePointAt(Text, star_t, length);
      t = star_t += length;
    } else {
      return false;
    }
  }
  while (p < Pattern.size() && Pattern[p] == U'%') ++p;
  return p == Pattern.size();
}

namespace {

enum class TTok { End, Name, String, Number, LParen, RParen, Op, Word };

struct TToken {
  TTok Kind = TTok::End;
  std::string Text;  // name, string value, number text, operator, or keyword in upper case
};

[[noreturn]] void FilterError(const std::string& message) { DatabaseError(message); }

std::string Describe(const TToken& t) {
  switch (t.Kind) {
    case TTok::End: return "end of expression";
    case TTok::String: return QuotedStr(t.Text);
    default: return "'" + t.Text + "'";
  }
}

class TLexer {
 public:
  explicit TLexer(std::string_view text) : s_(text) {}

  TToken Next() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    TToken t;
    if (i_ >= s_.size()) return t;
    const char c = s_[i_];
    if (c == '\'') {
      t.Kind = TTok::String;
      t.Text = Quoted('\'', "Unterminated string constant");
    } else if (c == '[') {
      t.Kind = TTok::Name;
      const std::size_t end = s_.find(']', i_ + 1);
      if (end == std::string_view::npos) FilterError("Unterminated field name");
      t.Text = std::string(s_.substr(i_ + 1, end - i_ - 1));
      i_ = end + 1;
    } else if (c == '"') {
      t.Kind = TTok::Name;
      t.Text = Quoted('"', "Unterminated field name");
    } else if (StartsNumber(i_) || (c == '-' && StartsNumber(i_ + 1))) {
      t.Kind = TTok::Number;
      const std::size_t start = i_;
      if (c == '-') ++i_;  // a leading minus belongs to the number: there is no arithmetic
      while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.')) ++i_;
      if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
        ++i_;
        if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
        while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
      }
      t.Text = std::string(s_.substr(start, i_ - start));
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
      const std::size_t start = i_;
      while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_' ||
                                static_cast<unsigned char>(s_[i_]) >= 0x80))
        ++i_;
      t.Text = std::string(s_.substr(start, i_ - start));
      const std::string upper = UpperCase(t.Text);
      static constexpr std::string_view kWords[] = {"AND", "OR", "NOT", "IS", "NULL", "LIKE", "TRUE", "FALSE"};
      t.Kind = TTok::Name;
      for (std::string_view w : kWords)
        if (upper == w) {
          t.Kind = TTok::Word;
          t.Text = upper;
        }
    } else if (c == '(' || c == ')') {
      t.Kind = c == '(' ? TTok::LParen : TTok::RParen;
      t.Text = std::string(1, c);
      ++i_;
    } else if (c == '=' || c == '<' || c == '>' || c == '!') {
      t.Kind = TTok::Op;
      t.Text = std::string(1, c);
      ++i_;
      if (i_ < s_.size() && (s_[i_] == '=' || (c == '<' && s_[i_] == '>'))) t.Text += s_[i_++];
      if (t.Text == "!") FilterError("Invalid filter expression character: '!'");
    } else {
      const std::size_t len = Utf8Next(s_, i_) - i_;
      FilterError("Invalid filter expression character: '" + std::string(s_.substr(i_, len)) + "'");
    }
    return t;
  }

 private:
  bool StartsNumber(std::size_t i) const {
    auto digit = [&](std::size_t j) { return j < s_.size() && std::isdigit(static_cast<unsigned char>(s_[j])); };
    return digit(i) || (i < s_.size() && s_[i] == '.' && digit(i + 1));
  }

  std::string Quoted(char quote, const char* unterminated) {
    std::string out;
    ++i_;
    for (;;) {
      if (i_ >= s_.size()) FilterError(unterminated);
      if (s_[i_] == quote) {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == quote) {
          out += quote;
          i_ += 2;
          continue;
        }
        ++i_;
        return out;
      }
      out += s_[i_++];
    }
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

}  // namespace

class TFilterExpression::TParser {
 public:
  TParser(TFilterExpression& e, std::string_view text, const TFieldResolver& resolve)
      : e_(e), lex_(text), resolve_(resolve) {
    Advance();
  }

  int ParseAll() {
    const int root = Or();
    if (tok_.Kind != TTok::End) FilterError("Filter expression incorrectly terminated: " + Describe(tok_) + " unexpected");
    return root;
  }

 private:
  void Advance() { tok_ = lex_.Next(); }
  bool IsWord(std::string_view w) const { return tok_.Kind == TTok::Word && tok_.Text == w; }

  int Add(TNode n) {
    e_.nodes_.push_back(std::move(n));
    return static_cast<int>(e_.nodes_.size()) - 1;
  }
  int Binary(TOp op, int a, int b) {
    TNode n;
    n.Op = op;
    n.A = a;
    n.B = b;
    return Add(std::move(n));
  }

  // A run of ORs (or ANDs) becomes a chain, each link's second operand the rest of it, which Test
  // walks in a loop: thousands of alternatives need no more stack than two.
  int Chain(TOp Op, std::string_view Word, int (TParser::*Operand)()) {
    std::vector<int> operands{(this->*Operand)()};
    while (IsWord(Word)) {
      Advance();
      operands.push_back((this->*Operand)());
    }
    int chain = operands.back();
    for (auto it = operands.rbegin() + 1; it != operands.rend(); ++it) chain = Binary(Op, *it, chain);
    return chain;
  }
  int Or() { return Chain(TOp::Or, "OR", &TParser::And); }
  int And() { return Chain(TOp::And, "AND", &TParser::Not); }
  int Not() {
    if (IsWord("NOT")) {
      const TNested nested(*this);
      Advance();
      return Binary(TOp::Not, Not(), -1);
    }
    return Predicate();
  }

  // Each NOT and each pair of parentheses takes stack while parsing and testing: deeper texts are
  // refused.
  static constexpr int kMaxNesting = 128;
  struct TNested {
    explicit TNested(TParser& P) : parser(P) {
      if (++parser.depth_ > kMaxNesting)
        FilterError("Filter expression nested too deeply (more than " + std::to_string(kMaxNesting) + " levels)");
    }
    ~TNested() { --parser.depth_; }
    TParser& parser;
  };

  int Predicate() {
    if (tok_.Kind == TTok::LParen) {
      const TNested nested(*this);
      Advance();
      const int inner = Or();
      if (tok_.Kind != TTok::RParen) FilterError("')' expected but " + Describe(tok_) + " found");
      Advance();
      return inner;
    }
    const int left = Operand();
    if (tok_.Kind == TTok::Op) {
      const std::string op = tok_.Text;
      Advance();
      if (IsWord("NULL")) {
        if (op != "=" && op != "<>" && op != "!=") FilterError("NULL only allowed with '=' and '<>'");
        Advance();
        return Binary(op == "=" ? TOp::IsNull : TOp::IsNotNull, left, -1);
      }
      const int right = Operand();
      if (IsNull(left) || IsNull(right)) FilterError("NULL only allowed with '=' and '<>'");
      Harmonise(left, right);
      Harmonise(right, left);
      const TOp kind = op == "=" ? TOp::Eq : op == "<>" || op == "!=" ? TOp::Ne : op == "<" ? TOp::Lt
                       : op == ">" ? TOp::Gt : op == "<=" ? TOp::Le : TOp::Ge;
      return Comparison(kind, left, right);
    }
    if (IsWord("IS")) {
      Advance();
      bool negate = false;
      if (IsWord("NOT")) {
        negate = true;
        Advance();
      }
      if (!IsWord("NULL")) FilterError("NULL expected but " + Describe(tok_) + " found");
      Advance();
      return Binary(negate ? TOp::IsNotNull : TOp::IsNull, left, -1);
    }
    bool negate = false;
    if (IsWord("NOT")) {
      negate = true;
      Advance();
      if (!IsWord("LIKE")) FilterError("LIKE expected but " + Describe(tok_) + " found");
    }
    if (IsWord("LIKE")) {
      Advance();
      const int right = Operand();
      if (IsNull(right)) FilterError("NULL only allowed with '=' and '<>'");
      const int node = Binary(negate ? TOp::NotLike : TOp::Like, left, right);
      if (e_.nodes_[static_cast<std::size_t>(right)].Op == TOp::Const)
        e_.nodes_[static_cast<std::size_t>(node)].Pattern = Utf8Decode(e_.nodes_[static_cast<std::size_t>(right)].Value.AsString());
      return node;
    }
    if (IsNull(left)) FilterError("NULL only allowed with '=' and '<>'");
    return Binary(TOp::Truth, left, -1);
  }

  int Operand() {
    TNode n;
    n.Op = TOp::Const;
    switch (tok_.Kind) {
      case TTok::Name: {
        n.Op = TOp::Field;
        if (!resolve_(tok_.Text, n.Field, n.FieldType)) DatabaseErrorFmt(dbmsg::SFieldNotFound, nullptr, tok_.Text);
        break;
      }
      case TTok::String:
        n.Value = Variant(tok_.Text);
        break;
      case TTok::Number: {
        std::int64_t i;
        if (tok_.Text.find_first_of(".eE") == std::string::npos && TryStrToInt64(tok_.Text, i)) {
          n.Value = Variant(i);
        } else {
          static const TFormatSettings dot;  // the default settings use '.'
          double d;
          if (!TryStrToFloat(tok_.Text, d, dot)) FilterError("Invalid number " + Describe(tok_));
          n.Value = Variant(d);
        }
        break;
      }
      case TTok::Word:
        if (tok_.Text == "TRUE" || tok_.Text == "FALSE") {
          n.Value = Variant(tok_.Text == "TRUE");
          break;
        }
        if (tok_.Text == "NULL") {
          n.Value = Null();
          break;
        }
        [[fallthrough]];
      default:
        FilterError("Expression expected but " + Describe(tok_) + " found");
    }
    Advance();
    return Add(std::move(n));
  }

  // A comparison; one of a field with a constant reads the field by its kind where it can.
  int Comparison(TOp kind, int left, int right) {
    if (Node(left).Op == TOp::Const && Node(right).Op == TOp::Field) {
      std::swap(left, right);  // "5 < Age" is "Age > 5"
      kind = kind == TOp::Lt ? TOp::Gt : kind == TOp::Gt ? TOp::Lt : kind == TOp::Le ? TOp::Ge : kind == TOp::Ge ? TOp::Le : kind;
    }
    const int node = Binary(kind, left, right);
    const TNode& f = Node(left);
    const TNode& c = Node(right);
    if (f.Op != TOp::Field || c.Op != TOp::Const) return node;
    TNode& n = Node(node);
    const TVarType type = c.Value.Type();
    const bool integer = type == varInteger || type == varInt64;
    const bool number = integer || type == varDouble || type == varDate;
    switch (f.FieldType) {
      case ftSmallint: case ftInteger: case ftLargeint: case ftWord: case ftAutoInc:
        if (integer) {
          n.Read = TRead::Int;
          n.IntConst = c.Value.AsInt64();
        } else if (type == varDouble) {
          n.Read = TRead::IntAsReal;
          n.RealConst = c.Value.AsDouble();
        }
        break;
      case ftFloat: case ftDate: case ftTime: case ftDateTime:
        if (number) {
          n.Read = TRead::Real;
          n.RealConst = c.Value.AsDouble();
        }
        break;
      case ftString: case ftMemo:
        if (type == varString) {
          n.Read = TRead::Text;
          n.TextConst = c.Value.AsString();
        }
        break;
      default:
        break;
    }
    return node;
  }

  TNode& Node(int index) { return e_.nodes_[static_cast<std::size_t>(index)]; }

  bool IsNull(int node) const {
    const TNode& n = e_.nodes_[static_cast<std::size_t>(node)];
    return n.Op == TOp::Const && VarIsNull(n.Value);
  }

  // A text constant compared with a field is read as a value of the field's type.
  void Harmonise(int constant, int field) {
    TNode& c = e_.nodes_[static_cast<std::size_t>(constant)];
    const TNode& f = e_.nodes_[static_cast<std::size_t>(field)];
    // Only text needs reading: numbers and Booleans compare by value as they are.
    if (c.Op != TOp::Const || f.Op != TOp::Field || c.Value.Type() != varString) return;
    static const TFormatSettings dot;
    Variant converted;
    // Dates also in the fixed form the CSV files write (yyyy-mm-dd [hh:nn[:ss]]), whatever the locale.
    const bool date = f.FieldType == ftDate || f.FieldType == ftTime || f.FieldType == ftDateTime;
    if ((!date || CsvReadValue(f.FieldType, TCsvField{c.Value.AsString(), true}, converted) != TConvertResult::Ok) &&
        ConvertFieldValue(f.FieldType, c.Value, converted, dot) != TConvertResult::Ok &&
        ConvertFieldValue(f.FieldType, c.Value, converted) != TConvertResult::Ok)
      FilterError("Type mismatch in expression: " + (c.Value.Type() == varString ? QuotedStr(c.Value.AsString()) : c.Value.AsString()) +
                  " does not suit field of type " + FieldTypeName(f.FieldType));
    c.Value = std::move(converted);
  }

  TFilterExpression& e_;
  TLexer lex_;
  const TFieldResolver& resolve_;
  TToken tok_;
  int depth_ = 0;
};

TFilterExpression::TFilterExpression() = default;
TFilterExpression::~TFilterExpression() = default;
TFilterExpression::TFilterExpression(TFilterExpression&&) noexcept = default;
TFilterExpression& TFilterExpression::operator=(TFilterExpression&&) noexcept = default;

TFilterExpression TFilterExpression::Parse(std::string_view Text, const TFieldResolver& Resolve) {
  TFilterExpression e;
  if (Trim(Text).empty()) return e;
  TParser parser(e, Text, Resolve);
  e.root_ = parser.ParseAll();
  return e;
}

Variant TFilterExpression::Value(int Node, const TRecordReader& Read) const {
  const TNode& n = nodes_[static_cast<std::size_t>(Node)];
  if (n.Op == TOp::Field) return Read.Value(n.Field);
  return n.Value;  // the parser allows only fields and constants as operands
}

namespace {

bool Absent(const Variant& v) { return VarIsNull(v) || VarIsEmpty(v); }

template <class T>
int Sign(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

// The records of Evaluate's callers that read values as Variants.
class TValueRecord final : public TFilterExpression::TRecordReader {
 public:
  explicit TValueRecord(const TFilterExpression::TValueReader& read) : read_(read) {}
  bool IsNull(int Index) const override { return Absent(read_(Index)); }
  std::int64_t Int(int Index) const override { return read_(Index).AsInt64(); }
  double Real(int Index) const override {
    const Variant v = read_(Index);
    return v.Type() == varDate ? v.AsDateTime() : v.AsDouble();
  }
  std::string_view Text(int Index) const override {
    text_ = read_(Index).AsString();
    return text_;
  }
  Variant Value(int Index) const override { return read_(Index); }

 private:
  const TFilterExpression::TValueReader& read_;
  mutable std::string text_;
};

}  // namespace

// A comparison of a field with a constant, reading the field by its kind. As for Variants, NaN is
// neither less, equal nor greater than anything.
TFilterExpression::TLogic TFilterExpression::Compare(const TNode& Node, const TRecordReader& Read) const {
  const int field = nodes_[static_cast<std::size_t>(Node.A)].Field;
  if (Read.IsNull(field)) return TLogic::Unknown;
  int sign = 0;
  switch (Node.Read) {
    case TRead::Int:
      sign = Sign(Read.Int(field), Node.IntConst);
      break;
    case TRead::IntAsReal: case TRead::Real: {
      const double x = Node.Read == TRead::Real ? Read.Real(field) : static_cast<double>(Read.Int(field));
      if (std::isnan(x) || std::isnan(Node.RealConst)) return Logic(Node.Op == TOp::Ne);
      sign = Sign(x, Node.RealConst);
      break;
    }
    case TRead::Text: {
      const std::string_view text = Read.Text(field);
      // Only equal texts collate as equal, so equality needs no collator.
      sign = Node.Op == TOp::Eq || Node.Op == TOp::Ne ? (text == Node.TextConst ? 0 : 1) : AnsiCompareStr(text, Node.TextConst);
      break;
    }
    case TRead::Value:
      break;
  }
  switch (Node.Op) {
    case TOp::Eq: return Logic(sign == 0);
    case TOp::Ne: return Logic(sign != 0);
    case TOp::Lt: return Logic(sign < 0);
    case TOp::Gt: return Logic(sign > 0);
    case TOp::Le: return Logic(sign <= 0);
    default: return Logic(sign >= 0);
  }
}

// Three-valued, as in SQL: a test on Null is unknown, NOT keeps unknown, AND and OR decide as soon
// as one side does.
TFilterExpression::TLogic TFilterExpression::Test(int Node, const TRecordReader& Read) const {
  const TNode& n = nodes_[static_cast<std::size_t>(Node)];
  switch (n.Op) {
    case TOp::And: case TOp::Or: {
      // Along the chain: the operand that decides ends it, else an unknown one makes it unknown.
      const TLogic decides = n.Op == TOp::And ? TLogic::False : TLogic::True;
      bool unknown = false;
      for (const TNode* link = &n;; link = &nodes_[static_cast<std::size_t>(link->B)]) {
        const TLogic a = Test(link->A, Read);
        if (a == decides) return a;
        unknown = unknown || a == TLogic::Unknown;
        if (nodes_[static_cast<std::size_t>(link->B)].Op == n.Op) continue;
        const TLogic b = Test(link->B, Read);
        return b == decides || !unknown ? b : TLogic::Unknown;
      }
    }
    case TOp::Not: {
      const TLogic a = Test(n.A, Read);
      return a == TLogic::Unknown ? a : Logic(a == TLogic::False);
    }
    case TOp::IsNull: case TOp::IsNotNull: {
      const TNode& a = nodes_[static_cast<std::size_t>(n.A)];
      const bool null = a.Op == TOp::Field ? Read.IsNull(a.Field) : Absent(a.Value);
      return Logic(null == (n.Op == TOp::IsNull));
    }
    case TOp::Truth: {
      const Variant v = Value(n.A, Read);
      if (Absent(v)) return TLogic::Unknown;
      try {
        return Logic(v.AsBoolean());
      } catch (const EVariantError&) {
        return TLogic::False;
      }
    }
    case TOp::Like: case TOp::NotLike: {
      const TNode& a = nodes_[static_cast<std::size_t>(n.A)];
      const TNode& b = nodes_[static_cast<std::size_t>(n.B)];
      if (b.Op == TOp::Const && a.Op == TOp::Field && (a.FieldType == ftString || a.FieldType == ftMemo)) {
        if (Read.IsNull(a.Field)) return TLogic::Unknown;
        return Logic(MatchesLikePattern(Read.Text(a.Field), n.Pattern) == (n.Op == TOp::Like));
      }
      const Variant v = Value(n.A, Read), p = Value(n.B, Read);
      if (Absent(v) || Absent(p)) return TLogic::Unknown;
      const bool match = b.Op == TOp::Const ? MatchesLikePattern(v.AsString(), n.Pattern)
                                            : MatchesLikePattern(v.AsString(), Utf8Decode(p.AsString()));
      return Logic(match == (n.Op == TOp::Like));
    }
    case TOp::Field: case TOp::Const:
      return TLogic::False;  // operands are never tested on their own: the parser wraps them in Truth
    default: {
      if (n.Read != TRead::Value) return Compare(n, Read);
      const Variant a = Value(n.A, Read), b = Value(n.B, Read);
      if (Absent(a) || Absent(b)) return TLogic::Unknown;
      const TVariantRelationship r = VarCompareValue(a, b);
      switch (n.Op) {
        case TOp::Eq: return Logic(r == vrEqual);
        case TOp::Ne: return Logic(r != vrEqual);
        case TOp::Lt: return Logic(r == vrLessThan);
        case TOp::Gt: return Logic(r == vrGreaterThan);
        case TOp::Le: return Logic(r == vrLessThan || r == vrEqual);
        case TOp::Ge: return Logic(r == vrGreaterThan || r == vrEqual);
        default: return TLogic::False;
      }
    }
  }
}

bool TFilterExpression::Evaluate(const TRecordReader& Read) const {
  return root_ < 0 || Test(root_, Read) == TLogic::True;
}

bool TFilterExpression::Evaluate(const TValueReader& Read) const { return Evaluate(TValueRecord(Read)); }

}  // namespace lab
