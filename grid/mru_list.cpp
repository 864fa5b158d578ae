#include "grid/mru_list.h"

#include "platform/rtl/strutils.h"

namespace lab {

void TMRUListX::DeclareProperties(TPropertyDeclarer<TMRUListX>& P) {
  P.Property("Active", &TMRUListX::Active, &TMRUListX::SetActive).Default(false);
  P.Property("AutoAdd", &TMRUListX::AutoAdd, &TMRUListX::SetAutoAdd).Default(true);
  P.Property("Items", &TMRUListX::Items, &TMRUListX::SetItems);
  P.Property("Limit", &TMRUListX::Limit, &TMRUListX::SetLimit).Default(100);
}

TMRUListX::TMRUListX(TPersistent* AOwner) : owner_(AOwner), items_(std::make_unique<TStringList>()) {}

TMRUListX::~TMRUListX() = default;

void TMRUListX::SetLimit(int Value) {
  limit_ = Value < 0 ? 0 : Value;
  Cut();
}

void TMRUListX::SetItems(TStrings* Value) {
  if (Value) items_->Assign(Value);
  else items_->Clear();
  Cut();
}

void TMRUListX::Add(const std::string& Text) {
  const std::string s = Trim(Text);
  if (s.empty()) return;
  TStringsUpdate update(*items_);
  for (int i = items_->Count() - 1; i >= 0; --i)
    if (items_->Strings(i) == s) items_->Delete(i);
  items_->Insert(0, s);
  Cut();
}

void TMRUListX::Cut() {
  while (items_->Count() > limit_) items_->Delete(items_->Count() - 1);
}

void TMRUListX::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TMRUListX*>(Source)) {
    active_ = src->active_;
    auto_add_ = src->auto_add_;
    limit_ = src->limit_;
    items_->Assign(src->items_.get());
    return;
  }
  TPersistent::Assign(Source);
}

}  // namespace lab
