// TCustomGrid: the keyboard and the window messages it handles itself.
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/mouse.h"
#include "platform/controls/scroll_info.h"
#include "platform/controls/screen.h"
#include "platform/grids/grids.h"
#include "platform/grids/inplace_edit.h"

namespace lab {

bool TCustomGrid::CanGridAcceptKey(win::WORD Key, TShiftState) {
  // While the mouse sizes, moves or selects, only Escape (to give the mode up) is taken.
  return grid_state_ == gsNormal || Key == win::VK_ESCAPE;
}

void TCustomGrid::KeyDown(win::WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (!CanGridAcceptKey(Key, Shift)) Key = 0;
  TGridKey nav;
  switch (Key) {
    case win::VK_UP: nav = TGridKey::Up; break;
    case win::VK_DOWN: nav = TGridKey::Down; break;
    case win::VK_LEFT: nav = TGridKey::Left; break;
    case win::VK_RIGHT: nav = TGridKey::Right; break;
    case win::VK_PRIOR: nav = TGridKey::PageUp; break;
    case win::VK_NEXT: nav = TGridKey::PageDown; break;
    case win::VK_HOME: nav = TGridKey::Home; break;
    case win::VK_END: nav = TGridKey::End; break;
    case win::VK_TAB:
      if (Shift.Contains(ssAlt)) return;
      nav = TGridKey::Tab;
      break;
    case win::VK_F2:
      SetEditorMode(true);
      return;
    default: return;
  }
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const TGridMove m = layout_.KeyMove(di, nav, Shift.Contains(ssCtrl), Shift.Contains(ssShift));
  if (m.TopLeft != layout_.TopLeft) MoveTopLeft(m.TopLeft.X, m.TopLeft.Y);
  if (m.Current != layout_.Current) FocusCell(m.Current.X, m.Current.Y, m.MoveAnchor);
}

void TCustomGrid::KeyPress(char32_t& Key) {
  TCustomControl::KeyPress(Key);
  // Enter opens and closes the editor, unless it always shows.
  if (!Options().Contains(goAlwaysShowEditor) && Key == U'\r') {
    if (editor_mode_)
      HideEditor();
    else
      ShowEditor();
    Key = 0;
  }
}

void TCustomGrid::WMChar(TMessage& Message) {
  if (DoKeyPress(Message)) return;
  // A character KeyPress left goes to the editor, which opens for it.
  const char32_t ch = static_cast<char32_t>(Message.WParam);
  if (Options().Contains(goEditing) && (ch == U'\b' || ch >= U' ')) {
    ShowEditorChar(ch);
    Message.Result = 0;
    return;
  }
  DefaultHandler(Message);
}

void TCustomGrid::HandleSize(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGrid::Dispatch(TMessage& Message) {
  using namespace win;
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      if (Options().Contains(goRowSelect)) return;
      if (Options().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
      if (Options().Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
      return;
    case WM_CHAR:
      WMChar(Message);
      return;
    case CM_DESIGNHITTEST:
      // A designer lets the grid have presses on its sizing edges.
      Message.Result = Sizing(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)) ? 1 : 0;
      return;
    case WM_SIZE:
      HandleSize(Message);
      return;
    case WM_HSCROLL:
      HandleScroll(Message, SB_HORZ);
      return;
    case WM_VSCROLL:
      HandleScroll(Message, SB_VERT);
      return;
    case WM_TIMER:
      if (Message.WParam == 1) {
        HandleTimer();
        return;
      }
      break;
    case WM_SETFOCUS:
      TCustomControl::Dispatch(Message);
      // The focus coming back from our own editor changes nothing.
      if (!inplace_edit_ || !inplace_edit_->HandleAllocated() ||
          reinterpret_cast<HWND>(Message.WParam) != inplace_edit_->Handle()) {
        InvalidateRect(Selection());
        UpdateEdit();
      }
      return;
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      InvalidateRect(Selection());
      if (inplace_edit_ && inplace_edit_->HandleAllocated() &&
          reinterpret_cast<HWND>(Message.WParam) != inplace_edit_->Handle())
        inplace_edit_->Hide();
      return;
    case WM_SETCURSOR:
      if (LOWORD(static_cast<std::uintptr_t>(Message.LParam)) == HTCLIENT) {
        TGridState state = grid_state_;
        if (state == gsNormal) {
          TGridDrawInfo di;
          CalcDrawInfo(di);
          const TPoint p = ScreenToClient(Mouse->CursorPos());
          int index = -1, pos = 0, ofs = 0;
          CalcSizingState(p.X, p.Y, state, index, pos, ofs, di);
        }
        if (state == gsRowSizing || state == gsColSizing) {
          Screen->ShowCursor(state == gsRowSizing ? crVSplit : crHSplit);
          Message.Result = 1;
          return;
        }
      }
      break;
    case WM_CANCELMODE:
    case CM_CANCELMODE: {
      if (inplace_edit_) inplace_edit_->Perform(Message.Msg, Message.WParam, Message.LParam);
      TCustomControl::Dispatch(Message);
      // Whatever the mouse was doing stops, its drawing taken back.
      struct Reset {
        TGridState& state;
        ~Reset() { state = gsNormal; }
      } reset{grid_state_};
      switch (grid_state_) {
        case gsSelecting: StopTimer(); break;
        case gsRowSizing:
        case gsColSizing: {
          TGridDrawInfo di;
          CalcDrawInfo(di);
          DrawSizingLine(di);
          break;
        }
        case gsColMoving:
        case gsRowMoving:
          if (move_drawn_) DrawMove();
          move_drawn_ = false;
          StopTimer();
          break;
        default: break;
      }
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
