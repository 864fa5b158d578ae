#include <gtest/gtest.h>

#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "crashreport/event_dispatch.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/report/module_list.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/system_utils.h"
#include "options_fixture.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"

namespace lab {
namespace {

std::uintptr_t BaseOf(const void* Address) { return reinterpret_cast<std::uintptr_t>(GetModuleBase(Address)); }

// A library opened for one test.
class TLibrary {
 public:
  explicit TLibrary(const char* Name) : handle_(::dlopen(Name, RTLD_NOW | RTLD_LOCAL)) {}
  ~TLibrary() { Close(); }
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;
  void* Symbol(const char* Name) const { return ::dlsym(handle_, Name); }
  void Close() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
  }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  void* handle_;
};

TEST(ModuleList, HoldsTheProgramAndLibc) {
  CrashModulesList().Clear();  // records earlier tests completed would not be made again
  EnumerateModules();
  const TCrashModulesList& list = CrashModulesList();
  const std::uintptr_t program = reinterpret_cast<std::uintptr_t>(RunningModuleBase());
  const std::uintptr_t libc = BaseOf(reinterpret_cast<const void*>(&::gnu_get_libc_version));
  ASSERT_GE(list.IndexOfHandle(program), 0);
  ASSERT_GE(list.IndexOfHandle(libc), 0);
  for (int i = 1; i < list.Count(); ++i) EXPECT_LT(list.GetItem(i - 1)->Handle, list.GetItem(i)->Handle);
  // Each handle is its module's lowest mapped address, also where the walk read no program header.
  for (int i = 0; i < list.Count(); ++i)
    EXPECT_EQ(BaseOf(reinterpret_cast<const void*>(list.Slot(i).Handle())), list.Slot(i).Handle()) << i;
  EXPECT_EQ(list.GetItem(list.IndexOfHandle(program))->Kind, 0);  // made while enumerating

  // Looked up outside the enumeration, a quick record is made again in full.
  std::shared_ptr<TCrashModuleInfo> me = GetModuleInfo(program);
  ASSERT_TRUE(me);
  EXPECT_EQ(me->Kind, 1);
  EXPECT_EQ(me->FileName, GetModuleFullName(nullptr));
  EXPECT_EQ(me->Description, "Crash reporter tests");
  EXPECT_EQ(me->Version, "1.0.0.0");
  EXPECT_GT(me->Size, 0u);
  EXPECT_GT(me->ModifiedTime, 0);
  EXPECT_TRUE(me->Valid);
  EXPECT_EQ(me->Functions->Count(), 0);  // the program's exports are not listed
  EXPECT_EQ(me->Options, CrashState().ModuleOptions);
  EXPECT_EQ(GetModuleInfoByAddr(reinterpret_cast<const void*>(&BaseOf)), me);

  std::shared_ptr<TCrashModuleInfo> c = GetModuleInfo(libc);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Kind, 3);
  EXPECT_EQ(c->Version, "6");  // libc.so.6
  EXPECT_EQ(c->Description, "");
  EXPECT_GT(c->Functions->Count(), 100);
  EXPECT_EQ(ExtractModuleFolder(*c) + "/" + ExtractFileName(c->FileName), c->FileName);

  EXPECT_EQ(GetModuleInfo(0), nullptr);
  EXPECT_EQ(GetModuleInfo(program + 1), nullptr);  // not a load address
  EXPECT_FALSE(AddModuleInfo(program + 1));
}

// Walks in the orders a loader may list its modules come out sorted by handle, each entry whole: the
// usual downward one (turned round), an upward one, downward ones with the program first and lowest
// or first and amid the libraries, one far from sorted either way (64 handles shuffled).
TEST(ModuleList, AWalkIsSortedByHandleInAnyOrder) {
  std::vector<std::uintptr_t> shuffled;
  for (std::uintptr_t i = 0, k = 17; i < 64; ++i, k = (k * 37 + 11) % 64) shuffled.push_back((k + 1) << 12);
  const std::vector<std::vector<std::uintptr_t>> walks = {
      {},
      {0x5000},
      {0x9000, 0x5000},
      {0x5000, 0x9000},
      {0x4000, 0x3000, 0x2000, 0x1000},
      {0x1000, 0x2000, 0x3000, 0x4000},
      {0x1000, 0x9000, 0x8000, 0x3000, 0x7000, 0x6000, 0xa000, 0x2000},
      {0x8000, 0x9000, 0x7000, 0x3000, 0x6000, 0xa000, 0x2000},
      shuffled,
  };
  for (const std::vector<std::uintptr_t>& handles : walks) {
    std::vector<std::string> names;
    for (std::uintptr_t h : handles) names.push_back(std::to_string(h));
    std::vector<TLoadedModule> walk;
    for (const std::string& name : names) walk.push_back({std::stoull(name), name.c_str()});
    SortWalkByHandle(walk);
    std::vector<std::uintptr_t> expected = handles;
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(walk.size(), expected.size());
    for (std::size_t i = 0; i < walk.size(); ++i) {
      EXPECT_EQ(walk[i].Handle, expected[i]) << handles.size() << " modules, entry " << i;
      EXPECT_EQ(std::to_string(walk[i].Handle), walk[i].LoaderName);
    }
  }
}

TEST(ModuleList, LoadedAndUnloadedLibrariesComeAndGo) {
  TLibrary plain(LAB_CRTEST_PLAIN);
  ASSERT_TRUE(plain);
  void* first = plain.Symbol("crtest_plain_first");
  void* second = plain.Symbol("crtest_plain_second");
  const std::uintptr_t handle = BaseOf(first);
  EnumerateModules();
  ASSERT_GE(CrashModulesList().IndexOfHandle(handle), 0);

  std::shared_ptr<TCrashModuleInfo> record = GetModuleInfo(handle);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Kind, 3);
  EXPECT_EQ(record->Version, "2.5.1");  // from the file's name (its soname says only 2)
  EXPECT_EQ(record->Description, "");
  EXPECT_EQ(record->FileName, LAB_CRTEST_PLAIN);
  // Its exports, sorted, with their sizes and their loaded addresses.
  const TCrashFunctionsList& functions = *record->Functions;
  int found = 0;
  for (int i = 0; i < functions.Count(); ++i) {
    const TCrashFunctionInfo* f = functions.GetItem(i);
    if (i > 0) {
      EXPECT_LE(functions.GetItem(i - 1)->Address, f->Address);
    }
    EXPECT_GT(f->Size, 0u);
    const void* expected = f->ProcedureName == "crtest_plain_first"    ? first
                           : f->ProcedureName == "crtest_plain_second" ? second
                                                                        : nullptr;
    if (expected) {
      EXPECT_EQ(f->Address, reinterpret_cast<std::uintptr_t>(expected)) << f->ProcedureName;
      EXPECT_GT(f->Size, 1u) << f->ProcedureName;
      ++found;
    }
  }
  EXPECT_EQ(found, 2);
  // A module without the crash reporter's data keeps the defaults.
  EXPECT_EQ(record->LibraryVersion, kOptionsStreamVersion);
  EXPECT_EQ(record->Options->SMTPPort(), 25);
  EXPECT_EQ(record->Options->ModuleName(), LAB_CRTEST_PLAIN);

  plain.Close();
  EnumerateModules();
  EXPECT_EQ(CrashModulesList().IndexOfHandle(handle), -1);
  EXPECT_EQ(record->Handle, handle);  // who shares the record keeps it whole
}

// An enumeration only takes what the loader tells: no file is read and no pass phrase asked for.
// The report's module rows complete the records.
TEST(ModuleList, AnEnumerationReadsNoFileTheReportCompletesItsRecords) {
  static int asked;
  asked = 0;
  PasswordRequestProc = [](const TCrashExceptionRecord&, std::string&) { ++asked; };
  TCrashModuleOptions& options = *CrashState().ModuleOptions;
  const std::uint8_t log_flags = options.LogFlags();
  const TScopeExit restore([&] {
    PasswordRequestProc = nullptr;
    options.SetLogFlags(log_flags);
  });
  TCrashModulesList& list = CrashModulesList();
  list.Clear();
  EnumerateModules();
  ASSERT_GT(list.Count(), 2);
  for (int i = 0; i < list.Count(); ++i) {
    const TCrashModuleInfo& m = *list.GetItem(i);
    EXPECT_FALSE(m.FileName.empty()) << i;
    EXPECT_TRUE(!m.Valid && m.Size == 0 && m.Version.empty() && m.Kind == 0 && !m.Options && !m.Functions)
        << m.FileName;
  }
  EXPECT_EQ(asked, 0);

  options.SetLogFlags(log_flags | kLogModules);
  BuildReportText(TExceptNotifyParams{}, false);
  for (int i = 0; i < list.Count(); ++i) EXPECT_TRUE(list.GetItem(i)->Valid && list.GetItem(i)->Options) << i;
  const TCrashModuleInfo& libc =
      *list.GetItem(list.IndexOfHandle(BaseOf(reinterpret_cast<const void*>(&::gnu_get_libc_version))));
  EXPECT_EQ(libc.Kind, 3);
  EXPECT_EQ(libc.Version, "6");
  EXPECT_EQ(libc.Size, GetFileSizeByName(libc.FileName));
  const std::string& report = CurrentReport().Report;
  const std::size_t row = report.find("|" + ExtractFileName(libc.FileName) + " ");
  ASSERT_NE(row, std::string::npos) << report;
  EXPECT_NE(report.substr(row, report.find('\n', row) - row).find("|" + std::to_string(libc.Size) + " "),
            std::string::npos)
      << report.substr(row, 200);
  EXPECT_FALSE(list.GetItem(0)->Functions);  // exports wait for a lookup of an address
}

void ExpectSortedByHandle(const TCrashModulesList& List) {
  for (int i = 1; i < List.Count(); ++i) EXPECT_LT(List.GetItem(i - 1)->Handle, List.GetItem(i)->Handle) << i;
}

// With nothing loaded or unloaded since, an enumeration keeps the records as they are, sorted; one
// after a record went from the list finds its module again.
TEST(ModuleList, AnEnumerationWithNothingLoadedSinceKeepsTheRecords) {
  TCrashModulesList& list = CrashModulesList();
  list.Clear();
  EnumerateModules();
  const int count = list.Count();
  ASSERT_GT(count, 2);
  std::vector<std::shared_ptr<TCrashModuleInfo>> before;
  for (int i = 0; i < count; ++i) before.push_back(list.Shared(i));
  EnumerateModules();
  ASSERT_EQ(list.Count(), count);
  for (int i = 0; i < count; ++i) EXPECT_EQ(list.Shared(i), before[static_cast<std::size_t>(i)]) << i;

  // A record made whole stays where it stands; one made anew goes at the end, and the enumeration
  // sorts it in.
  const std::uintptr_t first = before.front()->Handle;
  ASSERT_EQ(GetModuleInfo(first), before.front());
  list.Delete(0);
  ASSERT_TRUE(GetModuleInfo(first));
  EXPECT_EQ(list.GetItem(count - 1)->Handle, first);
  EnumerateModules();
  EXPECT_EQ(list.Count(), count);
  EXPECT_EQ(list.GetItem(0)->Handle, first);
  ExpectSortedByHandle(list);

  list.Delete(count / 2);
  EnumerateModules();
  EXPECT_EQ(list.Count(), count);
  EXPECT_EQ(list.GetItem(count / 2)->Handle, before[static_cast<std::size_t>(count / 2)]->Handle);
  ExpectSortedByHandle(list);
}

// dlclose and dlopen may put another library where one was: the old record must not name the new one.
TEST(ModuleList, ARecordOfAnotherFileAtTheSameAddressIsMadeAgain) {
  const std::uintptr_t libc = BaseOf(reinterpret_cast<const void*>(&::gnu_get_libc_version));
  CrashModulesList().Clear();
  auto stale = std::make_shared<TCrashModuleInfo>();
  stale->Handle = libc;
  stale->FileName = "/gone/libold.so.1";
  stale->Kind = 3;
  CrashModulesList().Add(stale);
  EnumerateModules();
  const int index = CrashModulesList().IndexOfHandle(libc);
  ASSERT_GE(index, 0);
  EXPECT_NE(CrashModulesList().Shared(index), stale);
  EXPECT_EQ(CrashModulesList().GetItem(index)->FileName, GetModuleFullName(reinterpret_cast<const void*>(&::gnu_get_libc_version)));
  EXPECT_EQ(stale->FileName, "/gone/libold.so.1");  // who shares the old record keeps it whole

  // A record of the same file stays as it is.
  std::shared_ptr<TCrashModuleInfo> kept = CrashModulesList().Shared(index);
  EnumerateModules();
  EXPECT_EQ(CrashModulesList().Shared(CrashModulesList().IndexOfHandle(libc)), kept);
}

// Looked up between enumerations (as a call stack does), a record of another file or of a module
// unloaded since is not taken for what is loaded there now.
TEST(ModuleList, ALookupBetweenEnumerationsTakesNoRecordOfAnotherFile) {
  const void* in_libc = reinterpret_cast<const void*>(&::gnu_get_libc_version);
  const std::uintptr_t libc = BaseOf(in_libc);
  CrashModulesList().Clear();
  auto stale = std::make_shared<TCrashModuleInfo>();
  stale->Handle = libc;
  stale->FileName = "/gone/libold.so.1";
  stale->Kind = 3;
  CrashModulesList().Add(stale);
  std::shared_ptr<TCrashModuleInfo> record = GetModuleInfoByAddr(in_libc);
  ASSERT_TRUE(record);
  EXPECT_NE(record.get(), stale.get());
  EXPECT_EQ(record->FileName, GetModuleFullName(in_libc));
  EXPECT_EQ(GetModuleInfo(libc).get(), record.get());  // a record of the file loaded there stays

  TLibrary plain(LAB_CRTEST_PLAIN);
  ASSERT_TRUE(plain);
  const std::uintptr_t handle = BaseOf(plain.Symbol("crtest_plain_first"));
  ASSERT_TRUE(GetModuleInfo(handle));
  plain.Close();
  if (GetModuleBase(reinterpret_cast<const void*>(handle))) return;  // something else was loaded there
  EXPECT_EQ(GetModuleInfo(handle).get(), nullptr);
  EXPECT_EQ(CrashModulesList().IndexOfHandle(handle), -1);
}

// An enumeration keeps the loader's own strings of the file names until a record is asked for: a
// library unloaded before that leaves a record of its handle without a name (its string went with
// it, and is reused here), which the next enumeration drops.
TEST(ModuleList, ALibraryUnloadedBeforeItsRecordIsAskedForLeavesNoName) {
  TLibrary plain(LAB_CRTEST_PLAIN);
  ASSERT_TRUE(plain);
  const std::uintptr_t handle = BaseOf(plain.Symbol("crtest_plain_first"));
  CrashModulesList().Clear();
  EnumerateModules();
  const int index = CrashModulesList().IndexOfHandle(handle);
  ASSERT_GE(index, 0);
  plain.Close();
  ASSERT_EQ(::dlopen(LAB_CRTEST_PLAIN, RTLD_NOW | RTLD_NOLOAD), nullptr);
  const std::vector<std::string> reusing(64, std::string(std::strlen(LAB_CRTEST_PLAIN), 'x'));
  const TCrashModuleInfo& record = *CrashModulesList().GetItem(index);
  EXPECT_EQ(record.Handle, handle);
  EXPECT_EQ(record.FileName, "");
  CompleteModuleInfo(*CrashModulesList().Shared(index));  // as the report's rows do
  EXPECT_TRUE(record.Valid && record.Size == 0 && record.Kind == 0);
  const std::uintptr_t libc = BaseOf(reinterpret_cast<const void*>(&::gnu_get_libc_version));
  EXPECT_EQ(CrashModulesList().GetItem(CrashModulesList().IndexOfHandle(libc))->FileName,
            GetModuleFullName(reinterpret_cast<const void*>(&::gnu_get_libc_version)));
  EXPECT_EQ(GetModuleInfo(handle), nullptr);
  EnumerateModules();
  EXPECT_EQ(CrashModulesList().IndexOfHandle(handle), -1);
}

// A library closed and another opened between two enumerations (often at the same address): every
// record of the second names the file loaded at its address, whether the first one's records were
// asked for or not.
TEST(ModuleList, LibrariesClosedAndOpenedBetweenEnumerationsAreNamedAsLoaded) {
  for (const bool asked : {false, true}) {
    SCOPED_TRACE(asked ? "records asked for" : "records not asked for");
    TLibrary plain(LAB_CRTEST_PLAIN);
    ASSERT_TRUE(plain);
    const std::uintptr_t was = BaseOf(plain.Symbol("crtest_plain_first"));
    TCrashModulesList& list = CrashModulesList();
    list.Clear();
    EnumerateModules();
    const int count = list.Count();
    if (asked) {
      for (int i = 0; i < count; ++i) ASSERT_FALSE(list.GetItem(i)->FileName.empty()) << i;
    }
    plain.Close();
    TLibrary damaged(LAB_CRTEST_DAMAGED);
    ASSERT_TRUE(damaged);
    const std::uintptr_t is = BaseOf(damaged.Symbol("crtest_plain_first"));
    EnumerateModules();
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(list.IndexOfHandle(was) >= 0, was == is);
    ASSERT_GE(list.IndexOfHandle(is), 0);
    EXPECT_EQ(list.GetItem(list.IndexOfHandle(is))->FileName, LAB_CRTEST_DAMAGED);
    for (int i = 0; i < list.Count(); ++i) {
      const TCrashModuleInfo& m = *list.GetItem(i);
      const std::string loaded = GetModuleFullName(reinterpret_cast<const void*>(m.Handle));
      if (!loaded.empty()) {  // the vDSO has no file to compare with
        EXPECT_EQ(m.FileName, loaded) << i;
      }
    }
  }
}

TEST(ModuleList, ALibraryWithDataLoadsItsOptionsWithItsOwnPassPhrase) {
  TLibrary events(LAB_CRTEST_EVENTS);
  ASSERT_TRUE(events);
  std::shared_ptr<TCrashModuleInfo> record = GetModuleInfoByAddr(events.Symbol("crtest_fault_site"));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Description, "Crash test \"events\" module");
  EXPECT_EQ(record->Version, "3.1.4.1");
  EXPECT_EQ(record->LibraryVersion, kOptionsStreamVersion);
  // The library answered the pass phrase request for its own data.
  TCrashModuleOptions expected(LAB_CRTEST_EVENTS, false);
  testing::FillEveryField(expected);
  testing::ExpectSameOptions(expected, *record->Options);
}

// A module's data that opens but whose options cannot be read leaves it at the defaults; the other
// modules are enumerated all the same.
TEST(ModuleList, DamagedOptionsOfOneModuleStopNothing) {
  TLibrary damaged(LAB_CRTEST_DAMAGED);
  ASSERT_TRUE(damaged);
  CrashModulesList().Clear();
  EXPECT_NO_THROW(EnumerateModules());
  const std::uintptr_t libc = BaseOf(reinterpret_cast<const void*>(&::gnu_get_libc_version));
  EXPECT_GE(CrashModulesList().IndexOfHandle(libc), 0);
  std::shared_ptr<TCrashModuleInfo> record;
  ASSERT_NO_THROW(record = GetModuleInfoByAddr(damaged.Symbol("crtest_plain_first")));
  ASSERT_TRUE(record);
  EXPECT_TRUE(record->Valid);
  EXPECT_EQ(record->LibraryVersion, kOptionsStreamVersion);
  EXPECT_EQ(record->Values[0], 0u);
  testing::ExpectSameOptions(TCrashModuleOptions(LAB_CRTEST_DAMAGED, false), *record->Options);
}

// The program's options as a new process has them, before any record of it read its data; and so
// again after the test, whatever it changed.
struct TUnreadProgramData {
  TUnreadProgramData() { Forget(); }
  ~TUnreadProgramData() {
    PasswordRequestProc = nullptr;
    Forget();
  }
  static void Forget() {
    CrashState().ModuleDataLoaded = false;
    CrashState().ModuleOptions->SetDefaults();
    CrashModulesList().Clear();
  }
};

TEST(ModuleList, ThisProgramsOptionsOpenWithThePassPhraseItsHandlersGive) {
  const TUnreadProgramData unread;
  // Without the pass phrase the data stays shut, and is tried again by the next record.
  std::shared_ptr<TCrashModuleInfo> me = GetModuleInfo(reinterpret_cast<std::uintptr_t>(RunningModuleBase()));
  ASSERT_TRUE(me);
  EXPECT_EQ(CurrentCrashLogOptions().SMTPHost(), "");
  EXPECT_FALSE(CrashState().ModuleDataLoaded);
  PasswordRequestProc = [](const TCrashExceptionRecord&, std::string& Password) { Password = "test pass phrase"; };
  CrashModulesList().Clear();
  me = GetModuleInfo(reinterpret_cast<std::uintptr_t>(RunningModuleBase()));
  PasswordRequestProc = nullptr;
  ASSERT_TRUE(me);
  EXPECT_EQ(CurrentCrashLogOptions().SMTPHost(), "mail.lab.example");
  EXPECT_EQ(me->Options->SMTPHost(), "mail.lab.example");
  // Made again later, the record does not load them over what the program changed since.
  CurrentCrashLogOptions().SetSMTPHost("changed.lab.example");
  CrashModulesList().Clear();
  me = GetModuleInfo(reinterpret_cast<std::uintptr_t>(RunningModuleBase()));
  EXPECT_EQ(CurrentCrashLogOptions().SMTPHost(), "changed.lab.example");
  EXPECT_EQ(me->LibraryVersion, kOptionsStreamVersion);
}

TEST(ModuleList, KindsAndVersionsOfFiles) {
  const std::uintptr_t program = reinterpret_cast<std::uintptr_t>(RunningModuleBase());
  EXPECT_EQ(GetModuleType(program), 1);  // a position-independent program
  EXPECT_FALSE(IsModuleLibrary(program));
  const std::uintptr_t libc = BaseOf(reinterpret_cast<const void*>(&::gnu_get_libc_version));
  EXPECT_EQ(GetModuleType(libc), 3);
  EXPECT_TRUE(IsModuleLibrary(libc));
  EXPECT_EQ(GetModuleType(0), 0);
  // An image that cannot be read counts as the kind of the module holding the crash reporter.
  const long page = ::sysconf(_SC_PAGESIZE);
  void* locked = ::mmap(nullptr, static_cast<std::size_t>(page), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  EXPECT_EQ(GetModuleType(reinterpret_cast<std::uintptr_t>(locked)), 0);
  EXPECT_FALSE(IsModuleLibrary(reinterpret_cast<std::uintptr_t>(locked)));
  ::munmap(locked, static_cast<std::size_t>(page));

  std::string description, version;
  GetFileVersionAndDescription("/nonexistent/libz.so.1.2.13", description, version);
  EXPECT_EQ(version, "1.2.13");
  GetFileVersionAndDescription("/nonexistent/libq.so.0.0.0.0", description, version);
  EXPECT_EQ(version, "");  // no version
  GetFileVersionAndDescription("/nonexistent/libq.so.1.x", description, version);
  EXPECT_EQ(version, "");
  EXPECT_EQ(GetFileSizeByName("/nonexistent/file"), 0u);

  TCrashModuleInfo root;
  root.FileName = "/init";
  EXPECT_EQ(ExtractModuleFolder(root), "/");
}

TEST(ModuleList, ModuleStreamsReadOnlyWhatCanBeRead) {
  static const char text[] = "ELF image";
  THModuleStream stream(text);
  EXPECT_EQ(stream.Size(), 2147483647);
  char buffer[4] = {};
  EXPECT_EQ(stream.Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "ELF");
  EXPECT_EQ(stream.Seek(1, soFromCurrent), 4);
  EXPECT_THROW(stream.Write(buffer, 1), EStreamError);
  const long page = ::sysconf(_SC_PAGESIZE);
  void* locked = ::mmap(nullptr, static_cast<std::size_t>(page), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  THModuleStream unreadable(locked);
  EXPECT_EQ(unreadable.Read(buffer, 4), 0);
  ::munmap(locked, static_cast<std::size_t>(page));

  // A read that runs into memory that cannot be read reads nothing and stays where it was.
  auto* pages = static_cast<char*>(
      ::mmap(nullptr, 2 * static_cast<std::size_t>(page), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(pages, MAP_FAILED);
  std::memcpy(pages + page - 2, "ok", 2);
  ::mprotect(pages + page, static_cast<std::size_t>(page), PROT_NONE);
  THModuleStream edge(pages);
  edge.SetPosition(page - 2);
  EXPECT_EQ(edge.Read(buffer, 3), 0);
  EXPECT_EQ(edge.Position(), page - 2);
  EXPECT_EQ(edge.Read(buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, 2), "ok");
  ::munmap(pages, 2 * static_cast<std::size_t>(page));
}

}  // namespace
}  // namespace lab
