#pragma once
// The crash reporter's collected data, each kind in a list that owns its entries: the entries of a
// call stack, the loaded modules, the tracked threads and the routines of a module. Only the thread
// list is shared between threads; searches made for a report work on a snapshot of it.

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

#include "crashreport/process_state.h"
#include "platform/rtl/datetime.h"

namespace lab {

class TThread;

// A module's debug information (routines, source files and lines), as the call-stack capture loads it.
class TCrashDebugData {
 public:
  virtual ~TCrashDebugData() = default;
};

// A list that owns its entries: deleting one, clearing or destroying the list frees them. Indexes
// outside the list raise EListError.
template <class T, class Holder = std::unique_ptr<T>>
class TCrashOwningList {
 public:
  TCrashOwningList() = default;
  TCrashOwningList(const TCrashOwningList&) = delete;
  TCrashOwningList& operator=(const TCrashOwningList&) = delete;

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  T* GetItem(int Index) const { return items_[Checked(Index)].get(); }
  void Delete(int Index) { items_.erase(items_.begin() + Checked(Index)); }
  void Clear() noexcept { items_.clear(); }
  T* Add(Holder Item) {
    items_.push_back(std::move(Item));
    return items_.back().get();
  }

 protected:
  std::size_t Checked(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", Index);
    return static_cast<std::size_t>(Index);
  }

  std::vector<Holder> items_;
};

// One routine of a module's function list.
struct TCrashFunctionInfo {
  std::string ProcedureName;
  std::uintptr_t Address = 0;
  std::uint32_t Size = 0;
};

// A module's routines, sorted by start address.
class TCrashFunctionsList : public TCrashOwningList<TCrashFunctionInfo> {
 public:
  void SortByAddress();
};

// One loaded module.
struct TCrashModuleInfo {
  std::uintptr_t Handle = 0;  // the load address
  std::string FileName;       // full path
  std::string Description;    // from the module's version note; empty when none
  std::string Version;        // "1.2.3" style; empty when none
  std::uint32_t Size = 0;     // the file's size (low 32 bits); 0 when the file is missing
  std::unique_ptr<TCrashFunctionsList> Functions;  // the exported routines; nullptr until read
  std::uint8_t Kind = 0;      // 0 unknown, 1 executable, 3 shared object
  std::uint16_t LibraryVersion = 0;  // of the crash reporter that built the module's data
  std::uint32_t Values[2] = {0, 0};  // from the module's data
  // The module's options, made for its file name and shared; for the running module the same
  // object as CurrentCrashLogOptions.
  std::shared_ptr<TCrashModuleOptionsEx> Options;
  std::shared_ptr<TCrashDebugData> DebugData;  // nullptr until loaded; kept for the process's life
  TDateTime ModifiedTime = 0;  // the file's last write; 0 when missing
  bool Valid = false;          // the fields read from the file and the options are in
};

// A module as the loader tells it while it is walked: its load address and the loader's own string
// of its file name (nullptr for the program's, which the loader has none of).
struct TLoadedModule {
  std::uintptr_t Handle;
  const char* LoaderName;
};

// One entry of the module list: a record, or until the record is first asked for, what the loader
// told of the module when it was walked (its handle and the loader's own string of its file name),
// so an enumeration makes no record and copies no name.
class TCrashModuleSlot {
 public:
  TCrashModuleSlot(std::shared_ptr<TCrashModuleInfo> Record) noexcept  // NOLINT: a record is a slot
      : handle_(Record ? Record->Handle : 0), record_(std::move(Record)) {}
  // Unloads is how many objects the loader had unloaded when it was walked.
  TCrashModuleSlot(const TLoadedModule& Module, unsigned long long Unloads) noexcept
      : handle_(Module.Handle), loader_name_(Module.LoaderName), unloads_(Unloads) {}

  // The record's handle as it was added.
  std::uintptr_t Handle() const noexcept { return handle_; }
  bool Made() const noexcept { return record_ != nullptr; }
  // The loader's string while no record is made.
  const char* LoaderName() const noexcept { return loader_name_; }
  // The record, made when first asked for (MakeLoadedModuleRecord).
  const std::shared_ptr<TCrashModuleInfo>& Shared() const;
  TCrashModuleInfo* get() const { return Shared().get(); }

 private:
  std::uintptr_t handle_ = 0;
  const char* loader_name_ = nullptr;
  unsigned long long unloads_ = 0;
  mutable std::shared_ptr<TCrashModuleInfo> record_;
};

// The record of a module as the loader told it (handle and file name): its name is read only while
// the loader still holds it, so a module unloaded since leaves a record without a file name.
std::shared_ptr<TCrashModuleInfo> MakeLoadedModuleRecord(std::uintptr_t Handle, const char* LoaderName,
                                                         unsigned long long Unloads);

// The loader's counts of the modules it loaded and unloaded.
struct TLoaderChanges {
  unsigned long long Adds = 0, Subs = 0;
  bool operator==(const TLoaderChanges&) const = default;
};

// The loaded modules. Call-stack entries share the records they name, so a record the next
// enumeration drops stays whole for them. Clearing keeps the list's room for the next enumeration.
class TCrashModulesList : public TCrashOwningList<TCrashModuleInfo, TCrashModuleSlot> {
 public:
  const std::shared_ptr<TCrashModuleInfo>& Shared(int Index) const { return items_[Checked(Index)].Shared(); }
  const TCrashModuleSlot& Slot(int Index) const { return items_[Checked(Index)]; }
  // Appends an entry of each module in one step; no record is made.
  void AddLoaded(const TLoadedModule* First, const TLoadedModule* Last, unsigned long long Unloads) {
    items_.reserve(items_.size() + static_cast<std::size_t>(Last - First));
    for (; First != Last; ++First) items_.emplace_back(*First, Unloads);
  }
  // -1 when no entry has that handle; no record is made.
  int IndexOfHandle(std::uintptr_t Handle) const;
  void SortByHandle();

  // What the last enumeration saw of the loader, how many entries it left, and the room its walk
  // takes, kept for the next one.
  struct TEnumeration {
    TLoaderChanges Changes;
    int Count = -1;
    std::vector<TLoadedModule> Walked;
  };
  TEnumeration& LastEnumeration() noexcept { return last_enumeration_; }

 private:
  TEnumeration last_enumeration_;
};

// What is known of an address.
enum TCrashDebugInfoKind : std::uint8_t {
  dkNothing = 0,
  dkModule = 1,     // the module only
  dkFunction = 2,   // a routine of the module's function list
  dkDecorated = 3,  // unit, class and routine from a decorated name
  dkSourceLine = 4  // unit, class, routine and line from the module's debug data
};

// One call-stack entry.
struct TCrashDebugInfo {
  std::uint8_t Kind = dkNothing;
  std::shared_ptr<const TCrashModuleInfo> Module;  // nullptr when the address lies in no known module
  std::uint32_t ThreadID = 0;
  std::uint8_t ThreadKind = 0;  // 1 the raising thread and other running threads, 0 a calling thread
  std::uintptr_t Address = 0;   // the call instruction, not the return address
  std::string UnitName;
  std::string ClassName;
  std::string ProcedureName;
  std::int32_t Line = 0;        // 0 when unknown
  std::int32_t LineOffset = 0;  // the line's distance from the routine's first line, never negative
};

class TCrashStackList : public TCrashOwningList<TCrashDebugInfo> {};

// One tracked thread; everything zero when made, except the priority.
constexpr std::int32_t kPriorityNotRecorded = INT32_MIN;
struct TCrashThreadEntry {
  std::uint32_t ThreadID = 0;
  std::uintptr_t Handle = 0;
  std::uint32_t ResumerID = 0;  // the thread that last resumed (or started) it
  std::int32_t Priority = kPriorityNotRecorded;
  TThread* ThreadObject = nullptr;
  const void* StackBase = nullptr;
  const void* ReplacedExecute = nullptr;            // of a thread object's class
  const void* ReplacedBeginThreadStart = nullptr;   // of a thread made through the run time
  const void* ReplacedCreateThreadStart = nullptr;  // of a thread made directly
  void* StartParameter = nullptr;
  // The stack of the thread that started it, as it was then. Shared, so a snapshot keeps it whole
  // while the live list drops the entry.
  std::size_t SavedStackSize = 0;
  std::shared_ptr<const std::uint8_t[]> SavedStack;
  std::uintptr_t SavedStackAddress = 0;  // where the copy's first byte stood
  bool ForeignCopy = false;  // the copy was made by another module's crash reporter
};

// The tracked threads, under a lock of many readers or one writer. A snapshot copies every entry
// under the source's read lock (the saved stacks shared, not copied) and has no lock of its own.
// No path takes the write lock while it holds the read lock: the lock cannot be upgraded.
class TCrashThreadsList : public TCrashOwningList<TCrashThreadEntry> {
 public:
  TCrashThreadsList();
  explicit TCrashThreadsList(const TCrashThreadsList& Source);

  bool IsSnapshot() const noexcept { return snapshot_; }
  void BeginRead() const;
  void EndRead() const;
  void BeginWrite();
  void EndWrite();

  // Searches run from the last entry to the first; -1 when none.
  int IndexOfID(std::uint32_t ThreadID) const;
  int IndexOfHandle(std::uintptr_t Handle) const;
  int IndexOfObject(const TThread* Object) const;

  // A zeroed entry (priority not recorded): NewItem hands it over, AddNewItem adds it to the list.
  static std::unique_ptr<TCrashThreadEntry> NewItem() { return std::make_unique<TCrashThreadEntry>(); }
  TCrashThreadEntry* AddNewItem() { return Add(NewItem()); }
  // Under the write lock: the calling thread's entry goes; every entry whose thread no longer runs
  // goes, from the last to the first.
  void RemoveCurrentThread();
  void RemoveTerminated();

 private:
  mutable std::unique_ptr<std::shared_mutex> lock_;
  bool snapshot_ = false;
};

// The process's threads, as the thread tracking keeps them (never destroyed).
TCrashThreadsList& CrashThreadsList();

}  // namespace lab
