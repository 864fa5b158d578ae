// The screen's metrics are the display's: the headless back-end's configured size or the X server's
// screen, following a change of its size.

#include <memory>

#include "platform/backend/headless.h"
#include "platform/controls/screen.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/system_metrics.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

using namespace lab::win;

// What the program reads of the screen's size, each way it can ask.
void ExpectScreen(int Width, int Height) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), Width);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), Height);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), Width);
  EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), Height);
  EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN), Width);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), Height - 2 * GetSystemMetrics(SM_CYCAPTION));
  EXPECT_EQ(GetDeviceCaps(nullptr, HORZRES), Width);
  EXPECT_EQ(GetDeviceCaps(nullptr, VERTRES), Height);
  EXPECT_EQ(Screen->Width(), Width);
  EXPECT_EQ(Screen->Height(), Height);
}

TEST(ScreenMetrics, AreTheHeadlessBackEndsConfiguredSizeAndFollowItsChanges) {
  auto owned = std::make_unique<THeadlessBackend>(SIZE{1280, 720});
  THeadlessBackend* backend = owned.get();
  SetBackend(std::move(owned));
  ExpectScreen(1280, 720);
  backend->SetScreenSize(SIZE{800, 600});
  ExpectScreen(800, 600);
  // A back-end not in use changes nothing.
  THeadlessBackend(SIZE{300, 200}).SetScreenSize(SIZE{320, 240});
  ExpectScreen(800, 600);
  SetBackend(CreateHeadlessBackend());
  ExpectScreen(1920, 1080);
}

TEST_F(X11Test, TheScreenMetricsAreTheServersScreenAndFollowItsNewSize) {
  ExpectScreen(640, 480);  // the test server's screen
  // The server tells of a new size on the root window.
  XEvent ev{};
  ev.xconfigure.type = ConfigureNotify;
  ev.xconfigure.display = d;
  ev.xconfigure.event = ev.xconfigure.window = DefaultRootWindow(d);
  ev.xconfigure.width = 1024;
  ev.xconfigure.height = 768;
  XSendEvent(d, DefaultRootWindow(d), False, StructureNotifyMask, &ev);
  XFlush(d);
  EXPECT_TRUE(WaitFor([] { return GetSystemMetrics(SM_CXSCREEN) == 1024; }));
  ExpectScreen(1024, 768);
}

}  // namespace
}  // namespace lab::testing
