#pragma once
// The dialog manager: windows made from dialog templates (dialog_template.h) and run by a dialog
// procedure, with Win32's names and meanings. A dialog's window and controls are the framework's
// (dialog_items.h); the procedure sees each message first (WM_INITDIALOG once the controls exist)
// and answers TRUE for what it handled, FALSE to leave it to the default: WM_CLOSE becomes
// WM_COMMAND IDCANCEL, the background is the brush WM_CTLCOLORDLG answers (the button face else),
// DM_GETDEFID names the default push button. A result other than TRUE goes back through
// SetDlgMsgResult, except for WM_CTLCOLOR* and WM_INITDIALOG, whose answer is the result itself.
//
// IsDialogMessage gives a dialog its keys: Tab and Shift+Tab move the focus among the controls with
// WS_TABSTOP (those of child dialogs too), Enter clicks the focused push button or else the default
// one (WM_COMMAND IDOK when there is none), Escape sends WM_COMMAND IDCANCEL, and a control's '&'
// mnemonic (with Alt, or alone where the focused control takes no characters) clicks a button or
// check box or moves to the control after a static text. A control that asks for a key in
// WM_GETDLGCODE (LParam the message) gets it instead.
//
// Dialogs live on the thread that makes them; one thread may run several.

#include <functional>
#include <string>
#include <string_view>

#include "platform/controls/standard_controls.h"
#include "platform/rtl/geometry.h"

namespace lab::win {

using INT_PTR = std::intptr_t;
using DLGPROC = std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>;

// Makes the dialog of the template named, runs it modally on this thread (Owner, when given, takes
// no input meanwhile) until EndDialog, destroys it and answers EndDialog's result. -1 when there is
// no such template or the dialog cannot be made; 0 when WM_QUIT ends it (the quit is posted again).
INT_PTR DialogBoxParam(std::string_view TemplateName, HWND Owner, DLGPROC Proc, LPARAM InitParam);
// Makes a dialog that runs with its owner's message loop: a child one (WS_CHILD) inside Parent,
// which must be a window of the framework's, or a top-level one. nullptr when it cannot be made.
// DestroyWindow ends it.
HWND CreateDialogParam(std::string_view TemplateName, HWND Parent, DLGPROC Proc, LPARAM InitParam);
// Ends a modal dialog once its procedure returns; false for a window that is no dialog.
BOOL EndDialog(HWND Dialog, INT_PTR Result);
// The result of the message being handled, for the messages whose procedure answers TRUE.
void SetDlgMsgResult(HWND Dialog, LRESULT Result);
BOOL IsDialogMessage(HWND Dialog, MSG& Msg);

HWND GetDlgItem(HWND Dialog, int ID);
int GetDlgCtrlID(HWND Control);
LRESULT SendDlgItemMessage(HWND Dialog, int ID, UINT Msg, WPARAM WParam, LPARAM LParam);
BOOL SetDlgItemText(HWND Dialog, int ID, std::string_view Text);
std::string GetDlgItemText(HWND Dialog, int ID);
BOOL CheckDlgButton(HWND Dialog, int ID, UINT Check);
UINT IsDlgButtonChecked(HWND Dialog, int ID);
// Dialog units to pixels in the dialog's font.
BOOL MapDialogRect(HWND Dialog, RECT* Rect);

// Runs once each modal dialog shows, before its loop starts (tests drive dialogs from it); an
// empty one runs nothing. Answers the previous one.
using TDialogShownHook = std::function<void(HWND Dialog)>;
TDialogShownHook SetDialogShownHook(TDialogShownHook Hook);

}  // namespace lab::win
