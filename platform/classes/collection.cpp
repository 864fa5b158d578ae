#include "platform/classes/collection.h"

#include <algorithm>

#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// ---- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* Collection) {
  if (Collection) Collection->Link(this);
}

TCollectionItem::~TCollectionItem() { LeaveCollection(); }

void TCollectionItem::LeaveCollection() {
  if (collection_) collection_->RemoveItem(this, !announced_);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == collection_) return;
  if (collection_) collection_->RemoveItem(this, true);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  const auto& items = collection_->items_;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || current == Value) return;
  auto& items = collection_->items_;
  if (Value < 0 || Value >= static_cast<int>(items.size())) throw EListError("List index out of bounds (%d)", Value);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

void TCollectionItem::SetDisplayName(const std::string&) { Changed(false); }

std::string TCollectionItem::GetDisplayName() { return std::string(ClassName()); }

TPersistent* TCollectionItem::GetOwner() { return collection_; }

std::string TCollectionItem::GetNamePath() {
  if (!collection_) return std::string(ClassName());
  return Format("%s[%d]", collection_->GetNamePath(), Index());
}

void TCollectionItem::Changed(bool AllItems) {
  if (collection_ && collection_->update_count_ == 0) collection_->Update(AllItems ? nullptr : this);
}

// ---- TCollection

namespace {

// Runs Body inside BeginUpdate/EndUpdate; the update also ends when Body fails.
template <class F>
void InUpdate(TCollection& c, F Body) {
  c.BeginUpdate();
  TScopeExit end_update([&] { c.EndUpdate(); });
  Body();
}

}  // namespace

TCollection::TCollection(TCollectionItemClass ItemClass) : item_class_(ItemClass) {
  if (!item_class_ || !item_class_->NewItem)
    throw EInvalidOperation("A collection needs an item class that can be created");
}

TCollection::~TCollection() {
  // No Update calls while going away.
  update_count_ = 1;
  while (!items_.empty()) FreeItem(items_.back());
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", Index);
  return items_[static_cast<std::size_t>(Index)];
}

void TCollection::SetItem(int Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }

TCollectionItem* TCollection::NewItem() {
  TCollectionItem* item = item_class_->NewItem(this);
  if (item->collection_ != this) {
    // An item class whose constructor does not pass the collection on.
    delete item;
    throw EInvalidOperation("Item class %s does not join its collection", item_class_->Name());
  }
  return item;
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = NewItem();
  Notify(item, cnAdded);
  Changed();
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (%d)", Index);
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  FreeItem(item);
}

void TCollection::Clear() {
  if (items_.empty()) return;
  InUpdate(*this, [this] {
    while (!items_.empty()) FreeItem(items_.back());
  });
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++update_count_; }

void TCollection::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  Changed();
}

void TCollection::Changed() {
  if (update_count_ == 0) Update(nullptr);
}

void TCollection::Link(TCollectionItem* Item) {
  items_.push_back(Item);
  Item->collection_ = this;
  Item->id_ = next_id_++;
}

void TCollection::InsertItem(TCollectionItem* Item) {
  Link(Item);
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::FreeItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  Item->announced_ = true;
  delete Item;
}

void TCollection::RemoveItem(TCollectionItem* Item, bool Announce) {
  if (Announce) Notify(Item, cnExtracting);
  std::erase(items_, Item);
  Item->collection_ = nullptr;
  Changed();
}

void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  // Assigning a collection to itself would clear it first and lose every item.
  if (source == this) return;
  InUpdate(*this, [&] {
    Clear();
    for (TCollectionItem* item : source->items_) Add()->Assign(item);
  });
}

std::string TCollection::PropName() {
  TPersistent* owner = GetOwner();
  if (!owner || !owner->Properties()) return {};
  for (const TPropInfo* p : owner->Properties()->Props())
    if (p->Kind() == tkClass && !p->IsComponentRef() && p->CanRead() && p->GetObject(owner) == this)
      return p->Name();
  return {};
}

std::string TCollection::GetNamePath() {
  TPersistent* owner = GetOwner();
  if (!owner) return std::string(ClassName());
  const std::string path = owner->GetNamePath();
  const std::string prop = PropName();
  if (path.empty() || prop.empty()) return std::string(ClassName());
  return path + "." + prop;
}

}  // namespace lab
