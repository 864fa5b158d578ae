#include "traffic_highlighter.h"

#include "platform/graphics/colors.h"

namespace showcase {

using namespace lab;

namespace {

bool IsDigit(char32_t C) { return C >= U'0' && C <= U'9'; }
bool IsLetter(char32_t C) { return (C >= U'A' && C <= U'Z') || (C >= U'a' && C <= U'z') || C == U'_'; }

}  // namespace

TTrafficHighlighter::TTrafficHighlighter(TComponent* AOwner) : TCodeCustomHighlighter(AOwner) {
  struct TLook {
    int Kind;
    const char* Name;
    TColor Fore;
    TFontStyles Style;
  };
  const TLook looks[] = {
      {tkSpace, "Space", clNone, {}},
      {tkTime, "Time", static_cast<TColor>(0x808080), {}},
      {tkDevice, "Device", static_cast<TColor>(0x800000), {fsBold}},
      {tkKey, "Key", static_cast<TColor>(0x707000), {}},
      {tkNumber, "Number", static_cast<TColor>(0x0060A0), {}},
      {tkSymbol, "Symbol", static_cast<TColor>(0x909090), {}},
      {tkError, "Error", static_cast<TColor>(0x0000D0), {fsBold}},
  };
  for (const TLook& look : looks) {
    auto* attr = new TCodeHighlighterAttributes(look.Name);
    attr->SetForeground(look.Fore);
    attr->SetStyle(look.Style);
    AddAttribute(attr);
    attrs_[look.Kind] = attr;
  }
}

TCodeHighlighterAttributes* TTrafficHighlighter::GetTokenAttribute() const { return attrs_[kind_]; }

void TTrafficHighlighter::SetLine(const std::u32string& NewValue, int /*LineNumber*/) {
  line_ = NewValue;
  start_ = end_ = 0;
  words_ = 0;
  status_value_ = false;
  Next();
}

void TTrafficHighlighter::Next() {
  start_ = end_;
  if (start_ >= line_.size()) return;
  const char32_t c = line_[start_];
  end_ = start_ + 1;
  auto take = [&](auto&& Pred) {
    while (end_ < line_.size() && Pred(line_[end_])) ++end_;
  };
  if (c == U' ' || c == U'\t') {
    take([](char32_t x) { return x == U' ' || x == U'\t'; });
    kind_ = tkSpace;
    return;
  }
  if (words_ == 0 && IsDigit(c)) {
    take([](char32_t x) { return IsDigit(x) || x == U':' || x == U'.'; });
    kind_ = tkTime;
    ++words_;
    return;
  }
  if (IsLetter(c)) {
    take([](char32_t x) { return IsLetter(x) || IsDigit(x); });
    if (words_ == 1) {
      kind_ = tkDevice;
    } else if (end_ < line_.size() && line_[end_] == U'=') {
      // A record key with its '='; a status other than 0 stands out.
      status_value_ = line_.compare(start_, end_ - start_, U"STATUS") == 0;
      ++end_;
      kind_ = tkKey;
    } else {
      kind_ = tkText;
    }
    ++words_;
    return;
  }
  if (IsDigit(c)) {
    take([](char32_t x) { return IsDigit(x) || x == U'.'; });
    kind_ = status_value_ && line_.compare(start_, end_ - start_, U"0") != 0 ? tkError : tkNumber;
    status_value_ = false;
    ++words_;
    return;
  }
  kind_ = tkSymbol;
}

}  // namespace showcase
