// TDataSet: opening and closing, states, editing and the events to the data links.
#include "platform/db/dataset.h"

#include <algorithm>

#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/db_unit.h"
#include "platform/db/db_errors.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner), field_defs_(this) { UseUnit(DBUnit); }

TDataSet::~TDataSet() {
  Destroying();
  // A source told of this dataset's teardown by its owner has already let go of it, so each is
  // taken off the list here rather than asked to leave.
  while (!sources_.empty()) RemoveDataSource(sources_.back());
  DestroyFields();
}

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) DatabaseError(std::string(dbmsg::SDataSetClosed), this);
}

void TDataSet::CheckInactive() const {
  if (state_ != dsInactive) DatabaseError(std::string(dbmsg::SDataSetOpen), this);
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(std::string(dbmsg::SDataSetReadOnly), this);
}

bool TDataSet::IsEmpty() const { return active_ >= record_count_ && state_ != dsInsert; }

void TDataSet::DeclareProperties(TPropertyDeclarer<TDataSet>& P) {
  P.Property("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
  P.Property("Filter", &TDataSet::Filter, &TDataSet::SetFilter);
  P.Property("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered).Default(false);
  P.Property("AfterCancel", &TDataSet::AfterCancel);
  P.Property("AfterClose", &TDataSet::AfterClose);
  P.Property("AfterDelete", &TDataSet::AfterDelete);
  P.Property("AfterEdit", &TDataSet::AfterEdit);
  P.Property("AfterInsert", &TDataSet::AfterInsert);
  P.Property("AfterOpen", &TDataSet::AfterOpen);
  P.Property("AfterPost", &TDataSet::AfterPost);
  P.Property("AfterScroll", &TDataSet::AfterScroll);
  P.Property("BeforeCancel", &TDataSet::BeforeCancel);
  P.Property("BeforeClose", &TDataSet::BeforeClose);
  P.Property("BeforeDelete", &TDataSet::BeforeDelete);
  P.Property("BeforeEdit", &TDataSet::BeforeEdit);
  P.Property("BeforeInsert", &TDataSet::BeforeInsert);
  P.Property("BeforeOpen", &TDataSet::BeforeOpen);
  P.Property("BeforePost", &TDataSet::BeforePost);
  P.Property("BeforeScroll", &TDataSet::BeforeScroll);
  P.Property("OnCalcFields", &TDataSet::OnCalcFields);
  P.Property("OnFilterRecord", &TDataSet::OnFilterRecord);
  P.Property("OnNewRecord", &TDataSet::OnNewRecord);
}

void TDataSet::SetActive(bool Value) {
  if (ComponentState().Contains(csReading)) {
    streamed_active_ = Value;
    return;
  }
  if (Value == Active()) return;
  const bool destroying = ComponentState().Contains(csDestroying);
  if (Value) {
    Fire(BeforeOpen, this);
    OpenCursor();
    SetState(dsBrowse);
    Fire(AfterOpen, this);
    if (!IsEmpty()) Fire(AfterScroll, this);
  } else {
    if (!destroying) Fire(BeforeClose, this);
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) Fire(AfterClose, this);
  }
}

void TDataSet::GetChildren(const TGetChildProc&, TComponent*) {}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (streamed_active_) {
    streamed_active_ = false;
    SetActive(true);
  }
}

void TDataSet::OpenCursor() {
  {
    TScopeFail close([&] {
      if (IsCursorOpen()) InternalClose();
      DestroyFields();
    });
    default_fields_ = fields_.Count() == 0;
    InternalOpen();
    BindFields();
  }
  buffers_.assign(1, TRecordBuffer());
  buffer_count_ = 0;
  ClearBuffers();
  InternalFirst();
  UpdateBufferCount();
  bof_ = true;
  eof_ = record_count_ == 0;
}

void TDataSet::CloseCursor() {
  FreeFieldBuffers();
  ClearBuffers();
  buffers_.clear();
  buffer_count_ = 0;
  InternalClose();
  DestroyFields();
}

void TDataSet::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  // A record read in place is only ever read while browsing.
  read_record_no_ = 0;
  state_ = Value;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  const TDataSetState old = state_;
  state_ = Value;
  return old;
}

void TDataSet::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deFieldChange) {
    if (reinterpret_cast<TField*>(Info)->FieldKind() == fkData) modified_ = true;
    UpdateCalcFields();
  }
  // Pending edits of the controls are data, not display: they are collected even while the
  // controls are disabled, so a Post in a disabled stretch loses nothing.
  if (disable_count_ == 0 || Event == deUpdateRecord) {
    const std::vector<TDataSource*> sources = sources_;
    for (TDataSource* source : sources) source->DataEvent(Event, Info);
  } else if ((Event == deUpdateState && state_ == dsInactive) || Event == deLayoutChange) {
    enable_event_ = deLayoutChange;
  }
}

void TDataSet::DisableControls() {
  if (disable_count_ == 0) {
    disable_state_ = state_;
    enable_event_ = deDataSetChange;
  }
  ++disable_count_;
}

void TDataSet::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ > 0) return;
  if (disable_state_ != state_) DataEvent(deUpdateState, 0);
  if (disable_state_ != dsInactive && state_ != dsInactive) DataEvent(enable_event_, 0);
}

void TDataSet::AddDataSource(TDataSource* Source) {
  sources_.push_back(Source);
  Source->dataset_ = this;
  UpdateBufferCount();
  Source->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* Source) {
  Source->dataset_ = nullptr;
  sources_.erase(std::remove(sources_.begin(), sources_.end(), Source), sources_.end());
  Source->UpdateState();
  if (!ComponentState().Contains(csDestroying)) UpdateBufferCount();  // the cursor is gone by then
}

// ---- Editing ----

void TDataSet::InitRecord(TRecordBuffer& Buffer) {
  Buffer.Handle = -1;
  Buffer.Bookmark.clear();
  Buffer.BookmarkFlag = bfInserted;
  Buffer.Calc.assign(static_cast<std::size_t>(calc_count_), Null());
  Buffer.Editing = true;
  edit_values_.assign(static_cast<std::size_t>(field_defs_.Count()), Null());
}

void TDataSet::FreeFieldBuffers() {
  edit_values_.clear();
  for (TRecordBuffer& b : buffers_) b.Editing = false;
}

void TDataSet::Edit() {
  if (IsEditMode(state_)) return;
  if (record_count_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeEdit, this);
  UpdateCursorPos();
  InternalEdit();
  TRecordBuffer& buffer = buffers_[static_cast<std::size_t>(active_)];
  edit_values_.assign(static_cast<std::size_t>(field_defs_.Count()), Null());
  for (TField* f : fields_)
    if (f->FieldKind() == fkData && f->FieldNo() > 0)
      edit_values_[static_cast<std::size_t>(f->FieldNo() - 1)] = GetFieldData(f, buffer);
  buffer.Editing = true;
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  Fire(AfterEdit, this);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeInsert, this);
  Fire(BeforeScroll, this);
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  {
    TScopeFail cancel([&] {
      UpdateCursorPos();
      FreeFieldBuffers();
      SetState(dsBrowse);
      Resync({});
    });
    Fire(OnNewRecord, this);
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  Fire(AfterInsert, this);
  Fire(AfterScroll, this);
}

void TDataSet::Insert() {
  BeginInsertAppend();
  const bool empty = record_count_ == 0;
  const TRecordBuffer old = empty ? TRecordBuffer() : buffers_[static_cast<std::size_t>(active_)];
  MoveBuffer(record_count_, active_);
  TRecordBuffer& buffer = buffers_[static_cast<std::size_t>(active_)];
  InitRecord(buffer);
  if (empty) {
    buffer.BookmarkFlag = bfBOF;
  } else {
    buffer.Handle = old.Handle;
    buffer.Bookmark = old.Bookmark;
  }
  if (record_count_ < buffer_count_) ++record_count_;
  // The cursor no longer matches the shifted buffers.
  CursorPosChanged();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer& buffer = buffers_[0];
  InitRecord(buffer);
  buffer.BookmarkFlag = bfEOF;
  record_count_ = 1;
  bof_ = false;
  GetPriorRecords();
  InternalLast();
  CursorPosChanged();
  EndInsertAppend();
}

void TDataSet::UpdateRecord() {
  if (!IsEditMode(state_)) DatabaseError(std::string(dbmsg::SNotEditing), this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
  UpdateRecord();
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforePost, this);
  CheckRequiredFields();
  UpdateCursorPos();
  // Links that keep totals hear what the post did before the display links see the new window.
  const bool observed = RecordsObserved();
  TRecordChange change;
  int count_before = 0;
  if (observed) {
    change.Described = IsSequenced();
    if (state_ == dsEdit) change.OldValues = StoredValues();
    change.NewValues = edit_values_;
    // Links keeping totals refuse values they cannot take while nothing is stored yet.
    ForEachRecordObserver([&change](TDataLink* Link) { Link->CheckPost(change); });
    if (change.Described) count_before = RecordCount();
    else change = TRecordChange{};
  }
  InternalPost();
  if (observed) {
    // A sequenced dataset tells by its count whether the record is among the visible ones now.
    if (change.Described) {
      const int grown = RecordCount() - count_before;
      const int expected = state_ == dsEdit ? 0 : 1;
      if (grown == expected - 1) change.NewValues.clear();
      else if (grown != expected) change = TRecordChange{};
    }
    NotifyRecordsChanged(change);
  }
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  Fire(AfterPost, this);
}

void TDataSet::Cancel() {
  if (!IsEditMode(state_)) return;
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeCancel, this);
  UpdateCursorPos();
  if (state_ == dsEdit) InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  Fire(AfterCancel, this);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (record_count_ == 0) DatabaseError(std::string(dbmsg::SDataSetEmpty), this);
  CheckCanModify();
  DataEvent(deCheckBrowseMode, 0);
  Fire(BeforeDelete, this);
  Fire(BeforeScroll, this);
  UpdateCursorPos();
  const bool observed = RecordsObserved();
  TRecordChange change;
  int count_before = 0;
  if (observed) {
    change.Described = true;
    change.OldValues = StoredValues();
    if (IsSequenced()) count_before = RecordCount();
  }
  InternalDelete();
  if (observed) {
    // A sequenced dataset tells by its count whether the record alone left the visible ones (a
    // tree shows the children of a deleted node as roots).
    if (IsSequenced() && RecordCount() != count_before - 1) change = TRecordChange{};
    NotifyRecordsChanged(change);
  }
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync({});
  Fire(AfterDelete, this);
  Fire(AfterScroll, this);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (IsEditMode(state_)) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  }
}

void TDataSet::SetFilter(const std::string& Value) {
  filter_ = Value;
  if (Active() && filtered_) RecordsReplaced();
}

void TDataSet::SetFiltered(bool Value) {
  filtered_ = Value;
  if (Active()) RecordsReplaced();
}

void TDataSet::RecordsReplaced() {
  if (RecordsObserved()) NotifyRecordsChanged(TRecordChange{});
}

Variant TDataSet::RecordValue(int, const TField*) const {
  DatabaseError("Records cannot be read in place", this);
}

bool TDataSet::GetRecordAt(int, TRecordBuffer&) const { return false; }

void TDataSet::BeginReadRecord(int RecNo) {
  if ((state_ != dsBrowse && state_ != dsEdit) || !CanReadRecordValues())
    DatabaseError("Records cannot be read in place", this);
  TRecordBuffer buffer;
  if (!GetRecordAt(RecNo, buffer)) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  read_buffer_ = std::move(buffer);
  read_record_no_ = RecNo;
  if (calc_count_ > 0) {
    // Calculated fields of the record itself: computed while it is the one read.
    read_buffer_.Calc.assign(static_cast<std::size_t>(calc_count_), Null());
    GetCalcFields(read_buffer_);
  }
}

void TDataSet::EndReadRecord() noexcept { read_record_no_ = 0; }

bool TDataSet::RecordsObserved() const {
  for (const TDataSource* source : sources_)
    for (const TDataLink* link : source->links_)
      if (link->ObservesRecords() && link->Active()) return true;
  return false;
}

// Told even while the controls are disabled: a total that missed a post would stay wrong.
void TDataSet::NotifyRecordsChanged(const TRecordChange& Change) {
  ForEachRecordObserver([&Change](TDataLink* Link) { Link->RecordsChanged(Change); });
}

// A link may leave (or its source go) while another is told.
void TDataSet::ForEachRecordObserver(const std::function<void(TDataLink*)>& Action) {
  const std::vector<TDataSource*> sources = sources_;
  for (TDataSource* source : sources) {
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end()) continue;
    const std::vector<TDataLink*> links = source->links_;
    for (TDataLink* link : links)
      if (std::find(source->links_.begin(), source->links_.end(), link) != source->links_.end() &&
          link->ObservesRecords() && link->Active())
        Action(link);
  }
}

std::vector<Variant> TDataSet::StoredValues() const {
  std::vector<Variant> values(static_cast<std::size_t>(field_defs_.Count()), Null());
  const TRecordBuffer& buffer = ActiveBuffer();
  if (buffer.BookmarkFlag != bfCurrent || buffer.Handle < 0) return values;
  for (const TField* f : fields_)
    if (f->FieldKind() == fkData && f->field_no_ > 0 && static_cast<std::size_t>(f->field_no_) <= values.size())
      values[static_cast<std::size_t>(f->field_no_ - 1)] = GetFieldData(f, buffer);
  return values;
}

}  // namespace lab
