#pragma once
// TDBGridXStyle: the one style object of the process. Every data grid enters itself at
// construction and leaves at destruction, so a style change can reach all grids at once.

#include <vector>

#include "platform/rtl/persistent.h"

namespace lab {

class TCustomDBGridX;

class TDBGridXStyle : public TPersistent {
  LAB_CLASS(TDBGridXStyle, TPersistent)
 public:
  TDBGridXStyle() = default;
  // Stops being the process-wide style when it was.
  ~TDBGridXStyle() override;
  TDBGridXStyle(const TDBGridXStyle&) = delete;
  TDBGridXStyle& operator=(const TDBGridXStyle&) = delete;

  // A grid enters once however often it is added.
  void AddGrid(TCustomDBGridX* Grid);
  void RemoveGrid(TCustomDBGridX* Grid);
  int GridCount() const noexcept { return static_cast<int>(grids_.size()); }
  TCustomDBGridX* Grids(int Index) const { return grids_.at(static_cast<std::size_t>(Index)); }

 private:
  std::vector<TCustomDBGridX*> grids_;
};

// The process-wide style (made by the grid unit's start-up), or nullptr. Not owned by the caller.
TDBGridXStyle* DBGridXStyle() noexcept;
void SetDBGridXStyle(TDBGridXStyle* Value) noexcept;

}  // namespace lab
