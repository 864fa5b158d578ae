#pragma once
// Horizontal text alignment, shared by fields, controls and grids (so none of them includes another
// layer for it).

#include "platform/classes/type_info.h"

namespace lab {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
LAB_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter")

}  // namespace lab
