#pragma once
// Message boxes and message dialogs: a modal form with the text and a row of buttons, answering the
// modal result of the button chosen (Enter takes the default button, Escape the cancel button).
// Tests (and programs without a screen) put an answerer in place: every box then asks it instead
// of showing.

#include <functional>
#include <string>
#include <vector>

#include "platform/controls/control_types.h"

namespace lab::win {

inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_OKCANCEL = 0x0001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
inline constexpr UINT MB_YESNOCANCEL = 0x0003;
inline constexpr UINT MB_YESNO = 0x0004;
inline constexpr UINT MB_RETRYCANCEL = 0x0005;
inline constexpr UINT MB_TYPEMASK = 0x000F;  // the buttons, one of the six above
inline constexpr UINT MB_ICONHAND = 0x0010;
inline constexpr UINT MB_ICONSTOP = 0x0010;
inline constexpr UINT MB_ICONERROR = 0x0010;
inline constexpr UINT MB_ICONQUESTION = 0x0020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x0030;
inline constexpr UINT MB_ICONWARNING = 0x0030;
inline constexpr UINT MB_ICONASTERISK = 0x0040;
inline constexpr UINT MB_ICONINFORMATION = 0x0040;
inline constexpr UINT MB_DEFBUTTON1 = 0x0000;
inline constexpr UINT MB_DEFBUTTON2 = 0x0100;
inline constexpr UINT MB_DEFBUTTON3 = 0x0200;
inline constexpr UINT MB_DEFMASK = 0x0F00;  // the default button's index times MB_DEFBUTTON2
inline constexpr UINT MB_APPLMODAL = 0x0000;
inline constexpr UINT MB_SYSTEMMODAL = 0x1000;
inline constexpr UINT MB_TASKMODAL = 0x2000;
inline constexpr UINT MB_SETFOREGROUND = 0x10000;
inline constexpr UINT MB_TOPMOST = 0x40000;
inline constexpr UINT MB_SERVICE_NOTIFICATION = 0x200000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

}  // namespace lab::win

namespace lab {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                  mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// What a box asks: its text, caption, kind and the modal results of its buttons, in order.
struct TDialogRequest {
  std::string Text;
  std::string Caption;
  TMsgDlgType Type = mtCustom;
  std::vector<TModalResult> Buttons;
  TModalResult DefaultButton = mrNone;
  TModalResult CancelButton = mrNone;
};
using TDialogAnswerer = std::function<TModalResult(const TDialogRequest& Request)>;
// Puts an answerer in place (an empty one shows boxes again); answers the previous one.
TDialogAnswerer SetDialogAnswerer(TDialogAnswerer Answerer);

// The box with the buttons the MB_ flags name; answers IDOK ... IDNO. Without a caption it shows
// the application's title.
int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags);
// A dialog with a caption of its kind ("Warning", "Error", "Information", "Confirm"; the application
// title for mtCustom); answers the modal result of the chosen button.
TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                        int HelpCtx = 0);
void ShowMessage(const std::string& Msg);

}  // namespace lab
