// Actions: offered to the focused control, then to each of its parents, until one runs it (or
// brings its enabled state up to date); a disabled action runs nowhere; the target is forgotten
// when its control goes.

#include <string>
#include <vector>

#include "controls_fixture.h"
#include "platform/controls/actions.h"
#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"

namespace lab::testing {
namespace {

// Takes copy actions (enabled as `allowed` says) and logs each offer.
class TCopier : public TCustomControl {
 public:
  TCopier(TComponent* owner, std::vector<std::string>& log, std::string name, bool copies)
      : TCustomControl(owner), log_(log), name_(std::move(name)), copies_(copies) {
    SetTabStop(true);
    control_style_.Include(csAcceptsControls);
  }
  bool allowed = true;
  bool ExecuteAction(TBasicAction* Action) override {
    log_.push_back("execute " + name_);
    return copies_ && Action->Kind() == sakEditCopy;
  }
  bool UpdateAction(TBasicAction* Action) override {
    if (!copies_ || Action->Kind() != sakEditCopy) return false;
    Action->SetEnabled(allowed);
    return true;
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
  bool copies_;
};

TEST_F(ControlsTest, ActionsGoToTheFocusedControlAndUpItsParents) {
  std::vector<std::string> log;
  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 300, 200);
  auto* outer = new TCopier(form, log, "outer", true);
  outer->SetParent(form);
  outer->SetBounds(0, 0, 300, 200);
  auto* inner = new TCopier(form, log, "inner", false);
  inner->SetParent(outer);
  inner->SetBounds(10, 10, 100, 40);
  form->Show();
  inner->SetFocus();
  Application->ProcessMessages();

  TBasicAction copy(nullptr, sakEditCopy), cut(nullptr, sakEditCut);
  EXPECT_TRUE(copy.Execute());
  EXPECT_EQ(log, (std::vector<std::string>{"execute inner", "execute outer"}));
  EXPECT_EQ(copy.Target(), outer);
  EXPECT_FALSE(cut.Execute());
  EXPECT_EQ(cut.Target(), nullptr);
  outer->allowed = false;
  EXPECT_TRUE(copy.Update());
  EXPECT_FALSE(copy.Enabled());
  log.clear();
  EXPECT_FALSE(copy.Execute());  // disabled: offered to nobody
  EXPECT_TRUE(log.empty());
  // A program's own handler takes its action itself.
  int handled = 0;
  cut.OnExecute = [&](TObject*) { ++handled; };
  EXPECT_TRUE(cut.Execute());
  EXPECT_EQ(handled, 1);
  delete form;
  EXPECT_EQ(copy.Target(), nullptr);
}

}  // namespace
}  // namespace lab::testing
