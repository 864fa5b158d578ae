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
  tree_ = tree_key_field_.empty() ? nullptr : MakeTree();
  store_ = std::make_unique<TMemStore>(std::move(types));
  base_.Clear();
  view_.Clear();
  // Sorted (or a tree) from the start, so posted records take their places.
  own_view_ = !sort_keys_.empty() || tree_;
  cursor_ = -1;
}

void TMemDataSet::InternalClose() {
  store_.reset();
  tree_.reset();
  base_.Clear();
  view_.Clear();
  own_view_ = false;
  cursor_ = -1;
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer& Buffer, TGetMode GetMode) {
  const TRecordList& view = View();
  const auto n = static_cast<std::int64_t>(view.Size());
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
  const TRecordId id = view.At(static_cast<std::size_t>(cursor_));
  Buffer.Handle = id;
  Buffer.Bookmark = EncodeId(id);
  Buffer.BookmarkFlag = bfCurrent;
  return grOK;
}

void TMemDataSet::InternalSetToRecord(const TRecordBuffer& Buffer) {
  switch (Buffer.BookmarkFlag) {
    case bfBOF: cursor_ = -1; break;
    case bfEOF: cursor_ = static_cast<std::int64_t>(View().Size()); break;
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

int TMemDataSet::RecordCount() const { return static_cast<int>(View().Size()); }

Variant TMemDataSet::RecordValue(int RecNo, const TField* Field) const {
  CheckActive();
  const TRecordList& view = View();
  if (RecNo < 1 || static_cast<std::size_t>(RecNo) > view.Size()) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  if (Field->FieldKind() != fkData || Field->FieldNo() < 1 || Field->FieldNo() > store_->ColumnCount())
    DatabaseErrorFmt(dbmsg::SFieldAccessError, this, Field->DisplayName(), "stored value");
  return store_->Get(Field->FieldNo() - 1, view.At(static_cast<std::size_t>(RecNo - 1)));
}

bool TMemDataSet::GetRecordAt(int RecNo, TRecordBuffer& Buffer) const {
  if (!store_ || RecNo < 1 || static_cast<std::size_t>(RecNo) > View().Size()) return false;
  const TRecordId id = View().At(static_cast<std::size_t>(RecNo - 1));
  Buffer.Handle = id;
  Buffer.Bookmark = EncodeId(id);
  Buffer.BookmarkFlag = bfCurrent;
  Buffer.Editing = false;
  return true;
}

int TMemDataSet::RecNo() const {
  if (!Active() || BufferRecordCount() == 0) return 0;
  const TRecordBuffer& b = ActiveBuffer();
  if (b.BookmarkFlag != bfCurrent) return -1;
  return static_cast<int>(ViewPos(static_cast<TRecordId>(b.Handle)) + 1);
}

void TMemDataSet::SetRecNo(int Value) {
  CheckBrowseMode();
  const auto n = static_cast<int>(View().Size());
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

bool TMemDataSet::BookmarkOrderKey(const TBookmark& Bookmark, std::int64_t& Key) const {
  TRecordId id;
  if (!store_ || !DecodeId(Bookmark, id) || !store_->IsAlive(id)) return false;
  Key = ViewPos(id);
  return Key >= 0;
}

namespace {

// A stored record as the filter reads it.
class TStoredRecord final : public TFilterExpression::TRecordReader {
 public:
  TStoredRecord(const TMemStore& store, TRecordId id) : store_(store), id_(id) {}
  bool IsNull(int Index) const override { return store_.IsNull(Index, id_); }
  std::int64_t Int(int Index) const override { return store_.Column(Index).Int(id_); }
  double Real(int Index) const override { return store_.Column(Index).Real(id_); }
  std::string_view Text(int Index) const override { return store_.Column(Index).Text(id_); }
  Variant Value(int Index) const override { return store_.Get(Index, id_); }

 private:
  const TMemStore& store_;
  TRecordId id_;
};

}  // namespace

bool TMemDataSet::Accepts(TRecordBuffer& Buffer) {
  if (!Filtering()) return true;
  if (!filter_expr_.Empty()) {
    const bool pass = Buffer.Editing
                          ? filter_expr_.Evaluate([&](int Col) { return EditValues()[static_cast<std::size_t>(Col)]; })
                          : filter_expr_.Evaluate(TStoredRecord(*store_, static_cast<TRecordId>(Buffer.Handle)));
    if (!pass) return false;
  }
  return FilterRecord(Buffer);
}

std::size_t TMemDataSet::SortedPlace(TRecordId Id) const {
  const auto after = [&](TRecordId other) { return CompareByKeys(*store_, sort_keys_, Id, other) >= 0; };
  if (!HasViewKeys()) return View().PartitionPoint(after);
  return View().KeyedPartitionPoint(ViewKey(Id), [this](TRecordId id) { return ViewKey(id); }, after, ViewKeysInBlock());
}

// Puts a visible record at its place: by the sort order when sorted, else at Preferred.
void TMemDataSet::PlaceInView(TRecordId Id, std::int64_t Preferred) {
  const std::size_t place = sort_keys_.empty() ? static_cast<std::size_t>(Preferred) : SortedPlace(Id);
  View().Insert(place, Id);
  cursor_ = static_cast<std::int64_t>(place);
}

void TMemDataSet::InternalPost() {
  if (tree_) return PostInTree();
  TRecordBuffer probe = ActiveBuffer();
  probe.Editing = true;
  const bool visible = Accepts(probe);  // before anything changes, in case a handler raises
  // A record the filter turns away leaves a view that was the stored order until now.
  if (!visible && !own_view_) {
    view_.Assign(base_.ToVector());
    own_view_ = true;
  }
  const std::vector<Variant>& values = EditValues();
  TRecordList& view = View();
  if (State() == dsEdit) {
    const auto id = static_cast<TRecordId>(probe.Handle);
    for (int c = 0; c < store_->ColumnCount(); ++c) store_->Set(c, id, values[static_cast<std::size_t>(c)]);
    view.ForgetKey(id);  // the search keys kept for the sorted view, even where the record stays
    const std::int64_t pos = ViewPos(id);
    if (pos < 0) return;  // was not visible: nothing to move
    const auto n = static_cast<std::int64_t>(view.Size());
    const auto at = [&](std::int64_t p) { return view.At(static_cast<std::size_t>(p)); };
    const bool in_order = sort_keys_.empty() ||
                          ((pos == 0 || CompareByKeys(*store_, sort_keys_, at(pos - 1), id) <= 0) &&
                           (pos + 1 == n || CompareByKeys(*store_, sort_keys_, id, at(pos + 1)) <= 0));
    cursor_ = pos;
    if (visible && in_order) return;
    view.Erase(static_cast<std::size_t>(pos));
    if (visible) PlaceInView(id, pos);
    return;
  }
  const TRecordId id = store_->NewRecord();
  for (int c = 0; c < store_->ColumnCount(); ++c) store_->Set(c, id, values[static_cast<std::size_t>(c)]);
  // The stored order takes the record before the one it was inserted at (or first, or last).
  std::size_t stored = base_.Size();
  std::int64_t preferred = static_cast<std::int64_t>(view.Size());
  switch (probe.BookmarkFlag) {
    case bfEOF: break;
    case bfBOF:
      stored = 0;
      preferred = 0;
      break;
    default: {
      const auto before = static_cast<TRecordId>(probe.Handle);
      const std::int64_t at = base_.Find(before);
      if (at >= 0) stored = static_cast<std::size_t>(at);
      const std::int64_t pos = ViewPos(before);
      if (pos >= 0) preferred = pos;
    }
  }
  if (!own_view_) {
    // The view is the stored order: placing the record there shows it.
    base_.Insert(stored, id);
    cursor_ = static_cast<std::int64_t>(stored);
    return;
  }
  base_.Insert(stored, id);
  if (visible) {
    PlaceInView(id, preferred);
  } else {
    cursor_ = sort_keys_.empty() ? preferred : static_cast<std::int64_t>(SortedPlace(id));
  }
}

void TMemDataSet::InternalDelete() {
  if (tree_) return DeleteInTree();
  TRecordList& view = View();
  const auto n = static_cast<std::int64_t>(view.Size());
  if (cursor_ < 0 || cursor_ >= n) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  const TRecordId id = view.At(static_cast<std::size_t>(cursor_));
  view.Erase(static_cast<std::size_t>(cursor_));
  if (own_view_) base_.Erase(static_cast<std::size_t>(base_.Find(id)));
  store_->DeleteRecord(id);
}

}  // namespace lab
