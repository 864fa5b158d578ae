#include "crashreport/report/report_text.h"

#include <sys/ucontext.h>

#include <algorithm>
#include <numeric>
#include <span>
#include <string_view>
#include <vector>

#include "crashreport/report/call_stack.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/report/log_item.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/report/module_list.h"
#include "crashreport/report/report_layout.h"
#include "crashreport/codec/text_utils.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

constexpr int kAddressDigits = 2 * sizeof(std::uintptr_t);

void SetStep(TCrashStep Code) { CrashState().StepCode = Code; }

std::string Hex(std::uintptr_t Value, int Digits = kAddressDigits) { return IntToHex(Value, Digits); }

// "Caption:" CR LF, a line of "-" one longer than the caption, and an empty line: what stands for a
// block the options leave out.
std::string SectionTitle(std::string_view Caption) {
  std::string text(Caption);
  text += ":\r\n";
  text.append(Utf8Length(Caption) + 1, '-');
  text += "\r\n\r\n";
  return text;
}

// ---- Header -------------------------------------------------------------------------------------

struct THeaderGroup {
  int Caption;     // the options' text of the group
  int FieldCount;  // its fields, in order
};
constexpr std::array<THeaderGroup, 6> kHeaderGroups = {{{22, 5}, {28, 5}, {34, 4}, {39, 9}, {49, 4}, {54, 6}}};
constexpr int kActiveControlsFirst = 10, kActiveControlsLast = 13;  // field numbers (0-based)

std::string HeaderText(const TReportInputs& In) {
  const TCrashModuleOptions& options = *In.Options;
  TLogItem item;
  int field = 0, caption = 0;
  for (const THeaderGroup& group : kHeaderGroups) {
    item.AddGroup(options.GetCustomizedText(static_cast<std::uint8_t>(group.Caption)));
    caption = group.Caption;
    for (int i = 0; i < group.FieldCount; ++i, ++field) {
      bool shown = options.ShowsHeaderField(field);
      if (field >= kActiveControlsFirst && field <= kActiveControlsLast) shown = shown && In.GuiProgram;
      item.AddItem(options.GetCustomizedText(static_cast<std::uint8_t>(++caption)),
                   In.HeaderValues[static_cast<std::size_t>(field)], shown);
    }
  }
  std::string text(kReportTitle);
  text += "\r\n\r\n";
  text += item.GetText();
  return text;
}

// ---- Tables -------------------------------------------------------------------------------------

// A table of fixed-width cells: "|cell|cell|...|" rows between lines of "-".
class TTextTable {
 public:
  explicit TTextTable(std::vector<std::size_t> Widths) : widths_(std::move(Widths)) {}

  std::vector<std::size_t>& Widths() { return widths_; }
  // The characters between the first and the last "|" of a row.
  std::size_t Span() const { return std::accumulate(widths_.begin(), widths_.end(), widths_.size() - 1); }

  void Reserve(std::size_t Rows, std::size_t ExtraBytes) { text_.reserve(Rows * (Span() + 4) + ExtraBytes); }
  void Append(std::string_view Text) { text_ += Text; }
  void DashLine() {
    text_.append(Span() + 2, '-');
    text_ += "\r\n";
  }
  void Row(std::span<const std::string> Cells) {
    for (std::size_t i = 0; i < widths_.size(); ++i) {
      text_ += '|';
      Padded(Cells[i], widths_[i]);
    }
    text_ += "|\r\n";
  }
  // One cell across the whole row; Fill repeated, or Text padded with blanks.
  void FullRow(std::string_view Text) {
    text_ += '|';
    Padded(Text, Span());
    text_ += "|\r\n";
  }
  void FullDashRow() {
    text_ += '|';
    text_.append(Span(), '-');
    text_ += "|\r\n";
  }
  std::string Take() { return std::move(text_); }

 private:
  void Padded(std::string_view Text, std::size_t Width) {
    text_ += Text;
    const std::size_t length = Utf8Length(Text);
    if (length < Width) text_.append(Width - length, ' ');
  }

  std::vector<std::size_t> widths_;
  std::string text_;
};

// The widths of the captions, each at least its minimum, widened to the longest cell of the rows.
std::vector<std::size_t> ColumnWidths(std::span<const std::string> Captions, std::span<const std::size_t> Minimums,
                                      const std::vector<std::vector<std::string>>& Rows, std::size_t& ExtraBytes) {
  std::vector<std::size_t> widths(Captions.size());
  for (std::size_t i = 0; i < Captions.size(); ++i) widths[i] = std::max(Utf8Length(Captions[i]), Minimums[i]);
  for (const std::vector<std::string>& row : Rows)
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::size_t length = Utf8Length(row[i]);
      widths[i] = std::max(widths[i], length);
      ExtraBytes += row[i].size() - length;
    }
  return widths;
}

// "Title:" CR LF, the "-" line, the caption row, the "-" line.
void TableHead(TTextTable& Table, std::string_view Title, std::span<const std::string> Captions) {
  Table.Append(Title);
  Table.Append(":\r\n");
  Table.DashLine();
  Table.Row(Captions);
  Table.DashLine();
}

std::vector<std::string> Captions(const TCrashModuleOptions& Options, int First, int Count) {
  std::vector<std::string> captions;
  for (int i = First; i < First + Count; ++i) captions.push_back(Options.GetCustomizedText(static_cast<std::uint8_t>(i)));
  return captions;
}

// ---- Call stack ---------------------------------------------------------------------------------

constexpr std::size_t kProcedureColumn = 4;

std::vector<std::string> StackCells(const TCrashDebugInfo& Entry, bool LineOffsets) {
  std::string line;
  if (Entry.Line != 0) {
    line = std::to_string(Entry.Line);
    if (LineOffsets) line += "[" + std::to_string(Entry.LineOffset) + "]";
  }
  return {Hex(Entry.Address),  Entry.Module ? ExtractFileName(Entry.Module->FileName) : std::string(),
          Entry.UnitName,      Entry.ClassName,
          Entry.ProcedureName, std::move(line)};
}

bool SameThread(const TCrashDebugInfo& A, const TCrashDebugInfo& B) {
  return A.ThreadID == B.ThreadID && A.ThreadKind == B.ThreadKind;
}

std::string CallStackBlock(const TReportInputs& In) {
  const TCrashModuleOptions& options = *In.Options;
  const std::vector<std::string> captions = Captions(options, 62, 6);
  const TCrashKindSet shown = GetCallStackFilter(options);
  const bool offsets = options.ShowsLineOffsets();

  // The listed entries, and the caption of each thread's run (by the listed entry that starts it).
  std::vector<const TCrashDebugInfo*> entries;
  std::vector<std::vector<std::string>> rows;
  std::vector<std::pair<std::size_t, std::string>> headings;
  const TCrashDebugInfo* first = In.CallStack && In.CallStack->Count() > 0 ? In.CallStack->GetItem(0) : nullptr;
  for (int i = 0; In.CallStack && i < In.CallStack->Count(); ++i) {
    const TCrashDebugInfo& entry = *In.CallStack->GetItem(i);
    if (!HoldsKind(shown, entry.Kind)) continue;
    if (entries.empty() || !SameThread(*entries.back(), entry)) {
      // The run of the exception's own thread is headed as that thread even when the exception's
      // address itself is not listed.
      const int index = headings.empty() && SameThread(entry, *first) ? 0 : i;
      headings.emplace_back(entries.size(), In.ThreadHeading ? In.ThreadHeading(index, entry)
                                                             : FormatThreadHeader(index, entry, true));
    }
    entries.push_back(&entry);
    rows.push_back(StackCells(entry, offsets));
  }

  static constexpr std::size_t kMinimums[] = {kAddressDigits, 0, 0, 0, 0, 0};
  std::size_t extra = 0;
  TTextTable table(ColumnWidths(captions, kMinimums, rows, extra));
  // A thread's caption never runs past the table: the routine column takes what it needs.
  for (const auto& heading : headings) {
    const std::size_t length = Utf8Length(heading.second);
    if (length > table.Span()) table.Widths()[kProcedureColumn] += length - table.Span();
    extra += heading.second.size() - length;
  }
  table.Reserve(rows.size() + 5 * headings.size() + 6, extra + 64);
  TableHead(table, options.GetCustomizedText(7), captions);
  if (rows.empty()) {
    table.Append("\r\n");
    return table.Take();
  }
  std::size_t next_heading = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (next_heading < headings.size() && headings[next_heading].first == r) {
      if (next_heading > 0) {
        table.FullDashRow();
        if (entries[r]->ThreadKind == 1) table.FullRow("");
      }
      table.FullRow(headings[next_heading].second);
      table.FullDashRow();
      ++next_heading;
    }
    table.Row(rows[r]);
  }
  table.DashLine();
  table.Append("\r\n");
  return table.Take();
}

// ---- Modules ------------------------------------------------------------------------------------

std::string ModulesBlock(const TReportInputs& In) {
  const TCrashModuleOptions& options = *In.Options;
  if (!options.ReportsModules()) return SectionTitle(options.GetCustomizedText(9));
  const std::vector<std::string> captions = Captions(options, 84, 7);
  const int count = In.Modules ? In.Modules->Count() : 0;
  std::vector<std::vector<std::string>> rows;
  rows.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TCrashModuleInfo& module = *In.Modules->GetItem(i);
    // The handle is filled in once the column's width is known.
    rows.push_back({std::string(), ExtractFileName(module.FileName), module.Description, module.Version,
                    std::to_string(module.Size),
                    module.ModifiedTime == 0 ? std::string() : FormatLogDateTime(module.ModifiedTime),
                    ExtractModuleFolder(module)});
  }
  static constexpr std::size_t kMinimums[] = {kAddressDigits, 0, 0, 0, 0, 0, 0};
  std::size_t extra = 0;
  TTextTable table(ColumnWidths(captions, kMinimums, rows, extra));
  const int digits = static_cast<int>(table.Widths()[0]);
  for (int i = 0; i < count; ++i) rows[static_cast<std::size_t>(i)][0] = Hex(In.Modules->GetItem(i)->Handle, digits);
  table.Reserve(rows.size() + 6, extra + 64);
  TableHead(table, options.GetCustomizedText(9), captions);
  for (const std::vector<std::string>& row : rows) table.Row(row);
  table.DashLine();
  table.Append("\r\n");
  return table.Take();
}

// ---- CPU ----------------------------------------------------------------------------------------

int RegisterIndex(std::string_view Name) {
  static constexpr std::pair<std::string_view, int> kIndexes[] = {
      {"RAX", REG_RAX}, {"RBX", REG_RBX}, {"RCX", REG_RCX}, {"RDX", REG_RDX}, {"RDI", REG_RDI}, {"RSI", REG_RSI},
      {"RSP", REG_RSP}, {"RIP", REG_RIP}, {"RBP", REG_RBP}, {"R8", REG_R8},   {"R9", REG_R9},   {"R10", REG_R10},
      {"R11", REG_R11}, {"R12", REG_R12}, {"R13", REG_R13}, {"R14", REG_R14}, {"R15", REG_R15}};
  for (const auto& [name, index] : kIndexes)
    if (name == Name) return index;
  return -1;
}

std::string RegisterLine(const std::array<const char*, 2>& Names, const TCrashContext* Context) {
  std::string line;
  for (std::size_t k = 0; k < 2; ++k) {
    if (k == 1) line += "   ";
    line += PadRight(std::string(Names[k]) + ":", 4) + " ";
    const int index = RegisterIndex(Names[k]);
    line += Context && Context->Holds(index) ? Hex(static_cast<std::uintptr_t>(Context->Gregs[index])) : kNoRegisterValue;
  }
  return line + "\r\n";
}

bool ReadOwnMemory(std::uintptr_t Address, void* Out, std::size_t Size) {
  const void* at = reinterpret_cast<const void*>(Address);
  return IsMemoryReadable(at, Size) && ReadMemory(at, Out, Size) == Size;
}

// One line per stack word: the word's address and value, then 16 code bytes from the exception
// address on, as hex and as characters. Empty unless all of both ranges can be read.
std::string DumpLines(const TReportInputs& In) {
  const TReportMemoryReader& read = In.ReadMemory ? In.ReadMemory : TReportMemoryReader(ReadOwnMemory);
  std::array<std::uintptr_t, kDumpLines> words{};
  std::array<std::uint8_t, kDumpCodeBytes> code{};
  if (!read(In.StackPointer, words.data(), kDumpStackBytes) || !read(In.ExceptionAddress, code.data(), code.size()))
    return {};
  std::string lines;
  lines.reserve(kDumpLines * (kDumpChars + kDumpCharsWidth + 2));
  for (std::size_t i = 0; i < kDumpLines; ++i) {
    lines += Hex(In.StackPointer + i * sizeof(std::uintptr_t)) + ": " + Hex(words[i]) + "   ";
    lines += Hex(In.ExceptionAddress + 16 * i) + ": ";
    const std::span<const std::uint8_t> bytes(code.data() + 16 * i, 16);
    for (std::uint8_t b : bytes) lines += " " + IntToHex(b, 2);
    lines += ' ';
    for (std::uint8_t b : bytes) lines += b >= 32 && b <= 126 ? static_cast<char>(b) : '.';
    lines += "\r\n";
  }
  return lines;
}

std::string CpuBlock(const TReportInputs& In) {
  const TCrashModuleOptions& options = *In.Options;
  if (!options.ReportsCpu()) return SectionTitle(options.GetCustomizedText(91));
  const TCrashContext* context = In.Context && In.Context->ContextFlags == CONTEXT_FULL ? In.Context : nullptr;
  std::string text = options.GetCustomizedText(91) + ":\r\n";
  text.append(kRegisterValue2 + kRegisterDigits, '-');
  text += "\r\n";
  for (const auto& names : kRegisterLines) text += RegisterLine(names, context);
  text += "\r\n";
  text += PadRight(options.GetCustomizedText(92) + ":", static_cast<int>(kDumpCodeAddress));
  text += options.GetCustomizedText(93) + ":\r\n";
  text.append(kDumpCodeAddress - 3, '-');
  text += "   ";
  text.append(kDumpChars + kDumpCharsWidth - kDumpCodeAddress, '-');
  text += "\r\n";
  return text + DumpLines(In);
}

}  // namespace

std::string FormatLogDateTime(TDateTime Value) {
  int year, month, day, hour, minute, second, msec;
  DecodeDate(Value, year, month, day);
  DecodeTime(Value, hour, minute, second, msec);
  return Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", year, month, day, hour, minute, second);
}

TReportTexts FormatReport(const TReportInputs& In) {
  TReportTexts texts;
  texts.ConsoleIntroduction = In.Options->GetCustomizedText(3) + "\r\n\r\n";
  SetStep(csReportHeader);
  texts.Header = HeaderText(In);
  SetStep(csReportCpu);
  texts.Cpu = CpuBlock(In);
  SetStep(csReportCallStack);
  const std::string stack = CallStackBlock(In);
  SetStep(csReportModules);
  const std::string modules = ModulesBlock(In);
  texts.Report.reserve(texts.Header.size() + 2 + stack.size() + modules.size() + texts.Cpu.size());
  texts.Report = texts.Header + "\r\n" + stack + modules + texts.Cpu;
  texts.ExceptionAddress = In.HeaderValues[6];
  texts.ExceptionModule = In.HeaderValues[7];
  texts.ExceptionType = In.HeaderValues[8];
  texts.ExceptionMessage = In.HeaderValues[9];
  return texts;
}

TReportTexts& CurrentReport() {
  static TReportTexts* report = new TReportTexts;
  return *report;
}

void BuildReportText(const TExceptNotifyParams& Params, bool GuiProgram) {
  TReportTexts& report = CurrentReport();
  report = TReportTexts{};
  TCrashProcessState& state = CrashState();
  TCrashExceptionRecord& record = state.CurrentException ? *state.CurrentException : state.ExceptionRecord;
  TReportInputs in;
  in.Options = &OptionsInForce();
  in.HeaderValues = GetReportHeaderValues(Params);
  in.GuiProgram = GuiProgram;
  in.CallStack = record.CallStack;
  // The module rows show what each module's file says.
  CompleteModuleInfos(CrashModulesList());
  in.Modules = &CrashModulesList();
  in.Context = Params.Context;
  in.StackPointer = reinterpret_cast<std::uintptr_t>(Params.StackPointer);
  in.ExceptionAddress = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
  report = FormatReport(in);
  record.ReportText = report.Report;
  state.TextToSend = report.Report;
}

}  // namespace lab
