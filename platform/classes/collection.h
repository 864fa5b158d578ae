#pragma once
// TCollection: an ordered, owned list of items of one item class (grid columns, footers, sums),
// streamed as `<item ... end>` lists. TOwnedCollection knows the object that owns it.
//
// Items are created with Add or Insert, which construct an item of the item class and then tell
// the collection (Notify cnAdded, then Update). Delete and Clear tell the collection before the
// item is destroyed (cnDeleting from Delete, then cnExtracting), so receivers see a whole item; the
// item's own destructor still finds its collection. An item deleted directly is announced
// (cnExtracting) from ~TCollectionItem, after its derived parts are gone: use only the pointer, or
// have the item class call LeaveCollection first in its destructor.

#include <string>
#include <vector>

#include "platform/classes/class_registry.h"
#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"

namespace lab {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// The class of a collection's items: MetaClass<TMyItem>().
using TCollectionItemClass = const TMetaClass*;

class TCollectionItem : public TPersistent {
  LAB_CLASS(TCollectionItem, TPersistent)
 public:
  // Joins Collection (when given) at its end. Create items through TCollection::Add or Insert,
  // which also notify the collection.
  explicit TCollectionItem(TCollection* Collection);
  // Leaves the collection (cnExtracting, then Update) when still in one.
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const noexcept { return collection_; }
  // Moves the item to another collection (or out of any with nullptr; it is then no longer owned).
  void SetCollection(TCollection* Value);
  // Unique within the collection, kept while the item lives.
  int ID() const noexcept { return id_; }
  // The position in the collection; setting it moves the item (EListError outside the list).
  int Index() const;
  virtual void SetIndex(int Value);
  std::string DisplayName() { return GetDisplayName(); }
  virtual void SetDisplayName(const std::string& Value);

  TPersistent* GetOwner() override;
  // "<collection path>[<index>]", e.g. "DBGridX1.Columns[2]".
  std::string GetNamePath() override;

 protected:
  // The class name unless a descendant names its items.
  virtual std::string GetDisplayName();
  // Tells the collection this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);
  // Leaves the collection as the base destructor would (announced unless Delete or Clear did). Called
  // first in a descendant's destructor, the collection hears of the leaving while the item is whole.
  void LeaveCollection();

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
  // The collection has already announced the extraction (Delete, Clear).
  bool announced_ = false;
};

class TCollection : public TPersistent {
  LAB_CLASS(TCollection, TPersistent)
 public:
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TCollectionItemClass ItemClass() const noexcept { return item_class_; }
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  // EListError "List index out of bounds (%d)" outside 0 .. Count-1.
  TCollectionItem* Items(int Index) const;
  // Assigns Value to the item at Index.
  void SetItem(int Index, TCollectionItem* Value);

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  TCollectionItem* FindItemID(int ID) const;

  // Updates are counted: Update runs once, when the outermost EndUpdate is reached.
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const noexcept { return update_count_; }

  // Copies Source's items (item by item, through the items' Assign) when Source is a collection.
  void Assign(TPersistent* Source) override;
  // "<owner path>.<property>" when the owner publishes this collection, else the class name.
  std::string GetNamePath() override;

 protected:
  // The collection (Item nullptr) or one item changed. Called outside updates only.
  virtual void Update(TCollectionItem* /*Item*/) {}
  virtual void Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}
  // Runs Update(nullptr) unless inside an update.
  void Changed();
  // The name of the owner's published property that holds this collection; empty when none.
  std::string PropName();

 private:
  friend class TCollectionItem;
  void Link(TCollectionItem* Item);
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item, bool Announce);
  // Announces the extraction, then frees the item (which leaves the list from its base destructor).
  void FreeItem(TCollectionItem* Item);
  TCollectionItem* NewItem();

  TCollectionItemClass item_class_;
  std::vector<TCollectionItem*> items_;
  int update_count_ = 0;
  int next_id_ = 0;
};

class TOwnedCollection : public TCollection {
  LAB_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
      : TCollection(ItemClass), owner_(AOwner) {}
  TPersistent* GetOwner() override { return owner_; }

 private:
  TPersistent* owner_;
};

}  // namespace lab
