#include "platform/controls/allocate_hwnd.h"

#include "platform/controls/window_manager.h"

namespace lab {

win::HWND AllocateHWnd(TWndMethod method) {
  win::WNDPROC proc = [method = std::move(method)](win::HWND, win::UINT msg, win::WPARAM wParam,
                                                  win::LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    method(m);
    return m.Result;
  };
  return wm::CreateWindowEx(win::WS_EX_TOOLWINDOW, "TPUtilWindow", "", win::WS_POPUP, 0, 0, 0, 0,
                            nullptr, 0, nullptr, &proc);
}

void DeallocateHWnd(win::HWND wnd) {
  if (wnd) wm::DestroyWindow(wnd);
}

}  // namespace lab
