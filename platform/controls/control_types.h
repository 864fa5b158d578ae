#pragma once
// The framework's enumerations, sets and event types shared by the controls.

#include <cstdint>
#include <functional>

#include "platform/classes/type_info.h"
#include "platform/controls/messages.h"
#include "platform/graphics/cursors.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/object.h"
#include "platform/rtl/set.h"

namespace lab {

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

// TBorderStyle of controls takes bsNone and bsSingle; forms use the rest too.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragKind { dkDrag, dkDock };
enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata,
                imChinese, imSHanguel, imHanguel };
enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom,
                   scEndScroll };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
// Vertical placement of text in its rectangle, and the three states of a check box.
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

enum TControlStyleItem {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
  csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
  csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents, csNeedsBorderPaint,
  csParentBackground
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
  csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = TSet<TControlStateItem>;

enum TScalingFlag { sfLeft, sfTop, sfWidth, sfHeight, sfFont, sfDesignSize };
using TScalingFlags = TSet<TScalingFlag>;

LAB_ENUM_NAMES(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom")
LAB_ENUM_NAMES(TAnchorKind, "akLeft", "akTop", "akRight", "akBottom")
LAB_ENUM_NAMES(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
               "bsSizeToolWin")
LAB_ENUM_NAMES(TBiDiMode, "bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
               "bdRightToLeftReadingOnly")
LAB_ENUM_NAMES(TDragMode, "dmManual", "dmAutomatic")
LAB_ENUM_NAMES(TDragKind, "dkDrag", "dkDock")
LAB_ENUM_NAMES(TImeMode, "imDisable", "imClose", "imOpen", "imDontCare", "imSAlpha", "imAlpha",
               "imHira", "imSKata", "imKata", "imChinese", "imSHanguel", "imHanguel")
LAB_ENUM_NAMES(TScrollBarKind, "sbHorizontal", "sbVertical")
LAB_ENUM_NAMES(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth")
LAB_ENUM_NAMES(TTextLayout, "tlTop", "tlCenter", "tlBottom")
LAB_ENUM_NAMES(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed")

// Results of modal forms and message dialogs.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
                              mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9,
                              mrYesToAll = 10;

using TKeyEvent = std::function<void(TObject* Sender, win::WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;
using TScrollEvent =
    std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

// The shift state of a key message's key data (Alt from the data; Shift and Ctrl as of the message).
TShiftState KeyDataToShiftState(win::LPARAM KeyData);
// The shift state of a mouse message's key flags (MK_ flags; Alt as of the message).
TShiftState KeysToShiftState(win::WORD Keys);
// The shift state of the keyboard as of the message being handled.
TShiftState KeyboardStateToShiftState();

// Menu shortcuts: a virtual key in the low byte, scShift/scCtrl/scAlt above it.
using TShortCut = win::WORD;
inline constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(win::WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, win::WORD& Key, TShiftState& Shift);
// "Ctrl+C", "Shift+Del", "F2": the text menus show; "" for none.
std::string ShortCutToText(TShortCut ShortCut);

}  // namespace lab
