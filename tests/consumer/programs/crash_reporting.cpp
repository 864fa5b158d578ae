// Crash reporting in a program of one's own: from the first line of main on, a fault, an exception
// nothing catches but the message loop, and a main window that stops answering are reported as
// crash_reporting.txt says. The button raises one to show it.
#include "crashreport/crashlog.h"
#include "platform/controls/application.h"
#include "platform/controls/button.h"
#include "platform/controls/forms.h"
#include "platform/rtl/exceptions.h"

using namespace lab;

int main() {
  UseUnit(CrashLogUnit);
  Application->Initialize();
  TForm* form;
  Application->CreateForm(form);
  form->SetCaption("Crash reporting");
  form->SetBounds(100, 100, 320, 120);

  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(16, 16, 200, 28);
  button->SetCaption("&Raise an exception");
  button->OnClick = [](TObject*) { throw Exception("Nothing catches this but the message loop."); };

  Application->Run();
}
