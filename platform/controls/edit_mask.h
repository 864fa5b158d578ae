#pragma once
// The framework's edit-mask language. A mask is up to three fields separated by ';':
//   the character mask; '0' to keep literals out of Text (anything else keeps them); the blank
//   character shown for empty positions (default '_').
// Mask characters: L letter, l optional letter, A letter or digit, a optional one, C any character,
// c optional one, 0 digit, 9 optional digit, # optional digit or sign, : and / the locale's time and
// date separators, _ a literal blank, \ makes the next character literal, > upper case from here,
// < lower case from here, <> no case change, ! optional positions take their blanks at the front.
// Every other character is a literal. Positions count code points.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace lab {

// The framework's error of a masked edit whose text does not satisfy its mask.
LAB_EXCEPTION(EDBEditError, Exception);

inline constexpr std::string_view SMaskEditErr =
    "Invalid input value.  Use escape key to abandon changes";

enum class TMaskCharKind : std::uint8_t { Literal, Letter, AlphaNumeric, Any, Digit, DigitOrSign };

class TEditMask {
 public:
  TEditMask() = default;
  // DateSeparator and TimeSeparator stand for '/' and ':' in the mask (the locale's by default).
  explicit TEditMask(std::string_view Mask);
  TEditMask(std::string_view Mask, char32_t DateSeparator, char32_t TimeSeparator);

  // No mask: the edit takes any text.
  bool IsEmpty() const noexcept { return slots_.empty(); }
  // Positions of the edit text.
  std::int32_t Length() const noexcept { return static_cast<std::int32_t>(slots_.size()); }
  bool IsLiteral(std::int32_t Pos) const;
  TMaskCharKind Kind(std::int32_t Pos) const;
  bool Required(std::int32_t Pos) const;
  char32_t Blank() const noexcept { return blank_; }
  bool SaveLiterals() const noexcept { return save_literals_; }
  bool LeadingBlanks() const noexcept { return leading_blanks_; }

  // What Ch becomes at an editable position (case conversion applied), or 0 when it does not fit
  // there. A literal position takes nothing.
  char32_t Accept(std::int32_t Pos, char32_t Ch) const;

  // The edit text of an empty edit: literals and blanks.
  std::u32string EmptyEditText() const;
  // The edit text that shows Value (a Text value: with literals when they are saved, else only the
  // entered characters). Characters that do not fit their position show as blanks.
  std::u32string FormatText(std::u32string_view Value) const { return FormatText(Value, save_literals_); }
  // The same with the literals of Value said explicitly: WithLiterals false takes Value as the
  // entered characters alone, whatever the mask saves.
  std::u32string FormatText(std::u32string_view Value, bool WithLiterals) const;
  // The characters at the editable positions, blanks as spaces, in order (what another mask of
  // the same positions would take back).
  std::u32string EnteredText(std::u32string_view EditText) const;
  // Text from an edit text: blanks become spaces; literals stay only when they are saved. Without
  // them, each run of optional positions keeps its blanks at its end (with '!', at its front).
  std::u32string TextOf(std::u32string_view EditText) const;
  // Fits Value, given as text typed or pasted at Pos, into EditText: each character goes to the next
  // editable position (literals it matches are stepped over). False, with EditText untouched, when a
  // character fits nowhere; otherwise EditText is updated and NewPos is past the last one placed.
  bool Insert(std::u32string& EditText, std::int32_t Pos, std::u32string_view Value,
              std::int32_t& NewPos) const;
  // The first position that makes the edit text invalid (a required position left blank, or a
  // character that does not fit); -1 when it is valid.
  std::int32_t FirstInvalid(std::u32string_view EditText) const;

  // The nearest editable position at or after Pos (Length() when none), and at or before Pos (-1).
  std::int32_t NextEditable(std::int32_t Pos) const;
  std::int32_t PrevEditable(std::int32_t Pos) const;

 private:
  enum class TCase : std::uint8_t { None, Upper, Lower };
  struct TSlot {
    TMaskCharKind Kind = TMaskCharKind::Literal;
    bool Required = false;
    TCase Case = TCase::None;
    char32_t Literal = 0;
  };

  void Parse(std::string_view Mask, char32_t DateSeparator, char32_t TimeSeparator);

  std::vector<TSlot> slots_;
  char32_t blank_ = U'_';
  bool save_literals_ = true;
  bool leading_blanks_ = false;
};

// The framework's FormatMaskText: Value placed into EditMask, literals included, empty positions as
// spaces.
std::string FormatMaskText(std::string_view EditMask, std::string_view Value);

}  // namespace lab
