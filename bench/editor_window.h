#pragma once
// What the editor benchmarks share: an 800×600 editor on a form of the headless back-end, holding
// a text loaded as a file is.

#include <string>

#include "editor/codeedit.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/rtl/streams.h"

namespace lab::benchedit {

struct TEditorWindow {
  TForm* form;
  TCodeEdit* edit;
  // Text is the file's content (lines ended with CR LF). The form is not shown yet: the caller sets
  // the editor up first, then calls Show.
  explicit TEditorWindow(std::string Text) {
    SetBackend(CreateHeadlessBackend());
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 820, 640);
    edit = new TCodeEdit(form);
    edit->SetParent(form);
    edit->SetBounds(0, 0, 800, 600);
    TStringStream stream(std::move(Text));
    edit->LineList()->LoadFromStream(&stream);
  }
  ~TEditorWindow() { delete form; }
  TEditorWindow(const TEditorWindow&) = delete;
  TEditorWindow& operator=(const TEditorWindow&) = delete;

  // Line numbers in a gutter as wide as they need, the caret's line tinted: the editor as a program
  // shows a log.
  void ShowLineNumbersAndCaretLine() {
    edit->Gutter()->SetShowLineNumbers(true);
    edit->Gutter()->SetAutoSize(true);
    edit->SetActiveLineColor(static_cast<TColor>(0xE8F8FF));
  }
  // Shows the form, with the editor focused when Focus (keys reach it then), and handles what that
  // queued.
  void Show(bool Focus) {
    form->Show();
    if (Focus) edit->SetFocus();
    Application->ProcessMessages();
  }
  // The editor painted whole.
  void PaintAll() {
    edit->Invalidate();
    edit->Update();
  }
};

}  // namespace lab::benchedit
