#include "platform/rtl/exceptions.h"

namespace lab {

void Abort() { throw EAbort("Operation aborted"); }

}  // namespace lab
