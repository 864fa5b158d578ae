#pragma once
// Swapping a published event's handler by name, so the crash reporter can put its own handler in
// front of an object's event and hand the previous one back.

#include <any>
#include <string_view>

namespace lab {

class TPersistent;

// Points Instance's published event PropName at NewHandler (a std::function of the event's type)
// unless it already runs it; the handler it had (empty when none) goes to OldHandler. Answers
// false, changing nothing, when the class publishes no event of that name, the handler's type does
// not fit the event, or the event already runs NewHandler.
bool ReplaceMethodProperty(TPersistent* Instance, std::string_view PropName, const std::any& NewHandler,
                           std::any& OldHandler);

}  // namespace lab
