#include "crashreport/capture/method_property.h"

#include "platform/classes/property_access.h"

namespace lab {

bool ReplaceMethodProperty(TPersistent* Instance, std::string_view PropName, const std::any& NewHandler,
                           std::any& OldHandler) {
  if (!Instance) return false;
  const TPropInfo* info = GetPropInfo(Instance, PropName);
  if (!info || info->Kind() != tkMethod || info->RunsHandler(Instance, NewHandler)) return false;
  std::any previous = info->GetHandler(Instance);
  if (!info->SetHandler(Instance, &NewHandler, {})) return false;
  OldHandler = std::move(previous);
  return true;
}

}  // namespace lab
