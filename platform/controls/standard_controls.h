#pragma once
// The styles, messages and notifications of the standard controls (push buttons, check boxes, static
// texts and images, edits, tab controls, progress bars) and of dialogs, with their Win32 numbers, for
// code that builds windows from dialog templates and drives them by messages alone.

#include "platform/controls/messages.h"

namespace lab::win {

// ---- Buttons and check boxes ----------------------------------------------------------------------

inline constexpr DWORD BS_PUSHBUTTON = 0x0000;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
inline constexpr DWORD BS_CHECKBOX = 0x0002;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
inline constexpr DWORD BS_3STATE = 0x0005;
inline constexpr DWORD BS_AUTO3STATE = 0x0006;
inline constexpr DWORD BS_TYPEMASK = 0x000F;
inline constexpr DWORD BS_LEFTTEXT = 0x0020;  // the box right of the text
inline constexpr DWORD BS_LEFT = 0x0100;
inline constexpr DWORD BS_RIGHT = 0x0200;
inline constexpr DWORD BS_CENTER = 0x0300;
inline constexpr DWORD BS_MULTILINE = 0x2000;
inline constexpr DWORD BS_FLAT = 0x8000;

inline constexpr UINT BM_GETCHECK = 0x00F0;
inline constexpr UINT BM_SETCHECK = 0x00F1;
inline constexpr UINT BM_GETSTATE = 0x00F2;
inline constexpr UINT BM_SETSTYLE = 0x00F4;  // WParam the style (BS_DEFPUSHBUTTON or not), LParam repaint
inline constexpr UINT BM_CLICK = 0x00F5;

inline constexpr WPARAM BST_UNCHECKED = 0x0000;
inline constexpr WPARAM BST_CHECKED = 0x0001;
inline constexpr WPARAM BST_INDETERMINATE = 0x0002;
inline constexpr LRESULT BST_PUSHED = 0x0004;
inline constexpr LRESULT BST_FOCUS = 0x0008;

// WM_COMMAND notification: the button was clicked (mouse, Space, BM_CLICK, its mnemonic).
inline constexpr WORD BN_CLICKED = 0;

// ---- Static texts and images ----------------------------------------------------------------------

inline constexpr DWORD SS_LEFT = 0x0000;
inline constexpr DWORD SS_CENTER = 0x0001;
inline constexpr DWORD SS_RIGHT = 0x0002;
inline constexpr DWORD SS_LEFTNOWORDWRAP = 0x000C;
inline constexpr DWORD SS_BITMAP = 0x000E;
inline constexpr DWORD SS_ETCHEDHORZ = 0x0010;
inline constexpr DWORD SS_ETCHEDVERT = 0x0011;
inline constexpr DWORD SS_ETCHEDFRAME = 0x0012;
inline constexpr DWORD SS_TYPEMASK = 0x001F;
inline constexpr DWORD SS_NOPREFIX = 0x0080;
inline constexpr DWORD SS_CENTERIMAGE = 0x0200;

inline constexpr UINT STM_SETIMAGE = 0x0172;  // WParam IMAGE_BITMAP, LParam an HBITMAP; answers the old one
inline constexpr UINT STM_GETIMAGE = 0x0173;
inline constexpr WPARAM IMAGE_BITMAP = 0;

// ---- Edits ----------------------------------------------------------------------------------------

inline constexpr DWORD ES_LEFT = 0x0000;
inline constexpr DWORD ES_MULTILINE = 0x0004;
inline constexpr DWORD ES_AUTOVSCROLL = 0x0040;
inline constexpr DWORD ES_AUTOHSCROLL = 0x0080;
inline constexpr DWORD ES_NOHIDESEL = 0x0100;
inline constexpr DWORD ES_READONLY = 0x0800;
inline constexpr DWORD ES_WANTRETURN = 0x1000;

inline constexpr UINT EM_GETSEL = 0x00B0;        // answers MAKELONG(start, end)
inline constexpr UINT EM_SETSEL = 0x00B1;        // WParam start, LParam end (-1: the end)
inline constexpr UINT EM_GETLINECOUNT = 0x00BA;
inline constexpr UINT EM_REPLACESEL = 0x00C2;    // LParam the text
inline constexpr UINT EM_SETREADONLY = 0x00CF;

// ---- Tab controls ---------------------------------------------------------------------------------

inline constexpr UINT TCM_FIRST = 0x1300;
inline constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
inline constexpr UINT TCM_INSERTITEM = TCM_FIRST + 7;     // WParam the index, LParam a TCITEM*; answers where
inline constexpr UINT TCM_DELETEALLITEMS = TCM_FIRST + 9;
inline constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;   // LParam a RECT*
inline constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
inline constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;     // answers the previous one; tells nobody
inline constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;    // WParam FALSE: window to page area; TRUE: back

inline constexpr UINT TCIF_TEXT = 0x0001;
inline constexpr UINT TCIF_PARAM = 0x0008;

// A tab's fields; mask says which count.
struct TCITEM {
  UINT mask = 0;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  char* pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};

// WM_NOTIFY codes: the user is about to change the tab (answer TRUE to refuse), and changed it.
inline constexpr UINT TCN_SELCHANGE = static_cast<UINT>(-551);
inline constexpr UINT TCN_SELCHANGING = static_cast<UINT>(-552);

// ---- Progress bars --------------------------------------------------------------------------------

inline constexpr DWORD PBS_SMOOTH = 0x0001;

inline constexpr UINT PBM_SETRANGE = WM_USER + 1;    // LParam MAKELPARAM(min, max), 16 bits each
inline constexpr UINT PBM_SETPOS = WM_USER + 2;      // answers the previous position
inline constexpr UINT PBM_DELTAPOS = WM_USER + 3;
inline constexpr UINT PBM_SETSTEP = WM_USER + 4;
inline constexpr UINT PBM_STEPIT = WM_USER + 5;
inline constexpr UINT PBM_SETRANGE32 = WM_USER + 6;  // WParam min, LParam max
inline constexpr UINT PBM_GETRANGE = WM_USER + 7;    // WParam TRUE: answers the minimum, else the maximum
inline constexpr UINT PBM_GETPOS = WM_USER + 8;

// ---- Dialogs --------------------------------------------------------------------------------------

inline constexpr DWORD DS_SETFONT = 0x0040;
inline constexpr DWORD DS_MODALFRAME = 0x0080;
inline constexpr DWORD DS_CENTER = 0x0800;

inline constexpr UINT DM_GETDEFID = WM_USER + 0;  // answers MAKELONG(id, DC_HASDEFID), or 0
inline constexpr UINT DM_SETDEFID = WM_USER + 1;
inline constexpr WORD DC_HASDEFID = 0x534B;

}  // namespace lab::win
