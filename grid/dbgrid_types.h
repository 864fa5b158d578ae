#pragma once
// The data grid's option sets, enumerations and event types. Set members are numbered by their
// stored bit: a set's value is the number forms and option streams carry.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/classes/alignment.h"
#include "platform/classes/type_info.h"
#include "platform/controls/control_types.h"
#include "platform/db/field_types.h"
#include "platform/graphics/colors.h"
#include "platform/grids/grid_types.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/set.h"
#include "platform/rtl/variant.h"

namespace lab {

class TColumnX;
class TColCellParamsX;
class TField;
class TFont;
class TStrings;

// The framework's data-grid options.
enum TDBGridOption {
  dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
  dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect
};
using TDBGridOptions = TSet<TDBGridOption>;
LAB_ENUM_NAMES(TDBGridOption, "dgEditing", "dgAlwaysShowEditor", "dgTitles", "dgIndicator", "dgColumnResize",
               "dgColLines", "dgRowLines", "dgTabs", "dgRowSelect", "dgAlwaysShowSelection", "dgConfirmDelete",
               "dgCancelOnExit", "dgMultiSelect")

// The grid's own options. The first four choose which cells are drawn raised.
enum TDBGridXOption {
  dgxFixed3D, dgxFrozen3D, dgxFooter3D, dgxData3D, dgxResizeWholeRightPart, dgxHighlightFocus,
  dgxClearSelection, dgxFitRowHeightToText, dgxAutoSortMarking, dgxMultiSortMarking, dgxEnterAsTab,
  dgxTraceColSizing, dgxIncSearch, dgxPreferIncSearch, dgxRowHighlight, dgxDblClickOptimizeColWidth,
  dgxDialogFind, dgxRecordMoving
};
using TDBGridXOptions = TSet<TDBGridXOption>;
LAB_ENUM_NAMES(TDBGridXOption, "dgxFixed3D", "dgxFrozen3D", "dgxFooter3D", "dgxData3D",
               "dgxResizeWholeRightPart", "dgxHighlightFocus", "dgxClearSelection", "dgxFitRowHeightToText",
               "dgxAutoSortMarking", "dgxMultiSortMarking", "dgxEnterAsTab", "dgxTraceColSizing",
               "dgxIncSearch", "dgxPreferIncSearch", "dgxRowHighlight", "dgxDblClickOptimizeColWidth",
               "dgxDialogFind", "dgxRecordMoving")

enum TDBGridXAllowedOperation { alopInsertX, alopUpdateX, alopDeleteX, alopAppendX };
using TDBGridXAllowedOperations = TSet<TDBGridXAllowedOperation>;
LAB_ENUM_NAMES(TDBGridXAllowedOperation, "alopInsertX", "alopUpdateX", "alopDeleteX", "alopAppendX")

// Also the kinds of selection a grid holds (TDBGridXSelectionType).
enum TDBGridXAllowedSelection { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };
using TDBGridXAllowedSelections = TSet<TDBGridXAllowedSelection>;
using TDBGridXSelectionType = TDBGridXAllowedSelection;
LAB_ENUM_NAMES(TDBGridXAllowedSelection, "gstNon", "gstRecordBookmarks", "gstRectangle", "gstColumns", "gstAll")

enum TDBGridXEditAction { geaCutX, geaCopyX, geaPasteX, geaDeleteX, geaSelectAllX };
using TDBGridXEditActions = TSet<TDBGridXEditAction>;
LAB_ENUM_NAMES(TDBGridXEditAction, "geaCutX", "geaCopyX", "geaPasteX", "geaDeleteX", "geaSelectAllX")

enum TSortMarkerX { smNoneX, smDownX, smUpX };
LAB_ENUM_NAMES(TSortMarkerX, "smNoneX", "smDownX", "smUpX")
enum TTextOrientationX { toxHorizontal, toxVertical };
LAB_ENUM_NAMES(TTextOrientationX, "toxHorizontal", "toxVertical")
enum TColumnButtonStyleX { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
LAB_ENUM_NAMES(TColumnButtonStyleX, "cbsAuto", "cbsEllipsis", "cbsNone", "cbsUpDown", "cbsDropDown")
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
LAB_ENUM_NAMES(TFooterValueType, "fvtNon", "fvtSum", "fvtAvg", "fvtCount", "fvtFieldValue", "fvtStaticText")
enum TScrollBarVisibleModeX { sbAlwaysShowX, sbNeverShowX, sbAutoShowX };
LAB_ENUM_NAMES(TScrollBarVisibleModeX, "sbAlwaysShowX", "sbNeverShowX", "sbAutoShowX")
enum TDBLookupGridXOption { dlgColumnResizeX, dlgColLinesX, dlgRowLinesX, dlgAutoSortMarkingX, dlgMultiSortMarkingX };
using TDBLookupGridXOptions = TSet<TDBLookupGridXOption>;
LAB_ENUM_NAMES(TDBLookupGridXOption, "dlgColumnResizeX", "dlgColLinesX", "dlgRowLinesX", "dlgAutoSortMarkingX",
               "dlgMultiSortMarkingX")

// Kinds of column (TColumnX::GetColumnType), tested in the order checkbox, lookup, pick list,
// images, key list.
enum TColumnKindX { ctCommon = 0, ctPickList = 1, ctLookupField = 2, ctKeyPickList = 3, ctKeyImageList = 4, ctCheckboxes = 5 };

// ---- Events of the grid ----
using TDBGridXClickEvent = std::function<void(TColumnX* Column)>;
using TTitleXClickEvent = std::function<void(TObject* Sender, int ACol, TColumnX* Column)>;
using TCheckTitleXBtnEvent = std::function<void(TObject* Sender, int ACol, TColumnX* Column, bool& Enabled)>;
using TDrawColumnXCellEvent =
    std::function<void(TObject* Sender, const TRect& Rect, int DataCol, TColumnX* Column, TGridDrawState State)>;
using TDrawDataCellEvent = std::function<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;
using TGetCellXParamsEvent =
    std::function<void(TObject* Sender, TColumnX* Column, TFont* AFont, TColor& Background, TGridDrawState State)>;
using TDrawFooterCellEvent = std::function<void(TObject* Sender, int DataCol, int Row, TColumnX* Column,
                                                const TRect& Rect, TGridDrawState State)>;
using TGetFooterParamsEvent = std::function<void(TObject* Sender, int DataCol, int Row, TColumnX* Column, TFont* AFont,
                                                 TColor& Background, TAlignment& Alignment, TGridDrawState State,
                                                 std::string& Text)>;
using TGetBtnXParamsEvent = std::function<void(TObject* Sender, TColumnX* Column, TFont* AFont, TColor& Background,
                                               TSortMarkerX& SortMarker, bool IsDown)>;
using TGridMoveRecordsEventX =
    std::function<bool(TObject* Sender, TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly)>;

// ---- Events of a column ----
using TGetColCellParamsEventX = std::function<void(TObject* Sender, bool EditMode, TColCellParamsX* Params)>;
using TColCellUpdateDataEventX =
    std::function<void(TObject* Sender, std::string& Text, Variant& Value, bool& UseText, bool& Handled)>;
using TOnColumnCheckDrawRequiredStateEventX =
    std::function<void(TObject* Sender, const std::string& Text, bool& DrawState)>;
using TButtonClickEventX = std::function<void(TObject* Sender, bool& Handled)>;
using TButtonDownEventX =
    std::function<void(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;
using TNotInListEventX = std::function<void(TObject* Sender, const Variant& NewText, bool& RecheckInList)>;

}  // namespace lab
