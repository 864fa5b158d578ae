#pragma once
// Tokens of the form text format. Internal to the reader.

#include <cstdint>
#include <string>
#include <string_view>

namespace lab::detail {

enum class TTokenKind { End, Ident, Integer, Float, String, Binary, Symbol };

struct TToken {
  TTokenKind Kind = TTokenKind::End;
  // Identifiers (dotted names joined), string values (UTF-8, pieces joined), binary bytes.
  std::string Text;
  std::int64_t Int = 0;
  double Float = 0;
  char Symbol = 0;
  int Line = 1;

  bool Is(char c) const noexcept { return Kind == TTokenKind::Symbol && Symbol == c; }
  bool IsIdent(std::string_view Word) const noexcept;
};

// Splits form text into tokens, with one token of look-ahead beyond the current one. Malformed
// text raises EReadError "Line <n>: Invalid stream format".
class TFormLexer {
 public:
  explicit TFormLexer(std::string_view Text);

  const TToken& Current() const noexcept { return current_; }
  const TToken& Peek();
  TToken Next();

  [[noreturn]] void Error(int Line) const;

 private:
  TToken Scan();
  void SkipBlanks();
  void ScanString(TToken& t);
  void ScanNumber(TToken& t);
  void ScanBinary(TToken& t);
  bool AtEnd() const noexcept { return pos_ >= text_.size(); }
  char At(std::size_t i) const noexcept { return pos_ + i < text_.size() ? text_[pos_ + i] : '\0'; }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  TToken current_;
  TToken next_;
  bool has_next_ = false;
};

}  // namespace lab::detail
