#pragma once
// Dialog templates: a dialog window's caption, styles, font and size, and its controls, each with
// its text, ID, window class, styles and place, in dialog units (a quarter of the font's average
// character width across, an eighth of its height down). They are kept as text among the named
// resources (resources/dialog/<NAME>.dlg, type "DIALOG"), one statement a line:
//
//   # a comment
//   DIALOG 0, 0, 186, 34                              the place and size of the client area
//   STYLE WS_POPUP | WS_CAPTION | DS_CENTER | DS_SETFONT
//   EXSTYLE WS_EX_TOOLWINDOW
//   CAPTION "SMTP sending..."
//   FONT 8, "SANS-SERIF"
//   CONTROL "Static", 100, "STATIC", SS_LEFT, 8, 6, 171, 10[, WS_EX_... ]
//
// DIALOG comes first; the others follow in any order, and every control is a visible child window.
// Texts are double-quoted with \" and \\ escapes; flags are the style names of window_styles.h,
// standard_controls.h and common_controls.h (LVS_), or numbers, joined by "|".

#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/win_types.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/geometry.h"

namespace lab {

// A template that does not read: "<name>, line <n>: <what is wrong>".
LAB_EXCEPTION(EDialogTemplateError, Exception);

struct TDialogItemTemplate {
  std::string Text;
  int ID = 0;
  std::string ClassName;
  win::DWORD Style = 0;
  win::DWORD ExStyle = 0;
  TRect Bounds;  // dialog units
};

struct TDialogTemplate {
  win::DWORD Style = 0;
  win::DWORD ExStyle = 0;
  TRect Bounds;  // of the client area, dialog units
  std::string Caption;
  std::string FontName;
  int FontSize = 0;  // points; 0: no FONT line
  std::vector<TDialogItemTemplate> Items;
};

// Raises EDialogTemplateError; Name goes into its message.
TDialogTemplate ParseDialogTemplate(std::string_view Text, std::string_view Name = "Dialog template");
// The template of the resource Name (read once, then kept); nullptr when there is none. A resource
// that does not read raises EDialogTemplateError naming it.
const TDialogTemplate* FindDialogTemplate(std::string_view Name);

}  // namespace lab
