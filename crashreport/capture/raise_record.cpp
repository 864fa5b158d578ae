#include "crashreport/capture/raise_record.h"

#include <dlfcn.h>
#include <sys/mman.h>

#include <algorithm>
#include <atomic>

#include "crashreport/report/call_stack.h"
#include "crashreport/report/thread_stacks.h"

extern "C" [[noreturn]] void __cxa_throw(void* Object, void* Type, void (*Destructor)(void*));

namespace lab {
namespace {

// As much stack as a report scans.
constexpr std::size_t kRoomSize = kMaxStackScan;

// Constant-initialised, so the throw entry point reaches it with no call and no allocation.
struct TRaiseThread {
  TRaiseRecord Record;
  std::uint8_t* Room;
  std::uintptr_t StackHigh;  // the top of the thread's stack, read as the room was made
  int Held;
};
constinit thread_local TRaiseThread t_raise{};

// The throw interposer's switch and the routine it stands in for: the program's throws reach it with
// no object of ours.
std::atomic<bool> g_recording{false};

using TThrow = void (*)(void*, void*, void (*)(void*));
std::atomic<TThrow> g_real_throw{nullptr};

TThrow RealThrow() noexcept {
  TThrow real = g_real_throw.load(std::memory_order_relaxed);
  if (!real) {
    real = reinterpret_cast<TThrow>(::dlsym(RTLD_NEXT, "__cxa_throw"));
    g_real_throw.store(real, std::memory_order_relaxed);
  }
  return real;
}

// Found as the program starts, so a throw never looks it up (a throw from an earlier initialiser does).
__attribute__((constructor)) void FindRealThrow() { RealThrow(); }

// Word by word: a copy through the sanitizer's memcpy would report the frames' guard zones.
__attribute__((no_sanitize("address", "thread"))) void CopyWords(const std::uintptr_t* From, std::uintptr_t* To,
                                                                  std::size_t Count) noexcept {
  for (std::size_t i = 0; i < Count; ++i) To[i] = From[i];
}

void Record(void* Object, void* Type, std::uintptr_t ReturnAddress, std::uintptr_t Above) noexcept {
  TRaiseThread& t = t_raise;
  if (t.Held) return;
  t.Record = TRaiseRecord{Object, static_cast<const std::type_info*>(Type), ReturnAddress, nullptr, 0, 0};
  const std::uintptr_t from = (Above + 7) & ~std::uintptr_t(7);
  if (!t.Room || from >= t.StackHigh) return;
  const std::size_t size = std::min<std::uintptr_t>(t.StackHigh - from, kRoomSize) & ~std::size_t(7);
  CopyWords(reinterpret_cast<const std::uintptr_t*>(from), reinterpret_cast<std::uintptr_t*>(t.Room), size / 8);
  t.Record.Stack = t.Room;
  t.Record.StackStart = from;
  t.Record.StackSize = size;
}

}  // namespace

void StartRaiseRecording() noexcept {
  LeaveOutOfCallStacks(reinterpret_cast<const void*>(&__cxa_throw));
  g_recording.store(true);
}
void StopRaiseRecording() noexcept { g_recording.store(false); }

const TRaiseRecord& LastRaise() noexcept { return t_raise.Record; }
void ForgetLastRaise() noexcept { t_raise.Record = {}; }

TRaiseHold::TRaiseHold() noexcept { ++t_raise.Held; }
TRaiseHold::~TRaiseHold() { --t_raise.Held; }

TRaiseStackRoom::TRaiseStackRoom() noexcept {
  TRaiseThread& t = t_raise;
  if (t.Room || !g_recording.load()) return;  // the thread has one, or nothing is recorded
  const std::uintptr_t high = CurrentThreadStack().High;
  if (!high) return;
  // Pages are taken as a throw first reaches them.
  void* memory = ::mmap(nullptr, kRoomSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (memory == MAP_FAILED) return;
  memory_ = memory;
  t.StackHigh = high;
  t.Room = static_cast<std::uint8_t*>(memory);
}

TRaiseStackRoom::~TRaiseStackRoom() {
  if (!memory_) return;
  TRaiseThread& t = t_raise;
  t.Room = nullptr;
  t.Record.Stack = nullptr;
  t.Record.StackSize = 0;
  ::munmap(memory_, kRoomSize);
}

}  // namespace lab

// The runtime's throw entry point (the compiler knows it with the type as void*). The copy starts
// above this routine's frame and return address: the report begins at the throw itself.
extern "C" [[noreturn]] void __cxa_throw(void* Object, void* Type, void (*Destructor)(void*)) {
  if (lab::g_recording.load(std::memory_order_relaxed))
    lab::Record(Object, Type, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)),
                reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) + 2 * sizeof(void*));
  lab::RealThrow()(Object, Type, Destructor);
  __builtin_unreachable();
}
