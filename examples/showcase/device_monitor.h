#pragma once
// The device monitor: the traffic received from and sent to the lab's devices in two read-only
// editors, and the operator's notes in an editable one below them.

#include "editor/codeedit.h"
#include "platform/controls/forms.h"

namespace showcase {

class TDeviceMonitor : public lab::TForm {
 public:
  explicit TDeviceMonitor(lab::TComponent* AOwner);

  lab::TCodeEdit* Received() const noexcept { return received_; }
  lab::TCodeEdit* Sent() const noexcept { return sent_; }
  lab::TCodeEdit* Notes() const noexcept { return notes_; }

 private:
  lab::TCodeEdit* MakeView(const char* Name);

  lab::TCodeEdit* notes_;
  lab::TCodeEdit* received_;
  lab::TCodeEdit* sent_;
};

}  // namespace showcase
