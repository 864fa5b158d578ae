// Reads a form holding a data grid, as a program that only links the grid does: no unit is started
// by hand. Then starts the crash reporter, as a program that takes part in crash reporting does, and
// checks what its build gave it: the options of crash_options.txt, its version note and link time.
// Prints what it read; exits 1 when something is missing.

#include <iostream>
#include <memory>

#include "crashreport/crashlog.h"
#include "crashreport/module_data.h"
#include "crashreport/report/module_list.h"
#include "crashreport/process_state.h"
#include "crashreport/report/system_utils.h"
#include "grid/dbgrid.h"
#include "platform/classes/form_text.h"
#include "platform/rtl/exceptions.h"

int main() {
  using namespace lab;
  try {
    UseUnit(CrashLogUnit);
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

    const TCrashModuleOptions& options = CurrentCrashLogOptions();
    std::string description, version;
    GetFileVersionAndDescription(RunningModuleFileName(), description, version);
    if (options.SMTPHost() != "mail.consumer.example" || options.EmailSendMode() != 2 || !options.FreezeActive() ||
        options.SMTPPort() != 25 || description != "Lab consumer" || version != "1.2.3.4" ||
        ReadModuleBuildTime(RunningModuleFileName()) <= 0) {
      std::cerr << "the crash reporter's options, version note or link time are missing\n";
      return 1;
    }
    std::cout << "crash reporting on: reports go to " << options.EmailAddresses() << " through "
              << options.SMTPHost() << "; " << description << " " << version << "\n";
  } catch (const Exception& e) {
    std::cerr << e.Message() << "\n";
    return 1;
  }
  return 0;
}
