#include "grid/grid_services.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/db/db_errors.h"
#include "platform/grids/grid_types.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"
#include "platform/win/gdi.h"
#include "platform/win/system_metrics.h"

namespace lab {

int AnsiCompareTextX(std::string_view S1, std::string_view S2) { return AnsiCompareText(S1, S2); }

int AnsiCompareStrX(std::string_view S1, std::string_view S2) { return AnsiCompareStr(S1, S2); }

bool BeginsWithTextX(std::string_view Text, std::string_view Start) {
  const std::string_view head = Text.substr(0, Utf8Offset(Text, Utf8Length(Start)));
  return AnsiCompareText(head, Start) == 0;
}

// The system draws its check boxes at the menu check-mark size; the glyph strip holds them 4 × 3.
int CheckBoxWidth() { return win::GetSystemMetrics(win::SM_CXMENUCHECK); }

int CheckBoxHeight() { return win::GetSystemMetrics(win::SM_CYMENUCHECK); }

int ComputeDefaultButtonWidth() {
  struct DcDeleter {
    void operator()(TDeviceContext* dc) const { win::DeleteDC(dc); }
  };
  std::unique_ptr<TDeviceContext, DcDeleter> dc(win::CreateCompatibleDC(nullptr));
  win::SelectObject(dc.get(), win::GetStockObject(win::SYSTEM_FONT));
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc.get(), &tm);
  int width = tm.tmHeight * 2 / 3;
  if (width % 2 == 0) ++width;
  return std::min(width, win::GetSystemMetrics(win::SM_CXVSCROLL));
}

int ScaleButtonWidth(int Width, bool Flat) {
  return Flat ? static_cast<int>(Round(Width * 3.0 / 2.0)) : Width;
}

int DataSetCompareBookmarks(TDataSet* DataSet, const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
  return DataSet ? DataSet->CompareBookmarks(Bookmark1, Bookmark2) : 0;
}

void DataSetSetFieldValues(TDataSet* DataSet, std::string_view FieldNames, const Variant& Value) {
  // Without a dataset there is nothing to write into: say so rather than dereference nothing.
  if (!DataSet) DatabaseError(std::string(dbmsg::SDataSetClosed));
  DataSet->SetFieldValues(FieldNames, Value);
}

bool VariantsEqual(const Variant& V1, const Variant& V2) {
  const bool blank1 = VarIsNull(V1) || VarIsEmpty(V1);
  const bool blank2 = VarIsNull(V2) || VarIsEmpty(V2);
  if (blank1 || blank2) return blank1 && blank2;
  if (VarIsArray(V1) || VarIsArray(V2)) {
    if (!VarIsArray(V1) || !VarIsArray(V2)) return false;
    const int low = VarArrayLowBound(V1), high = VarArrayHighBound(V1);
    if (low != VarArrayLowBound(V2) || high != VarArrayHighBound(V2)) return false;
    for (int i = low; i <= high; ++i)
      if (!VariantsEqual(V1[i], V2[i])) return false;
    return true;
  }
  return VarCompareValue(V1, V2) == vrEqual;
}

bool SysLocaleMiddleEast() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    const std::string_view locale(value);
    for (std::string_view lang : {"ar", "he", "iw", "fa", "ur", "yi"})
      if (locale.starts_with(lang) && (locale.size() == 2 || locale[2] == '_' || locale[2] == '.')) return true;
    return false;
  }
  return false;
}

void GridError(std::string_view Message) { InvalidGridOperation(Message); }

}  // namespace lab
