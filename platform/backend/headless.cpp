#include "platform/backend/headless.h"

#include "platform/controls/window_manager.h"
#include "platform/rtl/utf8.h"

namespace lab {

using namespace lab::win;

std::unique_ptr<TBackend> CreateHeadlessBackend() { return std::make_unique<THeadlessBackend>(); }

namespace headless {

namespace {

bool Held(UINT vk) { return (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000) != 0; }

struct OemKey {
  UINT vk;
  char plain, shifted;
};
constexpr OemKey kOem[] = {
    {VK_OEM_1, ';', ':'},   {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
    {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
    {VK_OEM_3, '`', '~'},   {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},
    {VK_OEM_6, ']', '}'},   {VK_OEM_7, '\'', '"'},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

// The key and shift state that type an ASCII character on a US layout (vk 0: none does).
std::pair<UINT, bool> KeyForChar(char32_t c) {
  if (c >= 'a' && c <= 'z') return {UINT(c - 'a' + 'A'), false};
  if (c >= 'A' && c <= 'Z') return {UINT(c), true};
  if (c >= '0' && c <= '9') return {UINT(c), false};
  for (int i = 0; i < 10; ++i)
    if (c == static_cast<unsigned char>(kShiftedDigits[i])) return {UINT('0' + i), true};
  for (const OemKey& k : kOem) {
    if (c == static_cast<unsigned char>(k.plain)) return {k.vk, false};
    if (c == static_cast<unsigned char>(k.shifted)) return {k.vk, true};
  }
  switch (c) {
    case ' ': return {VK_SPACE, false};
    case '\r': case '\n': return {VK_RETURN, false};
    case '\t': return {VK_TAB, false};
    case '\b': return {VK_BACK, false};
    case 0x1B: return {VK_ESCAPE, false};
    default: return {0, false};
  }
}

}  // namespace

char32_t CharForKey(UINT vk) {
  const bool shift = Held(VK_SHIFT), ctrl = Held(VK_CONTROL), alt = Held(VK_MENU);
  const bool caps = (GetAsyncKeyState(VK_CAPITAL) & 1) != 0;
  if (ctrl && alt) return 0;  // a US layout has nothing on AltGr
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return vk - 'A' + 1;
    return (shift != caps) ? vk : vk - 'A' + 'a';
  }
  if (vk >= '0' && vk <= '9') {
    if (ctrl) return 0;
    return shift ? static_cast<unsigned char>(kShiftedDigits[vk - '0']) : vk;
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return '0' + (vk - VK_NUMPAD0);
  for (const OemKey& k : kOem)
    if (k.vk == vk) return ctrl ? 0 : static_cast<unsigned char>(shift ? k.shifted : k.plain);
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return ctrl ? '\n' : '\r';
    case VK_TAB: return ctrl ? 0 : '\t';
    case VK_BACK: return ctrl ? 0x7F : 0x08;
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    default: return 0;
  }
}

void PressKey(UINT vk) {
  input::KeyDown(vk, CharForKey(vk));
  input::KeyUp(vk);
}

void PressKey(UINT vk, bool shift, bool ctrl, bool alt) {
  if (shift) input::KeyDown(VK_SHIFT);
  if (ctrl) input::KeyDown(VK_CONTROL);
  if (alt) input::KeyDown(VK_MENU);
  PressKey(vk);
  if (alt) input::KeyUp(VK_MENU);
  if (ctrl) input::KeyUp(VK_CONTROL);
  if (shift) input::KeyUp(VK_SHIFT);
}

void TypeText(std::string_view utf8) {
  for (char32_t c : Utf8Decode(utf8)) {
    auto [vk, shift] = KeyForChar(c);
    if (vk == 0) {
      input::KeyDown(VK_PROCESSKEY, c);
      input::KeyUp(VK_PROCESSKEY);
      continue;
    }
    const bool press = shift && !Held(VK_SHIFT);
    if (press) input::KeyDown(VK_SHIFT);
    input::KeyDown(vk, c);
    input::KeyUp(vk);
    if (press) input::KeyUp(VK_SHIFT);
  }
}

namespace {
POINT OnScreen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  wm::ClientToScreen(hwnd, p);
  return p;
}
}  // namespace

void MoveMouse(HWND hwnd, int x, int y) { input::MouseMove(OnScreen(hwnd, x, y)); }

void MouseDown(HWND hwnd, int x, int y, UINT button) {
  const POINT p = OnScreen(hwnd, x, y);
  input::MouseMove(p);
  input::MouseButton(button, true, p);
}

void MouseUp(HWND hwnd, int x, int y, UINT button) {
  const POINT p = OnScreen(hwnd, x, y);
  input::MouseMove(p);
  input::MouseButton(button, false, p);
}

void Click(HWND hwnd, int x, int y, UINT button) {
  MouseDown(hwnd, x, y, button);
  MouseUp(hwnd, x, y, button);
}

void Wheel(HWND hwnd, int x, int y, int delta) { input::MouseWheel(delta, OnScreen(hwnd, x, y)); }

}  // namespace headless

}  // namespace lab
