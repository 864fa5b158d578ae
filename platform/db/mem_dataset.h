#pragma once
// TMemDataSet: a dataset whose records live in memory, for tests, examples and benchmarks.
//
// Define the stored fields with FieldDefs (or persistent fields), then Open: the dataset starts
// empty, and Close discards its records (save them with SaveToCSV). Records are kept by column
// with a stable id each; a bookmark is that id, so bookmarks survive sorting and filtering, and a
// move, a bookmark jump and a RecNo read cost the same for a thousand records as for a million.
//
// SortFields orders the records ("Name; Age DESC": fields separated by ";", each optionally
// followed by ASC or DESC); equal records keep their stored order, and an empty text restores it.
// New and edited records take their place in the order when posted. Filter (a filter text, see
// filter_text.h) and OnFilterRecord hide records while Filtered; a posted record that fails the
// filter leaves the view. Locate and Lookup search the visible records, with a binary search
// when the dataset is sorted on the key fields (over search keys of the first record of each block
// of the sorted view, a number's order or the start of a text's sort key, read as the view is made).
//
// SetTreeFields shows the records as a tree (mem_tree.h): a key field and a parent-key field link
// each record to its parent, the records are in tree order, and a collapsed node's descendants are
// no records until it is expanded (TreeExpand, TreeCollapse, TreeToggle on the current record).
// Sorting orders the children of each node; a record the filter hides takes its descendants'
// parent key out of the tree, so they are roots.
//
// MoveRecords reorders the records by hand: it moves some of them, keeping their order, to stand
// together before another, in the stored order too (SaveToCSV writes them so, and an empty
// SortFields comes back to it).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/filter_text.h"
#include "platform/db/mem_sort.h"
#include "platform/db/mem_store.h"
#include "platform/db/mem_tree.h"
#include "platform/db/record_list.h"

namespace lab {

class TMemDataSet : public TDataSet {
  LAB_CLASS(TMemDataSet, TDataSet)
  LAB_PROPERTIES(TMemDataSet, TDataSet)
 public:
  explicit TMemDataSet(TComponent* AOwner);
  ~TMemDataSet() override;

  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool Value) { read_only_ = Value; }

  int RecNo() const override;
  // Out-of-range numbers go to the first or last record.
  void SetRecNo(int Value) override;
  int RecordCount() const override;
  bool IsSequenced() const override { return true; }

  // Reads the column storage in place.
  bool CanReadRecordValues() const override { return store_ != nullptr; }
  Variant RecordValue(int RecNo, const TField* Field) const override;
  bool GetRecordAt(int RecNo, TRecordBuffer& Buffer) const override;

  bool BookmarkValid(const TBookmark& Value) const override;
  int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const override;
  // A visible record's place; the stamp is its view's, which changes with any record that comes,
  // goes or moves.
  std::uint64_t BookmarkOrderStamp() const override { return store_ ? View().Stamp() : 0; }
  bool BookmarkOrderKey(const TBookmark& Bookmark, std::int64_t& Key) const override;

  bool Locate(std::string_view KeyFields, const Variant& KeyValues, TLocateOptions Options) override;
  Variant Lookup(std::string_view KeyFields, const Variant& KeyValues, std::string_view ResultFields) override;

  const std::string& SortFields() const { return sort_text_; }
  // Re-orders an open dataset at once, keeping the current record; raises "Field '%s' not found"
  // or "Field '%s' cannot be used for sorting" (calculated and lookup fields) and keeps the old
  // order then.
  void SetSortFields(const std::string& Value);

  // Moves the visible records of Bookmarks, in their order in the view, to stand together right
  // before record BeforeRecNo (RecordCount() + 1: after the last), a record among them standing
  // for the first one after it that is not; records the filter hides keep their places. Pending
  // edits are posted first and the current record stays current. Answers false and moves nothing
  // while the records are sorted or shown as a tree, in a read-only or closed dataset, for no
  // bookmarks, one of no visible record or a number out of range; CheckOnly answers only that.
  bool MoveRecords(const std::vector<TBookmark>& Bookmarks, int BeforeRecNo, bool CheckOnly = false);

  // An invalid filter text raises when set on an open dataset (or at Open) and leaves the old one.
  void SetFilter(const std::string& Value) override;
  // Applies the filter and goes to the first record.
  void SetFiltered(bool Value) override;

  // The tree view by KeyField and ParentField (stored fields of one kind, numbers or texts); two
  // empty names end it. Raises "Field '%s' not found", or "Fields '%s' and '%s' cannot make a
  // tree" for fields of different kinds, and keeps the view as it was then. Set while closed, the
  // names are checked at Open. The current record stays current (its ancestors are expanded).
  void SetTreeFields(const std::string& KeyField, const std::string& ParentField);
  const std::string& TreeKeyField() const noexcept { return tree_key_field_; }
  const std::string& TreeParentField() const noexcept { return tree_parent_field_; }
  bool TreeViewShown() const noexcept { return tree_ != nullptr; }
  // The node of the active record (the record read in place while one is); a record being inserted
  // is a root without children. Level 0 without a tree view or records.
  TMemTreeNode TreeNode() const;
  // The deepest level of the tree; 0 without a tree view.
  int TreeLevels() const;
  // Expands, collapses or toggles the current record's node: its descendants come as records after
  // it, or go. A record without children changes nothing.
  void TreeExpand() { ChangeTreeNode(TTreeNodeChange::Expand); }
  void TreeCollapse() { ChangeTreeNode(TTreeNodeChange::Collapse); }
  void TreeToggle() { ChangeTreeNode(TTreeNodeChange::Toggle); }
  void ChangeTreeNode(TTreeNodeChange Change);

  // The distinct non-null values of a stored field over all records, filtered or not, in the field's
  // ascending order (texts by the locale, apart unless their bytes are the same); of values the order
  // finds alike (0 and -0, NaNs) the first stored stands for them.
  std::vector<Variant> DistinctValues(std::string_view FieldName) const;
  // Removes every record.
  void EmptyDataSet();

  // Replaces the records with those of CSV text (see csv.h), all or nothing: a bad line raises an
  // error naming the line and field and leaves the records as they were. A closed dataset is
  // opened; without field definitions it gets one string field per column.
  void LoadFromCSV(std::string_view Text);
  void LoadFromCSVFile(const std::string& FileName);
  // Every record in stored order, whatever the sorting and filtering.
  std::string SaveToCSV() const;
  void SaveToCSVFile(const std::string& FileName) const;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return store_ != nullptr; }
  TGetResult GetRecord(TRecordBuffer& Buffer, TGetMode GetMode) override;
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = static_cast<std::int64_t>(View().Size()); }
  void InternalSetToRecord(const TRecordBuffer& Buffer) override;
  void InternalGotoBookmark(const TBookmark& Value) override;
  Variant GetFieldData(const TField* Field, const TRecordBuffer& Buffer) const override;
  void InternalPost() override;
  void InternalDelete() override;
  bool GetCanModify() const override { return !read_only_; }

 private:
  // The visible records in their order: the stored order itself while neither sorted nor filtered.
  TRecordList& View() { return own_view_ ? view_ : base_; }
  const TRecordList& View() const { return own_view_ ? view_ : base_; }
  // A record's place in the view, or -1 when it is not visible.
  std::int64_t ViewPos(TRecordId Id) const { return View().Find(Id); }
  // Makes the view from the records of Ids that are to be seen, in stored order.
  void SetView(std::vector<TRecordId> Ids);
  void RebuildView();
  bool Accepts(TRecordBuffer& Buffer);
  bool Filtering() const { return Filtered() && (!filter_expr_.Empty() || OnFilterRecord); }
  void ParseFilter(const std::string& Text);
  std::vector<TSortKey> ParseSortFields(const std::string& Text) const;
  // A sorted view (not a tree, sorted only among siblings) keeps search keys for its blocks' first
  // records: a record's key is its first sort field's order key (a number's, or its text's),
  // reversed when the field descends; a value's likewise. A text's key costs a comparison to make:
  // searches read it for first records only.
  bool HasViewKeys() const { return !sort_keys_.empty() && !tree_; }
  bool ViewKeysInBlock() const { return HasOrderKey(store_->Column(sort_keys_[0].Column)); }
  std::uint64_t ViewKey(TRecordId Id) const;
  std::uint64_t ViewKey(const Variant& Value) const;
  // The view just made from sorted ids.
  void AssignView(const std::vector<TRecordId>& Ids);
  // Where a record belongs in the sorted view (after its equals).
  std::size_t SortedPlace(TRecordId Id) const;
  void PlaceInView(TRecordId Id, std::int64_t Preferred);
  // The first visible record matching the keys; -1 when none.
  std::int64_t FindRecord(std::string_view KeyFields, const Variant& KeyValues, TLocateOptions Options);
  void ReplaceStore(std::unique_ptr<TMemStore> Store, std::vector<TRecordId> Order);
  // The tree view: its fields' columns found and checked; posting and deleting there (the tree is
  // built again around the record).
  std::unique_ptr<TMemTree> MakeTree() const;
  void PostInTree();
  void DeleteInTree();

  std::unique_ptr<TMemStore> store_;
  TRecordList base_;  // live records in stored order
  TRecordList view_;  // visible records in the current order, while sorted or filtered
  bool own_view_ = false;
  std::int64_t cursor_ = -1;  // position in the view; -1 before the first, its size after the last
  // The fields Locate and Lookup were last asked for, by the text that named them, while the
  // fields' stamp holds: a program searching by the same fields again parses nothing.
  std::string key_fields_text_;
  unsigned key_fields_stamp_ = 0;
  std::vector<TField*> key_fields_;
  std::vector<TSortKey> sort_keys_;
  std::string sort_text_;
  TFilterExpression filter_expr_;
  bool read_only_ = false;
  std::string tree_key_field_, tree_parent_field_;
  std::unique_ptr<TMemTree> tree_;  // while the tree view is shown
};

}  // namespace lab
