// A program that serves as the exception dialog's helper process, as a program that calls
// RunDialogHelper first thing in main does.

#include "crashreport/dialogs/dialog_helper.h"
#include "platform/controls/application.h"

int main(int argc, char** argv) {
  lab::Application->Initialize();
  const int code = lab::RunDialogHelper(argc, argv);
  return code < 0 ? 3 : code;
}
