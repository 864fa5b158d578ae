#include "platform/classes/persistent.h"

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
  return std::string(ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}

}  // namespace lab
