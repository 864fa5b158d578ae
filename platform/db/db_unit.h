#pragma once
// The dataset model's unit start-up: TDataSource and TMemDataSet become known by name, so forms
// that hold them can be read from their text. A dataset or data source starts it when made; a
// program that reads such a form before making either uses the unit first.

#include "platform/classes/unit_init.h"

namespace lab {

extern const TUnit DBUnit;

}  // namespace lab
