#pragma once
// TDBGridXStyle: the one style object of the process. Every data grid enters itself at
// construction and leaves at destruction, so a style change can reach all grids at once. The
// style decides the colours of highlighted cells (by default as the grid itself would) and
// whether the current cell gets a focus frame; a descendant overrides what it wants to change.

#include <string>
#include <vector>

#include "platform/graphics/graphics_objects.h"
#include "platform/grids/grid_types.h"
#include "platform/rtl/persistent.h"

namespace lab {

class TCustomDBGridX;
struct TCellTypeX;

class TDBGridXStyle : public TPersistent {
  LAB_CLASS(TDBGridXStyle, TPersistent)
 public:
  TDBGridXStyle() = default;
  // Stops being the process-wide style when it was; its grids go back to the process-wide one.
  ~TDBGridXStyle() override;
  TDBGridXStyle(const TDBGridXStyle&) = delete;
  TDBGridXStyle& operator=(const TDBGridXStyle&) = delete;

  // A grid enters once however often it is added.
  void AddGrid(TCustomDBGridX* Grid);
  void RemoveGrid(TCustomDBGridX* Grid);
  int GridCount() const noexcept { return static_cast<int>(grids_.size()); }
  TCustomDBGridX* Grids(int Index) const { return grids_.at(static_cast<std::size_t>(Index)); }

  // The colours of a highlighted cell that is no data cell (see the grid's HighlightFixedCell).
  virtual bool HighlightFixedCell(TCustomDBGridX* Grid, int ACol, int ARow, const TCellTypeX& Cell,
                                  TGridDrawState State, bool Highlight, TColor& Background, TFont* AFont);
  // Whether a data cell is drawn highlighted (Selected: the grid's selection holds it), and how.
  virtual bool HighlightDataCell(TCustomDBGridX* Grid, int ACol, int ARow, int DataCol, int DataRow,
                                 const std::string& Value, TGridDrawState State, bool Selected, TColor& Background,
                                 TFont* AFont);
  // The current cell of a focused grid gets the dotted focus frame.
  bool DrawFocusRect() const noexcept { return draw_focus_rect_; }
  void SetDrawFocusRect(bool Value) noexcept { draw_focus_rect_ = Value; }
  // A condition chosen from the filter row's drop-down filters the dataset at once (else Enter does).
  bool FilterEditCloseUpApplyFilter() const noexcept { return filter_edit_close_up_apply_filter_; }
  void SetFilterEditCloseUpApplyFilter(bool Value) noexcept { filter_edit_close_up_apply_filter_ = Value; }

 private:
  std::vector<TCustomDBGridX*> grids_;
  bool draw_focus_rect_ = true;
  bool filter_edit_close_up_apply_filter_ = false;
};

// The process-wide style (made by the grid unit's start-up), or nullptr. Not owned by the caller.
TDBGridXStyle* DBGridXStyle() noexcept;
void SetDBGridXStyle(TDBGridXStyle* Value) noexcept;

}  // namespace lab
