#pragma once
// TList: the framework's list of pointers, thin over std::vector; TObjectList: one that may own its
// objects. Indices are 32-bit; a bad one raises EListError "List index out of bounds (%d)".

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/rtl/object.h"

namespace lab {

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

namespace detail {
[[noreturn]] void ListIndexError(int Index);
[[noreturn]] void ListCapacityError(int Capacity);
}  // namespace detail

template <class T = void>
class TList : public TObject {
  LAB_CLASS(TList, TObject)
 public:
  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  // A class that overrides Notify must call Clear in its own destructor: Notify no longer reaches
  // it from here.
  ~TList() override { Clear(); }

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  // Raises EListError "List capacity out of bounds (%d)" below Count.
  void SetCapacity(int NewCapacity) {
    if (NewCapacity < Count()) detail::ListCapacityError(NewCapacity);
    if (NewCapacity > Capacity()) {
      items_.reserve(static_cast<std::size_t>(NewCapacity));
    } else if (NewCapacity < Capacity()) {
      std::vector<T*> fitted;
      fitted.reserve(static_cast<std::size_t>(NewCapacity));
      fitted.assign(items_.begin(), items_.end());
      items_.swap(fitted);
    }
  }

  T* Get(int Index) const { return items_[Checked(Index)]; }
  T* Items(int Index) const { return Get(Index); }
  T* operator[](int Index) const { return Get(Index); }
  // Replacing an item reports the old one deleted and the new one added.
  void Put(int Index, T* Item) {
    T*& slot = items_[Checked(Index)];
    T* old = slot;
    if (old == Item) return;
    slot = Item;
    if (old) Notify(old, lnDeleted);
    if (Item) Notify(Item, lnAdded);
  }
  T* First() const { return Get(0); }
  T* Last() const { return Get(Count() - 1); }

  int Add(T* Item) {
    items_.push_back(Item);
    if (Item) Notify(Item, lnAdded);
    return Count() - 1;
  }
  // Index may be Count (append).
  void Insert(int Index, T* Item) {
    if (Index < 0 || Index > Count()) detail::ListIndexError(Index);
    items_.insert(items_.begin() + Index, Item);
    if (Item) Notify(Item, lnAdded);
  }
  void Delete(int Index) {
    T* item = items_[Checked(Index)];
    items_.erase(items_.begin() + Index);
    if (item) Notify(item, lnDeleted);
  }
  // Deletes the first occurrence; answers its former index, or -1.
  int Remove(T* Item) {
    const int index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
  }
  // Takes the first occurrence out without deleting it (an owning list gives it up); nullptr when
  // the item is not in the list.
  T* Extract(T* Item) {
    const int index = IndexOf(Item);
    if (index < 0) return nullptr;
    T* item = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    Notify(item, lnExtracted);
    return item;
  }
  int IndexOf(const T* Item) const {
    const auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
  }
  // Deletes every item, last first, and releases the storage.
  void Clear() {
    while (!items_.empty()) {
      T* item = items_.back();
      items_.pop_back();
      if (item) Notify(item, lnDeleted);
    }
    std::vector<T*>().swap(items_);
  }

  void Move(int CurIndex, int NewIndex) {
    Checked(CurIndex);
    Checked(NewIndex);
    const auto from = items_.begin() + CurIndex, to = items_.begin() + NewIndex;
    if (CurIndex < NewIndex)
      std::rotate(from, from + 1, to + 1);
    else
      std::rotate(to, from, from + 1);
  }
  void Exchange(int Index1, int Index2) {
    std::swap(items_[Checked(Index1)], items_[Checked(Index2)]);
  }
  // Compare answers negative, 0 or positive; items that compare equal keep their order.
  template <class Compare>
  void Sort(Compare compare) {
    std::stable_sort(items_.begin(), items_.end(),
                     [&](T* a, T* b) { return compare(a, b) < 0; });
  }
  // Drops the nil items.
  void Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 protected:
  // Told of each non-nil item that enters or leaves the list.
  virtual void Notify(T* /*Ptr*/, TListNotification /*Action*/) {}

 private:
  std::size_t Checked(int Index) const {
    if (Index < 0 || Index >= Count()) detail::ListIndexError(Index);
    return static_cast<std::size_t>(Index);
  }

  std::vector<T*> items_;
};

// Deletes the objects it removes (Delete, Remove, Clear, Put, destruction) while OwnsObjects is set;
// Extract hands an object back without deleting it.
template <class T>
class TObjectList : public TList<T> {
  LAB_CLASS(TObjectList, TList<T>)
 public:
  explicit TObjectList(bool AOwnsObjects = true) : owns_(AOwnsObjects) {}
  ~TObjectList() override { this->Clear(); }

  bool OwnsObjects() const { return owns_; }
  void SetOwnsObjects(bool Value) { owns_ = Value; }

 protected:
  void Notify(T* Ptr, TListNotification Action) override {
    if (owns_ && Action == lnDeleted) delete Ptr;
    TList<T>::Notify(Ptr, Action);
  }

 private:
  bool owns_;
};

}  // namespace lab
