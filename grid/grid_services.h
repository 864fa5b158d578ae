#pragma once
// Small services the data grid shares with its edit controls: locale text comparison, the sizes of
// check-box glyphs and edit buttons, bookmark comparison and multi-field writes through a dataset,
// Variant equality with Null and arrays, and the grid's one error raiser.

#include <string_view>

#include "platform/db/dataset.h"
#include "platform/rtl/variant.h"

namespace lab {

// Locale comparison without case (AnsiCompareText) and with case (AnsiCompareStr): negative, 0
// or positive.
int AnsiCompareTextX(std::string_view S1, std::string_view S2);
int AnsiCompareStrX(std::string_view S1, std::string_view S2);
// Whether Text begins with Start, compared as AnsiCompareTextX compares.
bool BeginsWithTextX(std::string_view Text, std::string_view Start);

// One glyph of the system's check-box strip (four glyphs across, three down); cell check boxes
// are centred with these.
int CheckBoxWidth();
int CheckBoxHeight();

// The default edit-button width: two thirds of the system font's height, made odd so an arrow
// glyph has a middle pixel, and never wider than a vertical scroll bar.
int ComputeDefaultButtonWidth();
// Width unchanged, or Round(Width * 3 / 2) for flat buttons.
int ScaleButtonWidth(int Width, bool Flat);

// Orders two bookmarks of DataSet through its CompareBookmarks; 0 without a dataset.
int DataSetCompareBookmarks(TDataSet* DataSet, const TBookmark& Bookmark1, const TBookmark& Bookmark2);
// Writes Value into the fields of a ";" list (an array of values for several fields); Null clears
// each field. Without a dataset EDatabaseError is raised.
void DataSetSetFieldValues(TDataSet* DataSet, std::string_view FieldNames, const Variant& Value);

// Null and Empty equal each other and nothing else; arrays are equal when their bounds and every
// element are; other values compare by value (VarCompareValue).
bool VariantsEqual(const Variant& V1, const Variant& V2);

// Whether the process runs under a right-to-left (Middle East) locale: Arabic, Hebrew, Persian,
// Urdu or Yiddish, as LC_ALL, LC_CTYPE or LANG name it.
bool SysLocaleMiddleEast();

// Every grid operation reports misuse through here: EInvalidGridOperation with Message.
[[noreturn]] void GridError(std::string_view Message);

}  // namespace lab
