#pragma once
// The grid unit's start-up: the process-wide style, the cursors and small images every grid
// draws with, the sort-index font and the keys of incremental search and find; TDBGridX becomes
// known by name for form text. It starts when the first grid is made (or with UseUnit, before
// reading a form when no grid has been made yet) and ends at exit.

#include <memory>

#include "platform/classes/unit_init.h"
#include "platform/controls/control_types.h"
#include "platform/graphics/graphics_objects.h"
#include "platform/graphics/image_list.h"

namespace lab {

class TColCellParamsX;
class TCursorImage;

extern const TUnit DBGridXUnit;

struct TDBGridXResources {
  // Column selection in a title, record selection in the indicator (and its right-to-left twin).
  TCursorImage* DownCursor = nullptr;
  TCursorImage* RightCursor = nullptr;
  TCursorImage* LeftCursor = nullptr;
  // Indicator images: 0 current record, 1 editing, 2 inserting, 3 selected, 4 current and selected,
  // 5 current record on the search colour's teal, 6 the same drawn on the incremental-search colour.
  std::unique_ptr<TImageList> IndicatorImages;
  // Sort markers: 0 down, 1 up.
  std::unique_ptr<TImageList> SortMarkerImages;
  // The font of the numbers beside sort markers, as high as a marker.
  std::unique_ptr<TFont> SortIndexFont;
  std::unique_ptr<TColCellParamsX> CellParams;

  TShortCut IncSearchStartKey = 0;
  TShortCut IncSearchNextKey = 0;
  TShortCut IncSearchPriorKey = 0;
  TShortCut CopyFromAboveKey = 0;
  TShortCut FindDialogKey = 0;
  int IncSearchTimeOut = 1500;
  TColor IncSearchColor = clYellow;
  TColor IncSearchFontColor = clBlack;
  // Set by a program, no grid paints through an off-screen bitmap from then on.
  bool DoubleBufferingOff = false;
};

// The resources of the started unit (starting it when needed).
TDBGridXResources& DBGridXResources();

}  // namespace lab
