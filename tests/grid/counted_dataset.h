#pragma once
// A read-only dataset of any number of records, each made from its number when read (field "N",
// the 1-based record number): a million records cost nothing to hold.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/db/dataset.h"
#include "platform/db/db_errors.h"

namespace lab::gridtest {

class TCountedDataSet : public TDataSet {
 public:
  TCountedDataSet(TComponent* AOwner, std::int64_t Count, bool Sequenced = true)
      : TDataSet(AOwner), count_(Count), sequenced_(Sequenced) {
    FieldDefs().Add("N", ftInteger);
  }
  ~TCountedDataSet() override { Close(); }

  int RecNo() const override {
    if (!Active() || BufferRecordCount() == 0) return 0;
    return static_cast<int>(ActiveBuffer().Handle + 1);
  }
  void SetRecNo(int Value) override {
    CheckBrowseMode();
    cursor_ = std::clamp<std::int64_t>(Value, 1, std::max<std::int64_t>(count_, 1)) - 1;
    CursorPosChanged();
    Resync({rmCenter});
  }
  int RecordCount() const override { return static_cast<int>(count_); }
  bool IsSequenced() const override { return sequenced_; }
  bool BookmarkValid(const TBookmark& Value) const override {
    std::int64_t n = 0;
    return Decode(Value, n) && n >= 0 && n < count_;
  }
  int CompareBookmarks(const TBookmark& A, const TBookmark& B) const override {
    std::int64_t a = -1, b = -1;
    Decode(A, a);
    Decode(B, b);
    return a < b ? -1 : a > b ? 1 : 0;
  }
  bool Locate(std::string_view, const Variant&, TLocateOptions) override { return false; }
  Variant Lookup(std::string_view, const Variant&, std::string_view) override { return Null(); }

 protected:
  void InternalOpen() override {
    BindFields();
    cursor_ = -1;
    open_ = true;
  }
  // A closed dataset reads no records, even when a link comes or goes.
  void InternalClose() override { open_ = false; }
  bool IsCursorOpen() const override { return open_; }
  TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode GetMode) override {
    switch (GetMode) {
      case gmCurrent:
        if (cursor_ < 0) return grBOF;
        if (cursor_ >= count_) return grEOF;
        break;
      case gmNext:
        if (cursor_ + 1 >= count_) {
          cursor_ = count_;
          return grEOF;
        }
        ++cursor_;
        break;
      case gmPrior:
        if (cursor_ <= 0) {
          cursor_ = -1;
          return grBOF;
        }
        cursor_ = std::min(cursor_, count_) - 1;
        break;
    }
    Buffer.Handle = cursor_;
    Buffer.Bookmark.assign(reinterpret_cast<const char*>(&cursor_), sizeof cursor_);
    Buffer.BookmarkFlag = bfCurrent;
    return grOK;
  }
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = count_; }
  void InternalSetToRecord(const TRecordBuffer& Buffer) override {
    cursor_ = Buffer.BookmarkFlag == bfBOF ? -1 : Buffer.BookmarkFlag == bfEOF ? count_ : Buffer.Handle;
  }
  void InternalGotoBookmark(const TBookmark& Value) override {
    if (!BookmarkValid(Value)) DatabaseError("Record not found", this);
    Decode(Value, cursor_);
  }
  Variant GetFieldData(const TField*, const TRecordBuffer& Buffer) const override {
    return static_cast<int>(Buffer.Handle + 1);
  }
  void InternalPost() override { DatabaseError("Cannot modify a read-only dataset", this); }
  void InternalDelete() override { DatabaseError("Cannot modify a read-only dataset", this); }
  bool GetCanModify() const override { return false; }

 private:
  static bool Decode(const TBookmark& Value, std::int64_t& N) {
    if (Value.size() != sizeof N) return false;
    std::memcpy(&N, Value.data(), sizeof N);
    return true;
  }
  std::int64_t count_;
  bool sequenced_;
  std::int64_t cursor_ = -1;
  bool open_ = false;
};

}  // namespace lab::gridtest
