// The report text from fixed inputs against golden files, its optional blocks and edge cases, the
// stack dump's test of the memory it reads, and the log's reading of what it writes.

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "crashreport/report/report_text.h"
#include "crashreport/files/log_file.h"
#include "crashreport/files/xml_log.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::ExpectGolden;

std::shared_ptr<TCrashModuleInfo> Module(std::uintptr_t Handle, const std::string& FileName,
                                         const std::string& Description, const std::string& Version,
                                         std::uint32_t Size, TDateTime Modified) {
  auto m = std::make_shared<TCrashModuleInfo>();
  m->Handle = Handle;
  m->FileName = FileName;
  m->Description = Description;
  m->Version = Version;
  m->Size = Size;
  m->ModifiedTime = Modified;
  return m;
}

struct TEntrySpec {
  std::uint8_t Kind;
  std::uint32_t ThreadID;
  std::uint8_t ThreadKind;
  std::uintptr_t Address;
  int ModuleIndex;  // -1: none
  const char* Unit;
  const char* Class;
  const char* Procedure;
  std::int32_t Line, Offset;
};

// Fixed inputs: options, header values, modules, call stack, registers and memory.
class ReportText : public ::testing::Test {
 protected:
  void SetUp() override {
    options.SetCallStackOptions(kCallStackFunctionNames | kCallStackDecoratedNames | kCallStackLineOffsets);
    const char* values[kReportHeaderFieldCount] = {
        "Wed, 31 Jan 2024 23:59:59 +0530", "Lab showcase", "1.2.3.4", "\"-P\" \"lab\"",
        "Tue, 30 Jan 2024 10:00:00 +0530", "Wed, 31 Jan 2024 23:59:59 +0530", "00005555555551A9", "lab_showcase",
        "lab::EConvertError", "'x<y' is not a number.\r\nSee: the {log}.", "TJobBrowser", "Jobs", "TDBGridX",
        "1234", "labpc", "operator", "15923 Mb", "8031 Mb", "457.88 Gb", "120.5 Gb", "2 days, 0 minute, 7 seconds",
        "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz", "1920 x 1080, 24 bit", "Linux 6.1.0-18-amd64", "6.1.0",
        "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1", "English", "192.168.001.010", "255.255.255.000",
        "192.168.001.001", "192.168.001.001", "000.000.000.000", "ON              "};
    for (int i = 0; i < kReportHeaderFieldCount; ++i) in.HeaderValues[static_cast<std::size_t>(i)] = values[i];
    modules.Add(Module(0x0000555555554000, "/opt/lab/lab_showcase", "Lab showcase", "1.2.3.4", 123456,
                       EncodeDate(2024, 1, 30) + EncodeTime(10, 0, 0, 0)));
    modules.Add(Module(0x00007FFFF7800000, "/usr/lib/x86_64-linux-gnu/libc.so.6", "", "2.36", 1922136,
                       EncodeDate(2023, 10, 2) + EncodeTime(12, 30, 5, 0)));
    context.ContextFlags = CONTEXT_FULL;
    context.Held = kSignalContextRegisters;
    for (int r = 0; r < NGREG; ++r) context.Gregs[r] = 0x1000 + r;
    context.Gregs[REG_RIP] = 0x00005555555551A9;
    context.Gregs[REG_RSP] = 0x00007FFFFFFFDF00;

    in.Options = &options;
    in.CallStack = &stack;
    in.Modules = &modules;
    in.Context = &context;
    in.StackPointer = 0x00007FFFFFFFDF00;
    in.ExceptionAddress = 0x00005555555551A9;
    // Headings as the thread list would give them for these made-up threads.
    in.ThreadHeading = [](int Index, const TCrashDebugInfo& Entry) {
      static const std::map<std::uint32_t, std::pair<const char*, const char*>> threads = {
          {4242, {"0", ""}}, {4250, {"5", "TFreezeThread"}}};
      const auto it = threads.find(Entry.ThreadID);
      std::string text = Index == 0 ? " Exception Thread: " : Entry.ThreadKind ? " Running Thread: " : " Calling Thread: ";
      text += Format("ID=%d; Priority=%s; Class=%s", static_cast<int>(Entry.ThreadID),
                     it == threads.end() ? "??" : it->second.first, it == threads.end() ? "" : it->second.second);
      return Entry.ThreadID == 4242 ? text + "; [Main]" : text;
    };
    // Stack words and code bytes of every kind of character.
    in.ReadMemory = [](std::uintptr_t Address, void* Out, std::size_t Size) {
      auto* bytes = static_cast<std::uint8_t*>(Out);
      if (Address == 0x00007FFFFFFFDF00 && Size == kDumpStackBytes) {
        for (std::size_t i = 0; i < Size / 8; ++i) {
          const std::uint64_t word = 0x0000555555556000 + i;
          std::memcpy(bytes + 8 * i, &word, 8);
        }
        return true;
      }
      if (Address == 0x00005555555551A9 && Size == kDumpCodeBytes) {
        for (std::size_t i = 0; i < Size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 0x1C);
        return true;
      }
      return false;
    };
  }

  void Add(const TEntrySpec& s) {
    auto e = std::make_unique<TCrashDebugInfo>();
    e->Kind = s.Kind;
    e->ThreadID = s.ThreadID;
    e->ThreadKind = s.ThreadKind;
    e->Address = s.Address;
    if (s.ModuleIndex >= 0) e->Module = modules.Shared(s.ModuleIndex);
    e->UnitName = s.Unit;
    e->ClassName = s.Class;
    e->ProcedureName = s.Procedure;
    e->Line = s.Line;
    e->LineOffset = s.Offset;
    stack.Add(std::move(e));
  }
  // The raising thread (with a hidden entry and the stack that started it) and a running thread.
  void AddTwoThreads() {
    Add({dkSourceLine, 4242, 1, 0x00005555555551A9, 0, "main.cpp", "TForm1", "TForm1::Button1Click", 42, 3});
    Add({dkNothing, 4242, 1, 0x00005555555551F0, 0, "", "", "", 0, 0});
    Add({dkSourceLine, 4242, 1, 0x00005555555552B0, 0, "main.cpp", "", "RunLoop", 17, 0});
    Add({dkFunction, 4242, 0, 0x00007FFFF7A0C123, 1, "", "", "__libc_start_call_main", 0, 0});
    Add({dkDecorated, 4250, 1, 0x00005555555563C4, 0, "", "TFreezeThread", "TFreezeThread::Execute", 0, 0});
    Add({dkSourceLine, 4250, 1, 0x00005555555563D0, 0, "freeze.cpp", "TThread", "TThread::ThreadProc", 9, 1});
  }
  std::string Report() { return FormatReport(in).Report; }

  TCrashModuleOptions options{"lab_showcase", false};
  TReportInputs in;
  TCrashStackList stack;
  TCrashModulesList modules;
  TCrashContext context;
};

TEST_F(ReportText, TwoThreadsModulesAndTheCpuBlock) {
  AddTwoThreads();
  const TReportTexts texts = FormatReport(in);
  ExpectGolden(texts.Report, "report-two-threads.txt");
  EXPECT_TRUE(texts.Report.starts_with(texts.Header + "\r\nCall Stack Information:\r\n"));
  EXPECT_TRUE(texts.Report.ends_with(texts.Cpu));
  EXPECT_TRUE(texts.Cpu.starts_with("Registers:\r\n"));
  EXPECT_EQ(texts.ConsoleIntroduction,
            "An error has occurred during program execution.\r\n"
            "Please read the following information for further details.\r\n\r\n");
  EXPECT_EQ(texts.ExceptionAddress, "00005555555551A9");
  EXPECT_EQ(texts.ExceptionModule, "lab_showcase");
  EXPECT_EQ(texts.ExceptionType, "lab::EConvertError");
  EXPECT_EQ(texts.ExceptionMessage, in.HeaderValues[9]);
}

TEST_F(ReportText, RegistersTheContextDidNotReadShowNoValue) {
  context.Held = kGetcontextRegisters;
  const std::string cpu = FormatReport(in).Cpu;
  for (const char* line : {"RAX: ????               RDI: 0000000000001008\r\n",
                           "R10: ????               R11: ????            \r\n",
                           "RCX: 000000000000100E   RSP: 00007FFFFFFFDF00\r\n"})
    EXPECT_NE(cpu.find(line), std::string::npos) << line << "\n" << cpu;
}

TEST_F(ReportText, NonAsciiTextWithoutContextOrReadableMemory) {
  // Widths count characters; a long thread caption widens the routine column; no registers and
  // no dump; a console program shows no active controls; the date item hidden keeps 2.2 the address.
  Add({dkSourceLine, 7001, 1, 0x00005555555551A9, 0, "Übersicht.cpp", "TMeßwert", "Größe", 120, 0});
  Add({dkSourceLine, 7001, 1, 0x00005555555551C0, -1, "ja.cpp", "", "読み込み", 7, 2});
  options.SetReportItems(0xFF'FFFF'FFFF & ~(std::uint64_t{1} << 5));
  in.GuiProgram = false;
  in.HeaderValues[15] = "Jürgen";
  in.HeaderValues[14] = "実験室";
  in.HeaderValues[9] = "Datei „Übersicht“ fehlt.";
  in.Context = nullptr;
  in.ReadMemory = [](std::uintptr_t, void*, std::size_t) { return false; };
  in.ThreadHeading = [](int, const TCrashDebugInfo&) {
    return std::string(" Exception Thread: ID=7001; Priority=0; Class=TMesswertErfassungsThreadFürDieStation");
  };
  modules.GetItem(0)->Description = "Überwachung";
  modules.GetItem(1)->ModifiedTime = 0;  // the file is gone
  ExpectGolden(Report(), "report-non-ascii.txt");
}

TEST_F(ReportText, BlocksTheOptionsLeaveOutAndAnEmptyCallStack) {
  struct TCase {
    const char* Name;
    std::uint8_t LogFlags;
    bool WithStack;
    const char* Expected;
  };
  const TCase cases[] = {
      {"no CPU block", 0x10, true, "Registers:\r\n----------\r\n\r\n"},
      {"no modules block", 0x20, true, "\r\n\r\nModules Information:\r\n--------------------\r\n\r\nRegisters:\r\n"},
      {"no call stack", 0x30, false,
       "|Address         |Module|Unit|Class|Procedure/Method|Line|\r\n"
       "----------------------------------------------------------\r\n\r\nModules Information:\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    stack.Clear();
    if (c.WithStack) AddTwoThreads();
    options.SetLogFlags(c.LogFlags);
    const std::string report = Report();
    EXPECT_NE(report.find(c.Expected), std::string::npos) << report;
  }
  options.SetLogFlags(kLogModules);
  EXPECT_TRUE(Report().ends_with("Registers:\r\n----------\r\n\r\n"));
}

TEST_F(ReportText, LineCellsAndThreadCaptions) {
  // Line 0 shows no line, also with offsets on; the exception's thread keeps its caption when the
  // exception address itself is not listed; a calling run is not preceded by a blank row.
  Add({dkModule, 4242, 1, 0x00005555555551A9, 0, "", "", "", 0, 0});
  Add({dkFunction, 4242, 1, 0x00005555555551B0, 0, "", "", "main", 0, 4});
  Add({dkFunction, 4243, 0, 0x00005555555551C0, 0, "", "", "spawn", 0, 0});
  std::vector<int> indexes;
  in.ThreadHeading = [&](int Index, const TCrashDebugInfo& Entry) {
    indexes.push_back(Index);
    return Format("heading %d", static_cast<int>(Entry.ThreadID));
  };
  const std::string report = Report();
  EXPECT_EQ(indexes, (std::vector<int>{0, 2}));
  EXPECT_NE(report.find("|00005555555551B0|lab_showcase|    |     |main            |    |\r\n"), std::string::npos)
      << report;
  const std::string dashes = "|" + std::string(62, '-') + "|\r\n";  // the routine column is 16 wide
  EXPECT_NE(report.find("|heading 4242" + std::string(50, ' ') + "|\r\n" + dashes + "|00005555555551B0|"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("main            |    |\r\n" + dashes + "|heading 4243 "), std::string::npos) << report;
}

TEST_F(ReportText, DefaultThreadHeadingNamesTheClassPart) {
  in.ThreadHeading = nullptr;
  Add({dkFunction, 3999999, 1, 0x00005555555551A9, 0, "", "", "main", 0, 0});
  EXPECT_NE(Report().find("| Exception Thread: ID=3999999; Priority=??; Class= "), std::string::npos) << Report();
}

// The dump reads 16 stack words: a stack whose first 64 bytes are readable but not the next 64
// gives no dump lines (a reader of 64 bytes would have shown them), though the captions stay.
TEST_F(ReportText, DumpOnlyWhenEveryStackWordAndCodeByteIsReadable) {
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  auto* area = static_cast<std::uint8_t*>(
      ::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(area, MAP_FAILED);
  ASSERT_EQ(::mprotect(area + page, page, PROT_NONE), 0);
  std::memset(area, 0x41, page);
  in.ReadMemory = nullptr;
  in.ExceptionAddress = reinterpret_cast<std::uintptr_t>(area);
  const std::string captions = "Memory Dump:\r\n" + std::string(34, '-') + "   " + std::string(83, '-') + "\r\n";

  struct TCase {
    std::size_t StackOffset;
    bool Dumped;
  };
  for (const TCase c : {TCase{page - 128, true}, TCase{page - 64, false}, TCase{page - 8, false}}) {
    SCOPED_TRACE(c.StackOffset);
    in.StackPointer = reinterpret_cast<std::uintptr_t>(area + c.StackOffset);
    const std::string cpu = FormatReport(in).Cpu;
    EXPECT_EQ(cpu.ends_with(captions), !c.Dumped) << cpu;
    if (c.Dumped) {
      EXPECT_NE(cpu.find(": 4141414141414141   "), std::string::npos) << cpu;
    }
  }
  // Code bytes past the readable page: no dump either.
  in.StackPointer = reinterpret_cast<std::uintptr_t>(area);
  in.ExceptionAddress = reinterpret_cast<std::uintptr_t>(area + page - 255);
  EXPECT_TRUE(FormatReport(in).Cpu.ends_with(captions));
  ::munmap(area, 2 * page);
}

TEST_F(ReportText, TheLogReadsBackWhatTheReportWrites) {
  AddTwoThreads();
  // A "|" in a class's name as in a routine's, and a message whose later lines have an indentation
  // of their own.
  Add({dkSourceLine, 4250, 1, 0x00005555555563E0, 0, "flags.h", "Flags<A|B>", "Flags<A|B>::operator|", 7, 0});
  in.HeaderValues[9] = "Cannot combine:\r\n  A\r\n    B";
  const std::string report = Report();
  EXPECT_EQ(ReadLogField(report, FindLogField(report, "2.5")), "Cannot combine:\r\n  A\r\n    B");
  const std::string xml = LogEntryToXML(report + "\r\n", "");
  for (const char* part : {"Label=\"Message\" Value=\"Cannot combine:&#013;&#010;  A&#013;&#010;    B\"",
                           "Unit=\"flags.h\" Class=\"Flags&#060;A|B&#062;\" Procedure=\"Flags&#060;A|B&#062;::operator|\" "
                           "Number=\"7\"",
                           "<ExceptionThread ID=\"4242\" Priority=\"0\" Class=\"\" MainThread=\"True\">",
                           "<CallingThread ID=\"4242\"", "<RunningThread ID=\"4250\" Priority=\"5\"",
                           "Procedure=\"TForm1::Button1Click\" Number=\"42\" Offset=\"3\"",
                           "<Module Handle=\"00007FFFF7800000\" Name=\"libc.so.6\"",
                           "Modified=\"2023-10-02 12:30:05\" Path=\"/usr/lib/x86_64-linux-gnu\"",
                           "RAX=\"000000000000100D\"", "RIP=\"00005555555551A9\"",
                           "<Line Address=\"00007FFFFFFFDF78\" Value=\"000055555555600F\"/>"})
    EXPECT_NE(xml.find(part), std::string::npos) << part << "\n" << xml;
}

TEST(ReportDates, LogDateTimeIgnoresTheLocaleSeparators) {
  EXPECT_EQ(FormatLogDateTime(EncodeDate(2024, 2, 29) + EncodeTime(7, 5, 9, 999)), "2024-02-29 07:05:09");
  EXPECT_EQ(FormatLogDateTime(EncodeDate(1999, 12, 31)), "1999-12-31 00:00:00");
}

}  // namespace
}  // namespace lab
