// TWinControl: keyboard handling, focus and tab order, alignment of children.

#include <algorithm>

#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/menus.h"
#include "platform/controls/win_control.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

using namespace lab::win;

// ---------------------------------------------------------------------------------------------
// Keys

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(char32_t& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  TCustomForm* form = ParentForm();
  if (form && form != this && form->KeyPreview() && form->DoKeyDown(Message)) return true;
  if (control_style_.Contains(csNoStdEvents)) return false;
  WORD key = static_cast<WORD>(Message.WParam);
  KeyDown(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = ParentForm();
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(Message)) return true;
  if (control_style_.Contains(csNoStdEvents)) return false;
  char32_t key = static_cast<char32_t>(Message.WParam);
  KeyPress(key);
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  TCustomForm* form = ParentForm();
  if (form && form != this && form->KeyPreview() && form->DoKeyUp(Message)) return true;
  if (control_style_.Contains(csNoStdEvents)) return false;
  WORD key = static_cast<WORD>(Message.WParam);
  KeyUp(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

namespace {

// A shortcut of a pop-up menu of the control or its parents, or of the form.
bool IsMenuKey(TWinControl* control, const TMessage& m) {
  for (TControl* c = control; c; c = c->Parent())
    if (TPopupMenu* menu = c->PopupMenu(); menu && menu->IsShortCut(m)) return true;
  TCustomForm* form = control->ParentForm();
  return form && form->IsShortCut(m);
}

}  // namespace

// CN_ key messages: what the application asks before the key reaches the control. The form may
// take Tab, arrows, Enter and Escape as dialog keys unless the control wants them.
void TWinControl::HandleKeyReflection(TMessage& m) {
  TCustomForm* form = ParentForm();
  switch (m.Msg) {
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
      m.Result = 1;
      if (IsMenuKey(this, m)) return;
      if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
      LRESULT mask = 0;
      switch (m.WParam) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        default: break;
      }
      if (mask && Perform(CM_WANTSPECIALKEY, m.WParam, 0) == 0 &&
          (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0 && form &&
          form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0)
        return;
      m.Result = 0;
      return;
    }
    case CN_CHAR:
      m.Result = 1;
      if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0 && form &&
          form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0)
        return;
      m.Result = 0;
      return;
    case CN_SYSCHAR:
      m.Result = 0;
      if (m.WParam != VK_SPACE && form) m.Result = form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam);
      return;
    default:
      return;
  }
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// ---------------------------------------------------------------------------------------------
// Focus

void TWinControl::SetFocus() {
  if (TCustomForm* form = ParentForm()) {
    form->FocusControl(this);
    return;
  }
  if (parent_ || handle_) {
    wm::SetFocus(Handle());
    return;
  }
  throw EInvalidOperation("Control '%s' has no parent window", Name());
}

bool TWinControl::Focused() { return handle_ && wm::GetFocus() == handle_; }

bool TWinControl::CanFocus() {
  TCustomForm* form = ParentForm();
  TControl* top = this;
  for (TControl* c = this; c && c != form; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
    top = c;
  }
  if (form) return form->Visible() && form->Enabled();
  // Outside forms (a dialog's window is no form) the top-most control's window must show.
  auto* window = static_cast<TWinControl*>(top);
  return window->HandleAllocated() && wm::IsWindowVisible(window->Handle()) && wm::IsWindowEnabled(window->Handle());
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : tab_list_) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  int start = -1;
  if (auto it = std::find(list.begin(), list.end(), CurControl); it != list.end())
    start = static_cast<int>(it - list.begin());
  if (start < 0) start = GoForward ? count - 1 : 0;
  int i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c->CanFocus() && (!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this))
      return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
    c->SetFocus();
}

void TWinControl::SelectFirst() {
  TWinControl* c = FindNextControl(nullptr, true, true, false);
  if (!c) c = FindNextControl(nullptr, true, false, false);
  if (!c) return;
  if (TCustomForm* form = ParentForm())
    form->SetActiveControl(c);
  else
    c->SetFocus();
}

// ---------------------------------------------------------------------------------------------
// Alignment

void TWinControl::DisableAlign() { ++align_level_; }

void TWinControl::EnableAlign() {
  if (--align_level_ == 0 && control_state_.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (align_level_ > 0 || ComponentState().Contains(csLoading) ||
      ComponentState().Contains(csDestroying)) {
    control_state_.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  TScopeExit enable_align([&] {
    control_state_.Exclude(csAlignmentNeeded);
    EnableAlign();
  });
  TRect r = ClientRect();
  AlignControls(AControl, r);
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  // Anchored controls keep their distance to the edges they are anchored to.
  const TSize size{Rect.Width(), Rect.Height()};
  for (TControl* c : std::vector<TControl*>(controls_)) c->ApplyAnchorRules(size);

  for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
      if (c->Align() == kind && c->Visible()) list.push_back(c);
    auto key = [kind](TControl* c) {
      switch (kind) {
        case alTop: return c->Top();
        case alBottom: return -(c->Top() + c->Height());
        case alLeft: return c->Left();
        case alRight: return -(c->Left() + c->Width());
        default: return 0;
      }
    };
    // The control being placed goes before others at the same position.
    std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
      if (key(a) != key(b)) return key(a) < key(b);
      return a == AControl && b != AControl;
    });
    for (TControl* c : list) {
      switch (kind) {
        case alTop:
          c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), c->Height());
          Rect.Top += c->Height();
          break;
        case alBottom:
          c->SetBounds(Rect.Left, Rect.Bottom - c->Height(), Rect.Width(), c->Height());
          Rect.Bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(Rect.Left, Rect.Top, c->Width(), Rect.Height());
          Rect.Left += c->Width();
          break;
        case alRight:
          c->SetBounds(Rect.Right - c->Width(), Rect.Top, c->Width(), Rect.Height());
          Rect.Right -= c->Width();
          break;
        case alClient:
          c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
          break;
        default:
          break;
      }
    }
  }
}

}  // namespace lab
