#include "grid/column_interceptors.h"

#include <algorithm>
#include <vector>

#include "grid/columns.h"
#include "grid/dbgrid.h"
#include "grid/grid_services.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"

namespace lab {

void TColumnXPropertyInterceptor::DeclareProperties(TPropertyDeclarer<TColumnXPropertyInterceptor>& P) {
  P.Property("Width", nullptr, &TColumnXPropertyInterceptor::SetWidth);
}

TColumnX* TColumnXPropertyInterceptor::Column() const { return static_cast<TColumnX*>(Target()); }

void TColumnXPropertyInterceptor::SetWidth(int Value) {
  TColumnX* column = Column();
  TCustomDBGridX* grid = column->GetGrid();
  if (grid && grid->AutoFitColWidths()) {
    column->SetInitWidth(Value);
    // The fitted widths are worked out from the widths before fitting: the grid lays out again.
    column->Changed(false);
  } else {
    column->SetWidth(Value);
  }
}

void TColumnsXPropertyInterceptor::DeclareProperties(TPropertyDeclarer<TColumnsXPropertyInterceptor>& P) {
  P.Property("ColumnsIndex", &TColumnsXPropertyInterceptor::ColumnsIndex,
             &TColumnsXPropertyInterceptor::SetColumnsIndex);
}

TDBGridColumnsX* TColumnsXPropertyInterceptor::Columns() const { return static_cast<TDBGridColumnsX*>(Target()); }

std::string TColumnsXPropertyInterceptor::ColumnsIndex() const {
  std::string text;
  TDBGridColumnsX* columns = Columns();
  for (int i = 0; i < columns->Count(); ++i) {
    if (i) text += ',';
    // A quote inside a name is doubled, as the comma text that reads it back expects.
    text += AnsiQuotedStr(columns->GetColumn(i)->FieldName(), '"');
  }
  return text;
}

void TColumnsXPropertyInterceptor::SetColumnsIndex(const std::string& Value) {
  columns_index_ = Value;
  TStringList names;
  names.SetCommaText(Value);
  TDBGridColumnsX* columns = Columns();
  columns->BeginUpdate();
  TScopeExit end_update([columns] { columns->EndUpdate(); });
  std::vector<TColumnX*> placed;
  int place = 0;
  for (int n = 0; n < names.Count(); ++n) {
    TColumnX* found = nullptr;
    for (int i = 0; i < columns->Count() && !found; ++i) {
      TColumnX* c = columns->GetColumn(i);
      if (AnsiCompareStrX(c->FieldName(), names.Strings(n)) == 0 && std::find(placed.begin(), placed.end(), c) == placed.end())
        found = c;
    }
    if (!found) continue;
    found->SetIndex(std::min(place++, columns->Count() - 1));
    placed.push_back(found);
  }
}

void RegisterColumnInterceptors() {
  RegisterPropertyInterceptor<TColumnX, TColumnXPropertyInterceptor>();
  RegisterPropertyInterceptor<TDBGridColumnsX, TColumnsXPropertyInterceptor>();
}

}  // namespace lab
