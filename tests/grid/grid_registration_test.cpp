// Linking the grid makes TDBGridX known by name: a form that holds one reads without the program
// starting any unit, and the units still start in their order (the framework's before the grid's).

#include <gtest/gtest.h>

#include <memory>

#include "grid/dbgrid.h"
#include "grid/grid_unit.h"
#include "platform/backend/headless.h"
#include "platform/classes/class_registry.h"
#include "platform/classes/form_text.h"
#include "platform/controls/controls_unit.h"
#include "platform/controls/forms.h"
#include "platform/db/data_source.h"
#include "platform/db/db_unit.h"
#include "platform/graphics/graphics_unit.h"

namespace lab {
namespace {

TEST(GridRegistration, AFormHoldingAGridReadsWithoutStartingUnitsByHand) {
  SetBackend(CreateHeadlessBackend());
  // As a fresh program: whatever earlier tests of this process started is ended first.
  FinalizeUnits();
  ASSERT_FALSE(DBGridXUnit.Initialized());
  std::unique_ptr<TComponent> form(ReadFormText(
      "object Form1: TForm\n"
      "  object Data1: TMemDataSet\n"
      "  end\n"
      "  object Source1: TDataSource\n"
      "    DataSet = Data1\n"
      "  end\n"
      "  object Grid1: TDBGridX\n"
      "    DataSource = Source1\n"
      "  end\n"
      "end\n"));
  auto* grid = dynamic_cast<TDBGridX*>(form->FindComponent("Grid1"));
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->DataSource(), dynamic_cast<TDataSource*>(form->FindComponent("Source1")));
  EXPECT_TRUE(GraphicsUnit.Initialized() && ControlsUnit.Initialized() && DBUnit.Initialized());
  EXPECT_TRUE(DBGridXUnit.Initialized());
  // A name that no linked library knows still answers nothing after the units have started.
  EXPECT_EQ(GetClass("TNoSuchGridX"), nullptr);
  EXPECT_THROW(FindClass("TNoSuchGridX"), EClassNotFound);
}

}  // namespace
}  // namespace lab
