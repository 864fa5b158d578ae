// A program whose main window holds a grid ends as a user ends it: the window is closed (by the
// window manager under X11), the message loop ends, and the exit handlers and the units' shut-down
// run while the grid still stands, as the application's forms are never freed.

#include <cstdlib>

#include "grid/dbgrid.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/controls/message_queue.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "tests/common/ending_program.h"

namespace lab {
namespace {

using namespace lab::testing;

[[noreturn]] void CloseGridWindowThenEnd() {
  const char* display = std::getenv("LAB_TEST_DISPLAY");
  if (display) SetBackend(CreateX11Backend(display));
  auto* form = new TForm(Application);
  form->SetBounds(20, 20, 420, 300);
  auto* ds = new TMemDataSet(form);
  ds->FieldDefs().Add("Id", ftInteger);
  ds->FieldDefs().Add("Name", ftString, 20);
  ds->Open();
  for (int i = 1; i <= 20; ++i) {
    ds->Append();
    ds->FieldByName("Id")->SetAsInteger(i);
    ds->FieldByName("Name")->SetAsString("patient " + std::to_string(i));
    ds->Post();
  }
  auto* source = new TDataSource(form);
  source->SetDataSet(ds);
  auto* grid = new TDBGridX(form);
  grid->SetParent(form);
  grid->SetAlign(alClient);
  grid->SetDataSource(source);
  Application->SetMainForm(form);
  form->Show();
  Application->ProcessMessages();
  if (display) {
    // The window manager's close, through a client of the server's own.
    Display* d = XOpenDisplay(display);
    if (!d) std::exit(3);
    SendWindowManagerClose(d, X11WindowOf(Backend(), form->Handle()));
    XCloseDisplay(d);
  } else {
    wm::PostMessage(form->Handle(), win::WM_CLOSE, 0, 0);
  }
  Application->Run();
  std::exit(0);
}

TEST(GridProgramEnd, ClosingTheWindowOfAGridEndsTheProgramCleanly) {
  if (InEndingProgram()) CloseGridWindowThenEnd();
  ExpectCleanEndOnEachDisplay();
}

}  // namespace
}  // namespace lab
