// Raising database errors on behalf of a component.
#include "platform/db/db_errors.h"

#include "platform/classes/component.h"

namespace lab {

void DatabaseError(const std::string& Message, const TComponent* Component) {
  if (Component && !Component->Name().empty()) throw EDatabaseError(Component->Name() + ": " + Message);
  throw EDatabaseError(Message);
}

}  // namespace lab
