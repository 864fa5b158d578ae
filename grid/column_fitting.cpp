// Column widths fitted to the client width (AutoFitColWidths) and to the columns' contents.

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/grid_services.h"
#include "grid/grid_unit.h"
#include "grid/measure_canvas.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// The columns that take part share the client width by their stored widths; a column its limits
// hold back keeps its width and the others share the rest in the next pass. The last free column
// takes the rounding remainder.
void TCustomDBGridX::FitColWidthsToClient() {
  std::vector<TColumnX*> visible;
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->GetColumn(i)->Visible()) visible.push_back(columns_->GetColumn(i));
  std::vector<bool> fitted(visible.size(), false);
  auto takes_part = [&](std::size_t i) { return visible[i]->AutoFitColWidth() && !fitted[i]; };
  int available = 0, result = 0;
  for (std::size_t pass = 0; pass < visible.size(); ++pass) {
    UpdateScrollBar();
    int fixed = 0, stored = 0;
    for (std::size_t i = 0; i < visible.size(); ++i) {
      if (takes_part(i)) stored += visible[i]->InitWidth();
      else fixed += visible[i]->Width();
    }
    const int client = ClientWidth();
    available = std::max(0, (client > min_auto_fit_width_ ? client : min_auto_fit_width_) - fixed);
    const bool indicator = options_.Contains(dgIndicator), lines = options_.Contains(dgColLines);
    if (indicator) available -= ColWidths(0);
    if (lines) available -= static_cast<int>(visible.size());
    if (indicator && lines) available -= 1;
    if (stored <= 0) break;
    bool changed = false;
    result = 0;
    for (std::size_t i = 0; i < visible.size(); ++i) {
      if (!takes_part(i)) continue;
      const int w = MulDiv(visible[i]->InitWidth(), available, stored);
      visible[i]->SetWidth(w);
      if (visible[i]->Width() != w) {
        fitted[i] = true;
        changed = true;
      }
      result += visible[i]->Width();
    }
    if (!changed) break;
  }
  if (result == available) return;
  for (std::size_t i = visible.size(); i-- > 0;) {
    if (!takes_part(i)) continue;
    visible[i]->SetWidth(std::max(0, visible[i]->Width() + available - result));
    break;
  }
}

namespace {

// Pixels around measured texts: the cell's text insets on both sides.
constexpr int kTextMargin = 4;

}  // namespace

void TCustomDBGridX::OptimizeColumnWidths(const TColumnsXList& List) {
  if (List.Count() == 0) return;
  TMeasureCanvas canvas(this);
  std::vector<int> widths(static_cast<std::size_t>(List.Count()), 0);
  TDBGridXResources& res = DBGridXResources();
  // Titles: the caption (its last level with multi-level titles), the sort marker and its number.
  for (int k = 0; k < List.Count(); ++k) {
    TColumnX* c = List[k];
    TColumnTitleX* title = c->Title();
    canvas->SetFont(title->Font());
    std::string caption = title->Caption();
    if (use_multi_title_) {
      const std::size_t bar = caption.rfind('|');
      if (bar != std::string::npos) caption.erase(0, bar + 1);
    }
    int w;
    if (title->Orientation() == toxVertical) {
      w = canvas->TextHeight("Wg");
    } else if (title_height_ != 0 || title_lines_ != 0) {
      // Captions that wrap over several lines: the widest word decides.
      w = 0;
      std::size_t start = 0;
      while (start <= caption.size()) {
        std::size_t end = caption.find(' ', start);
        if (end == std::string::npos) end = caption.size();
        w = std::max(w, canvas->TextWidth(std::string_view(caption).substr(start, end - start)));
        start = end + 1;
      }
    } else {
      w = canvas->TextWidth(caption);
    }
    w += kTextMargin;
    if (title->SortMarker() != smNoneX) {
      w += 16;
      if (sort_marked_columns_.Count() > 1) {
        canvas->SetFont(res.SortIndexFont.get());
        w += canvas->TextWidth(std::to_string(title->SortIndex()));
      }
    }
    widths[static_cast<std::size_t>(k)] = w;
  }
  // Data: every record, as the cells show it.
  TDataSet* ds = data_link_->DataSet();
  if (data_link_->Active() && ds && !ds->IsEmpty()) {
    ds->DisableControls();
    TScopeExit enable([ds] { ds->EnableControls(); });
    SaveBookmark();
    TScopeExit back([this] { RestoreBookmark(); });
    TColCellParamsX params;
    for (ds->First(); !ds->Eof(); ds->Next()) {
      for (int k = 0; k < List.Count(); ++k) {
        TColumnX* c = List[k];
        c->FillColCellParams(&params);
        TColor background = params.Background;
        GetCellParams(c, params.Font.get(), background, {});
        c->GetColCellParams(false, &params);
        int w = 0;
        switch (c->GetColumnType()) {
          case ctCheckboxes: w = CheckBoxWidth() + kTextMargin; break;
          case ctKeyImageList: w = (c->ImageList() ? c->ImageList()->Width() : 0) + kTextMargin; break;
          default:
            canvas->SetFont(params.Font.get());
            w = canvas->TextWidth(params.Text) + kTextMargin;
            if (c->ImageList() && c->ShowImageAndText()) w += c->ImageList()->Width() + 5;
            break;
        }
        if (c->AlwaysShowEditButton()) w += c->EditButtonsWidth();
        if (c->Index() == 0) w += GetTreeIndentWidth();
        widths[static_cast<std::size_t>(k)] = std::max(widths[static_cast<std::size_t>(k)], w);
      }
    }
  }
  // Footers.
  for (int row = 0; row < footer_row_count_; ++row)
    for (int k = 0; k < List.Count(); ++k) {
      canvas->SetFont(List[k]->GetFooterAt(row)->Font());
      const int w = canvas->TextWidth(GetFooterValue(row, List[k])) + kTextMargin;
      widths[static_cast<std::size_t>(k)] = std::max(widths[static_cast<std::size_t>(k)], w);
    }
  columns_->BeginUpdate();
  TScopeExit end([this] { columns_->EndUpdate(); });
  for (int k = 0; k < List.Count(); ++k) List[k]->SetWidth(widths[static_cast<std::size_t>(k)]);
}

}  // namespace lab
