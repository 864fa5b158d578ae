#pragma once
// The grid's selection on the clipboard. A copy puts four renderings there together: plain text
// (cells separated by tabs, records by CR LF: what other programs paste), "Csv" (";" between
// values, each quoted), "Rich Text Format" (a table) and "GRIDDBIF" (the grid's own record format,
// typed values that paste back exactly). A paste takes "GRIDDBIF" when it is there, else the text,
// and writes it from the current record and column on, record by record.
//
// GRIDDBIF: the bytes "GRIDDBIF", a format version byte (1), the column count and the row count
// (32-bit little-endian each), then every column's field name and every row's values in column
// order. A string is a 32-bit length and its UTF-8 bytes; a value is a type byte and its data:
// 0 Null, 1 Boolean (one byte), 2 integer (64-bit), 3 float (IEEE double), 4 currency (64-bit,
// fixed point × 10000), 5 date-time (double, days since 1899-12-30), 6 text (a string). Numbers are
// little-endian.

#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/win_types.h"
#include "platform/rtl/variant.h"

namespace lab {

class TCustomDBGridX;

// The registered clipboard formats (the same number for the process's whole life).
win::UINT CF_GRIDDBIF();
win::UINT CF_CSV();
win::UINT CF_RTF();

// The grid's selection (records, a rectangle of cells, columns or everything) as cell rows: the
// columns and, per selected record, each column's value and display text. Without a selection,
// nothing.
struct TGridClipData {
  std::vector<std::string> FieldNames;
  std::vector<std::vector<Variant>> Values;
  std::vector<std::vector<std::string>> Texts;
};
TGridClipData ReadGridSelection(TCustomDBGridX* Grid);

// The renderings of cell rows.
std::string GridClipToText(const TGridClipData& Data);
std::string GridClipToCsv(const TGridClipData& Data);
std::string GridClipToRtf(const TGridClipData& Data);
std::string GridClipToDbif(const TGridClipData& Data);

// Reads GRIDDBIF bytes into field names and values (Texts stay empty). Raises EConvertError
// "Invalid GRIDDBIF data" for bytes that are not the format (cut short, a bad type byte, counts
// past the data).
TGridClipData ParseGridDbif(std::string_view Bytes);
// Splits plain text into rows of cells: lines end with CR LF, LF or CR, cells are separated by
// tabs; a last empty line (a text ending with its line break) is no row.
std::vector<std::vector<std::string>> ParseGridText(std::string_view Text);

// Puts the grid's selection on the clipboard in the four renderings.
void CopyGridToClipboard(TCustomDBGridX* Grid);
// Copy, then delete of the selection.
void CutGridSelection(TCustomDBGridX* Grid);
// Writes the clipboard's "GRIDDBIF" records (else its text) into the grid from the current record
// and column on: each row into a record (the next ones after it, appended past the last when the
// grid may append), value i into the i-th visible column from the current one; a value whose column
// may not be changed is dropped, so a row copied from the grid pastes back into the columns it
// came from.
void PasteGridFromClipboard(TCustomDBGridX* Grid);
// Deletes the selected records (records or everything selected) or clears the selected cells (a
// rectangle or columns), leaving read-only columns alone.
void DeleteGridSelection(TCustomDBGridX* Grid);

}  // namespace lab
