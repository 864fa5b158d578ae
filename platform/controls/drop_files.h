#pragma once
// Files dropped on a window by another program. A window registered with DragAcceptFiles (its
// WS_EX_ACCEPTFILES style) gets WM_DROPFILES, its WParam a drop handle that names the files and the
// point of the drop; the handler reads them and frees the handle with DragFinish (DefWindowProc
// frees one nobody handled). The display learns which top-level windows take drops through the
// back-end (TBackend::AcceptFiles) and hands drops in through input::FilesDropped.

#include <string>
#include <vector>

#include "platform/controls/win_types.h"

namespace lab::win {

struct TDropFiles;
using HDROP = TDropFiles*;

void DragAcceptFiles(HWND hwnd, bool accept);
// The number of files dropped.
UINT DragQueryFileCount(HDROP drop);
// The path of file Index, whole (empty for an index out of range).
std::string DragQueryFile(HDROP drop, UINT index);
// The point of the drop in the window's client coordinates; true when it lies in the client area.
bool DragQueryPoint(HDROP drop, POINT& point);
void DragFinish(HDROP drop);

// The handle a drop message carries (made by the window manager).
HDROP NewDropHandle(std::vector<std::string> paths, POINT client, bool inClient);

}  // namespace lab::win
