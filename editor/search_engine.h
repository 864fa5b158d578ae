#pragma once
// TCodeEditSearchCustom: the interface of a search engine an editor can be given. The editor only
// keeps a reference to it and forgets it when the engine is freed; engines derive from it.

#include <string>

#include "platform/classes/component.h"

namespace lab {

class TCodeEditSearchCustom : public TComponent {
  LAB_CLASS(TCodeEditSearchCustom, TComponent)
 public:
  using TComponent::TComponent;

  virtual std::string Pattern() const = 0;
  virtual void SetPattern(const std::string& Value) = 0;
  // Finds every match in NewText; answers their count.
  virtual int FindAll(const std::u32string& NewText) = 0;
  virtual int ResultCount() const = 0;
  // Position (1-based) and length of match Index.
  virtual int Results(int Index) const = 0;
  virtual int Lengths(int Index) const = 0;
  // The text that replaces match AOccurrence.
  virtual std::u32string Replace(const std::u32string& AOccurrence, const std::u32string& AReplacement) = 0;
};

}  // namespace lab
