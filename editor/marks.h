#pragma once
// Marks: small glyphs attached to text lines and drawn in the editor's gutter. Bookmarks are the marks
// numbered 0 to 9 that the user sets and jumps to. The editor's mark list owns the marks in it; a
// bookmark taken out of the list by ClearAll stays with its bookmark slot.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/rtl/list.h"
#include "platform/rtl/object.h"

namespace lab {

class TCustomCodeEdit;

class TCodeEditMark : public TObject {
  LAB_CLASS(TCodeEditMark, TObject)
 public:
  // BookmarkNumber -1, everything else 0 or false.
  explicit TCodeEditMark(TCustomCodeEdit* AOwner);

  // The owning editor, or nullptr once its mark list no longer holds this mark (the reference is
  // then cleared).
  virtual TCustomCodeEdit* GetEdit();
  // Character position in the line; a bookmark's caret column.
  int Char() const noexcept { return char_; }
  virtual void SetChar(int Value);
  int ImageIndex() const noexcept { return image_index_; }
  // Repaints the mark's gutter row when visible.
  virtual void SetImage(int Value);
  // Text line (1-based); 0 before the mark is placed. A visible mark repaints its old and new rows.
  int Line() const noexcept { return line_; }
  virtual void SetLine(int Value);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool Value);
  // Drawn with the editor's built-in bookmark glyphs instead of the bookmark options' image list.
  bool InternalImage() const noexcept { return internal_image_; }
  void SetInternalImage(bool Value);
  int BookmarkNumber() const noexcept { return bookmark_number_; }
  void SetBookmarkNumber(int Value) { bookmark_number_ = Value; }
  bool IsBookmark() const noexcept { return bookmark_number_ >= 0; }

 private:
  void InvalidateRow(int ALine);

  std::int32_t line_ = 0;
  std::int32_t char_ = 0;
  std::int32_t image_index_ = 0;
  TCustomCodeEdit* edit_;
  bool visible_ = false;
  bool internal_image_ = false;
  std::int32_t bookmark_number_ = -1;
};

// At most this many marks of one line are looked at (gutter clicks, GetMarksForLine).
inline constexpr int kMaxMarksPerLine = 16;
using TCodeEditMarks = std::array<TCodeEditMark*, kMaxMarksPerLine>;

class TCodeEditMarkList : public TObject {
  LAB_CLASS(TCodeEditMarkList, TObject)
 public:
  explicit TCodeEditMarkList(TCustomCodeEdit* AOwner) : edit_(AOwner) {}
  // Frees every mark in the list.
  ~TCodeEditMarkList() override;
  TCodeEditMarkList(const TCodeEditMarkList&) = delete;
  TCodeEditMarkList& operator=(const TCodeEditMarkList&) = delete;

  // The list takes Item over; then OnChange.
  int Add(TCodeEditMark* Item);
  // Takes Item out of the list (it is not freed); then OnChange. Answers its former index, -1 when
  // it was not there.
  int Remove(TCodeEditMark* Item);
  // Empties the list without freeing the marks (the editor's ClearAll sees to them).
  void Clear();
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  // Raises EListError "List index out of bounds (%d)" outside 0 .. Count - 1, as lists do.
  TCodeEditMark* Items(int Index) const {
    if (Index < 0 || Index >= Count()) detail::ListIndexError(Index);
    return items_[static_cast<std::size_t>(Index)];
  }
  int IndexOf(const TCodeEditMark* Item) const;
  // The marks of Line in list order, at most 16; the rest of Marks is cleared.
  void GetMarksForLine(int Line, TCodeEditMarks& Marks) const;
  TCustomCodeEdit* Edit() const noexcept { return edit_; }

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }

  TCustomCodeEdit* edit_;
  std::vector<TCodeEditMark*> items_;
};

}  // namespace lab
