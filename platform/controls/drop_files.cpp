#include "platform/controls/drop_files.h"

#include "platform/controls/backend.h"
#include "platform/controls/window_manager.h"

namespace lab::win {

using namespace lab::wm;

struct TDropFiles {
  std::vector<std::string> paths;
  POINT point;
  bool inClient;
};

namespace {

bool AcceptsFiles(HWND hwnd) { return (GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

}  // namespace

void DragAcceptFiles(HWND hwnd, bool accept) {
  if (!IsWindow(hwnd)) return;
  const LONG_PTR style = GetWindowLongPtr(hwnd, GWL_EXSTYLE);
  SetWindowLongPtr(hwnd, GWL_EXSTYLE, accept ? style | WS_EX_ACCEPTFILES : style & ~LONG_PTR{WS_EX_ACCEPTFILES});
  // The display offers drops to the top-level window while any window in it takes them.
  const HWND top = GetTopLevel(hwnd);
  bool any = AcceptsFiles(top);
  if (!any)
    EnumChildWindows(top, [&](HWND child) {
      any = AcceptsFiles(child);
      return !any;
    });
  Backend().AcceptFiles(top, any);
}

UINT DragQueryFileCount(HDROP drop) { return drop ? static_cast<UINT>(drop->paths.size()) : 0; }

std::string DragQueryFile(HDROP drop, UINT index) {
  if (!drop || index >= drop->paths.size()) return {};
  return drop->paths[index];
}

bool DragQueryPoint(HDROP drop, POINT& point) {
  if (!drop) return false;
  point = drop->point;
  return drop->inClient;
}

void DragFinish(HDROP drop) { delete drop; }

HDROP NewDropHandle(std::vector<std::string> paths, POINT client, bool inClient) {
  return new TDropFiles{std::move(paths), client, inClient};
}

}  // namespace lab::win
