// Reads a form holding a data grid, as a program that only links the grid does: no unit is started
// by hand. Prints what it read; exits 1 when something is missing.

#include <iostream>
#include <memory>

#include "grid/dbgrid.h"
#include "platform/classes/form_text.h"
#include "platform/rtl/exceptions.h"

int main() {
  using namespace lab;
  try {
    std::unique_ptr<TComponent> form(ReadFormText(
        "object Jobs: TForm\n"
        "  Caption = 'Jobs'\n"
        "  object Data: TMemDataSet\n"
        "  end\n"
        "  object Source: TDataSource\n"
        "    DataSet = Data\n"
        "  end\n"
        "  object Grid: TDBGridX\n"
        "    DataSource = Source\n"
        "    FooterRowCount = 1\n"
        "  end\n"
        "end\n"));
    auto* grid = dynamic_cast<TDBGridX*>(form->FindComponent("Grid"));
    if (!grid || !grid->DataSource()) {
      std::cerr << "the form's grid is missing or unbound\n";
      return 1;
    }
    std::cout << "read " << form->Name() << " with " << grid->ClassName() << " " << grid->Name() << "\n";
  } catch (const Exception& e) {
    std::cerr << e.Message() << "\n";
    return 1;
  }
  return 0;
}
