#include "crashreport/report/call_stack.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "crashreport/report/debug_symbols.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/capture/hooks.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/report/module_list.h"
#include "crashreport/report/object_checks.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

constexpr std::size_t kBlock = 400;  // stack bytes tested for readability at a time

bool IsRex(std::uint8_t b) { return (b & 0xF0) == 0x40; }

template <class T>
T ReadUnaligned(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The call instruction whose end is ReturnAddress, from the 7 bytes before it (b[0] at R-7 ... b[6]
// at R-1): its length, or 0 when none ends there. For a direct call, Target gets its destination.
std::size_t CallLength(const std::uint8_t b[7], std::uintptr_t ReturnAddress, const TMemoryMap& Memory,
                       std::uintptr_t& Target) {
  Target = 0;
  if (b[2] == 0xE8) {  // call rel32
    const std::uintptr_t target = ReturnAddress + static_cast<std::intptr_t>(ReadUnaligned<std::int32_t>(b + 3));
    if (Memory.IsReadable(target, 1)) {
      Target = target;
      return 5;
    }
  }
  const auto with_rex = [&](std::size_t length, int prefix_at) {
    return prefix_at >= 0 && IsRex(b[prefix_at]) ? length + 1 : length;
  };
  if (b[5] == 0xFF && (b[6] & 0xF8) == 0xD0) return with_rex(2, 4);  // call reg
  if (b[5] == 0xFF && ((b[6] >= 0x10 && b[6] <= 0x13) || b[6] == 0x16 || b[6] == 0x17))
    return with_rex(2, 4);  // call [reg]
  if (b[4] == 0xFF && ((b[5] >= 0x50 && b[5] <= 0x53) || (b[5] >= 0x55 && b[5] <= 0x57)))
    return with_rex(3, 3);  // call [reg + disp8]
  if (b[1] == 0xFF && ((b[2] >= 0x90 && b[2] <= 0x93) || (b[2] >= 0x95 && b[2] <= 0x97)))
    return with_rex(6, 0);  // call [reg + disp32]
  if (b[4] == 0xFF && b[5] == 0x14 && b[6] == 0x24) return with_rex(3, 3);  // call [rsp]
  if (b[3] == 0xFF && b[4] == 0x54 && b[5] == 0x24) return with_rex(4, 2);  // call [rsp + disp8]
  if (b[0] == 0xFF && b[1] == 0x94 && b[2] == 0x24) return 7;               // call [rsp + disp32]
  if (b[1] == 0xFF && b[2] == 0x15) {  // call [rip + disp32]
    const std::uintptr_t cell = ReturnAddress + static_cast<std::intptr_t>(ReadUnaligned<std::int32_t>(b + 3));
    if (Memory.IsReadable(cell, sizeof(void*))) return 6;
  }
  return 0;
}

// The routines left out of call stacks: the addresses registered, and the routines that hold them
// as their modules' symbols tell, found when a call stack first needs them.
struct TOwnRoutines {
  std::atomic<int> Count{0};
  std::atomic<const void*> Registered[32] = {};
  std::mutex Lock;
  int Found = 0;  // of Registered, looked up
  std::vector<std::pair<std::uintptr_t, std::uintptr_t>> Ranges;  // [first, last] of each routine
};

TOwnRoutines& OwnRoutines() {
  static auto* own = new TOwnRoutines;  // never destroyed: threads may report after exit
  return *own;
}

std::shared_ptr<TModuleSymbols> SymbolsOf(const std::shared_ptr<TCrashModuleInfo>& Module);

// The ranges of the own routines, those registered since the last call looked up first.
std::vector<std::pair<std::uintptr_t, std::uintptr_t>> OwnRoutineRanges() {
  TOwnRoutines& own = OwnRoutines();
  std::lock_guard guard(own.Lock);
  for (const int count = std::min<int>(own.Count.load(), std::size(own.Registered)); own.Found < count; ++own.Found) {
    const auto address = reinterpret_cast<std::uintptr_t>(own.Registered[own.Found].load());
    TRoutineSymbol routine;
    if (std::shared_ptr<TModuleSymbols> symbols = SymbolsOf(GetModuleInfoByAddr(reinterpret_cast<const void*>(address)));
        symbols && symbols->FindRoutine(address, routine))
      own.Ranges.emplace_back(routine.Start, routine.Start + routine.Size);
  }
  return own.Ranges;
}

// Counts and keeps the entries of one scan.
class TEntryAdder {
 public:
  TEntryAdder(TCrashStackList& List, TCrashKindSet Kinds, int MaxCount, int Skip, std::uint8_t ThreadKind,
              std::uint32_t ThreadID)
      : list_(List), kinds_(Kinds), max_(MaxCount), skip_(Skip), thread_kind_(ThreadKind), thread_id_(ThreadID) {}

  bool Full() const { return max_ >= 0 && kept_ >= max_; }
  void Add(std::uintptr_t Address) {
    if (Full()) return;
    for (const auto& [first, last] : own_)
      if (Address >= first && Address <= last) return;
    auto entry = std::make_unique<TCrashDebugInfo>();
    GetAddressDebugInfo(Address, thread_id_, *entry, thread_kind_);
    if (!HoldsKind(kinds_, entry->Kind)) return;
    if (skip_ > 0 && skipped_ < skip_) {
      ++skipped_;
      return;
    }
    ++kept_;
    list_.Add(std::move(entry));
  }

 private:
  TCrashStackList& list_;
  TCrashKindSet kinds_;
  int max_, skip_;
  std::uint8_t thread_kind_;
  std::uint32_t thread_id_;
  int kept_ = 0, skipped_ = 0;
  const std::vector<std::pair<std::uintptr_t, std::uintptr_t>> own_ = OwnRoutineRanges();
};

bool Described(const TCrashDebugInfo& e) { return e.Kind >= dkFunction && e.Kind <= dkSourceLine; }

// A return address found twice shows once: an entry is hidden when one of the next two described
// entries of its module (those hidden already pass) has the same address.
void HideRepeats(TCrashStackList& List, int From) {
  for (int i = List.Count() - 2; i >= From; --i) {
    TCrashDebugInfo* e = List.GetItem(i);
    if (!Described(*e)) continue;
    int seen = 0;
    for (int j = i + 1; j < List.Count() && seen < 2; ++j) {
      const TCrashDebugInfo* next = List.GetItem(j);
      if (!Described(*next) || next->Module != e->Module) continue;
      ++seen;
      if (next->Address == e->Address) {
        e->Kind = dkNothing;
        break;
      }
    }
  }
}

void FillNames(const std::string& Name, TCrashDebugInfo& Info) {
  std::string scope, routine;
  const bool cpp = SplitCppName(Name, scope, routine);
  Info.ClassName = scope;
  Info.ProcedureName = routine;
  Info.Kind = cpp && !scope.empty() ? dkDecorated : dkFunction;
}

std::shared_ptr<TModuleSymbols> SymbolsOf(const std::shared_ptr<TCrashModuleInfo>& Module) {
  if (!Module) return nullptr;
  if (auto known = std::dynamic_pointer_cast<TModuleSymbols>(Module->DebugData)) return known;
  auto symbols = ModuleSymbols(Module->FileName, GetModuleBias(reinterpret_cast<const void*>(Module->Handle)));
  Module->DebugData = symbols;
  return symbols;
}

// The first bytes of a routine past an endbr64, from Head (the Got bytes read at its start); Count
// of them are there.
std::size_t RoutineStart(const std::uint8_t* Head, std::size_t Got, std::uint8_t (&Bytes)[4]) {
  static const std::uint8_t endbr64[] = {0xF3, 0x0F, 0x1E, 0xFA};
  const std::size_t skip = Got >= 4 && std::memcmp(Head, endbr64, 4) == 0 ? 4 : 0;
  const std::size_t count = Got > skip ? std::min<std::size_t>(Got - skip, 4) : 0;
  std::memcpy(Bytes, Head + skip, count);
  return count;
}

bool HeadHasStackFrame(const std::uint8_t* Head, std::size_t Got) {
  static const std::uint8_t frame[] = {0x55, 0x48, 0x89, 0xE5};  // push rbp; mov rbp, rsp
  std::uint8_t bytes[4];
  return RoutineStart(Head, Got, bytes) == 4 && std::memcmp(bytes, frame, 4) == 0;
}

bool HeadPushesRbx(const std::uint8_t* Head, std::size_t Got) {
  std::uint8_t bytes[4];
  return RoutineStart(Head, Got, bytes) >= 1 && bytes[0] == 0x53;
}

}  // namespace

void LeaveOutOfCallStacks(const void* Routine) noexcept {
  TOwnRoutines& own = OwnRoutines();
  for (int i = 0; i < own.Count.load(); ++i)
    if (own.Registered[i].load() == Routine) return;
  const int at = own.Count.load();
  if (at >= static_cast<int>(std::size(own.Registered))) return;
  // (Registered at start-ups, one at a time: a slot is written before it is counted.)
  own.Registered[at].store(Routine);
  own.Count.store(at + 1);
}

TCrashKindSet GetCallStackFilter(const TCrashModuleOptions& Options) {
  TCrashKindSet kinds = KindBit(dkSourceLine);
  if (Options.ListsFunctionNames()) kinds |= KindBit(dkFunction);
  if (Options.ListsDecoratedNames()) kinds |= KindBit(dkDecorated);
  return kinds;
}

bool StartsWithStackFrame(const void* Code) {
  std::uint8_t head[8];
  return HeadHasStackFrame(head, ReadMemory(Code, head, sizeof head));
}

bool StartsWithPushRbx(const void* Code) {
  std::uint8_t head[8];
  return HeadPushesRbx(head, ReadMemory(Code, head, sizeof head));
}

namespace {

// Kind 4 from what the module's debug data says of the address.
bool FromDescription(const TAddressDescription& d, TCrashDebugInfo& Info) {
  if (!d.HasLine) return false;
  Info.Kind = dkSourceLine;
  Info.UnitName = d.File;
  Info.Line = d.Line;
  Info.LineOffset = 0;
  if (d.HasRoutine) {
    Info.ClassName = d.Scope;
    Info.ProcedureName = d.Routine;
    if (d.FirstLine > 0) {
      // The routine's first bytes were read with its description, once.
      const bool frame = HeadHasStackFrame(d.RoutineHead, d.RoutineHeadSize) ||
                         HeadPushesRbx(d.RoutineHead, d.RoutineHeadSize);
      const int first = frame ? d.FirstLine : d.FirstLine - 1;
      Info.LineOffset = std::max(0, d.Line - first);
    }
  }
  return true;
}

}  // namespace

bool FindSourceLocation(std::uintptr_t Address, TCrashDebugInfo& Info) {
  std::shared_ptr<TCrashModuleInfo> module = GetModuleInfoByAddr(reinterpret_cast<const void*>(Address));
  std::shared_ptr<TModuleSymbols> symbols = SymbolsOf(module);
  if (!symbols || !symbols->HasLines() || !FromDescription(symbols->Describe(Address), Info)) return false;
  Info.Module = module;
  Info.Address = Address;
  return true;
}

void GetAddressDebugInfo(std::uintptr_t Address, std::uint32_t ThreadID, TCrashDebugInfo& Info,
                         std::uint8_t ThreadKind) {
  Info = TCrashDebugInfo{};
  Info.Address = Address;
  Info.ThreadID = ThreadID;
  Info.ThreadKind = ThreadKind;
  std::shared_ptr<TCrashModuleInfo> module = GetModuleInfoByAddr(reinterpret_cast<const void*>(Address));
  Info.Module = module;
  if (!module) return;
  Info.Kind = dkModule;
  if (std::shared_ptr<TModuleSymbols> symbols = SymbolsOf(module)) {
    const TAddressDescription d = symbols->Describe(Address);
    if (FromDescription(d, Info)) return;
    if (d.HasRoutine) {
      Info.ClassName = d.Scope;
      Info.ProcedureName = d.Routine;
      Info.Kind = d.IsCpp && !d.Scope.empty() ? dkDecorated : dkFunction;
      return;
    }
  }
  // The module's exported routines: Start <= Address <= Start + Size.
  const TCrashFunctionsList& functions = *module->Functions;
  int low = 0, high = functions.Count() - 1, found = -1;
  while (low <= high) {
    const int middle = (low + high) / 2;
    if (functions.GetItem(middle)->Address <= Address) {
      found = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  if (found >= 0 && Address <= functions.GetItem(found)->Address + functions.GetItem(found)->Size)
    FillNames(functions.GetItem(found)->ProcedureName, Info);
}

namespace {

// The words of a stack: read where they lie, or from a copy taken while their thread stood still.
class TStackWords {
 public:
  explicit TStackWords(const TMemoryMap& Memory) : memory_(Memory) {}
  TStackWords(const TMemoryMap& Memory, const std::uint8_t* Copy, std::uintptr_t CopyStart, std::size_t CopySize)
      : memory_(Memory), copy_(Copy), copy_start_(CopyStart), copy_size_(CopySize) {}

  // Size bytes (whole words) from At; a word that cannot be read comes back as 0, which is no return
  // address. A block that is not readable whole is tested word by word.
  void Read(std::uintptr_t At, std::uint8_t* Out, std::size_t Size) const {
    std::memset(Out, 0, Size);
    if (copy_) {
      // Read as a live stack is (ReadMemory), not copied: a stack holds words its thread never
      // wrote, which the scan may look at, and a memory checker sees what a system call read as set.
      if (At >= copy_start_ && At < copy_start_ + copy_size_)
        ReadMemory(copy_ + (At - copy_start_), Out, std::min(Size, copy_start_ + copy_size_ - At));
    } else if (memory_.IsReadable(At, Size)) {
      ReadMemory(reinterpret_cast<const void*>(At), Out, Size);
    } else {
      for (std::size_t i = 0; i + 8 <= Size; i += 8)
        if (memory_.IsReadable(At + i, 8)) ReadMemory(reinterpret_cast<const void*>(At + i), Out + i, 8);
    }
  }

 private:
  const TMemoryMap& memory_;
  const std::uint8_t* copy_ = nullptr;
  std::uintptr_t copy_start_ = 0;
  std::size_t copy_size_ = 0;
};

void ScanStack(TCrashStackList& List, const TMemoryMap& Memory, const TStackWords& Words,
               std::uintptr_t FirstAddress, std::uintptr_t StackStart, std::uintptr_t StackEnd, TCrashKindSet Kinds,
               int MaxCount, int Skip, bool ResolveJumps, std::uint8_t ThreadKind, std::uint32_t ThreadID) {
  const int from = List.Count();
  TEntryAdder adder(List, Kinds, MaxCount, Skip, ThreadKind, ThreadID);
  if (FirstAddress) adder.Add(FirstAddress);
  const std::uintptr_t start = (StackStart + 7) & ~std::uintptr_t(7);
  const std::uintptr_t end = std::min(StackEnd, StackStart + kMaxStackScan);
  std::uint8_t block[kBlock];
  for (std::uintptr_t at = start; at < end && !adder.Full(); at += kBlock) {
    const std::size_t size = std::min<std::size_t>(kBlock, end - at) & ~std::size_t(7);
    Words.Read(at, block, size);
    for (std::size_t i = 0; i + 8 <= size && !adder.Full(); i += 8) {
      const auto word = ReadUnaligned<std::uintptr_t>(block + i);
      if (word < 7 || !Memory.IsExecutable(word)) continue;
      std::uint8_t before[7];
      if (!Memory.IsReadable(word - 7, 7) || ReadMemory(reinterpret_cast<const void*>(word - 7), before, 7) != 7)
        continue;
      std::uintptr_t target = 0;
      const std::size_t length = CallLength(before, word, Memory, target);
      if (!length) continue;
      if (ResolveJumps && target) {
        // A call through a jump thunk (a PLT entry): the routine it reached comes first.
        const auto resolved = reinterpret_cast<std::uintptr_t>(ResolveJumpThunk(reinterpret_cast<const void*>(target)));
        std::uint8_t first = 0;
        if (resolved != target && Memory.IsReadable(resolved, 5) &&
            ReadMemory(reinterpret_cast<const void*>(resolved), &first, 1) == 1 && first != 0xE8)
          adder.Add(resolved);
      }
      adder.Add(word - length);
    }
  }
  HideRepeats(List, from);
}

}  // namespace

void BuildCallStack(TCrashStackList& List, const TMemoryMap& Memory, std::uintptr_t FirstAddress,
                    std::uintptr_t StackStart, std::uintptr_t StackEnd, TCrashKindSet Kinds, int MaxCount, int Skip,
                    bool ResolveJumps, std::uint8_t ThreadKind, std::uint32_t ThreadID) {
  ScanStack(List, Memory, TStackWords(Memory), FirstAddress, StackStart, StackEnd, Kinds, MaxCount, Skip, ResolveJumps,
            ThreadKind, ThreadID);
}

void BuildCopiedCallStack(TCrashStackList& List, const TMemoryMap& Memory, const std::uint8_t* Copy, std::size_t Size,
                          std::uintptr_t StackStart, std::uintptr_t FirstAddress, std::uint8_t ThreadKind,
                          std::uint32_t ThreadID) {
  ScanStack(List, Memory, TStackWords(Memory, Copy, StackStart, Size), FirstAddress, StackStart, StackStart + Size,
            kAllCallStackKinds, -1, -1, true, ThreadKind, ThreadID);
}

std::uintptr_t CallInstructionBefore(std::uintptr_t ReturnAddress) {
  return CallInstructionBefore(TMemoryMap(), ReturnAddress);
}

std::uintptr_t CallInstructionBefore(const TMemoryMap& Memory, std::uintptr_t ReturnAddress) {
  std::uint8_t before[7];
  std::uintptr_t target = 0;
  if (ReturnAddress < 7 || !Memory.IsReadable(ReturnAddress - 7, 7) ||
      ReadMemory(reinterpret_cast<const void*>(ReturnAddress - 7), before, 7) != 7)
    return ReturnAddress;
  return ReturnAddress - CallLength(before, ReturnAddress, Memory, target);
}

std::unique_ptr<TCrashStackList> GetCallStack(std::uintptr_t FirstAddress, std::uintptr_t StackStart,
                                              std::uintptr_t StackEnd, TCrashKindSet Kinds, int MaxCount, int Skip,
                                              bool ResolveJumps, std::uint8_t ThreadKind, std::uint32_t ThreadID) {
  auto list = std::make_unique<TCrashStackList>();
  const TMemoryMap memory;
  BuildCallStack(*list, memory, FirstAddress, StackStart, StackEnd, Kinds, MaxCount, Skip, ResolveJumps, ThreadKind,
                 ThreadID);
  return list;
}

bool GetThreadCallStack(std::uint32_t ThreadID, TCrashKindSet Kinds, std::uint8_t ThreadKind, TCrashStackList& List,
                        const TMemoryMap* Memory, unsigned TimeoutMs) {
  std::unique_ptr<TMemoryMap> own;
  if (!Memory) own = std::make_unique<TMemoryMap>();
  const TMemoryMap& memory = Memory ? *Memory : *own;
  if (ThreadID == GetCurrentThreadID()) {
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    BuildCallStack(List, memory, 0, here, CurrentThreadStack().High, Kinds, -1, -1, true, ThreadKind, ThreadID);
    return true;
  }
  // While the thread stands in its handler only its registers and stack are copied: it may hold a
  // lock that describing the entries takes (the loader's, the allocator's, the recorded stacks'), so
  // that waits until it goes on. The copy's memory is had before.
  TStackBounds bounds;
  const bool recorded = RecordedThreadStack(ThreadID, bounds);
  // Not zeroed: only what is copied into it is read.
  const auto copy = std::make_unique_for_overwrite<std::uint8_t[]>(kMaxStackScan);
  std::uintptr_t rip = 0, rsp = 0, from = 0;
  std::size_t copied = 0;
  const bool answered = WithThreadContext(ThreadID, TimeoutMs, [&](const TCrashContext& context) {
    rip = context.Rip();
    rsp = context.Rsp();
    // A thread stopped at a stack overflow stands below its stack: the copy starts where it is readable.
    TStackBounds readable = ReadableStackAbove(memory, rsp);
    if (recorded && readable.Low >= bounds.Low && readable.Low < bounds.High) readable.High = bounds.High;
    from = readable.Low;
    if (readable.High > from && from - rsp < kMaxStackScan)
      copied = ReadMemory(reinterpret_cast<const void*>(from), copy.get(),
                          std::min<std::size_t>(readable.High - from, kMaxStackScan - (from - rsp)));
  });
  if (!answered) return false;
  ScanStack(List, memory, TStackWords(memory, copy.get(), from, copied), rip, rsp, from + copied, Kinds, -1, -1, true,
            ThreadKind, ThreadID);
  return true;
}

std::string FormatThreadHeader(int Index, const TCrashDebugInfo& Entry, bool Report) {
  const TCrashModuleOptions& options = OptionsInForce();
  const auto text = [&](int i) { return options.GetCustomizedText(static_cast<std::uint8_t>(i)); };
  std::string priority = "??", class_name;
  TCrashThreadsList& threads = CrashThreadsList();
  int index;
  std::int32_t recorded = kPriorityNotRecorded;
  {
    threads.BeginRead();
    TScopeExit end_read([&] { threads.EndRead(); });
    index = threads.IndexOfID(Entry.ThreadID);
    if (index >= 0) {
      const TCrashThreadEntry* e = threads.GetItem(index);
      recorded = e->Priority;
      if (e->ThreadObject) class_name = ObjectClassName(e->ThreadObject);
    }
  }
  if (index >= 0) {
    if (recorded == kPriorityNotRecorded) {
      // Read now (the thread's nice value) and kept.
      errno = 0;
      const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(Entry.ThreadID));
      if (nice != -1 || errno == 0) {
        recorded = nice;
        threads.BeginWrite();
        TScopeExit end_write([&] { threads.EndWrite(); });
        index = threads.IndexOfID(Entry.ThreadID);
        if (index >= 0) threads.GetItem(index)->Priority = recorded;
      }
    }
    if (recorded != kPriorityNotRecorded) priority = std::to_string(recorded);
  }
  std::string header = Report ? " " : "";
  header += text(Index == 0 ? 69 : Entry.ThreadKind != 0 ? 70 : 71) + ": ";
  header += Format("%s=%d; %s=%s", text(72), static_cast<int>(Entry.ThreadID), text(73), priority);
  if (Report || !class_name.empty()) header += Format("; %s=%s", text(74), class_name);
  if (Entry.ThreadID == MainThreadID()) header += "; [" + text(68) + "]";
  return header;
}

std::uintptr_t GetSymbolAddress(const std::string& Name) {
  const void* module = RunningModuleBase();
  std::shared_ptr<TModuleSymbols> symbols = ModuleSymbols(RunningModuleFileName(), GetModuleBias(module));
  return symbols ? symbols->FindSymbol(Name) : 0;
}

const void* HookBySymbol(const std::string& Name, const void* NewProc) {
  return HookProc(reinterpret_cast<const void*>(GetSymbolAddress(Name)), NewProc, "SymbolID = " + Name);
}

const void* HookBySymbolOrExport(const std::string& Name, const void* NewProc, const std::string& ModuleName,
                                 const std::string& ExportName) {
  const void* proc = reinterpret_cast<const void*>(GetSymbolAddress(Name));
  if (!proc) {
    if (void* module = ::dlopen(ModuleName.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
      proc = ::dlsym(module, ExportName.c_str());
      ::dlclose(module);
    }
  }
  return HookProc(proc, NewProc, "SymbolID = " + Name);
}

}  // namespace lab
