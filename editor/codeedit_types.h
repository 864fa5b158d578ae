#pragma once
// The editor control's own types: its option and status sets, caret shapes, the state flags it keeps
// between messages, and the types of its events.

#include <cstdint>
#include <functional>
#include <string>

#include "editor/edit_types.h"
#include "editor/key_commands.h"
#include "platform/classes/type_info.h"
#include "platform/controls/control_types.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/cursors.h"
#include "platform/rtl/set.h"

namespace lab {

class TCanvas;
class TCodeEditMark;
class TStrings;

LAB_ENUM_NAMES(TCodeSelectionMode, "smNormal", "smLine", "smColumn")

enum TCodeEditCaretType : std::uint8_t { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
LAB_ENUM_NAMES(TCodeEditCaretType, "ctVerticalLine", "ctHorizontalLine", "ctHalfBlock", "ctBlock")

enum TScrollHintFormat : std::uint8_t { shfTopLineOnly, shfTopToBottom };
LAB_ENUM_NAMES(TScrollHintFormat, "shfTopLineOnly", "shfTopToBottom")

enum TCodeReplaceAction : std::uint8_t { raCancel, raSkip, raReplace, raReplaceAll };

enum TTransientType : std::uint8_t { ttBefore, ttAfter };

enum TCodeStatusChange : std::uint8_t {
  scAll,
  scCaretX,
  scCaretY,
  scLeftChar,
  scTopLine,
  scInsertMode,
  scModified,
  scSelection,
  scReadOnly
};
using TCodeStatusChanges = TSet<TCodeStatusChange>;

// Bit = ordinal; the set's value is the option set as forms store it.
enum TCodeEditorOption : std::uint8_t {
  eoAltSetsColumnMode,
  eoAutoIndent,
  eoAutoSizeMaxScrollWidth,
  eoDisableScrollArrows,
  eoDragDropEditing,
  eoDropFiles,
  eoEnhanceHomeKey,
  eoEnhanceEndKey,
  eoGroupUndo,
  eoHalfPageScroll,
  eoHideShowScrollbars,
  eoKeepCaretX,
  eoNoCaret,
  eoNoSelection,
  eoRightMouseMovesCursor,
  eoScrollByOneLess,
  eoScrollHintFollows,
  eoScrollPastEof,
  eoScrollPastEol,
  eoShowScrollHint,
  eoShowSpecialChars,
  eoSmartTabDelete,
  eoSmartTabs,
  eoSpecialLineDefaultFg,
  eoTabIndent,
  eoTabsToSpaces,
  eoTrimTrailingSpaces
};
LAB_ENUM_NAMES(TCodeEditorOption, "eoAltSetsColumnMode", "eoAutoIndent", "eoAutoSizeMaxScrollWidth",
               "eoDisableScrollArrows", "eoDragDropEditing", "eoDropFiles", "eoEnhanceHomeKey", "eoEnhanceEndKey",
               "eoGroupUndo", "eoHalfPageScroll", "eoHideShowScrollbars", "eoKeepCaretX", "eoNoCaret",
               "eoNoSelection", "eoRightMouseMovesCursor", "eoScrollByOneLess", "eoScrollHintFollows",
               "eoScrollPastEof", "eoScrollPastEol", "eoShowScrollHint", "eoShowSpecialChars", "eoSmartTabDelete",
               "eoSmartTabs", "eoSpecialLineDefaultFg", "eoTabIndent", "eoTabsToSpaces", "eoTrimTrailingSpaces")
using TCodeEditorOptions = TSet<TCodeEditorOption>;

// 0x026C0192.
inline constexpr TCodeEditorOptions kCodeEditDefaultOptions{
    eoAutoIndent,    eoDragDropEditing, eoEnhanceEndKey,  eoGroupUndo,   eoScrollPastEol,
    eoShowScrollHint, eoSmartTabDelete, eoSmartTabs,      eoTabsToSpaces};

// The options whose change updates the scroll bars (0x60408).
inline constexpr TCodeEditorOptions kCodeEditScrollOptions{eoDisableScrollArrows, eoHideShowScrollbars,
                                                           eoScrollPastEof, eoScrollPastEol};

// What the editor keeps between messages (bit = ordinal).
enum TCodeStateFlag : std::uint8_t {
  sfCaretChanged,       // a caret update is pending
  sfScrollbarChanged,   // a scroll-bar update is pending
  sfLinesChanging,      // the line list is inside an update
  sfIgnoreNextChar,     // the key just turned into a command also sends a character
  sfCaretVisible,       // the caret is shown
  sfDblClicked,         // the press was a double click
  sfPossibleGutterClick,
  sfWaitForDragging,    // a press inside the selection may start dragging it
  sfGutterDragging
};
using TCodeStateFlags = TSet<TCodeStateFlag>;

// ---- Events ----

using TCodeMarkEvent = std::function<void(TObject* Sender, TCodeEditMark*& Mark)>;
using TProcessCommandEvent =
    std::function<void(TObject* Sender, TCodeEditorCommand& Command, char32_t& AChar, void* Data)>;
using TContextHelpEvent = std::function<void(TObject* Sender, const std::string& Word)>;
using TDropFilesEvent = std::function<void(TObject* Sender, int X, int Y, TStrings* AFiles)>;
using TGutterClickEvent =
    std::function<void(TObject* Sender, TMouseButton Button, int X, int Y, int Line, TCodeEditMark* Mark)>;
using TGutterGetTextEvent = std::function<void(TObject* Sender, int ALine, std::string& AText)>;
using TGutterPaintEvent = std::function<void(TObject* Sender, int ALine, int X, int Y)>;
using TCodeMouseCursorEvent =
    std::function<void(TObject* Sender, const TBufferCoord& ALineCharPos, TCursor& ACursor)>;
using TCodePaintEvent = std::function<void(TObject* Sender, TCanvas* ACanvas)>;
using TPaintTransientEvent = std::function<void(TObject* Sender, TCanvas* Canvas, TTransientType TransientType)>;
using TReplaceTextEvent =
    std::function<void(TObject* Sender, const std::string& ASearch, const std::string& AReplace, int Line,
                       int Column, TCodeReplaceAction& Action)>;
using TCodeScrollEvent = std::function<void(TObject* Sender, TScrollBarKind ScrollBar)>;
using TSpecialLineColorsEvent =
    std::function<void(TObject* Sender, int Line, bool& Special, TColor& FG, TColor& BG)>;
using TStatusChangeEvent = std::function<void(TObject* Sender, TCodeStatusChanges Changes)>;

// A command handler hooked into the command processor: called before (AfterProcessing false) and
// after each command with a Handled flag shared by the handlers of one pass; HandlerData is the
// pointer it was registered with.
using THookedCommandEvent =
    std::function<void(TObject* Sender, bool AfterProcessing, bool& Handled, TCodeEditorCommand& Command,
                       char32_t& AChar, void* Data, void* HandlerData)>;

}  // namespace lab
