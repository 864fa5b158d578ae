#include "platform/classes/properties.h"

#include "platform/rtl/strutils.h"

namespace lab {

void TPropInfo::Unsupported() const {
  throw EPropertyError("Property %s cannot be accessed that way", name_);
}

void TPropInfo::InvalidValue() const { throw EPropertyError("Invalid property value"); }

TPropertyTable::TPropertyTable(TClass Class, const TPropertyTable* Parent) : class_(Class), parent_(Parent) {}

const TPropInfo* TPropertyTable::Find(std::string_view Name) const noexcept {
  for (const TPropInfo* p : all_)
    if (SameText(p->Name(), Name)) return p;
  return nullptr;
}

void TPropertyTable::Add(std::unique_ptr<TPropInfo> Info) { own_.push_back(std::move(Info)); }

void TPropertyTable::Seal() {
  if (parent_) all_.assign(parent_->Props().begin(), parent_->Props().end());
  for (const auto& info : own_) {
    bool replaced = false;
    for (const TPropInfo*& p : all_)
      if (SameText(p->Name(), info->Name())) {
        p = info.get();
        replaced = true;
        break;
      }
    if (!replaced) all_.push_back(info.get());
  }
}

}  // namespace lab
