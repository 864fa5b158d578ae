#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "crashreport/capture/code_patch.h"
#include "crashreport/capture/hooks.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/report/system_utils.h"

extern "C" {
int crtest_plus_one(int);
int crtest_helper_double(int);
long crtest_read_value();
int crtest_sign(int);
int crtest_three_bytes();
int crtest_jumps_away(int);
int crtest_short_jump_away();
}

namespace lab {
namespace {

// The permissions /proc/self/maps shows for the page of Address ("r-xp").
std::string PagePermissions(const void* Address) {
  std::ifstream maps("/proc/self/maps");
  const auto at = reinterpret_cast<unsigned long>(Address);
  for (std::string line; std::getline(maps, line);) {
    unsigned long start = 0, end = 0;
    char perms[5] = {};
    if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) == 3 && at >= start && at < end) return perms;
  }
  return {};
}

// The address ranges and permissions of every mapping of File.
std::string FileMappings(const std::string& File) {
  std::ifstream maps("/proc/self/maps");
  std::string out;
  for (std::string line; std::getline(maps, line);)
    if (line.size() > File.size() && line.compare(line.size() - File.size(), File.size(), File) == 0)
      out += line.substr(0, line.find(' ', line.find(' ') + 1)) + "\n";
  return out;
}

std::string FirstBytes(const void* Address, std::size_t Count = 8) {
  return std::string(static_cast<const char*>(Address), Count);
}

// Replacements, each calling through the trampoline it is given.
using TIntInt = int (*)(int);
TIntInt g_plus_one_original = nullptr;
int PlusOneReplacement(int x) { return g_plus_one_original(x) * 100; }

using TLong = long (*)();
TLong g_read_original = nullptr;
long ReadReplacement() { return -g_read_original(); }

TIntInt g_sign_original = nullptr;
int SignReplacement(int x) { return 10 * g_sign_original(x); }

TIntInt g_jump_original = nullptr;
int JumpReplacement(int x) { return g_jump_original(x) + 7; }

int ZeroReplacement() { return 5; }

int TimesTenReplacement(int x) { return g_plus_one_original(x) * 10; }

template <class F>
const void* Code(F* f) {
  return reinterpret_cast<const void*>(f);
}

// The routine at code a hook hands back (a trampoline), callable.
template <class F>
F Routine(const void* code) {
  return reinterpret_cast<F>(const_cast<void*>(code));
}

TEST(Hooks, AHookedRoutineReachesItsReplacementAndTheTrampolineTheOriginal) {
  const void* proc = Code(&crtest_plus_one);
  const std::string bytes = FirstBytes(proc);
  const std::string permissions = PagePermissions(proc);
  ASSERT_EQ(static_cast<unsigned char>(bytes[0]), 0xE8);  // starts with a relative call
  g_plus_one_original = Routine<TIntInt>(HookProc(proc, Code(&PlusOneReplacement), "crtest_plus_one"));
  ASSERT_NE(g_plus_one_original, nullptr);
  EXPECT_EQ(crtest_plus_one(4), 900);          // (4 * 2 + 1) * 100
  EXPECT_EQ(g_plus_one_original(4), 9);        // the relative call still reaches its routine
  EXPECT_EQ(PagePermissions(proc), permissions);  // never left writable
  EXPECT_EQ(PagePermissions(reinterpret_cast<const void*>(g_plus_one_original)), "r-xp");
  // Hooked again: the same trampoline.
  EXPECT_EQ(HookProc(proc, Code(&PlusOneReplacement), "crtest_plus_one"), Code(g_plus_one_original));

  EXPECT_TRUE(UnhookProc(proc));
  EXPECT_EQ(FirstBytes(proc), bytes);
  EXPECT_EQ(PagePermissions(proc), permissions);
  EXPECT_EQ(crtest_plus_one(4), 9);
  EXPECT_FALSE(UnhookProc(proc));
}

TEST(Hooks, ARoutinePutBackKeepsItsTrampolineAndGetsItBackWhenHookedAgain) {
  const void* proc = Code(&crtest_plus_one);
  const std::string bytes = FirstBytes(proc);
  const auto trampoline = Routine<TIntInt>(HookProc(proc, Code(&PlusOneReplacement), "crtest_plus_one"));
  g_plus_one_original = trampoline;
  ASSERT_TRUE(UnhookProc(proc));
  EXPECT_EQ(FirstBytes(proc), bytes);
  EXPECT_EQ(trampoline(4), 9);  // a replacement still running elsewhere may call it
  EXPECT_EQ(HookProc(proc, Code(&TimesTenReplacement), "crtest_plus_one"), Code(trampoline));
  EXPECT_EQ(crtest_plus_one(4), 90);  // now leading to the second replacement
  EXPECT_EQ(PagePermissions(Code(trampoline)), "r-xp");
  EXPECT_TRUE(UnhookProc(proc));
  EXPECT_EQ(FirstBytes(proc), bytes);
  EXPECT_EQ(crtest_plus_one(4), 9);
}

TEST(Hooks, RipRelativeOperandsAndShortBranchesAreRetargeted) {
  g_read_original = Routine<TLong>(HookProc(Code(&crtest_read_value), Code(&ReadReplacement), "read"));
  EXPECT_EQ(crtest_read_value(), -42);
  EXPECT_EQ(g_read_original(), 42);

  g_sign_original = Routine<TIntInt>(HookProc(Code(&crtest_sign), Code(&SignReplacement), "sign"));
  EXPECT_EQ(crtest_sign(3), 10);
  EXPECT_EQ(crtest_sign(-3), -10);  // the short branch leaves the copy and lands where it did

  g_jump_original = Routine<TIntInt>(HookProc(Code(&crtest_jumps_away), Code(&JumpReplacement), "jump"));
  EXPECT_EQ(crtest_jumps_away(5), 17);

  EXPECT_TRUE(UnhookProc(Code(&crtest_read_value)));
  EXPECT_TRUE(UnhookProc(Code(&crtest_sign)));
  EXPECT_TRUE(UnhookProc(Code(&crtest_jumps_away)));
  EXPECT_EQ(crtest_read_value(), 42);
  EXPECT_EQ(crtest_sign(-3), -1);
  EXPECT_EQ(crtest_jumps_away(5), 10);
}

TEST(Hooks, RoutinesThatEndWithinTheFirstBytesAreRefused) {
  const std::string next = FirstBytes(Code(&crtest_jumps_away));
  try {
    HookProc(Code(&crtest_three_bytes), Code(&ZeroReplacement), "crtest_three_bytes");
    FAIL();
  } catch (const EHookingError& e) {
    EXPECT_STREQ(e.what(), "Cannot hook the procedure \"crtest_three_bytes\".");
  }
  EXPECT_THROW(HookProc(Code(&crtest_short_jump_away), Code(&ZeroReplacement), "short"), EHookingError);
  EXPECT_EQ(crtest_three_bytes(), 0);
  EXPECT_EQ(crtest_short_jump_away(), 0);
  EXPECT_EQ(FirstBytes(Code(&crtest_jumps_away)), next);  // nothing beyond the routine was touched
  try {
    HookProc(nullptr, Code(&ZeroReplacement), "nothing");
    FAIL();
  } catch (const EProcNull& e) {
    EXPECT_STREQ(e.what(), "Cannot hook a null procedure (\"nothing\").");
  }
}

TEST(Hooks, RoutineSizesEndAtTheFirstReturn) {
  EXPECT_EQ(GetProcSize(Code(&crtest_three_bytes)), 3u);
  EXPECT_EQ(GetProcSize(Code(&crtest_helper_double)), 4u);  // lea (3 bytes), ret
  EXPECT_EQ(GetProcSize(Code(&crtest_read_value)), 7u + 4u + 1u);
  EXPECT_EQ(InstructionLength(Code(&crtest_read_value)), 7u);
}

}  // namespace

// A class other translation units could derive from, called where the compiler cannot know the
// object: the call goes through the table's slot at every optimisation level.
struct THookedVirtualValue {
  virtual int Value() const { return 1; }
  virtual ~THookedVirtualValue() = default;
};
using TVirtualValue = THookedVirtualValue;

namespace {

__attribute__((noipa)) int CallValue(const TVirtualValue& v) { return v.Value(); }

int ValueReplacement(const TVirtualValue*) { return 2; }
int OtherValueReplacement(const TVirtualValue*) { return 3; }

TEST(Hooks, VirtualSlotsAreReplacedOnceAndPutBack) {
  TVirtualValue object;
  const void* vmt = *reinterpret_cast<const void* const*>(&object);
  const void* original = static_cast<const void* const*>(vmt)[0];
  const void* replacement = Code(&ValueReplacement);
  EXPECT_FALSE(UnhookVirtualMethod(vmt, 0));  // never hooked
  EXPECT_EQ(HookVirtualMethod(vmt, 0, replacement), original);
  EXPECT_EQ(HookVirtualMethod(vmt, 0, replacement), original);  // twice: still the first value
  EXPECT_EQ(CallValue(object), 2);
  EXPECT_TRUE(UnhookVirtualMethod(vmt, 0));
  EXPECT_FALSE(UnhookVirtualMethod(vmt, 0));  // one record only
  EXPECT_EQ(CallValue(object), 1);
  EXPECT_EQ(static_cast<const void* const*>(vmt)[0], original);

  // Hooked over by a second replacement: put back one hook at a time, the last first.
  const void* other = Code(&OtherValueReplacement);
  EXPECT_EQ(HookVirtualMethod(vmt, 0, replacement), original);
  EXPECT_EQ(HookVirtualMethod(vmt, 0, other), replacement);
  EXPECT_EQ(HookVirtualMethod(vmt, 0, other), replacement);  // again: what it replaced
  EXPECT_EQ(CallValue(object), 3);
  EXPECT_TRUE(UnhookVirtualMethod(vmt, 0));
  EXPECT_EQ(CallValue(object), 2);
  EXPECT_TRUE(UnhookVirtualMethod(vmt, 0));
  EXPECT_EQ(CallValue(object), 1);
  EXPECT_FALSE(UnhookVirtualMethod(vmt, 0));

  // A table outside every module is recorded but not written.
  const void* heap_table[1] = {original};
  EXPECT_EQ(HookVirtualMethod(heap_table, 0, replacement), original);
  EXPECT_EQ(heap_table[0], original);
  EXPECT_TRUE(UnhookVirtualMethod(heap_table, 0));
}

pid_t FakeParent() { return 4242; }

// A library whose calls of getppid go through its global offset table, bound lazily (at the first
// call) or at once (when loaded). The slot is read through the library's own jump to getppid.
void HookLibraryImport(const char* Library, bool Lazy) {
  void* library = ::dlopen(Library, RTLD_LAZY | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto parent = reinterpret_cast<long (*)()>(::dlsym(library, "crtest_got_parent"));
  const void* thunk = reinterpret_cast<const void* (*)()>(::dlsym(library, "crtest_got_parent_thunk"))();
  const void* unhooked = ResolveJumpThunk(thunk);
  if (Lazy) {
    EXPECT_NE(unhooked, Code(&::getppid));  // not bound yet: the way to the loader's binder
    EXPECT_EQ(GetModuleBase(unhooked), GetModuleBase(thunk));
  } else {
    EXPECT_EQ(unhooked, Code(&::getppid));
  }
  const std::string mappings = FileMappings(Library);
  ASSERT_FALSE(mappings.empty());

  const void* old = nullptr;
  ASSERT_TRUE(HookImportedProc({Library}, "libc.so.6", "getppid", Code(&FakeParent), old, false));
  EXPECT_EQ(old, Code(&::getppid));
  EXPECT_EQ(ResolveJumpThunk(thunk), Code(&FakeParent));
  EXPECT_EQ(FileMappings(Library), mappings);  // the table's protection as it was
  EXPECT_EQ(parent(), 4242);
  EXPECT_EQ(::getppid(), getppid());  // the program's own calls are not touched
  EXPECT_NE(static_cast<long>(::getppid()), 4242);

  UnhookImportedProc(Code(&FakeParent));
  EXPECT_EQ(ResolveJumpThunk(thunk), unhooked);  // a lazy slot unbound again
  EXPECT_EQ(FileMappings(Library), mappings);
  EXPECT_EQ(parent(), static_cast<long>(::getppid()));
  EXPECT_EQ(ResolveJumpThunk(thunk), Code(&::getppid));  // bound by the call
  EXPECT_EQ(parent(), static_cast<long>(::getppid()));
  ::dlclose(library);
}

TEST(Hooks, ImportedRoutinesOfALazilyBoundLibrary) { HookLibraryImport(LAB_CRTEST_GOT_LAZY, true); }
TEST(Hooks, ImportedRoutinesOfALibraryBoundAtOnce) { HookLibraryImport(LAB_CRTEST_GOT_NOW, false); }

// The reporter's start-up lends its hooks one snapshot of the mappings: a library loaded after it was
// read is hooked and put back as any other.
TEST(Hooks, ImportedRoutinesOfALibraryLoadedAfterTheLentSnapshot) {
  const TMemoryMapScope memory;
  ASSERT_NE(TMemoryMapScope::Current(), nullptr);
  HookLibraryImport(LAB_CRTEST_GOT_LAZY, true);
  HookLibraryImport(LAB_CRTEST_GOT_NOW, false);
}

pid_t OtherParent() { return 77; }

TEST(Hooks, ASlotBoundToAnotherRoutineOfTheNameIsLeftAlone) {
  void* library = ::dlopen(LAB_CRTEST_GOT_NOW, RTLD_LAZY | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto parent = reinterpret_cast<long (*)()>(::dlsym(library, "crtest_got_parent"));
  const void* old = nullptr;
  // No library named: the routine the loader binds the name to.
  ASSERT_TRUE(HookImportedProc({LAB_CRTEST_GOT_NOW}, "", "getppid", Code(&FakeParent), old, false));
  EXPECT_EQ(old, Code(&::getppid));
  // The slot leads to the first hook now, not to the C library's routine: not taken again.
  EXPECT_THROW(HookImportedProc({LAB_CRTEST_GOT_NOW}, "libc.so.6", "getppid", Code(&OtherParent), old, false),
               EHookingError);
  EXPECT_FALSE(HookImportedProc({LAB_CRTEST_GOT_NOW}, "libc.so.6", "getppid", Code(&OtherParent), old, true));
  EXPECT_EQ(parent(), 4242);
  UnhookImportedProc(Code(&OtherParent));  // nothing of it to put back
  EXPECT_EQ(parent(), 4242);
  UnhookImportedProc(Code(&FakeParent));
  EXPECT_EQ(parent(), static_cast<long>(::getppid()));
  ::dlclose(library);
}

// A library with a routine of getpgrp's name of its own, which it calls through its slot. Loaded
// with its own names first, the slot is bound to its own routine, not to the C library's: not taken.
// Loaded as usual, the slot is bound to the C library's routine (found first): taken.
TEST(Hooks, ASlotOfALibraryWithARoutineOfTheNameIsTakenOnlyWhenBoundToTheLibrarysRoutine) {
  for (const bool own_first : {true, false}) {
    SCOPED_TRACE(own_first ? "own names first" : "loaded as usual");
    void* library = ::dlopen(LAB_CRTEST_GOT_OWN, RTLD_NOW | RTLD_LOCAL | (own_first ? RTLD_DEEPBIND : 0));
    ASSERT_NE(library, nullptr) << ::dlerror();
    auto group = reinterpret_cast<long (*)()>(::dlsym(library, "crtest_own_group"));
    const long before = group();
    EXPECT_EQ(before == 4343, own_first);
    const void* old = nullptr;
    EXPECT_EQ(HookImportedProc({LAB_CRTEST_GOT_OWN}, "libc.so.6", "getpgrp", Code(&FakeParent), old, true), !own_first);
    EXPECT_EQ(group(), own_first ? 4343 : 4242);
    UnhookImportedProc(Code(&FakeParent));
    EXPECT_EQ(group(), before);
    ::dlclose(library);
  }
}

TEST(Hooks, TheSlotsOfALibraryUnloadedSinceAreLeftAlone) {
  void* library = ::dlopen(LAB_CRTEST_GOT_LAZY, RTLD_LAZY | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  const void* old = nullptr;
  ASSERT_TRUE(HookImportedProc({LAB_CRTEST_GOT_LAZY}, "libc.so.6", "getppid", Code(&FakeParent), old, false));
  ::dlclose(library);
  ASSERT_EQ(::dlopen(LAB_CRTEST_GOT_LAZY, RTLD_LAZY | RTLD_NOLOAD), nullptr);  // unmapped
  UnhookImportedProc(Code(&FakeParent));  // reads nothing that is gone
}

TEST(Hooks, ImportedRoutinesOfTheProgramAndRefusals) {
  const void* old = nullptr;
  ASSERT_TRUE(HookImportedProc({""}, "libc.so.6", "getppid", Code(&FakeParent), old, false));
  EXPECT_EQ(::getppid(), 4242);
  UnhookImportedProc(Code(&FakeParent));
  EXPECT_NE(::getppid(), 4242);

  EXPECT_THROW(HookImportedProc({""}, "libc.so.6", "no_such_routine", Code(&FakeParent), old, false), EProcNull);
  EXPECT_THROW(HookImportedProc({""}, "libnothing.so.9", "getppid", Code(&FakeParent), old, false), EProcNull);
  // The program calls no getpgrp: refused, unless silently.
  EXPECT_THROW(HookImportedProc({""}, "libc.so.6", "getpgrp", Code(&FakeParent), old, false), EHookingError);
  EXPECT_FALSE(HookImportedProc({""}, "libc.so.6", "getpgrp", Code(&FakeParent), old, true));
  EXPECT_FALSE(HookImportedProc({"libnotloaded.so"}, "libc.so.6", "getppid", Code(&FakeParent), old, false));
}

}  // namespace
}  // namespace lab
