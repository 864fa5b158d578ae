// An editor over the file named on the command line, its lines numbered in a gutter that widens
// with the numbers.
#include <iostream>

#include "editor/codeedit.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/rtl/exceptions.h"

using namespace lab;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: file_editor FILE\n";
    return 2;
  }
  Application->Initialize();
  TForm* form;
  Application->CreateForm(form);
  form->SetCaption(argv[1]);
  form->SetBounds(100, 100, 800, 600);

  auto* editor = new TCodeEdit(form);
  editor->SetParent(form);
  editor->SetAlign(alClient);
  editor->Gutter()->SetShowLineNumbers(true);
  editor->Gutter()->SetAutoSize(true);
  editor->SetOptions(editor->Options() + eoAutoSizeMaxScrollWidth);  // lines longer than 1,024 columns
  try {
    editor->Lines()->LoadFromFile(argv[1]);
  } catch (const Exception& e) {
    std::cerr << e.Message() << "\n";
    return 1;
  }
  Application->Run();
}
