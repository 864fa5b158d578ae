#include "crashreport/report/crash_lists.h"

#include <algorithm>
#include <mutex>

#include "crashreport/report/object_checks.h"
#include "platform/rtl/threads.h"

namespace lab {

void TCrashFunctionsList::SortByAddress() {
  std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) { return a->Address < b->Address; });
}

int TCrashModulesList::IndexOfHandle(std::uintptr_t Handle) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<std::size_t>(i)].Handle() == Handle) return i;
  return -1;
}

void TCrashModulesList::SortByHandle() {
  std::stable_sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) { return a.Handle() < b.Handle(); });
}

const std::shared_ptr<TCrashModuleInfo>& TCrashModuleSlot::Shared() const {
  if (!record_) record_ = MakeLoadedModuleRecord(handle_, loader_name_, unloads_);
  return record_;
}

TCrashThreadsList::TCrashThreadsList() : lock_(std::make_unique<std::shared_mutex>()) {}

TCrashThreadsList::TCrashThreadsList(const TCrashThreadsList& Source) : snapshot_(true) {
  std::shared_lock<std::shared_mutex> reading;
  if (Source.lock_) reading = std::shared_lock(*Source.lock_);
  items_.reserve(Source.items_.size());
  for (const auto& entry : Source.items_) items_.push_back(std::make_unique<TCrashThreadEntry>(*entry));
}

void TCrashThreadsList::BeginRead() const {
  if (lock_) lock_->lock_shared();
}
void TCrashThreadsList::EndRead() const {
  if (lock_) lock_->unlock_shared();
}
void TCrashThreadsList::BeginWrite() {
  if (lock_) lock_->lock();
}
void TCrashThreadsList::EndWrite() {
  if (lock_) lock_->unlock();
}

namespace {

template <class F>
int LastIndexWhere(const std::vector<std::unique_ptr<TCrashThreadEntry>>& items, F Match) {
  for (int i = static_cast<int>(items.size()) - 1; i >= 0; --i)
    if (Match(*items[static_cast<std::size_t>(i)])) return i;
  return -1;
}

}  // namespace

int TCrashThreadsList::IndexOfID(std::uint32_t ThreadID) const {
  return LastIndexWhere(items_, [&](const TCrashThreadEntry& e) { return e.ThreadID == ThreadID; });
}

int TCrashThreadsList::IndexOfHandle(std::uintptr_t Handle) const {
  return LastIndexWhere(items_, [&](const TCrashThreadEntry& e) { return e.Handle == Handle; });
}

int TCrashThreadsList::IndexOfObject(const TThread* Object) const {
  return LastIndexWhere(items_, [&](const TCrashThreadEntry& e) { return e.ThreadObject == Object; });
}

void TCrashThreadsList::RemoveCurrentThread() {
  std::unique_lock<std::shared_mutex> writing;
  if (lock_) writing = std::unique_lock(*lock_);
  const int index = IndexOfID(GetCurrentThreadID());
  if (index >= 0) Delete(index);
}

TCrashThreadsList& CrashThreadsList() {
  static TCrashThreadsList* list = new TCrashThreadsList;
  return *list;
}

void TCrashThreadsList::RemoveTerminated() {
  std::unique_lock<std::shared_mutex> writing;
  if (lock_) writing = std::unique_lock(*lock_);
  for (int i = Count() - 1; i >= 0; --i)
    if (!IsThreadRunning(items_[static_cast<std::size_t>(i)]->ThreadID)) Delete(i);
}

}  // namespace lab
