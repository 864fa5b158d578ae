#include "crashreport/files/xml_log.h"

#include <array>
#include <map>
#include <optional>

#include "crashreport/codec/base64.h"
#include "crashreport/codec/cipher.h"
#include "crashreport/report/log_item.h"
#include "crashreport/report/report_layout.h"
#include "crashreport/codec/text_utils.h"
#include "crashreport/files/xml_builder.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Reports written before this version keep all call-stack rows under one thread and carry the
// user's steps to reproduce.
constexpr std::string_view kThreadedVersion = "1.0.0";

std::string_view Part(std::string_view Text, std::size_t Start, std::size_t Count) {
  return Start >= Text.size() ? std::string_view() : Text.substr(Start, Count);
}

// The start of the line that holds Pos.
std::size_t LineStart(std::string_view Text, std::size_t Pos) {
  if (Pos == 0) return 0;
  const std::size_t lf = Text.rfind('\n', Pos - 1);
  return lf == npos ? 0 : lf + 1;
}

// Inserts two blanks at the start of every line but the first and the last.
std::string IndentInnerLines(std::string_view Text) {
  const std::size_t last = Text.rfind("\r\n");
  if (last == npos) return std::string(Text);
  std::string out;
  out.reserve(Text.size() + Text.size() / 16);
  std::size_t from = 0;
  for (std::size_t at; (at = Text.find("\r\n", from)) != npos && at < last; from = at + 2) {
    out.append(Text.substr(from, at + 2 - from));
    out += "  ";
  }
  out.append(Text.substr(from));
  return out;
}

// ---- Tables -----------------------------------------------------------------------------------

// A table: from the start of its first "-" line to the "-" that ends it (before an empty line).
struct TTable {
  bool Found = false;
  std::size_t Start = 0;
  std::size_t End = 0;
};

TTable TableAt(std::string_view Entry, std::size_t DashLineEnd) {
  TTable table;
  table.Found = true;
  table.Start = LineStart(Entry, DashLineEnd);
  const std::size_t end = Entry.find("-\r\n\r\n", DashLineEnd);
  table.End = end == npos ? Entry.size() : end;
  return table;
}

TTable FirstTable(std::string_view Entry) {
  const std::size_t at = Entry.find("-\r\n|");
  return at == npos ? TTable{} : TableAt(Entry, at);
}

// The table under the first section title after First; none when that section has no table.
TTable SecondTable(std::string_view Entry, const TTable& First) {
  if (!First.Found || First.End >= Entry.size()) return {};
  const std::vector<std::string_view> lines = SplitLines(Entry.substr(First.End + 1));
  std::size_t offset = First.End + 1;
  for (std::size_t i = 0; i + 1 < lines.size(); offset += lines[i].size() + 2, ++i) {
    if (Trim(lines[i]).empty()) continue;
    if (!lines[i].ends_with(':') || !lines[i + 1].starts_with('-')) return {};
    if (i + 2 >= lines.size() || !lines[i + 2].starts_with('|')) return {};
    const std::size_t dash_start = offset + lines[i].size() + 2;
    return TableAt(Entry, dash_start + lines[i + 1].size() - 1);
  }
  return {};
}

// The rows of a table: its lines from the fourth on that begin with "|" but are no "|-" border.
std::vector<std::string_view> TableRows(std::string_view Entry, const TTable& Table) {
  std::vector<std::string_view> rows;
  const std::vector<std::string_view> lines = SplitLines(Entry.substr(Table.Start, Table.End - Table.Start));
  for (std::size_t i = 3; i < lines.size(); ++i)
    if (lines[i].starts_with('|') && !lines[i].starts_with("|-")) rows.push_back(lines[i]);
  return rows;
}

// The cells of a row, untrimmed: split at "|" after the leading one, the closing "|" dropped.
std::vector<std::string_view> RowCells(std::string_view Row) {
  std::vector<std::string_view> cells;
  if (Row.starts_with('|')) Row.remove_prefix(1);
  if (Row.ends_with('|')) Row.remove_suffix(1);
  if (Row.empty()) return cells;
  std::size_t from = 0;
  for (std::size_t at; (at = Row.find('|', from)) != npos; from = at + 1) cells.push_back(Row.substr(from, at - from));
  cells.push_back(Row.substr(from));
  return cells;
}

// The widths of a table's columns in characters, from its caption row (its second line).
std::vector<std::size_t> ColumnWidths(std::string_view Entry, const TTable& Table) {
  const std::vector<std::string_view> lines = SplitLines(Entry.substr(Table.Start, Table.End - Table.Start));
  std::vector<std::size_t> widths;
  if (lines.size() > 1)
    for (std::string_view cell : RowCells(lines[1])) widths.push_back(Utf8Length(cell));
  return widths;
}

// The cells of a row the report wrote, each as wide as its column, so that a "|" inside a cell (an
// operator in a routine's or a class's name) stays in it; RowCells for a row of another width.
std::vector<std::string_view> RowCells(std::string_view Row, const std::vector<std::size_t>& Widths) {
  std::vector<std::string_view> cells;
  std::size_t at = 0;
  for (const std::size_t width : Widths) {
    if (at >= Row.size() || Row[at] != '|') return RowCells(Row);
    const std::size_t end = at + 1 + Utf8Offset(Row.substr(at + 1), width);
    cells.push_back(Row.substr(at + 1, end - at - 1));
    at = end;
  }
  return at + 1 == Row.size() && Row[at] == '|' && !Widths.empty() ? cells : RowCells(Row);
}

// ---- General ----------------------------------------------------------------------------------

struct THeaderLine {
  std::string ID, Label, Value;
  std::size_t Column = 0;  // where the value starts, in characters: its later lines are indented to it
};
struct THeaderGroup {
  std::string Label;
  std::vector<THeaderLine> Lines;
};

bool IsHeaderItemLine(std::string_view Line) {
  // Items begin with two blanks and their number; the lines that carry a value on begin with more.
  return Line.size() > 2 && Line[2] != ' ' && (Line.find(": ") != npos || Line.ends_with(':'));
}

std::string StoredValue(std::string Value) {
  if (Value.starts_with(".\r\n")) Value.erase(0, 1);
  if (Value.ends_with("\r\n.")) Value.pop_back();
  Value = ReplaceAllText(Value, ":_", ": ");
  return ReplaceAllText(Value, "\n.\r", "\n\r");
}

std::vector<THeaderGroup> ReadHeader(std::string_view Entry, const TTable& First) {
  std::string_view header = Entry;
  if (First.Found) header = Entry.substr(0, First.Start == 0 ? 0 : LineStart(Entry, First.Start - 1));
  while (!header.empty() && static_cast<unsigned char>(header.back()) <= ' ') header.remove_suffix(1);

  std::vector<THeaderGroup> groups;
  THeaderGroup* group = nullptr;
  bool underline = false;
  const std::vector<std::string_view> lines = SplitLines(header);
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (Trim(line).empty()) {
      group = nullptr;
    } else if (!group) {
      std::string title = TrimRight(line);
      if (title.ends_with(':')) title.pop_back();
      group = &groups.emplace_back(THeaderGroup{std::move(title), {}});
      underline = true;
    } else if (underline && line.starts_with('-')) {
      underline = false;
    } else if (IsHeaderItemLine(line)) {
      underline = false;
      const std::string item = TrimLeft(line);
      std::size_t blank = item.find(' ');
      if (blank == npos) blank = item.size();
      THeaderLine& out = group->Lines.emplace_back();
      out.ID = item.substr(0, blank);
      const std::string_view rest = Part(item, blank + 1, npos);
      const std::size_t colon = rest.find(": ");
      out.Column = Utf8Length(line.substr(0, std::min(line.find(": "), line.size()))) + 2;
      if (colon == npos) {
        out.Label = Trim(rest.substr(0, rest.size() - 1));
      } else {
        out.Label = Trim(rest.substr(0, colon));
        out.Value = std::string(rest.substr(colon + 2));
      }
    } else if (!group->Lines.empty()) {
      underline = false;
      THeaderLine& item = group->Lines.back();
      item.Value += "\r\n";
      item.Value += LogValueLineText(line, item.Column);
    }
  }
  return groups;
}

void AddGeneral(TXMLItem& Log, std::string_view Entry, const TTable& First) {
  TXMLItem* general = Log.AddItem("General");
  for (const THeaderGroup& group : ReadHeader(Entry, First)) {
    TXMLItem* element = general->AddItem("Group");
    const std::string id = group.Lines.empty() ? std::string() : group.Lines.front().ID;
    element->AddAttribute("ID", id.substr(0, std::min(id.find('.'), id.size())));
    element->AddAttribute("Label", group.Label);
    for (const THeaderLine& line : group.Lines) {
      TXMLItem* item = element->AddItem("Line");
      item->AddAttribute("ID", line.ID);
      item->AddAttribute("Label", line.Label);
      item->AddAttribute("Value", StoredValue(line.Value));
    }
  }
}

// ---- Call stack -------------------------------------------------------------------------------

// A name in clear, or false when the text cannot be one (a wrong password gives such bytes).
bool DecryptName(const TCipher& Cipher, std::string_view Base64Text, std::string& Name) {
  Name = Base64DecodeStr(Base64Text);
  Cipher.DecryptBuffer(Name.data(), Name.data(), Name.size());
  for (char c : Name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '@' || c == '_';
    if (!ok) return false;
  }
  return true;
}

// Protected names: the unit "?", a kind letter and Base64; class and procedure "?" and Base64.
void RevealNames(const TCipher& Cipher, std::string& Unit, std::string& Class, std::string& Procedure) {
  if (Unit.size() < 2 || Unit[0] != '?') return;
  const auto cipher_text = [](const std::string& cell) {
    return std::string_view(cell).substr(cell.starts_with('?') ? 1 : 0);
  };
  std::string unit, class_name, procedure;
  if (!DecryptName(Cipher, std::string_view(Unit).substr(2), unit) ||
      !DecryptName(Cipher, cipher_text(Class), class_name) || !DecryptName(Cipher, cipher_text(Procedure), procedure))
    return;
  if (unit.find('.') == npos) unit += Unit[1] == 'p' ? ".cpp" : ".h";
  if (const std::size_t dot = procedure.find('.'); dot != npos) {
    class_name = procedure.substr(0, dot);
    procedure.erase(0, dot + 1);
  }
  Unit = std::move(unit);
  Class = std::move(class_name);
  Procedure = std::move(procedure);
}

// Reveal: the cipher of the log's password, nullptr to leave protected names as they stand.
void AddCallStackLine(TXMLItem& Thread, const std::vector<std::string_view>& Cells, const TCipher* Reveal) {
  std::string address = Trim(Cells[0]), module = Trim(Cells[1]), unit = Trim(Cells[2]), class_name = Trim(Cells[3]);
  // A "|" in a routine's name (an operator) splits its cell: the cells between the class and the line
  // are the routine's.
  std::string procedure(Cells[4]);
  for (std::size_t i = 5; i + 1 < Cells.size(); ++i) {
    procedure += '|';
    procedure += Cells[i];
  }
  procedure = Trim(procedure);
  const std::string last = Trim(Cells.back());
  if (Reveal) RevealNames(*Reveal, unit, class_name, procedure);
  if (procedure.starts_with('@')) procedure[0] = '_';
  const std::size_t bracket = last.find('[');
  std::string number = last.substr(0, std::min(bracket, last.size())), offset;
  if (bracket != npos) {
    offset = last.substr(bracket + 1);
    if (offset.ends_with(']')) offset.pop_back();
  }
  TXMLItem* line = Thread.AddItem("Line");
  line->AddAttribute("Address", address);
  line->AddAttribute("Module", module);
  line->AddAttribute("Unit", unit);
  line->AddAttribute("Class", class_name);
  line->AddAttribute("Procedure", procedure);
  line->AddAttribute("Number", number);
  line->AddAttribute("Offset", offset);
}

// " Exception Thread: ID=1234; Priority=0; Class=TMyThread; [Main]"
void AddThreadAttributes(TXMLItem& Thread, std::string_view Heading) {
  const std::size_t colon = Heading.find(": ");
  std::vector<std::string> parts;
  if (colon != npos) {
    std::string_view rest = Heading.substr(colon + 2);
    for (std::size_t at; (at = rest.find(';')) != npos; rest.remove_prefix(at + 1)) parts.push_back(Trim(rest.substr(0, at)));
    parts.push_back(Trim(rest));
  }
  static constexpr std::array<const char*, 3> kNames = {"ID", "Priority", "Class"};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    std::string value;
    if (i < parts.size()) {
      const std::size_t eq = parts[i].find('=');
      if (eq != npos) value = parts[i].substr(eq + 1);
    }
    Thread.AddAttribute(kNames[i], value);
  }
  Thread.AddAttribute("MainThread", parts.size() >= 4 ? "True" : "False");
}

void AddCallStack(TXMLItem& Log, std::string_view Entry, const TTable& First, bool Threaded,
                  std::string_view Password) {
  TXMLItem* stack = Log.AddItem("CallStack");
  if (!First.Found) return;
  std::optional<TCipher> reveal;
  if (!Password.empty()) reveal.emplace(Password);
  TXMLItem* thread = nullptr;   // the exception or running thread
  TXMLItem* current = nullptr;  // where rows go: that thread or a calling thread in it
  bool separated = true;
  const std::vector<std::size_t> widths = ColumnWidths(Entry, First);
  for (std::string_view row : TableRows(Entry, First)) {
    std::vector<std::string_view> cells = RowCells(row);
    if (cells.size() >= 6) cells = RowCells(row, widths);
    if (cells.size() < 6) {
      if (cells.empty() || Trim(cells[0]).empty()) {
        separated = true;
      } else if (Threaded) {
        if (separated || !thread) {
          thread = stack->AddItem(stack->Items().Count() == 0 ? "ExceptionThread" : "RunningThread");
          current = thread;
        } else {
          current = thread->AddItem("CallingThread");
        }
        AddThreadAttributes(*current, cells[0]);
        separated = false;
      }
      continue;
    }
    if (!current) current = thread = stack->AddItem(stack->Items().Count() == 0 ? "ExceptionThread" : "RunningThread");
    separated = false;
    AddCallStackLine(*current, cells, reveal ? &*reveal : nullptr);
  }
}

// ---- Modules ----------------------------------------------------------------------------------

void AddModules(TXMLItem& Log, std::string_view Entry, const TTable& First) {
  TXMLItem* modules = Log.AddItem("Modules");
  const TTable table = SecondTable(Entry, First);
  if (!table.Found) return;
  for (std::string_view row : TableRows(Entry, table)) {
    const std::vector<std::string_view> cells = RowCells(row);
    if (cells.size() != 6 && cells.size() != 7) continue;
    TXMLItem* module = modules->AddItem("Module");
    module->AddAttribute("Handle", Trim(cells[0]));
    module->AddAttribute("Name", Trim(cells[1]));
    module->AddAttribute("Description", Trim(cells[2]));
    module->AddAttribute("Version", Trim(cells[3]));
    module->AddAttribute("Size", Trim(cells[4]));
    if (cells.size() == 7) module->AddAttribute("Modified", Trim(cells[5]));
    module->AddAttribute("Path", Trim(cells.back()));
  }
}

// ---- CPU --------------------------------------------------------------------------------------

// The CPU block: after the second empty-line gap that follows the first table, up to the second
// gap after that (the registers, then the stack and memory dump).
std::string_view CPUBlock(std::string_view Entry, const TTable& First) {
  if (!First.Found || First.End >= Entry.size()) return {};
  std::size_t gap = Entry.find("\r\n\r\n", First.End);
  if (gap != npos) gap = Entry.find("\r\n\r\n", gap + 4);
  if (gap == npos) return {};
  std::size_t start = gap + 4;
  while (Entry.substr(start).starts_with("\r\n")) start += 2;
  std::size_t end = Entry.find("\r\n\r\n", start);
  if (end != npos) end = Entry.find("\r\n\r\n", end + 4);
  const std::string_view block = Entry.substr(start, end == npos ? npos : end - start);
  return block.find("RAX") == npos ? std::string_view() : block;
}

void AddCPU(TXMLItem& Log, std::string_view Entry, const TTable& First) {
  TXMLItem* cpu = Log.AddItem("CPU");
  const std::string_view block = CPUBlock(Entry, First);
  if (block.empty()) return;
  const std::vector<std::string_view> lines = SplitLines(block);
  std::map<std::string_view, std::string> values;
  for (std::size_t i = 0; i < kRegisterLines.size() && kRegisterLineFirst + i < lines.size(); ++i) {
    const std::string_view line = lines[kRegisterLineFirst + i];
    const std::array<std::size_t, 2> columns = {kRegisterValue1, kRegisterValue2};
    for (std::size_t k = 0; k < 2; ++k) {
      const std::string value(Part(line, columns[k], kRegisterDigits));
      const std::string trimmed = Trim(value);
      if (!trimmed.empty() && trimmed != Trim(kNoRegisterValue)) values[kRegisterLines[i][k]] = value;
    }
  }
  TXMLItem* registers = cpu->AddItem("Registers");
  for (const char* name : kRegisterNames)
    if (const auto it = values.find(name); it != values.end()) registers->AddAttribute(name, it->second);
  TXMLItem* stack = cpu->AddItem("Stack");
  TXMLItem* dump = cpu->AddItem("MemoryDump");
  for (std::size_t i = kDumpLineFirst; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) continue;
    TXMLItem* word = stack->AddItem("Line");
    word->AddAttribute("Address", Part(line, kDumpStackAddress, kRegisterDigits));
    word->AddAttribute("Value", Part(line, kDumpStackValue, kRegisterDigits));
    TXMLItem* bytes = dump->AddItem("Line");
    bytes->AddAttribute("Address", Part(line, kDumpCodeAddress, kRegisterDigits));
    bytes->AddAttribute("Bytes", Part(line, kDumpBytes, kDumpBytesWidth));
    bytes->AddAttribute("Chars", Part(line, kDumpChars, kDumpCharsWidth));
  }
}

// ---- Steps to reproduce (old reports) ---------------------------------------------------------

// After the third table, the third section title (a line ending in ":" over a "-" line): the text
// from the line after its underline up to the next empty line.
void AddReproduceText(TXMLItem& Log, std::string_view Entry) {
  std::size_t at = npos;
  for (std::size_t i = 0, from = 0; i < 3; ++i, from = at + 4) {
    at = Entry.find("-\r\n|", from);
    if (at == npos) break;
  }
  std::string text;
  if (at != npos) {
    const std::vector<std::string_view> lines = SplitLines(Entry.substr(at + 3));
    int titles = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      if (!lines[i].ends_with(':') || !lines[i + 1].starts_with('-') || ++titles < 3) continue;
      for (std::size_t k = i + 2; k < lines.size() && !lines[k].empty(); ++k) {
        if (k > i + 2) text += "\r\n";
        text += lines[k];
      }
      break;
    }
  }
  Log.AddItem("HoToReproduce")->AddAttribute("Text", text);
}

}  // namespace

std::string LogEntryVersion(std::string_view Entry) {
  const std::string_view first = Entry.substr(0, std::min(Entry.find_first_of("\r\n"), Entry.size()));
  const std::size_t blank = first.find(' ');
  return blank == npos ? std::string() : std::string(first.substr(blank + 1));
}

std::string LogEntryToXML(std::string_view Entry, std::string_view Password) {
  const std::string version = LogEntryVersion(Entry);
  const bool old = version < kThreadedVersion;
  const TTable first = FirstTable(Entry);
  TXMLItem log("Log");
  AddGeneral(log, Entry, first);
  AddCallStack(log, Entry, first, !old, Password);
  AddModules(log, Entry, first);
  AddCPU(log, Entry, first);
  if (old) AddReproduceText(log, Entry);

  TXMLItem head("Log");
  head.AddAttribute("Version", version);
  std::string text = "<Log" + head.Attributes() + ">\r\n";
  for (int i = 0; i < log.Items().Count(); ++i) text += log.Items().Items(i)->GetXML();
  text += "</Log>";
  return IndentInnerLines(text);
}

std::string LogEntryModuleHandle(std::string_view Entry, std::string_view Module) {
  for (std::string_view row : TableRows(Entry, SecondTable(Entry, FirstTable(Entry)))) {
    const std::vector<std::string_view> cells = RowCells(row);
    if ((cells.size() == 6 || cells.size() == 7) && Trim(cells[1]) == Module) return Trim(cells[0]);
  }
  return {};
}

std::string LogToXML(const std::vector<std::string>& Entries, std::string_view Password) {
  std::string text = "<Doc>\r\n";
  for (const std::string& entry : Entries) text += LogEntryToXML(entry, Password);
  text += "</Doc>";
  return IndentInnerLines(text);
}

}  // namespace lab
