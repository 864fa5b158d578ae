#pragma once
// TDataSet: the framework's dataset model. A dataset keeps a window of record buffers around its
// current record for the data links that show it: BufferCount buffers (the largest need of its
// links, at least 1), of which BufferRecordCount hold records and ActiveRecord is the current one.
// Every change goes to the data links as a DataEvent through the data sources.
//
// Bof turns true at First and when a move runs past the first record; Eof at Last and when a move
// runs past the last record (moving onto the last record leaves it false); Append also leaves Eof
// true. Bookmarks are opaque byte strings; only the dataset that made one can interpret it.
//
// Descendants store the records: they implement the cursor (GetRecord, InternalFirst, ...), field
// reads (GetFieldData), posting and deleting, bookmarks, record numbers and Locate/Lookup.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/component.h"
#include "platform/db/fields.h"

namespace lab {

class TDataSource;
class TDataLink;
struct TRecordChange;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

// One slot of the window: which record it holds (Handle and Bookmark are the descendant's), and
// the record's calculated and lookup values.
struct TRecordBuffer {
  std::int64_t Handle = -1;
  TBookmark Bookmark;
  TBookmarkFlag BookmarkFlag = bfCurrent;
  bool Editing = false;  // this buffer is the record being edited; its values are the edit values
  std::vector<Variant> Calc;
};

class TDataSet : public TComponent {
  LAB_CLASS(TDataSet, TComponent)
  LAB_PROPERTIES(TDataSet, TComponent)
 public:
  explicit TDataSet(TComponent* AOwner);
  // Detaches its data sources and frees its fields. Descendants close the dataset in their own
  // destructor, while their records are still there.
  ~TDataSet() override;

  // ---- Opening and state ----
  bool Active() const { return state_ != dsInactive; }
  // While the dataset is read from a form this only records the wish: Loaded opens it, once the
  // form's other components (its fields' lookup datasets, its data sources) are there.
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }
  bool CanModify() const { return GetCanModify(); }
  bool IsEmpty() const;

  // ---- Navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Answers the number of records actually moved (negative backwards).
  int MoveBy(int Distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  // 1-based number of the active record in the current order; record count of the visible records.
  virtual int RecNo() const = 0;
  virtual void SetRecNo(int Value) = 0;
  virtual int RecordCount() const = 0;
  // Whether RecNo and RecordCount are meaningful.
  virtual bool IsSequenced() const = 0;

  // ---- Bookmarks ----
  // The active record's bookmark; empty when there is none (closed, empty, or a new record).
  TBookmark Bookmark() const;
  void SetBookmark(const TBookmark& Value) { GotoBookmark(Value); }
  // Makes the bookmarked record current, centred in the window; an empty bookmark does nothing;
  // one of no visible record raises "Record not found".
  void GotoBookmark(const TBookmark& Value);
  virtual bool BookmarkValid(const TBookmark& Value) const = 0;
  // Orders bookmarks as their records stand in the dataset: negative, 0 or positive. An empty
  // bookmark comes before every other.
  virtual int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const = 0;
  // For datasets that can order bookmarks by number, so a long list of them is searched without
  // asking the dataset at each step: a valid bookmark's key orders as CompareBookmarks does among
  // valid bookmarks, and holds for as long as BookmarkOrderStamp() answers the same; any other
  // bookmark has no key (false). The stamp changes whenever the order of the records or which
  // bookmarks are valid may have changed; 0 means no keys.
  virtual std::uint64_t BookmarkOrderStamp() const { return 0; }
  virtual bool BookmarkOrderKey(const TBookmark& /*Bookmark*/, std::int64_t& /*Key*/) const { return false; }

  // ---- Editing ----
  // Edit of an empty dataset inserts.
  void Edit();
  void Insert();
  void Append();
  // A failing Post (a required field without value, a handler that raises) leaves the record in
  // edit or insert mode with every value kept.
  void Post();
  void Cancel();
  // In insert mode cancels; in an empty dataset raises "Cannot perform this operation on an empty
  // dataset".
  void Delete();
  // Posts a modified record, cancels an unmodified one.
  void CheckBrowseMode();
  // Asks the data links to write their pending edits into the fields.
  void UpdateRecord();

  // ---- Data links ----
  void DisableControls();
  // When the last DisableControls is undone the links hear of a state change that happened
  // meanwhile, then one deDataSetChange (deLayoutChange when the layout changed).
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ > 0; }
  int BufferCount() const { return buffer_count_; }
  int ActiveRecord() const { return active_; }
  int BufferRecordCount() const { return record_count_; }
  // Rebuilds the window around the cursor's record: with rmExact that record must still exist
  // ("Record not found"); with rmCenter it goes to the middle of the window, else it keeps its row.
  void Resync(TResyncMode Mode);
  // Puts the cursor on the active record (after a link moved ActiveRecord, for instance).
  void UpdateCursorPos();
  // Forgets where the cursor stands: the next cursor use repositions it.
  void CursorPosChanged() { current_ = -1; }
  // Info: a TField* for deFieldChange and deRecordChange (or 0), the window's shift for
  // deDataSetScroll, a TField** for deFocusControl.
  virtual void DataEvent(TDataEvent Event, std::intptr_t Info);

  // ---- Fields ----
  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  TFieldDefs& FieldDefs() { return field_defs_; }
  const TFieldDefs& FieldDefs() const { return field_defs_; }
  // Whether the dataset made its fields itself from FieldDefs when it last opened (it had no
  // persistent fields then); false until it first opens.
  bool DefaultFields() const { return default_fields_; }
  // Form streaming: a dataset writes no components inside it. The fields it makes are its own, and a
  // form describes the columns through the definitions.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  int FieldCount() const { return fields_.Count(); }
  // "Field '%s' not found" when missing.
  TField* FieldByName(std::string_view FieldName) const;
  TField* FindField(std::string_view FieldName) const { return fields_.FindField(FieldName); }
  // The fields of a ";" list, in its order; raises for a missing one.
  void GetFieldList(std::vector<TField*>& List, std::string_view FieldNames) const;
  // One field's value, or an array of the values of a ";" list. Setting takes an array for
  // several fields; Null clears each of them.
  Variant FieldValues(std::string_view FieldNames) const;
  void SetFieldValues(std::string_view FieldNames, const Variant& Value);

  // ---- Reading records in place ----
  // Whether RecordValue reads the visible records without moving the cursor (a dataset that holds
  // every record at hand); readers of all records (totals) use it where they can.
  virtual bool CanReadRecordValues() const { return false; }
  // The stored value of data field Field in visible record RecNo (1-based, in the current order),
  // read without moving the cursor or touching the record window. "Record not found" for a RecNo
  // outside the visible records; EDatabaseError where CanReadRecordValues is false.
  virtual Variant RecordValue(int RecNo, const TField* Field) const;
  // Between BeginReadRecord and EndReadRecord the fields, Bookmark and RecNo show visible record
  // RecNo (1-based) in place of the active one, calculated fields included: nothing moves and no
  // link hears of it (a grid that shows every record as a row paints them so). Only in browse
  // mode, or in edit mode for the other records (their stored values), where CanReadRecordValues
  // holds; EDatabaseError otherwise, or "Record not found" outside the visible records. Calls do
  // not nest: a second begin reads another record. A change of state ends the reading.
  void BeginReadRecord(int RecNo);
  void EndReadRecord() noexcept;
  // The record being read, or 0.
  int ReadRecordNo() const noexcept { return read_record_no_; }

  // ---- Searching ----
  // Makes the first record whose KeyFields (";" list) equal KeyValues (an array for several
  // fields) current, and answers whether there was one.
  virtual bool Locate(std::string_view KeyFields, const Variant& KeyValues, TLocateOptions Options) = 0;
  // The value (array for several) of ResultFields of the first such record, Null when none; the
  // current record stays.
  virtual Variant Lookup(std::string_view KeyFields, const Variant& KeyValues, std::string_view ResultFields) = 0;

  // ---- Filtering ----
  const std::string& Filter() const { return filter_; }
  // On an open dataset, links that observe the records hear that they changed undescribed.
  virtual void SetFilter(const std::string& Value);
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool Value);
  // Consulted while Filtered; set it before switching Filtered on (setting Filtered again
  // re-applies it).
  TFilterRecordEvent OnFilterRecord;

  // ---- Events ----
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;

 protected:
  void Loaded() override;

  // ---- What descendants implement ----
  // Opens the records; field definitions must be known afterwards (BindFields is called next).
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  // Moves the cursor (gmNext, gmPrior) or stays (gmCurrent) and describes its record in Buffer
  // (Handle, Bookmark, BookmarkFlag bfCurrent); grBOF / grEOF when there is none.
  virtual TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode GetMode) = 0;
  // The cursor before the first / after the last record.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  // The cursor on a buffer's record; for a new record (bfInserted) on the record it was inserted
  // before, for bfBOF before the first and for bfEOF after the last.
  virtual void InternalSetToRecord(const TRecordBuffer& Buffer) = 0;
  // Raises "Record not found" when the bookmark names no visible record.
  virtual void InternalGotoBookmark(const TBookmark& Value) = 0;
  // A stored field's value in the stored form of its type.
  virtual Variant GetFieldData(const TField* Field, const TRecordBuffer& Buffer) const = 0;
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  // Stores EditValues for the cursor's record (dsEdit) or as a new record placed by the active
  // buffer's flag and handle (dsInsert), leaving the cursor on it.
  virtual void InternalPost() = 0;
  virtual void InternalCancel() {}
  // Deletes the cursor's record, leaving the cursor on the record that followed it.
  virtual void InternalDelete() = 0;
  virtual bool GetCanModify() const { return true; }

  // ---- Services for descendants ----
  // Makes fields from FieldDefs when there are no persistent ones, else binds the persistent
  // data fields to their definitions; numbers the calculated and lookup fields.
  void BindFields();
  const std::vector<Variant>& EditValues() const { return edit_values_; }
  // The active record's buffer; while a record is read in place, that record's.
  const TRecordBuffer& ActiveBuffer() const {
    return read_record_no_ > 0 ? read_buffer_ : buffers_[static_cast<std::size_t>(active_)];
  }
  // Describes visible record RecNo (1-based) in Buffer (Handle, Bookmark, BookmarkFlag) for
  // reading it in place; false when there is no such record.
  virtual bool GetRecordAt(int RecNo, TRecordBuffer& Buffer) const;
  // Runs OnFilterRecord for the record Buffer describes.
  bool FilterRecord(TRecordBuffer& Buffer);
  bool HasCalcFields() const { return calc_count_ > 0; }
  // Fills Buffer's calculated and lookup values.
  void GetCalcFields(TRecordBuffer& Buffer);
  // A field's value in the record Buffer describes (not one in the window), calculated values
  // included.
  Variant RecordFieldValue(const TField* Field, TRecordBuffer& Buffer);
  // Tells the links that observe the records that the visible records changed in a way no single
  // post describes (new contents, a new filter): they count again.
  void RecordsReplaced();
  void CheckActive() const;
  void CheckInactive() const;
  void CheckCanModify() const;

 private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;

  void OpenCursor();
  void CloseCursor();
  void SetState(TDataSetState Value);
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value) { state_ = Value; }
  const TRecordBuffer* ReadBuffer() const;
  TRecordBuffer* ReadBuffer();
  Variant ReadField(const TField* Field) const;
  void WriteField(TField* Field, Variant Value);
  void CalculateFields(TRecordBuffer& Buffer);
  void UpdateCalcFields();
  void CheckRequiredFields();
  void DestroyFields();
  void AddField(TField* Field);
  void RemoveField(TField* Field);

  void ClearBuffers();
  void ActivateBuffers();
  void MoveBuffer(int CurIndex, int NewIndex);
  void SetCurrentRecord(int Index);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void SetBufferCount(int Value);
  void UpdateBufferCount();
  void AdjustFirstRecord(int Delta);
  void InitRecord(TRecordBuffer& Buffer);
  void FreeFieldBuffers();
  void BeginInsertAppend();
  void EndInsertAppend();
  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);
  // Whether a link observes the records (TDataLink::ObservesRecords), and telling those links.
  bool RecordsObserved() const;
  void NotifyRecordsChanged(const TRecordChange& Change);
  void ForEachRecordObserver(const std::function<void(TDataLink*)>& Action);
  // The stored values of the active buffer's record, by FieldNo - 1.
  std::vector<Variant> StoredValues() const;
  static void Fire(const TDataSetNotifyEvent& Event, TDataSet* Self) {
    if (Event) Event(Self);
  }

  TDataSetState state_ = dsInactive;
  bool streamed_active_ = false;
  bool default_fields_ = false;
  bool modified_ = false;
  bool bof_ = true, eof_ = true;
  TFields fields_;
  TFieldDefs field_defs_;
  int calc_count_ = 0;
  std::vector<Variant> edit_values_;
  std::vector<TRecordBuffer> buffers_;  // BufferCount + 1: the last is the spare a read fills
  int buffer_count_ = 0, record_count_ = 0, active_ = 0, current_ = -1;
  TRecordBuffer* calc_buffer_ = nullptr;
  TRecordBuffer* filter_buffer_ = nullptr;
  TRecordBuffer read_buffer_;
  int read_record_no_ = 0;
  int disable_count_ = 0;
  TDataSetState disable_state_ = dsInactive;
  TDataEvent enable_event_ = deDataSetChange;
  std::vector<TDataSource*> sources_;
  std::string filter_;
  bool filtered_ = false;
};

}  // namespace lab
