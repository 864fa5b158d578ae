// TMemDataSet: the tree view (mem_tree.h): its fields, the nodes of records, expanding and
// collapsing, and posting and deleting while the records show as a tree.
#include "platform/db/db_errors.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

std::unique_ptr<TMemTree> TMemDataSet::MakeTree() const {
  const int key = FieldDefs().IndexOf(tree_key_field_), parent = FieldDefs().IndexOf(tree_parent_field_);
  if (key < 0) DatabaseErrorFmt(dbmsg::SFieldNotFound, this, tree_key_field_);
  if (parent < 0) DatabaseErrorFmt(dbmsg::SFieldNotFound, this, tree_parent_field_);
  auto text = [this](int Index) { return ColumnKindOf(FieldDefs()[Index].DataType()) == TColumnKind::Text; };
  if (text(key) != text(parent) || FieldDefs()[key].DataType() == ftBlob || FieldDefs()[parent].DataType() == ftBlob)
    DatabaseErrorFmt(dbmsg::SNoTreeFields, this, tree_key_field_, tree_parent_field_);
  return std::make_unique<TMemTree>(key, parent);
}

void TMemDataSet::SetTreeFields(const std::string& KeyField, const std::string& ParentField) {
  const bool shown = !KeyField.empty() || !ParentField.empty();
  std::string old_key = std::exchange(tree_key_field_, shown ? KeyField : std::string());
  std::string old_parent = std::exchange(tree_parent_field_, shown ? ParentField : std::string());
  TScopeFail restore([&] {
    tree_key_field_ = std::move(old_key);
    tree_parent_field_ = std::move(old_parent);
  });
  if (!Active()) return;
  std::unique_ptr<TMemTree> tree = shown ? MakeTree() : nullptr;
  CheckBrowseMode();
  const bool had_record = BufferRecordCount() > 0;
  const auto current = had_record ? static_cast<TRecordId>(ActiveBuffer().Handle) : 0;
  std::unique_ptr<TMemTree> old_tree = std::exchange(tree_, std::move(tree));
  {
    TScopeFail back([&] { tree_ = std::move(old_tree); });
    RebuildView();
  }
  if (had_record && tree_ && tree_->Holds(current)) {
    tree_->Reveal(current);
    view_.Assign(tree_->Rows());
  }
  cursor_ = had_record ? ViewPos(current) : -1;
  CursorPosChanged();
  RecordsReplaced();
  Resync({rmCenter});
}

TMemTreeNode TMemDataSet::TreeNode() const {
  if (!tree_ || !Active() || BufferRecordCount() == 0) return {};
  const TRecordBuffer& b = ActiveBuffer();
  const auto id = static_cast<TRecordId>(b.Handle);
  if (b.BookmarkFlag != bfCurrent || !tree_->Holds(id)) {
    TMemTreeNode node;
    node.Level = 1;
    node.Follows = {false};
    return node;
  }
  TMemTreeNode node = tree_->Node(id);
  const std::int64_t pos = ViewPos(id);
  if (pos >= 0 && static_cast<std::size_t>(pos) + 1 < View().Size())
    node.NextLevel = tree_->Level(View().At(static_cast<std::size_t>(pos) + 1));
  return node;
}

int TMemDataSet::TreeLevels() const { return tree_ ? tree_->Levels() : 0; }

void TMemDataSet::ChangeTreeNode(TTreeNodeChange Change) {
  if (!tree_ || !Active()) return;
  CheckBrowseMode();
  EndReadRecord();
  if (BufferRecordCount() == 0 || ActiveBuffer().BookmarkFlag != bfCurrent) return;
  const auto id = static_cast<TRecordId>(ActiveBuffer().Handle);
  const bool expand = Change == TTreeNodeChange::Toggle ? !tree_->Expanded(id) : Change == TTreeNodeChange::Expand;
  if (!tree_->SetExpanded(id, expand)) return;
  view_.Assign(tree_->Rows());
  cursor_ = ViewPos(id);
  CursorPosChanged();
  RecordsReplaced();
  Resync({});
}

void TMemDataSet::PostInTree() {
  TRecordBuffer probe = ActiveBuffer();
  probe.Editing = true;
  const bool visible = Accepts(probe);  // before anything changes, in case a handler raises
  TRecordId id;
  if (State() == dsEdit) {
    id = static_cast<TRecordId>(probe.Handle);
  } else {
    // The stored order takes the record before the one it was inserted at (or first, or last).
    std::size_t stored = base_.Size();
    if (probe.BookmarkFlag == bfBOF) {
      stored = 0;
    } else if (probe.BookmarkFlag != bfEOF) {
      const std::int64_t at = base_.Find(static_cast<TRecordId>(probe.Handle));
      if (at >= 0) stored = static_cast<std::size_t>(at);
    }
    id = store_->NewRecord();
    base_.Insert(stored, id);
  }
  const std::vector<Variant>& values = EditValues();
  for (int c = 0; c < store_->ColumnCount(); ++c) store_->Set(c, id, values[static_cast<std::size_t>(c)]);
  RebuildView();
  // A record posted under a collapsed node shows: its ancestors open.
  if (!visible) return;
  tree_->Reveal(id);
  view_.Assign(tree_->Rows());
  cursor_ = ViewPos(id);
}

void TMemDataSet::DeleteInTree() {
  const auto n = static_cast<std::int64_t>(view_.Size());
  if (cursor_ < 0 || cursor_ >= n) DatabaseError(std::string(dbmsg::SRecordNotFound), this);
  const TRecordId id = view_.At(static_cast<std::size_t>(cursor_));
  // The cursor goes to the record that followed; the deleted record's children are roots now.
  const bool last = cursor_ + 1 >= n;
  const TRecordId next = last ? 0 : view_.At(static_cast<std::size_t>(cursor_ + 1));
  base_.Erase(static_cast<std::size_t>(base_.Find(id)));
  store_->DeleteRecord(id);
  RebuildView();
  cursor_ = last ? static_cast<std::int64_t>(view_.Size()) : ViewPos(next);
}

}  // namespace lab
