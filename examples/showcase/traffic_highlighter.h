#pragma once
// Colours for the device monitor's traffic: the time stamp, the device, record keys and values, and
// a status other than 0, so an operator finds a failed request at a glance.

#include "editor/highlighter.h"

namespace showcase {

class TTrafficHighlighter : public lab::TCodeCustomHighlighter {
 public:
  explicit TTrafficHighlighter(lab::TComponent* AOwner);

  std::string LanguageName() const override { return "Device traffic"; }
  void SetLine(const std::u32string& NewValue, int LineNumber) override;
  bool GetEol() const override { return start_ >= line_.size(); }
  void Next() override;
  std::u32string GetToken() const override { return line_.substr(start_, end_ - start_); }
  int GetTokenKind() const override { return kind_; }
  lab::TCodeHighlighterAttributes* GetTokenAttribute() const override;
  int GetTokenPos() const override { return static_cast<int>(start_); }

 private:
  enum TKind { tkText, tkSpace, tkTime, tkDevice, tkKey, tkNumber, tkSymbol, tkError };

  lab::TCodeHighlighterAttributes* attrs_[8] = {};
  std::u32string line_;
  std::size_t start_ = 0, end_ = 0;
  int kind_ = tkText;
  int words_ = 0;             // words seen on the line: the time stamp, then the device
  bool status_value_ = false;  // the next number is a status
};

}  // namespace showcase
