#pragma once
// The device monitor: the traffic received from and sent to the lab's devices in two read-only
// editors, and the operator's notes in an editable one below them, which takes every editing
// command (Tab indents with tabs there). Text is copied from the views (Ctrl+C, Ctrl+Insert, their
// pop-up menu, or dragged into the notes) and pasted into the notes (Ctrl+V), also to and from other
// programs through the system clipboard; files dropped on the notes from a file manager are noted
// by name.

#include "editor/codeedit.h"
#include "platform/controls/forms.h"
#include "platform/controls/menus.h"

namespace showcase {

class TDeviceMonitor : public lab::TForm {
 public:
  explicit TDeviceMonitor(lab::TComponent* AOwner);

  lab::TCodeEdit* Received() const noexcept { return received_; }
  lab::TCodeEdit* Sent() const noexcept { return sent_; }
  lab::TCodeEdit* Notes() const noexcept { return notes_; }

 private:
  lab::TCodeEdit* MakeView(const char* Name);
  void AddMenuItem(const char* Caption, lab::TNotifyEvent OnClick);
  // The view the pop-up menu was opened on.
  lab::TCodeEdit* MenuView() const;

  lab::TCodeEdit* notes_;
  lab::TCodeEdit* received_;
  lab::TCodeEdit* sent_;
  lab::TPopupMenu* view_menu_;
  lab::TCodeCustomHighlighter* highlighter_;
};

}  // namespace showcase
