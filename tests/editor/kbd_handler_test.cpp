#include "editor/kbd_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

struct Listener {
  std::vector<std::string>* log;
  std::string name;
  bool swallow = false;
  void KeyDown(TObject*, win::WORD& Key, TShiftState) {
    log->push_back(name + ":" + std::to_string(Key));
    if (swallow) Key = 0;
  }
  void KeyPress(TObject*, char32_t& Key) {
    log->push_back(name + " press");
    if (swallow) Key = 0;
  }
  void MouseDown(TObject*, TMouseButton, TShiftState, int X, int) { log->push_back(name + " @" + std::to_string(X)); }
};

TEST(CodeEditKbdHandler, LastRegisteredFirstAndZeroStops) {
  std::vector<std::string> log;
  Listener a{&log, "a"}, b{&log, "b"}, c{&log, "c"};
  TCodeEditKbdHandler handler;
  handler.AddKeyDownHandler({&a, &Listener::KeyDown});
  handler.AddKeyDownHandler({&b, &Listener::KeyDown});
  handler.AddKeyDownHandler({&c, &Listener::KeyDown});
  win::WORD key = 65;
  handler.ExecuteKeyDown(nullptr, key, {});
  EXPECT_EQ(log, (std::vector<std::string>{"c:65", "b:65", "a:65"}));
  log.clear();
  b.swallow = true;
  handler.ExecuteKeyDown(nullptr, key, {});
  EXPECT_EQ(log, (std::vector<std::string>{"c:65", "b:65"}));
  EXPECT_EQ(key, 0);
  log.clear();
  handler.RemoveKeyDownHandler({&b, &Listener::KeyDown});
  key = 66;
  handler.ExecuteKeyDown(nullptr, key, {});
  EXPECT_EQ(log, (std::vector<std::string>{"c:66", "a:66"}));

  log.clear();
  handler.AddKeyPressHandler({&a, &Listener::KeyPress});
  handler.AddKeyPressHandler({&b, &Listener::KeyPress});
  char32_t ch = U'x';
  handler.ExecuteKeyPress(nullptr, ch);
  EXPECT_EQ(log, (std::vector<std::string>{"b press"}));
  EXPECT_EQ(ch, 0u);
}

TEST(CodeEditKbdHandler, MouseChainsCallEveryone) {
  std::vector<std::string> log;
  Listener a{&log, "a"}, b{&log, "b"};
  TCodeEditKbdHandler handler;
  handler.AddMouseDownHandler({&a, &Listener::MouseDown});
  handler.AddMouseDownHandler({&b, &Listener::MouseDown});
  handler.ExecuteMouseDown(nullptr, mbLeft, {}, 7, 8);
  EXPECT_EQ(log, (std::vector<std::string>{"b @7", "a @7"}));
  TCursor cursor = crDefault;
  handler.AddMouseCursorHandler(TMouseCursorMethod(
      [](TObject*, const TBufferCoord& at, TCursor& c) { c = at.Line > 1 ? crIBeam : crArrow; }, &log));
  handler.ExecuteMouseCursor(nullptr, TBufferCoord{1, 2}, cursor);
  EXPECT_EQ(cursor, crIBeam);
}

TEST(CodeEditKbdHandler, AChainIsNotEnteredAgain) {
  TCodeEditKbdHandler handler;
  int calls = 0;
  handler.AddKeyUpHandler(TKeyMethod(
      [&](TObject*, win::WORD& Key, TShiftState Shift) {
        ++calls;
        handler.ExecuteKeyUp(nullptr, Key, Shift);  // ignored while running
      },
      &calls));
  win::WORD key = 13;
  handler.ExecuteKeyUp(nullptr, key, {});
  EXPECT_EQ(calls, 1);
  // A handler that raises leaves the chain usable.
  TCodeEditKbdHandler failing;
  failing.AddKeyUpHandler(TKeyMethod([](TObject*, win::WORD&, TShiftState) { throw Exception("no"); }, &calls));
  EXPECT_THROW(failing.ExecuteKeyUp(nullptr, key, {}), Exception);
  EXPECT_THROW(failing.ExecuteKeyUp(nullptr, key, {}), Exception);
}

}  // namespace
}  // namespace lab
