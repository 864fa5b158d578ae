#include "platform/db/db_unit.h"

#include "platform/classes/class_registry.h"
#include "platform/db/data_source.h"
#include "platform/db/mem_dataset.h"

namespace lab {

namespace {

void StartDB() { RegisterClasses<TDataSource, TMemDataSet>(); }

}  // namespace

constinit const TUnit DBUnit{"DB", &StartDB};

}  // namespace lab
