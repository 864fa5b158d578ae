#include "platform/grids/grid_axis.h"

#include <algorithm>

#include "platform/grids/grid_types.h"

namespace lab {

void TGridAxis::CheckIndex(std::int32_t Index) const {
  if (Index < 0 || Index >= count_) InvalidGridOperation(SGridIndexOutOfRange);
}

void TGridAxis::SetCount(std::int32_t Value) {
  if (Value < 0) InvalidGridOperation(SGridIndexOutOfRange);
  const auto n = static_cast<std::size_t>(Value);
  if (!extents_.empty()) extents_.resize(n, default_);
  if (!tab_stops_.empty()) tab_stops_.resize(n, true);
  count_ = Value;
}

void TGridAxis::SetDefaultExtent(std::int32_t Value) {
  default_ = std::max(Value, 0);
  extents_.clear();
}

void TGridAxis::SetExtent(std::int32_t Index, std::int32_t Value) {
  CheckIndex(Index);
  if (Value < -1) Value = 0;
  if (extents_.empty()) {
    if (Value == default_) return;
    extents_.assign(static_cast<std::size_t>(count_), default_);
  }
  extents_[static_cast<std::size_t>(Index)] = Value;
}

void TGridAxis::SetTabStop(std::int32_t Index, bool Value) {
  CheckIndex(Index);
  if (tab_stops_.empty()) {
    if (Value) return;
    tab_stops_.assign(static_cast<std::size_t>(count_), true);
  }
  tab_stops_[static_cast<std::size_t>(Index)] = Value;
}

namespace {

template <class V>
void MoveEntry(V& v, std::size_t from, std::size_t to) {
  if (v.empty()) return;
  typename V::value_type value = v[from];  // a copy, not vector<bool>'s proxy
  if (from < to)
    for (std::size_t i = from; i < to; ++i) v[i] = v[i + 1];
  else
    for (std::size_t i = from; i > to; --i) v[i] = v[i - 1];
  v[to] = value;
}

}  // namespace

void TGridAxis::Move(std::int32_t From, std::int32_t To) {
  CheckIndex(From);
  CheckIndex(To);
  MoveEntry(extents_, static_cast<std::size_t>(From), static_cast<std::size_t>(To));
  MoveEntry(tab_stops_, static_cast<std::size_t>(From), static_cast<std::size_t>(To));
}

}  // namespace lab
