#include "crashreport/report/module_list.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "crashreport/report/elf_file.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/module_data.h"
#include "crashreport/process_state.h"
#include "crashreport/report/system_utils.h"

namespace lab {
namespace {

// How many objects the loader has loaded and unloaded so far: while both stay, so does the set of
// loaded modules.
// The lowest mapped address of the module the loader tells of in Info, as dladdr's dli_fbase.
// Where the loader's program headers lie in the first page after the load bias they lie in the
// mapped image, in a segment that starts in that page: the lowest segment starts at address 0 and
// the bias is the answer, with no look at the headers (a cache miss for each module). That is every
// object but a program linked at a fixed address, whose headers are read for its lowest segment.
// (The loader points at a copy in its own memory only for headers outside every segment, which no
// linker writes; and such a copy could lie in that page only where the object leaves it unmapped.)
std::uintptr_t LowestAddress(const dl_phdr_info& Info, std::uintptr_t PageSize) {
  if (reinterpret_cast<std::uintptr_t>(Info.dlpi_phdr) - Info.dlpi_addr < PageSize) return Info.dlpi_addr;
  // Loadable segments come in ascending order of address: the first is the lowest.
  for (int i = 0; i < Info.dlpi_phnum; ++i)
    if (Info.dlpi_phdr[i].p_type == PT_LOAD) return Info.dlpi_addr + (Info.dlpi_phdr[i].p_vaddr & ~(PageSize - 1));
  return 0;  // nothing mapped
}

TLoaderChanges LoaderChanges() {
  TLoaderChanges changes;
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        *static_cast<TLoaderChanges*>(data) = {info->dlpi_adds, info->dlpi_subs};
        return 1;  // the first object tells
      },
      &changes);
  return changes;
}

std::string RealFileName(const std::string& Name) {
  char buffer[PATH_MAX];
  return ::realpath(Name.c_str(), buffer) ? std::string(buffer) : Name;
}

// The program's file, read once: the link /proc/self/exe costs a system call, and the file a
// program runs from does not change under it.
const std::string& ProgramFileName() {
  static const std::string* name = new std::string(GetModuleFullName(nullptr));
  return *name;
}

// A relative name with a folder, which the file name makes absolute as GetModuleFullName does.
bool IsRelativeWithFolder(const char* LoaderName) {
  return LoaderName[0] != '/' && std::strchr(LoaderName, '/') != nullptr;
}

// Notes the modules the loader lists, in its order (the program first), while it holds its lock:
// each module's lowest address and the loader's own string of its name (the program's comes out
// nullptr, as do empty ones). Walked keeps its room between walks; a walk that finds it full is
// made again with twice the room.
struct TWalkNotes {
  TLoaderChanges Changes;  // the loader's counters as the walk saw them
  bool Relative;           // a library opened by a relative name
};
TWalkNotes NoteLoadedModules(std::vector<TLoadedModule>& Walked) {
  static const auto page_size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  struct TNotes {
    TLoadedModule* Next;
    TLoadedModule* End;
    TLoaderChanges Changes;
  };
  Walked.resize(std::max<std::size_t>(Walked.capacity(), 32));
  for (;;) {
    TNotes notes{Walked.data(), Walked.data() + Walked.size(), {}};
    const int full = ::dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
          auto& n = *static_cast<TNotes*>(data);
          if (n.Next == n.End) return 1;
          const std::uintptr_t lowest = LowestAddress(*info, page_size);
          *n.Next = {lowest, info->dlpi_name};
          n.Next += lowest != 0;  // an object with nothing mapped is no module
          n.Changes = {info->dlpi_adds, info->dlpi_subs};
          return 0;
        },
        &notes);
    if (full) {
      Walked.resize(Walked.size() * 2);
      continue;
    }
    Walked.resize(static_cast<std::size_t>(notes.Next - Walked.data()));
    if (!Walked.empty()) Walked[0].LoaderName = nullptr;
    TWalkNotes result{notes.Changes, false};
    for (TLoadedModule& m : Walked) {
      if (m.LoaderName && !*m.LoaderName) m.LoaderName = nullptr;
      result.Relative = result.Relative || (m.LoaderName && IsRelativeWithFolder(m.LoaderName));
    }
    return result;
  }
}

// A record's file is still the one the loader names LoaderName ("" for the program, which stays).
bool NamedAs(const TCrashModuleInfo& Record, const char* LoaderName) {
  if (!*LoaderName) return true;
  if (IsRelativeWithFolder(LoaderName)) return Record.FileName == RealFileName(LoaderName);
  return std::strcmp(Record.FileName.c_str(), LoaderName) == 0;
}

// The list's entry still stands for the module walked as m. Without a record, its string is the
// loader's entry's own: the same string is the same entry, which keeps its name for its life.
bool SameModule(const TCrashModuleSlot& Slot, const TLoadedModule& m) {
  if (Slot.Made()) return !m.LoaderName || NamedAs(*Slot.get(), m.LoaderName);
  return Slot.LoaderName() == m.LoaderName;
}

// Sorts the list by handle when a record made since is out of order.
void SortIfOutOfOrder(TCrashModulesList& List) {
  for (int i = 1; i < List.Count(); ++i)
    if (List.Slot(i - 1).Handle() > List.Slot(i).Handle()) {
      List.SortByHandle();
      return;
    }
}

// The version part of a name such as libz.so.1.2.13; empty when there is none.
std::string SoVersionSuffix(const std::string& Name) {
  const std::string file = ExtractFileName(Name);
  const std::size_t so = file.find(".so.");
  if (so == std::string::npos) return {};
  const std::string suffix = file.substr(so + 4);
  const bool digits = !suffix.empty() && suffix.find_first_not_of("0123456789.") == std::string::npos &&
                      suffix.front() != '.' && suffix.back() != '.';
  return digits ? suffix : std::string();
}

// The loader's entry of the object whose load address is Handle; nullptr when none is loaded there.
const link_map* LoaderEntryAt(std::uintptr_t Handle) {
  const void* base = nullptr;
  const link_map* map = LoaderEntryOf(reinterpret_cast<const void*>(Handle), &base);
  return map && reinterpret_cast<std::uintptr_t>(base) == Handle ? map : nullptr;
}

// The record still names what is loaded at its address: a library unloaded since may have left its
// place to another file, or to nothing. Cheap enough for every call-stack entry: no file is opened.
bool StillLoaded(const TCrashModuleInfo& Record) {
  const link_map* map = LoaderEntryAt(Record.Handle);
  return map && NamedAs(Record, map->l_name ? map->l_name : "");
}

void VersionFromFacts(const std::string& FileName, const TElfFileFacts& Facts, std::string& Description,
                      std::string& Version) {
  Description = Facts.Description;
  Version = Facts.Version;
  if (!Facts.HasVersionNote) {
    Version = SoVersionSuffix(RealFileName(FileName));
    const std::string from_soname = SoVersionSuffix(Facts.SoName);
    if (from_soname.size() > Version.size()) Version = from_soname;
  }
  if (Version == "0.0.0.0") Version.clear();
}

// The module's own crash-report data: its options, after asking for the pass phrase.
void LoadModuleData(TCrashModuleInfo& Record, bool IsRunningModule) {
  TCrashProcessState& state = CrashState();
  if (IsRunningModule && state.ModuleDataLoaded) {
    Record.LibraryVersion = state.ModuleLibraryVersion;
    Record.Values[0] = state.ModuleValues[0];
    Record.Values[1] = state.ModuleValues[1];
    return;
  }
  TModuleData data;
  data.Version = static_cast<std::uint16_t>(kOptionsStreamVersion);
  const bool settled = LoadModuleOptions(
      Record.FileName, [&Record] { return RequestModulePassword(Record); }, *Record.Options, data);
  Record.LibraryVersion = data.Version;
  Record.Values[0] = data.Values[0];
  Record.Values[1] = data.Values[1];
  if (IsRunningModule) {
    // A wrong pass phrase is asked for again the next time.
    state.ModuleDataLoaded = settled;
    state.ModuleLibraryVersion = Record.LibraryVersion;
    state.ModuleValues[0] = Record.Values[0];
    state.ModuleValues[1] = Record.Values[1];
    return;
  }
  // Another module's own crash reporter publishes the options in force there.
  ReadPublishedOptions(reinterpret_cast<const void*>(Record.Handle), *Record.Options);
}

// Insertion-sorts [First, Last) by Before; false, leaving the range unsorted, once the entries have
// moved more than four times their count, where a quicker sort for that order takes over.
template <class Before>
bool SortByInsertion(TLoadedModule* First, TLoadedModule* Last, Before&& before) {
  const auto limit = 4 * (Last - First);
  std::ptrdiff_t moves = 0;
  for (TLoadedModule* i = First + 1; i < Last; ++i) {
    const TLoadedModule m = *i;
    TLoadedModule* j = i;
    for (; j != First && before(m, j[-1]); --j) *j = j[-1];
    *j = m;
    if ((moves += i - j) > limit) return false;
  }
  return true;
}

}  // namespace


// The kernel maps each object below the ones mapped before it where there is room, so the loader's
// list (in the order it loaded them) runs mostly downward after the program, which the kernel mapped
// first and mostly lowest. Kept downward by an insertion sort, a module moves only when it was mapped
// into a gap above the ones before it, and only past those below it there, where std::sort costs as
// much for any order, most of it in comparisons the processor cannot foresee; the list is then turned
// round and the first entry put in its place. A list that runs upward (mapped bottom-up) is sorted as it stands;
// one far from either order goes to std::sort.
void SortWalkByHandle(std::vector<TLoadedModule>& Walked) {
  const std::size_t n = Walked.size();
  if (n < 2) return;
  TLoadedModule* const first = Walked.data();
  TLoadedModule* const last = first + n;
  auto lower = [](const TLoadedModule& a, const TLoadedModule& b) { return a.Handle < b.Handle; };
  if (first[1].Handle < last[-1].Handle) {
    if (!SortByInsertion(first, last, lower)) std::sort(first, last, lower);
    return;
  }
  if (!SortByInsertion(first + 1, last, [](const TLoadedModule& a, const TLoadedModule& b) { return a.Handle > b.Handle; })) {
    std::sort(first, last, lower);
    return;
  }
  std::reverse(first + 1, last);
  TLoadedModule* place = first + 1;
  while (place != last && place->Handle < first->Handle) ++place;
  std::rotate(first, first + 1, place);
}

std::shared_ptr<TCrashModuleInfo> MakeLoadedModuleRecord(std::uintptr_t Handle, const char* LoaderName,
                                                         unsigned long long Unloads) {
  auto record = std::make_shared<TCrashModuleInfo>();
  record->Handle = Handle;
  if (!LoaderName) {
    record->FileName = ProgramFileName();
  } else if (LoaderChanges().Subs == Unloads) {
    record->FileName = LoaderName;  // nothing unloaded since: the loader still holds every string
  } else {
    const link_map* map = LoaderEntryAt(Handle);  // the same entry still loaded there
    if (map && map->l_name == LoaderName) record->FileName = LoaderName;
  }
  return record;
}

TCrashModulesList& CrashModulesList() {
  static TCrashModulesList* list = new TCrashModulesList;
  return *list;
}

namespace {

// The record of a library opened by a relative name, made absolute at once against the folder
// current now.
void AddResolved(TCrashModulesList& List, const TLoadedModule& m) {
  auto record = std::make_shared<TCrashModuleInfo>();
  record->Handle = m.Handle;
  record->FileName = RealFileName(m.LoaderName);
  List.Add(std::move(record));
}

// Appends the entries of modules as the loader tells them, in their order: a handle and the loader's
// string of the file name each, from which the record is made when first asked for; the runs
// between relative names in one step each. Calls nothing of the loader.
void AddLoaded(TCrashModulesList& List, const TLoadedModule* First, const TLoadedModule* Last, unsigned long long Unloads) {
  for (;;) {
    const TLoadedModule* relative = First;
    while (relative != Last && !(relative->LoaderName && IsRelativeWithFolder(relative->LoaderName))) ++relative;
    List.AddLoaded(First, relative, Unloads);
    if (relative == Last) return;
    AddResolved(List, *relative);
    First = relative + 1;
  }
}

// The module's exported routines at their loaded addresses, from its file (none listed for the
// program); an empty list when it is no longer loaded.
void ReadExports(TCrashModuleInfo& Record) {
  Record.Functions = std::make_unique<TCrashFunctionsList>();
  const link_map* map = LoaderEntryAt(Record.Handle);
  if (!map || !map->l_name || !*map->l_name) return;
  TElfFileFacts facts;
  ReadElfFileFacts(Record.FileName, true, facts);
  // Added in address order (ties as the file lists them), which a sort of each routine's address
  // and place finds quicker than one of the routines; each name is moved, not copied.
  std::vector<std::pair<std::uint64_t, std::size_t>> order;
  order.reserve(facts.Exports.size());
  for (std::size_t i = 0; i < facts.Exports.size(); ++i) order.emplace_back(facts.Exports[i].Value, i);
  std::sort(order.begin(), order.end());
  for (const auto& [value, i] : order)
    Record.Functions->Add(std::make_unique<TCrashFunctionInfo>(TCrashFunctionInfo{
        std::move(facts.Exports[i].Name), map->l_addr + value,
        static_cast<std::uint32_t>(std::max<std::uint64_t>(facts.Exports[i].Size, 1))}));
}

}  // namespace

void CompleteModuleInfo(TCrashModuleInfo& Record) {
  if (Record.Valid) return;
  Record.ModifiedTime = GetFileModifiedDate(Record.FileName);
  Record.Size = GetFileSizeByName(Record.FileName);
  GetFileVersionAndDescription(Record.FileName, Record.Description, Record.Version);
  Record.Kind = GetModuleType(Record.Handle);
  const bool running = Record.Handle == reinterpret_cast<std::uintptr_t>(RunningModuleBase());
  if (!Record.Options)
    Record.Options = running ? CrashState().ModuleOptions
                             : std::make_shared<TCrashModuleOptionsEx>(Record.FileName, true);
  LoadModuleData(Record, running);
  Record.Valid = true;
}

void CompleteModuleInfos(TCrashModulesList& List) {
  for (int i = 0; i < List.Count(); ++i) CompleteModuleInfo(*List.Shared(i));
}

bool AddModuleInfo(std::uintptr_t Handle) {
  std::vector<TLoadedModule> walked;
  const TWalkNotes notes = NoteLoadedModules(walked);
  const auto module = std::find_if(walked.begin(), walked.end(), [&](const TLoadedModule& m) { return m.Handle == Handle; });
  if (module == walked.end()) return false;
  AddLoaded(CrashModulesList(), &*module, &*module + 1, notes.Changes.Subs);
  // Held here: the pass phrase's handlers may change the list meanwhile.
  const std::shared_ptr<TCrashModuleInfo> record = CrashModulesList().Shared(CrashModulesList().Count() - 1);
  CompleteModuleInfo(*record);
  ReadExports(*record);
  return true;
}

std::shared_ptr<TCrashModuleInfo> GetModuleInfo(std::uintptr_t Handle) {
  if (!Handle) return nullptr;
  TCrashModulesList& list = CrashModulesList();
  int index = list.IndexOfHandle(Handle);
  if (index >= 0 && !StillLoaded(*list.GetItem(index))) {
    list.Delete(index);
    index = -1;
  }
  if (index < 0) {
    if (!AddModuleInfo(Handle)) return nullptr;
    index = list.IndexOfHandle(Handle);
  }
  // A record an enumeration made is made whole where it stands, for whoever shares it already.
  const std::shared_ptr<TCrashModuleInfo> record = list.Shared(index);
  CompleteModuleInfo(*record);
  if (!record->Functions) ReadExports(*record);
  return record;
}

std::shared_ptr<TCrashModuleInfo> GetModuleInfoByAddr(const void* Address) {
  return GetModuleInfo(reinterpret_cast<std::uintptr_t>(GetModuleBase(Address)));
}

void EnumerateModules() {
  TCrashModulesList& list = CrashModulesList();
  TCrashModulesList::TEnumeration& previous = list.LastEnumeration();
  // Nothing loaded or unloaded since the last enumeration, and every record of it still there: the
  // list is the same.
  TLoaderChanges changes;
  if (list.Count() == previous.Count && (changes = LoaderChanges()) == previous.Changes) {
    SortIfOutOfOrder(list);
    return;
  }
  SortIfOutOfOrder(list);
  // One walk over the loaded modules, noted as the loader lists them (in the order it loaded them)
  // while it holds its lock, and sorted by address after.
  std::vector<TLoadedModule>& walked = previous.Walked;
  const TWalkNotes notes = NoteLoadedModules(walked);
  changes = notes.Changes;
  SortWalkByHandle(walked);
  // Each record found there, as the same file, stays; a record goes when its module is gone, also
  // when another file was loaded at its address since. New entries go after the known ones, which
  // keep their indexes until the gone ones are dropped; they are gathered at the walk's front, in
  // order, and appended in one step.
  const int known = list.Count();
  std::vector<bool> stays(static_cast<std::size_t>(known));
  auto added = walked.end();
  if (known > 0) {
    int k = 0;
    added = walked.begin();
    for (const TLoadedModule& m : walked) {
      while (k < known && list.Slot(k).Handle() < m.Handle) ++k;
      if (k < known && list.Slot(k).Handle() == m.Handle && SameModule(list.Slot(k), m))
        stays[static_cast<std::size_t>(k++)] = true;
      else
        *added++ = m;
    }
  }
  const TLoadedModule* first = walked.data();
  const TLoadedModule* last = first + (added - walked.begin());
  if (notes.Relative)  // resolved as they are appended
    AddLoaded(list, first, last, changes.Subs);
  else
    list.AddLoaded(first, last, changes.Subs);
  for (int i = known; i-- > 0;)
    if (!stays[static_cast<std::size_t>(i)]) list.Delete(i);
  if (known > 0) SortIfOutOfOrder(list);
  previous.Changes = changes;
  previous.Count = list.Count();
}

std::uint8_t GetModuleType(std::uintptr_t Handle) {
  if (!Handle) return 0;
  THModuleStream image(reinterpret_cast<const void*>(Handle));
  Elf64_Ehdr header;
  if (image.Read(&header, sizeof header) != sizeof header || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr))
    return 0;
  if (header.e_type == ET_EXEC) return 1;
  if (header.e_type != ET_DYN) return 0;
  // A position-independent program is ET_DYN too: its dynamic section says DF_1_PIE.
  std::vector<Elf64_Phdr> segments(header.e_phnum);
  image.SetPosition(static_cast<std::int64_t>(header.e_phoff));
  const auto size = static_cast<std::int64_t>(segments.size() * sizeof(Elf64_Phdr));
  if (image.Read(segments.data(), size) != size) return 0;
  std::uint64_t lowest = UINT64_MAX;
  for (const Elf64_Phdr& p : segments)
    if (p.p_type == PT_LOAD) lowest = std::min<std::uint64_t>(lowest, p.p_vaddr);
  const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  for (const Elf64_Phdr& p : segments) {
    if (p.p_type != PT_DYNAMIC || lowest == UINT64_MAX) continue;
    // The dynamic section in one read (each read is a system call); no real one comes near 4,096
    // entries, so a damaged size costs no more.
    std::vector<Elf64_Dyn> entries(std::min<std::uint64_t>(p.p_memsz / sizeof(Elf64_Dyn), 4096));
    THModuleStream dynamic(reinterpret_cast<const void*>(Handle + (p.p_vaddr - (lowest & ~(page - 1)))));
    const auto bytes = static_cast<std::int64_t>(entries.size() * sizeof(Elf64_Dyn));
    if (dynamic.Read(entries.data(), bytes) != bytes) continue;
    for (const Elf64_Dyn& entry : entries) {
      if (entry.d_tag == DT_NULL) break;
      if (entry.d_tag == DT_FLAGS_1 && (entry.d_un.d_val & DF_1_PIE)) return 1;
    }
  }
  return 3;
}

bool IsModuleLibrary(std::uintptr_t Handle) {
  std::uint8_t kind = GetModuleType(Handle);
  if (kind == 0) kind = GetModuleType(reinterpret_cast<std::uintptr_t>(RunningModuleBase()));
  return kind == 3;
}

void GetFileVersionAndDescription(const std::string& FileName, std::string& Description, std::string& Version) {
  TElfFileFacts facts;
  ReadElfFileFacts(FileName, false, facts);
  VersionFromFacts(FileName, facts, Description, Version);
}

std::uint32_t GetFileSizeByName(const std::string& FileName) {
  struct stat st;
  return ::stat(FileName.c_str(), &st) == 0 ? static_cast<std::uint32_t>(st.st_size) : 0;
}

std::string ExtractModuleFolder(const TCrashModuleInfo& Module) {
  std::string folder = ExtractFilePath(Module.FileName);
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::int64_t THModuleStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || position_ < 0) return 0;
  // Copied through the kernel, which refuses memory that cannot be read instead of faulting: no
  // look at the mappings for each read.
  if (ReadMemory(memory_ + position_, Buffer, static_cast<std::size_t>(Count)) != static_cast<std::size_t>(Count))
    return 0;
  position_ += Count;
  return Count;
}

std::int64_t THModuleStream::Write(const void*, std::int64_t) { throw EStreamError("Stream write error"); }

std::int64_t THModuleStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soFromBeginning: position_ = Offset; break;
    case soFromCurrent: position_ += Offset; break;
    case soFromEnd: position_ = Size() + Offset; break;
  }
  return position_;
}

void THModuleStream::SetSize(std::int64_t) { throw EStreamError("Stream write error"); }

}  // namespace lab
