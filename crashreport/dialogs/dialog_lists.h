#pragma once
// The exception dialog's two lists as rows: the call stack (a heading per thread, an empty row
// between threads, a row per entry the call-stack filter shows) and the modules, with their columns
// and the widths kept in "CrashLog.ini". A call-stack row the user activates tells where its source
// line is to the programs listening for it (an editor that opens the file): a notice of 376 bytes
// sent to the datagram sockets "CrashLog0" to "CrashLog3" of the user's runtime folder
// ($XDG_RUNTIME_DIR); a socket nobody listens on is passed over.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "crashreport/report/crash_lists.h"
#include "crashreport/options.h"
#include "platform/classes/alignment.h"

namespace lab {

struct TDialogListRow {
  std::vector<std::string> Texts;  // by column
  int Image = -1;                  // TListViewImage, -1 none
  bool Heading = false;            // a thread's heading; Caption is its text
  std::string Caption;
  std::uint32_t ModuleValues[2] = {0, 0};  // of the module of a call-stack entry's address
};

struct TDialogListColumn {
  std::string Caption;
  int Width = 0;
  TAlignment Alignment = taLeftJustify;
  std::string WidthKey;  // its width's key in "CrashLog.ini"
};

// The columns with the widths kept (or their defaults).
std::vector<TDialogListColumn> CallStackColumns(const TCrashModuleOptions& Options);
std::vector<TDialogListColumn> ModuleColumns(const TCrashModuleOptions& Options);
// Writes each column's width under its key.
void SaveColumnWidths(const std::vector<TDialogListColumn>& Columns, const std::vector<int>& Widths);

// Addresses and handles as 16 hexadecimal digits.
std::vector<TDialogListRow> CallStackRows(const TCrashStackList& Stack, const TCrashModuleOptions& Options);
std::vector<TDialogListRow> ModuleRows(const TCrashModulesList& Modules);
// "1.2.3.4" as "1.2.x"; a version with fewer than two dots stays whole.
std::string ShortVersion(const std::string& Version);
// Bytes as rounded KiB and " Kb".
std::string SizeInKb(std::uint64_t Bytes);

// The notice of a source line: the program's file name, unit, class and routine (90 bytes each,
// zero-terminated and zero-filled), the line, the offset (the digits of "[n]" in the line cell, -1
// without), the two values of the address's module; little-endian.
using TSourceNotice = std::array<std::uint8_t, 376>;
TSourceNotice MakeSourceNotice(const std::string& Program, const TDialogListRow& Row);
// Sends the notice of a row whose line cell is not empty; answers how many sockets took it.
int SendSourceNotice(const TDialogListRow& Row);

}  // namespace lab
