#pragma once
// The word-wrap plug-in: while an editor's WordWrap is on, every line is split into display rows no
// wider than the text area, and positions are converted between text positions (the character as an
// expanded column, and the line) and display positions (column within the row, and the row). Rows
// are kept as one byte each, so no row is longer than 255 cells.

#include <cstdint>
#include <vector>

#include "editor/edit_types.h"
#include "editor/text_routines.h"

namespace lab {

class TCustomCodeEdit;

// A plug-in that maps the editor's lines to display rows. Lines are 0-based in the notifications;
// each answers the change in the number of rows.
class ICodeEditBufferPlugin {
 public:
  virtual ~ICodeEditBufferPlugin() = default;
  virtual TDisplayCoord BufferToDisplayPos(const TBufferCoord& Pos) = 0;
  virtual TBufferCoord DisplayToBufferPos(const TDisplayCoord& Pos) = 0;
  virtual int RowCount() = 0;
  virtual int GetRowLength(int Row) = 0;
  virtual int LinesInserted(int Index, int Count) = 0;
  virtual int LinesDeleted(int Index, int Count) = 0;
  virtual int LinesPutted(int Index, int Count) = 0;
  // The text area's width changed.
  virtual void DisplayChanged() = 0;
  // Wraps every line again.
  virtual void Reset() = 0;
};

class TCodeWordWrapPlugin : public ICodeEditBufferPlugin {
 public:
  // Raises ECodeEditError "TCodeWordWrapPlugin must be owned by TCustomCodeEdit" without an owner.
  explicit TCodeWordWrapPlugin(TCustomCodeEdit* AOwner);

  // Both take and give 1-based values; the text position's character is an expanded column. A
  // position above the text (line or row below 1) is answered unchanged.
  TDisplayCoord BufferToDisplayPos(const TBufferCoord& Pos) override;
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& Pos) override;
  int RowCount() override { return line_count_ > 0 ? line_offsets_[static_cast<std::size_t>(line_count_ - 1)] : 0; }
  // The row's length for 1 .. RowCount; raises EListError "List index out of bounds (%d)" else.
  int GetRowLength(int Row) override;
  int LinesInserted(int Index, int Count) override;
  int LinesDeleted(int Index, int Count) override;
  int LinesPutted(int Index, int Count) override;
  void DisplayChanged() override;
  void Reset() override;

  int LineCount() const noexcept { return line_count_; }
  // Rows up to and including Line (0-based).
  int LineOffset(int Line) const { return line_offsets_.at(static_cast<std::size_t>(Line)); }
  int MinRowLength() const noexcept { return min_row_length_; }
  int MaxRowLength() const noexcept { return max_row_length_; }
  const TCodeCharSet& BreakChars() const noexcept { return break_chars_; }
  // Room of the two arrays: lines in blocks of 256, rows in blocks of 512.
  int LineCapacity() const noexcept { return static_cast<int>(line_offsets_.size()); }
  int RowCapacity() const noexcept { return static_cast<int>(row_lengths_.size()); }

 private:
  // Appends the row lengths of line Index (0-based) to Rows.
  void WrapLineRows(int Index, std::vector<std::uint8_t>& Rows) const;
  // Wraps the lines First .. First + Count - 1, which hold no rows yet, into place.
  int WrapNewLines(int First, int Count);
  void WrapAll();
  // The first row (0-based) of line Index.
  int FirstRow(int Index) const { return Index == 0 ? 0 : line_offsets_[static_cast<std::size_t>(Index - 1)]; }
  // Replaces the rows of lines First .. First + Count - 1 by Rows, moving the later ones.
  void SpliceRows(int First, int Count, const std::vector<std::uint8_t>& Rows);
  void GrowLines(int Needed);
  void GrowRows(int Needed);

  std::vector<std::int32_t> line_offsets_;
  std::vector<std::uint8_t> row_lengths_;
  int line_count_ = 0;
  TCustomCodeEdit* editor_;
  int min_row_length_ = 0;
  int max_row_length_ = 0;
  TCodeCharSet break_chars_;
};

}  // namespace lab
