// The grid's selection on the clipboard: reading the selected cells, their four renderings, and
// pasting and deleting.

#include "grid/grid_clipboard.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "grid/dbgrid.h"
#include "platform/controls/clipboard.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/currency.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

win::UINT CF_GRIDDBIF() {
  static const win::UINT format = win::RegisterClipboardFormat("GRIDDBIF");
  return format;
}
win::UINT CF_CSV() {
  static const win::UINT format = win::RegisterClipboardFormat("Csv");
  return format;
}
win::UINT CF_RTF() {
  static const win::UINT format = win::RegisterClipboardFormat("Rich Text Format");
  return format;
}

namespace {

constexpr char kDbifMagic[] = "GRIDDBIF";
constexpr std::uint8_t kDbifVersion = 1;
enum : std::uint8_t { dvNull, dvBoolean, dvInteger, dvFloat, dvCurrency, dvDateTime, dvText };

TDataSet* GridDataSet(TCustomDBGridX* Grid) {
  TGridDataLinkX* link = Grid->DataLink();
  return link->Active() ? link->DataSet() : nullptr;
}

// The columns a selection covers, in display order.
TColumnsXList SelectedColumns(TCustomDBGridX* Grid) {
  TColumnsXList out;
  TDBGridXSelection* sel = Grid->Selection();
  switch (sel->SelectionType()) {
    case gstRectangle: {
      TDBGridXSelectionRect* rect = sel->Rect();
      const int left = rect->LeftCol(), right = rect->RightCol();
      for (TColumnX* c : Grid->VisibleColumns())
        if (c->Index() >= left && c->Index() <= right) out.Add(c);
      break;
    }
    case gstColumns:
      for (TColumnX* c : *sel->Columns())
        if (c->Visible()) out.Add(c);
      break;
    case gstRecordBookmarks:
    case gstAll:
      for (TColumnX* c : Grid->VisibleColumns()) out.Add(c);
      break;
    case gstNon: break;
  }
  return out;
}

// Calls Action with each selected record current, the grid's place kept and the screen still.
void ForEachSelectedRecord(TCustomDBGridX* Grid, const std::function<void()>& Action) {
  TDataSet* ds = GridDataSet(Grid);
  TDBGridXSelection* sel = Grid->Selection();
  if (!ds || sel->SelectionType() == gstNon) return;
  ds->DisableControls();
  TScopeExit enable([ds] { ds->EnableControls(); });
  Grid->SaveBookmark();
  TScopeExit restore([Grid] { Grid->RestoreBookmark(); });
  switch (sel->SelectionType()) {
    case gstRecordBookmarks: {
      TBookmarkListX* rows = Grid->SelectedRows();
      for (int i = 0; i < rows->Count(); ++i) {
        if (!ds->BookmarkValid(rows->Items(i))) continue;
        ds->GotoBookmark(rows->Items(i));
        Action();
      }
      break;
    }
    case gstRectangle: {
      TDBGridXSelectionRect* rect = sel->Rect();
      const TBookmark top = rect->TopRow(), bottom = rect->BottomRow();
      if (!ds->BookmarkValid(top) || !ds->BookmarkValid(bottom)) return;
      ds->GotoBookmark(top);
      while (!ds->Eof()) {
        Action();
        if (ds->CompareBookmarks(ds->Bookmark(), bottom) >= 0) break;
        ds->Next();
      }
      break;
    }
    case gstColumns:
    case gstAll:
      for (ds->First(); !ds->Eof(); ds->Next()) Action();
      break;
    case gstNon: break;
  }
}

// ---- Bytes ----

void PutU32(std::string& Out, std::uint32_t V) {
  for (int i = 0; i < 4; ++i) Out += static_cast<char>((V >> (8 * i)) & 0xFF);
}
void PutU64(std::string& Out, std::uint64_t V) {
  for (int i = 0; i < 8; ++i) Out += static_cast<char>((V >> (8 * i)) & 0xFF);
}
void PutString(std::string& Out, std::string_view S) {
  PutU32(Out, static_cast<std::uint32_t>(S.size()));
  Out.append(S);
}

class TDbifReader {
 public:
  explicit TDbifReader(std::string_view Bytes) : s_(Bytes) {}
  std::size_t Left() const noexcept { return s_.size() - i_; }
  std::string_view Take(std::size_t N) {
    if (N > Left()) Fail();
    const std::string_view out = s_.substr(i_, N);
    i_ += N;
    return out;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)[0]); }
  std::uint32_t U32() {
    const std::string_view b = Take(4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[i])) << (8 * i);
    return v;
  }
  std::uint64_t U64() {
    const std::string_view b = Take(8);
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(b[i])) << (8 * i);
    return v;
  }
  std::string String() { return std::string(Take(U32())); }
  [[noreturn]] static void Fail() { throw EConvertError("Invalid GRIDDBIF data"); }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

void PutValue(std::string& Out, const Variant& V) {
  switch (V.Type()) {
    case varEmpty:
    case varNull: Out += static_cast<char>(dvNull); return;
    case varBoolean:
      Out += static_cast<char>(dvBoolean);
      Out += static_cast<char>(V.AsBoolean() ? 1 : 0);
      return;
    case varInteger:
    case varInt64:
      Out += static_cast<char>(dvInteger);
      PutU64(Out, static_cast<std::uint64_t>(V.AsInt64()));
      return;
    case varDouble:
      Out += static_cast<char>(dvFloat);
      PutU64(Out, std::bit_cast<std::uint64_t>(V.AsDouble()));
      return;
    case varCurrency:
      Out += static_cast<char>(dvCurrency);
      PutU64(Out, static_cast<std::uint64_t>(V.AsCurrency().Raw()));
      return;
    case varDate:
      Out += static_cast<char>(dvDateTime);
      PutU64(Out, std::bit_cast<std::uint64_t>(static_cast<double>(V.AsDateTime())));
      return;
    default:
      Out += static_cast<char>(dvText);
      PutString(Out, V.AsString());
      return;
  }
}

Variant ReadValue(TDbifReader& R) {
  switch (R.U8()) {
    case dvNull: return Null();
    case dvBoolean: {
      const std::uint8_t b = R.U8();
      if (b > 1) TDbifReader::Fail();
      return b != 0;
    }
    case dvInteger: return static_cast<std::int64_t>(R.U64());
    case dvFloat: return std::bit_cast<double>(R.U64());
    case dvCurrency: return Currency::FromRaw(static_cast<std::int64_t>(R.U64()));
    case dvDateTime: return VarFromDateTime(std::bit_cast<double>(R.U64()));
    case dvText: return R.String();
    default: TDbifReader::Fail();
  }
}

// Text of one plain-text cell: tabs and line breaks would split it.
std::string PlainCell(std::string_view S) {
  std::string out(S);
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return out;
}

void AppendRtfText(std::string& Out, std::string_view S) {
  std::size_t i = 0;
  while (i < S.size()) {
    std::size_t len = 0;
    const char32_t cp = Utf8At(S, i, &len);
    i += len;
    if (cp == U'\\' || cp == U'{' || cp == U'}') {
      Out += '\\';
      Out += static_cast<char>(cp);
    } else if (cp == U'\t') {
      Out += "\\tab ";
    } else if (cp == U'\n') {
      Out += "\\line ";
    } else if (cp == U'\r') {
      // CR LF is one break; a CR alone is one too.
      if (i >= S.size() || S[i] != '\n') Out += "\\line ";
    } else if (cp < 0x20) {
      Out += ' ';
    } else if (cp < 0x80) {
      Out += static_cast<char>(cp);
    } else {
      // Signed 16-bit units with a "?" for readers without Unicode; beyond the BMP as a surrogate pair.
      auto unit = [&Out](unsigned u) { Out += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?"; };
      if (cp > 0xFFFF) {
        const char32_t v = cp - 0x10000;
        unit(0xD800 + (v >> 10));
        unit(0xDC00 + (v & 0x3FF));
      } else {
        unit(cp);
      }
    }
  }
}

// Writes Value into the column's field of the current record (the dataset in edit mode already).
bool PutCell(TColumnX* Column, const Variant* Value, const std::string* Text) {
  TField* f = Column->GetField();
  if (!f || f->Lookup() || !Column->CanModify(false)) return false;
  if (Value) Column->UpdateDataValues("", *Value, false);
  else Column->UpdateDataValues(*Text, Variant(), true);
  return true;
}

}  // namespace

TGridClipData ReadGridSelection(TCustomDBGridX* Grid) {
  TGridClipData data;
  const TColumnsXList columns = SelectedColumns(Grid);
  if (columns.Count() == 0) return data;
  for (TColumnX* c : columns) data.FieldNames.push_back(c->FieldName());
  ForEachSelectedRecord(Grid, [&] {
    std::vector<Variant> values;
    std::vector<std::string> texts;
    for (TColumnX* c : columns) {
      TField* f = c->GetField();
      values.push_back(f ? f->Value() : Null());
      texts.push_back(f ? c->DisplayText() : std::string());
    }
    data.Values.push_back(std::move(values));
    data.Texts.push_back(std::move(texts));
  });
  return data;
}

std::string GridClipToText(const TGridClipData& Data) {
  std::string out;
  for (const auto& row : Data.Texts) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) out += '\t';
      out += PlainCell(row[i]);
    }
    out += "\r\n";
  }
  return out;
}

std::string GridClipToCsv(const TGridClipData& Data) {
  std::string out;
  for (const auto& row : Data.Texts) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) out += ';';
      out += '"';
      for (char c : row[i]) {
        if (c == '"') out += '"';
        out += c;
      }
      out += '"';
    }
    out += "\r\n";
  }
  return out;
}

std::string GridClipToRtf(const TGridClipData& Data) {
  std::string out = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20\r\n";
  for (const auto& row : Data.Texts) {
    out += "\\trowd";
    // Equal cells of 1.5 inches (2160 twips).
    for (std::size_t i = 0; i < row.size(); ++i) out += "\\cellx" + std::to_string(2160 * (i + 1));
    out += "\r\n";
    for (const std::string& cell : row) {
      out += "\\intbl ";
      AppendRtfText(out, cell);
      out += "\\cell\r\n";
    }
    out += "\\row\r\n";
  }
  out += "}";
  return out;
}

std::string GridClipToDbif(const TGridClipData& Data) {
  std::string out(kDbifMagic, 8);
  out += static_cast<char>(kDbifVersion);
  PutU32(out, static_cast<std::uint32_t>(Data.FieldNames.size()));
  PutU32(out, static_cast<std::uint32_t>(Data.Values.size()));
  for (const std::string& name : Data.FieldNames) PutString(out, name);
  for (const auto& row : Data.Values)
    for (std::size_t i = 0; i < Data.FieldNames.size(); ++i) PutValue(out, i < row.size() ? row[i] : Null());
  return out;
}

TGridClipData ParseGridDbif(std::string_view Bytes) {
  TDbifReader r(Bytes);
  if (r.Take(8) != std::string_view(kDbifMagic, 8) || r.U8() != kDbifVersion) TDbifReader::Fail();
  const std::uint32_t cols = r.U32(), rows = r.U32();
  // Every name takes four bytes and every value one at least: counts past the data are refused
  // before anything is sized by them.
  if (cols > r.Left() / 4) TDbifReader::Fail();
  TGridClipData data;
  data.FieldNames.reserve(cols);
  for (std::uint32_t i = 0; i < cols; ++i) data.FieldNames.push_back(r.String());
  if (cols == 0 ? rows != 0 : static_cast<std::uint64_t>(rows) * cols > r.Left()) TDbifReader::Fail();
  data.Values.reserve(rows);
  for (std::uint32_t row = 0; row < rows; ++row) {
    std::vector<Variant> values;
    values.reserve(cols);
    for (std::uint32_t i = 0; i < cols; ++i) values.push_back(ReadValue(r));
    data.Values.push_back(std::move(values));
  }
  if (r.Left() != 0) TDbifReader::Fail();
  return data;
}

std::vector<std::vector<std::string>> ParseGridText(std::string_view Text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t i = 0;
  while (i < Text.size()) {
    std::size_t end = i;
    while (end < Text.size() && Text[end] != '\r' && Text[end] != '\n') ++end;
    std::vector<std::string> cells;
    std::size_t start = i;
    for (std::size_t k = i; k <= end; ++k) {
      if (k == end || Text[k] == '\t') {
        cells.emplace_back(Text.substr(start, k - start));
        start = k + 1;
      }
    }
    rows.push_back(std::move(cells));
    i = end;
    if (i < Text.size() && Text[i] == '\r') ++i;
    if (i < Text.size() && Text[i] == '\n' && (i == end || Text[end] == '\r')) ++i;
  }
  return rows;
}

void CopyGridToClipboard(TCustomDBGridX* Grid) {
  const TGridClipData data = ReadGridSelection(Grid);
  TClipboard* clip = Clipboard();
  clip->Open();
  TScopeExit close([clip] { clip->Close(); });
  clip->Clear();
  clip->SetAsText(GridClipToText(data));
  clip->SetAsBuffer(CF_CSV(), GridClipToCsv(data));
  clip->SetAsBuffer(CF_RTF(), GridClipToRtf(data));
  clip->SetAsBuffer(CF_GRIDDBIF(), GridClipToDbif(data));
}

void CutGridSelection(TCustomDBGridX* Grid) {
  CopyGridToClipboard(Grid);
  DeleteGridSelection(Grid);
}

void PasteGridFromClipboard(TCustomDBGridX* Grid) {
  TDataSet* ds = GridDataSet(Grid);
  if (!ds) return;
  TClipboard* clip = Clipboard();
  TGridClipData dbif;
  std::vector<std::vector<std::string>> texts;
  const bool typed = clip->HasFormat(CF_GRIDDBIF());
  if (typed) dbif = ParseGridDbif(clip->GetAsBuffer(CF_GRIDDBIF()));
  else texts = ParseGridText(clip->AsText());
  const std::size_t rows = typed ? dbif.Values.size() : texts.size();
  if (rows == 0) return;

  const TColumnsXList& visible = Grid->VisibleColumns();
  const int start = visible.IndexOf(Grid->SelectedColumn());
  if (start < 0) return;
  // A pending edit in the cell editor goes in first; the paste then owns the record.
  Grid->DataLink()->UpdateRecord();
  Grid->DataLink()->SetModified(false);
  ds->DisableControls();
  TScopeExit enable([ds] { ds->EnableControls(); });
  const bool may_append = Grid->AllowedOperations().Contains(alopAppendX);
  for (std::size_t row = 0; row < rows; ++row) {
    if (row > 0) {
      ds->Next();
      if (ds->Eof()) {
        if (!may_append) break;
        ds->Append();
      }
    }
    // A value the field refuses leaves the record as it was.
    TScopeFail undo([ds] { ds->Cancel(); });
    const std::size_t cells = typed ? dbif.Values[row].size() : texts[row].size();
    for (std::size_t i = 0; i < cells && start + static_cast<int>(i) < visible.Count(); ++i) {
      TColumnX* c = visible[start + static_cast<int>(i)];
      if (ds->State() == dsBrowse && c->CanModify(false)) ds->Edit();
      if (typed) PutCell(c, &dbif.Values[row][i], nullptr);
      else PutCell(c, nullptr, &texts[row][i]);
    }
    if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Post();
  }
}

void DeleteGridSelection(TCustomDBGridX* Grid) {
  TDataSet* ds = GridDataSet(Grid);
  if (!ds) return;
  TDBGridXSelection* sel = Grid->Selection();
  switch (sel->SelectionType()) {
    case gstRecordBookmarks: Grid->SelectedRows()->Delete(); break;
    case gstAll: {
      {
        ds->DisableControls();
        TScopeExit enable([ds] { ds->EnableControls(); });
        ds->First();
        while (!ds->IsEmpty()) {
          const int before = ds->RecordCount();
          ds->Delete();
          if (ds->RecordCount() >= before) break;  // a dataset that keeps the record ends the loop
        }
      }
      sel->Clear();
      break;
    }
    case gstRectangle:
    case gstColumns: {
      const TColumnsXList columns = SelectedColumns(Grid);
      Grid->DataLink()->UpdateRecord();
      Grid->DataLink()->SetModified(false);
      ForEachSelectedRecord(Grid, [&] {
        TScopeFail undo([ds] { ds->Cancel(); });
        for (TColumnX* c : columns) {
          TField* f = c->GetField();
          if (!f || f->Lookup() || !c->CanModify(false)) continue;
          if (ds->State() == dsBrowse) ds->Edit();
          c->UpdateDataValues("", Null(), false);
        }
        if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Post();
      });
      break;
    }
    case gstNon: break;
  }
}

}  // namespace lab
