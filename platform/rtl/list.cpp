#include "platform/rtl/list.h"

#include "platform/rtl/exceptions.h"

namespace lab::detail {

void ListIndexError(int Index) { throw EListError("List index out of bounds (%d)", Index); }

void ListCapacityError(int Capacity) { throw EListError("List capacity out of bounds (%d)", Capacity); }

}  // namespace lab::detail
