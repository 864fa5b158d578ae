#pragma once
// The plain-text report of an exception, as the dialog shows it, the log keeps it and the mail
// carries it: the header (the numbered items of the program, the exception, the active controls, the
// computer, the system and the network), the call-stack table with a caption for each thread's run
// of entries, the modules table and the CPU block (report_layout.h). The layout is fixed; every
// caption is one of the options' texts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "crashreport/report/crash_lists.h"
#include "crashreport/report/header_fields.h"
#include "crashreport/options.h"
#include "crashreport/process_state.h"

namespace lab {

// The first line of every report; the log's readers take the layout's version from it.
inline constexpr const char kReportTitle[] = "CrashLog 1.1.0";
// The stack words and code bytes of the CPU block's dump: 16 lines, one stack word and 16 code
// bytes each.
inline constexpr std::size_t kDumpLines = 16;
inline constexpr std::size_t kDumpStackBytes = kDumpLines * sizeof(std::uintptr_t);
inline constexpr std::size_t kDumpCodeBytes = kDumpLines * 16;

// The report and the parts of it that others use, kept until the next exception.
struct TReportTexts {
  std::string Header;  // kReportTitle, an empty line, the header items
  std::string Cpu;     // the CPU block (or its section title alone when the options leave it out)
  std::string Report;  // Header, CR LF, the call-stack and modules blocks, Cpu
  // What the console shows before the report: the options' general error message and an empty line.
  std::string ConsoleIntroduction;
  // The header's values of items 2.3, 2.2, 2.4 and 2.5.
  std::string ExceptionModule, ExceptionAddress, ExceptionType, ExceptionMessage;
};

// Copies Size bytes from Address into Out; false unless every one of them could be read.
using TReportMemoryReader = std::function<bool(std::uintptr_t Address, void* Out, std::size_t Size)>;
// The caption of a thread's run of entries: Index is the place of its first entry in the call stack.
using TThreadHeading = std::function<std::string(int Index, const TCrashDebugInfo& Entry)>;

// Everything a report is made of.
struct TReportInputs {
  const TCrashModuleOptions* Options = nullptr;  // required
  std::array<std::string, kReportHeaderFieldCount> HeaderValues;
  // The active controls' items are shown only for a program with windows (no console or web program).
  bool GuiProgram = true;
  const TCrashStackList* CallStack = nullptr;  // nullptr: none taken
  const TCrashModulesList* Modules = nullptr;  // nullptr: no rows
  const TCrashContext* Context = nullptr;      // nullptr (or not filled): no register values
  std::uintptr_t StackPointer = 0;             // where the call-stack walk started
  std::uintptr_t ExceptionAddress = 0;
  TThreadHeading ThreadHeading;   // empty: FormatThreadHeader(Index, Entry, true)
  TReportMemoryReader ReadMemory;  // empty: this process's memory, read without faulting
};

// The report of Inputs. Each stage sets the handler's step first (csReportHeader to csReportModules),
// so an internal error names the stage that failed.
TReportTexts FormatReport(const TReportInputs& Inputs);

// The report of the exception being processed (the options in force, the header's values, the
// current record's call stack, the module list, the context and stack pointer of Params), kept in
// CurrentReport(), in the record's ReportText and as the text to send.
void BuildReportText(const TExceptNotifyParams& Params, bool GuiProgram);
// The report made last (empty before the first); made on first use and never destroyed.
TReportTexts& CurrentReport();

// "yyyy-mm-dd hh:nn:ss", whatever the locale's separators.
std::string FormatLogDateTime(TDateTime Value);

}  // namespace lab
