// Under X11 the server knows which window is under the pointer: a press goes to the window it was
// delivered to, even where the program's own stacking order disagrees (a window raised by the
// window manager), and a window a modal loop disabled takes none.

#include <memory>
#include <string>
#include <vector>

#include "platform/controls/forms.h"
#include "platform/controls/window_manager.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

class X11StackingTest : public XdotoolTest {
 protected:
  TForm* Shown(const std::string& Name, int Left) {
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(Left, 20, 200, 150);
    form->OnMouseDown = [this, Name](TObject*, TMouseButton, TShiftState, int, int) { presses.push_back(Name); };
    form->Show();
    EXPECT_TRUE(WaitFor([&] { return X11WindowOf(Backend(), form->Handle()) != 0; }));
    return form;
  }
  // Clicks at a screen point and waits until Count presses arrived.
  void ClickAt(int X, int Y, std::size_t Count) {
    Xdotool({"mousemove", std::to_string(X), std::to_string(Y), "click", "1"});
    EXPECT_TRUE(WaitFor([&] { return presses.size() >= Count; }));
  }
  std::vector<std::string> presses;
};

TEST_F(X11StackingTest, APressGoesToTheWindowTheServerDeliveredItToAndNotToADisabledOne) {
  const std::unique_ptr<TForm> back(Shown("back", 20));
  const std::unique_ptr<TForm> front(Shown("front", 120));  // over back where both stand
  ClickAt(170, 60, 1);
  // The window manager raises back: the server now shows it over front.
  XRaiseWindow(d, X11WindowOf(Backend(), back->Handle()));
  XSync(d, False);
  ClickAt(170, 60, 2);
  EXPECT_EQ(presses, (std::vector<std::string>{"front", "back"}));

  // As under a modal window: back takes no press, front still does.
  wm::EnableWindow(back->Handle(), false);
  ClickAt(170, 60, 2);
  ClickAt(300, 60, 3);
  EXPECT_EQ(presses, (std::vector<std::string>{"front", "back", "front"}));
}

}  // namespace
}  // namespace lab::testing
