#include "grid/columns_list.h"

#include <algorithm>

namespace lab {

int TColumnsXList::IndexOf(const TColumnX* Column) const {
  auto it = std::find(items_.begin(), items_.end(), Column);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TColumnsXList::Remove(TColumnX* Column) {
  const int i = IndexOf(Column);
  if (i >= 0) Delete(i);
  return i;
}

}  // namespace lab
