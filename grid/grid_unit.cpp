#include "grid/grid_unit.h"

#include "grid/cell_writing.h"
#include "grid/column_interceptors.h"
#include "grid/columns.h"
#include "grid/data_service.h"
#include "grid/dbgrid.h"
#include "grid/grid_style.h"
#include "grid/mem_table.h"
#include "platform/db/mem_dataset.h"
#include "grid/mem_dataset_features.h"
#include "platform/classes/class_registry.h"
#include "platform/controls/input.h"
#include "platform/db/mem_dataset.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/cursors.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/graphics/graphics_unit.h"
#include "platform/platform_units.h"

namespace lab {
namespace {

TDBGridXResources* resources = nullptr;
TDBGridXStyle* style = nullptr;
TDBGridXDataService* data_service = nullptr;

TCursorImage* LoadGridCursor(const char* Name) {
  try {
    return LoadCursorResource(Name);
  } catch (const EResNotFound&) {
    throw EOutOfResources("Cannot load cursor resource");
  }
}

std::unique_ptr<TBitmap> LoadBitmap(const char* Name) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->LoadFromResourceName(nullptr, Name);
  return bmp;
}

void StartGrid() {
  UseUnit(GraphicsUnit);
  // Forms that hold a grid are read by class name.
  RegisterClasses<TDBGridX>();
  // In-memory datasets read any record in place: the grid shows each of them as a row, or a tree.
  RegisterMemTableX(TMemDataSet::StaticClass(), CreateMemDataSetTableX);
  RegisterColumnInterceptors();
  RegisterDatasetFeaturesX(TMemDataSet::StaticClass(), std::make_unique<TMemDataSetFeaturesX>());
  if (resources) return;  // kept by grids that outlived the last shut-down (EndGrid)
  auto r = std::make_unique<TDBGridXResources>();
  auto s = std::make_unique<TDBGridXStyle>();
  auto service = std::make_unique<TDBGridXDataService>();

  std::unique_ptr<TBitmap> marker_down = LoadBitmap("DBSMDOWNX");
  r->SortIndexFont = std::make_unique<TFont>();
  r->SortIndexFont->SetName("sans-serif");
  r->SortIndexFont->SetHeight(-(marker_down->Height() - 1));

  std::unique_ptr<TCursorImage> down(LoadGridCursor("DOWNCURX"));
  std::unique_ptr<TCursorImage> right(LoadGridCursor("RIGHTCURX"));
  std::unique_ptr<TCursorImage> left(LoadGridCursor("LEFTCURX"));

  r->IncSearchStartKey = ShortCut('F', {ssCtrl});
  r->IncSearchNextKey = ShortCut(win::VK_RETURN, {ssCtrl});
  r->IncSearchPriorKey = ShortCut(win::VK_RETURN, {ssCtrl, ssShift});
  r->CopyFromAboveKey = ShortCut(0xDE, {ssCtrl});
  r->FindDialogKey = ShortCut('F', {ssCtrl});
  r->IncSearchTimeOut = 1500;
  r->IncSearchColor = clYellow;
  r->IncSearchFontColor = clBlack;

  std::unique_ptr<TBitmap> arrow = LoadBitmap("DBGARROWX");
  r->IndicatorImages = std::make_unique<TImageList>(nullptr, arrow->Width(), arrow->Height());
  r->IndicatorImages->AddMasked(arrow.get(), clWhite);
  for (const char* name : {"DBEDITX", "DBINSERTX", "DBMULTIDOTX", "DBMULTIARROWX"})
    r->IndicatorImages->AddMasked(LoadBitmap(name).get(), clWhite);
  std::unique_ptr<TBitmap> arrow_on_teal = LoadBitmap("DBGARROWXW");
  r->IndicatorImages->AddMasked(arrow_on_teal.get(), clTeal);
  // The arrow on the incremental-search colour (a teal search colour would vanish in the mask).
  TBitmap search(arrow->Width(), arrow->Height());
  search.Canvas()->Brush()->SetColor(r->IncSearchColor == clTeal ? static_cast<TColor>(RGB(0, 127, 127))
                                                                  : r->IncSearchColor);
  search.Canvas()->FillRect(TRect{0, 0, arrow->Width(), arrow->Height()});
  arrow_on_teal->SetTransparentMode(tmFixed);
  arrow_on_teal->SetTransparentColor(clTeal);
  arrow_on_teal->SetTransparent(true);
  search.Canvas()->Draw(0, 0, arrow_on_teal.get());
  r->IndicatorImages->Add(&search, nullptr);

  r->SortMarkerImages = std::make_unique<TImageList>(nullptr, marker_down->Width(), marker_down->Height());
  r->SortMarkerImages->AddMasked(marker_down.get(), clFuchsia);
  r->SortMarkerImages->AddMasked(LoadBitmap("DBSMUPX").get(), clFuchsia);

  r->CellParams = std::make_unique<TColCellParamsX>();
  r->DownCursor = down.release();
  r->RightCursor = right.release();
  r->LeftCursor = left.release();
  style = s.release();
  SetDBGridXStyle(style);
  data_service = service.release();
  resources = r.release();
}

// Runs at exit, when a program's windows may still stand (the application's forms are never freed)
// or be freed later by an exit handler: while any grid is left, the parts grids share stay, and
// nothing here may lay out or paint a grid.
void EndGrid() {
  if (DrawBitmapUsers() > 0) return;  // every grid holds the drawing bitmap
  if (resources) {
    delete resources->DownCursor;
    delete resources->RightCursor;
    delete resources->LeftCursor;
    delete resources;
    resources = nullptr;
  }
  delete style;
  style = nullptr;
  delete data_service;
  data_service = nullptr;
}

}  // namespace

constinit const TUnit DBGridXUnit{"DBGridX", &StartGrid, &EndGrid};

namespace {

// The framework's units are registered first, whichever library's registration runs first.
bool RegisterGridUnits() {
  RegisterPlatformUnits();
  RegisterUnit(DBGridXUnit);
  return true;
}

}  // namespace

TDBGridXResources& DBGridXResources() {
  UseUnit(DBGridXUnit);
  return *resources;
}

TDBGridXDataService* DBGridXDataService() {
  UseUnit(DBGridXUnit);
  return data_service;
}

}  // namespace lab

// Linking the grid library brings this file in (lab_register_units in CMakeLists.txt), so forms name
// TDBGridX without the program starting the grid first.
extern "C" const bool lab_grid_units = lab::RegisterGridUnits();
