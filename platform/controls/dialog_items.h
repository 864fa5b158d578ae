#pragma once
// The controls a dialog template names by window class, made as the framework's controls:
//   BUTTON             TButton (BS_PUSHBUTTON, BS_DEFPUSHBUTTON; BS_FLAT) or TCheckBox (BS_CHECKBOX,
//                      BS_AUTOCHECKBOX, BS_3STATE, BS_AUTO3STATE; BS_MULTILINE, BS_LEFTTEXT or
//                      WS_EX_RIGHT put the box right of the text)
//   STATIC             TStaticText (SS_LEFT, SS_CENTER, SS_RIGHT, SS_LEFTNOWORDWRAP, the etched
//                      SS_ types; SS_NOPREFIX) or TStaticImage (SS_BITMAP; SS_CENTERIMAGE)
//   EDIT               TMemo with ES_MULTILINE (ES_WANTRETURN; words wrap unless WS_HSCROLL or
//                      ES_AUTOHSCROLL), else TEdit; ES_READONLY
//   RICHEDIT           TRichView
//   SysTabControl32    TTabControl
//   msctls_progress32  TProgressBar (PBS_SMOOTH)
//   SysListView32      TListView (LVS_OWNERDRAWFIXED)
// WS_TABSTOP, WS_DISABLED, WS_VSCROLL and WS_HSCROLL become the properties of the same meaning;
// WS_BORDER or WS_EX_CLIENTEDGE a single border, WS_EX_STATICEDGE a thin one.

#include "platform/controls/dialog_template.h"

namespace lab {

class TWinControl;

// Makes the control of Item on Parent (owned by it) at Bounds (pixels), with its window, its window
// ID and its text. EDialogTemplateError for a window class that is none of the above.
TWinControl* CreateDialogItem(TWinControl* Parent, const TDialogItemTemplate& Item, const TRect& Bounds);

}  // namespace lab
