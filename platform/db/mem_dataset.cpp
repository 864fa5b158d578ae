// TMemDataSet: the cursor over the visible records, record numbers, bookmarks, posting and
// deleting.
#include "platform/db/mem_dataset.h"

#include <algorithm>
#include <cstring>

#include "platform/db/db_errors.h"

namespace lab {

namespace {

TBookmark EncodeId(TRecordId Id) {
  TBookmark b(sizeof Id, '\0');
  std::memcpy(b.data(), &Id, sizeof Id);
  return b;
}

bool DecodeId(const TBookmark& B, TRecordId& Id) {
  if (B.size() != sizeof Id) return false;
  std::memcpy(&Id, B.data(), sizeof Id);
  return true;
}

template <class T>
int Order(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

}  // namespace

// FieldDefs is published so a form can define the stored columns.
void TMemDataSet::DeclareProperties(TPropertyDeclarer<TMemDataSet>& P) {
  P.Property("FieldDefs", [](TMemDataSet& D) { return &D.FieldDefs(); }, nullptr);
}

TMemDataSet::TMemDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TMemDataSet::~TMemDataSet() {
  Destroying();
  try {
    Close();
  } catch (...) {
    // A closing handler that raises must not escape a destructor.
  }
}

void TMemDataSet::InternalOpen() {
  if (FieldDefs().Count() == 0)
    for (TField* f : Fields())
      if (f->FieldKind() == fkData) FieldDefs().Add(f->FieldName(), f->DataType(), f->Size(), f->Required());
  std::vector<TFieldType> types;
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    if (!IsStorableType(FieldDefs()[i].DataType())) DatabaseErrorFmt(dbmsg::SUnknownFieldType, this, FieldDefs()[i].Name());
    types.push_back(FieldDefs()[i].DataType());
  }
  sort_keys_ = ParseSortFields(sort_text_);
  ParseFilter(Filter());
  store_ = std::make_unique<TMemStore>(std::move(types));
  base_.clear();
  view_.clear();
  ViewChanged();
  cursor_ = -1;
}

void TMemDataSet::InternalClose() {
  store_.reset();
  base_.clear();
  view_.clear();
  view_pos_.clear();
  ViewChanged();
  cursor_ = -1;
}

std::int64_t TMemDataSet::ViewPos(TRecordId Id) const {
  if (!view_pos_valid_) {
    view_pos_.assign(store_ ? store_->IdCount() : 0, -1);
    for (std::size_t i = 0; i < view_.size(); ++i) view_pos_[view_[i]] = static_cast<std::int32_t>(i);
    view_pos_valid_ = true;
  }
  return Id < view_pos_.size() ? view_pos_[Id] : -1;
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer& Buffer, TGetMode GetMode) {
  const auto n = static_cast<std::int64_t>(view_.size());
  switch (GetMode) {
    case gmCurrent:
      if (cursor_ < 0) return grBOF;
      if (cursor_ >= n) return grEOF;
      break;
    case gmNext:
      if (cursor_ + 1 >= n) {
        cursor_ = n;
        return grEOF;
      }
      ++cursor_;
      break;
    case gmPrior:
      if (cursor_ <= 0) {
        cursor_ = -1;
        return grBOF;
      }
      cursor_ = std::min(cursor_, n) - 1;
      break;
  }
  const TRecordId id = view_[static_cast<std::size_t>(cursor_)];
  Buffer.Handle = id;
  Buffer.Bookmark = EncodeId(id);
  Buffer.BookmarkFlag = bfCurrent;
  return grOK;
}

void TMemDataSet::InternalSetToRecord(const TRecordBuffer& Buffer) {
  switch (Buffer.BookmarkFlag) {
    case bfBOF: cursor_ = -1; break;
    case bfEOF: cursor_ = static_cast<std::int64_t>(view_.size()); break;
    default: {
      const std::int64_t pos = Buffer.Handle >= 0 ? ViewPos(static_cast<TRecordId>(Buffer.Handle)) : -1;
      cursor_ = pos >= 0 ? pos : -1;
    }
  }
}

void TMemDataSet::InternalGotoBookmark(const TBookmark& Value) {
  if (!BookmarkValid(Value)) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  TRecordId id = 0;
  DecodeId(Value, id);
  cursor_ = ViewPos(id);
}

Variant TMemDataSet::GetFieldData(const TField* Field, const TRecordBuffer& Buffer) const {
  return store_->Get(Field->FieldNo() - 1, static_cast<TRecordId>(Buffer.Handle));
}

int TMemDataSet::RecordCount() const { return static_cast<int>(view_.size()); }

Variant TMemDataSet::RecordValue(int RecNo, const TField* Field) const {
  CheckActive();
  if (RecNo < 1 || static_cast<std::size_t>(RecNo) > view_.size()) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  if (Field->FieldKind() != fkData || Field->FieldNo() < 1 || Field->FieldNo() > store_->ColumnCount())
    DatabaseErrorFmt(dbmsg::SFieldAccessError, this, Field->DisplayName(), "stored value");
  return store_->Get(Field->FieldNo() - 1, view_[static_cast<std::size_t>(RecNo - 1)]);
}

int TMemDataSet::RecNo() const {
  if (!Active() || BufferRecordCount() == 0) return 0;
  const TRecordBuffer& b = ActiveBuffer();
  if (b.BookmarkFlag != bfCurrent) return -1;
  return static_cast<int>(ViewPos(static_cast<TRecordId>(b.Handle)) + 1);
}

void TMemDataSet::SetRecNo(int Value) {
  CheckBrowseMode();
  const auto n = static_cast<int>(view_.size());
  if (n == 0) return;
  Value = std::clamp(Value, 1, n);
  if (Value == RecNo()) return;
  if (BeforeScroll) BeforeScroll(this);
  cursor_ = Value - 1;
  CursorPosChanged();
  Resync({rmCenter});
  if (AfterScroll) AfterScroll(this);
}

bool TMemDataSet::BookmarkValid(const TBookmark& Value) const {
  TRecordId id;
  return store_ && DecodeId(Value, id) && store_->IsAlive(id) && ViewPos(id) >= 0;
}

int TMemDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const {
  if (Bookmark1.empty() || Bookmark2.empty()) return Order<int>(!Bookmark1.empty(), !Bookmark2.empty());
  TRecordId a, b;
  if (!store_ || !DecodeId(Bookmark1, a) || !DecodeId(Bookmark2, b)) return Order(Bookmark1, Bookmark2);
  // Visible records by their place, then the others by id.
  const std::int64_t pa = store_->IsAlive(a) ? ViewPos(a) : -1, pb = store_->IsAlive(b) ? ViewPos(b) : -1;
  if (pa >= 0 && pb >= 0) return Order(pa, pb);
  if (pa >= 0 || pb >= 0) return pa >= 0 ? -1 : 1;
  return Order(a, b);
}

bool TMemDataSet::Accepts(TRecordBuffer& Buffer) {
  if (!Filtering()) return true;
  if (!filter_expr_.Empty()) {
    const bool editing = Buffer.Editing;
    const auto id = static_cast<TRecordId>(Buffer.Handle);
    const bool pass = filter_expr_.Evaluate([&](int Col) {
      return editing ? EditValues()[static_cast<std::size_t>(Col)] : store_->Get(Col, id);
    });
    if (!pass) return false;
  }
  return FilterRecord(Buffer);
}

std::size_t TMemDataSet::SortedPlace(TRecordId Id) const {
  const auto it = std::upper_bound(view_.begin(), view_.end(), Id, [&](TRecordId a, TRecordId b) {
    return CompareByKeys(*store_, sort_keys_, a, b) < 0;
  });
  return static_cast<std::size_t>(it - view_.begin());
}

// Puts a visible record at its place: by the sort order when sorted, else at Preferred.
void TMemDataSet::PlaceInView(TRecordId Id, std::int64_t Preferred) {
  const std::size_t place = sort_keys_.empty() ? static_cast<std::size_t>(Preferred) : SortedPlace(Id);
  view_.insert(view_.begin() + static_cast<std::ptrdiff_t>(place), Id);
  ViewChanged();
  cursor_ = static_cast<std::int64_t>(place);
}

void TMemDataSet::InternalPost() {
  TRecordBuffer probe = ActiveBuffer();
  probe.Editing = true;
  const bool visible = Accepts(probe);  // before anything changes, in case a handler raises
  const std::vector<Variant>& values = EditValues();
  if (State() == dsEdit) {
    const auto id = static_cast<TRecordId>(probe.Handle);
    for (int c = 0; c < store_->ColumnCount(); ++c) store_->Set(c, id, values[static_cast<std::size_t>(c)]);
    const std::int64_t pos = ViewPos(id);
    if (pos < 0) return;  // was not visible: nothing to move
    const auto n = static_cast<std::int64_t>(view_.size());
    const bool in_order = sort_keys_.empty() ||
                          ((pos == 0 || CompareByKeys(*store_, sort_keys_, view_[static_cast<std::size_t>(pos - 1)], id) <= 0) &&
                           (pos + 1 == n || CompareByKeys(*store_, sort_keys_, id, view_[static_cast<std::size_t>(pos + 1)]) <= 0));
    cursor_ = pos;
    if (visible && in_order) return;
    view_.erase(view_.begin() + pos);
    ViewChanged();
    if (visible) PlaceInView(id, pos);
    return;
  }
  const TRecordId id = store_->NewRecord();
  for (int c = 0; c < store_->ColumnCount(); ++c) store_->Set(c, id, values[static_cast<std::size_t>(c)]);
  std::int64_t preferred = static_cast<std::int64_t>(view_.size());
  switch (probe.BookmarkFlag) {
    case bfEOF: base_.push_back(id); break;
    case bfBOF:
      base_.insert(base_.begin(), id);
      preferred = 0;
      break;
    default: {
      const auto before = static_cast<TRecordId>(probe.Handle);
      base_.insert(std::find(base_.begin(), base_.end(), before), id);
      const std::int64_t pos = ViewPos(before);
      if (pos >= 0) preferred = pos;
    }
  }
  if (visible) {
    PlaceInView(id, preferred);
  } else {
    cursor_ = sort_keys_.empty() ? preferred : static_cast<std::int64_t>(SortedPlace(id));
  }
}

void TMemDataSet::InternalDelete() {
  const auto n = static_cast<std::int64_t>(view_.size());
  if (cursor_ < 0 || cursor_ >= n) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  const TRecordId id = view_[static_cast<std::size_t>(cursor_)];
  view_.erase(view_.begin() + cursor_);
  base_.erase(std::find(base_.begin(), base_.end(), id));
  store_->DeleteRecord(id);
  ViewChanged();
}

}  // namespace lab
