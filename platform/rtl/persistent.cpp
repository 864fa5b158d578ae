#include "platform/rtl/persistent.h"

namespace lab {

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  const std::string from = Source ? std::string(Source->ClassName()) : std::string("nil");
  throw EConvertError("Cannot assign a %s to a %s", from, ClassName());
}

std::string TPersistent::GetNamePath() {
  std::string path(ClassName());
  if (TPersistent* owner = GetOwner()) {
    const std::string owner_path = owner->GetNamePath();
    if (!owner_path.empty()) path = owner_path + "." + path;
  }
  return path;
}

void TPersistent::DefineProperties(TFiler&) {}

}  // namespace lab
