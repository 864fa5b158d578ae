#include "crashreport/dialogs/dialog_lists.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "crashreport/report/call_stack.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/files/ini_settings.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/dialogs/list_view_items.h"
#include "crashreport/report/module_list.h"
#include "crashreport/report/report_text.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

enum TCallStackColumn { ccAddress, ccModule, ccUnit, ccClass, ccProcedure, ccLine };

std::vector<TDialogListColumn> ReadColumns(const TCrashModuleOptions& Options, int FirstText,
                                           std::vector<TDialogListColumn> Columns) {
  for (std::size_t i = 0; i < Columns.size(); ++i) {
    Columns[i].Caption = Options.GetCustomizedText(static_cast<std::uint8_t>(FirstText + static_cast<int>(i)));
    std::int32_t width = 0;
    if (TryStrToInt(Trim(ReadIniString(kDialogIniFile, kPlacementSection, Columns[i].WidthKey, "")), width) &&
        width >= 0)
      Columns[i].Width = width;
  }
  return Columns;
}

std::string Hex(std::uintptr_t Value) { return Format("%.16X", static_cast<std::uint64_t>(Value)); }

void PutText(TSourceNotice& Notice, std::size_t Offset, const std::string& Text) {
  std::memcpy(Notice.data() + Offset, Text.data(), std::min<std::size_t>(Text.size(), 89));
}

void PutInt(TSourceNotice& Notice, std::size_t Offset, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i) Notice[Offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(Value >> (8 * i));
}

}  // namespace

std::vector<TDialogListColumn> CallStackColumns(const TCrashModuleOptions& Options) {
  return ReadColumns(Options, 62,
                     {{"", 89, taLeftJustify, "Col0"},
                      {"", 92, taLeftJustify, "Col1"},
                      {"", 126, taLeftJustify, "Col2"},
                      {"", 126, taLeftJustify, "Col3"},
                      {"", 200, taLeftJustify, "Col4"},
                      {"", 61, taRightJustify, "Col5"}});
}

std::vector<TDialogListColumn> ModuleColumns(const TCrashModuleOptions& Options) {
  return ReadColumns(Options, 84,
                     {{"", 80, taLeftJustify, "ColMod0"},
                      {"", 96, taLeftJustify, "ColMod1"},
                      {"", 175, taLeftJustify, "ColMod2"},
                      {"", 50, taRightJustify, "ColMod3"},
                      {"", 54, taRightJustify, "ColMod4"},
                      {"", 80, taLeftJustify, "ColMod6"},
                      {"", 712, taLeftJustify, "ColMod5"}});
}

void SaveColumnWidths(const std::vector<TDialogListColumn>& Columns, const std::vector<int>& Widths) {
  for (std::size_t i = 0; i < Columns.size() && i < Widths.size(); ++i)
    WriteIniString(kDialogIniFile, kPlacementSection, Columns[i].WidthKey, std::to_string(Widths[i]));
}

std::vector<TDialogListRow> CallStackRows(const TCrashStackList& Stack, const TCrashModuleOptions& Options) {
  std::vector<TDialogListRow> rows;
  const TCrashKindSet filter = GetCallStackFilter(Options);
  const bool offsets = Options.ShowsLineOffsets();
  const TCrashDebugInfo* previous = nullptr;
  for (int i = 0; i < Stack.Count(); ++i) {
    const TCrashDebugInfo& e = *Stack.GetItem(i);
    if (!HoldsKind(filter, e.Kind)) continue;
    if (e.Kind == dkDecorated && e.Module && e.Module->Kind == 1) continue;
    if (!previous || previous->ThreadID != e.ThreadID || previous->ThreadKind != e.ThreadKind) {
      if (previous) {
        TDialogListRow gap;
        gap.Texts = {""};
        rows.push_back(std::move(gap));
      }
      TDialogListRow heading;
      heading.Texts = {""};
      heading.Heading = true;
      heading.Caption = FormatThreadHeader(i, e, false);
      rows.push_back(std::move(heading));
    }
    previous = &e;
    TDialogListRow row;
    std::string line = e.Line ? std::to_string(e.Line) : std::string();
    if (!line.empty() && offsets) line += "[" + std::to_string(e.LineOffset) + "]";
    row.Texts = {Hex(e.Address), e.Module ? ExtractFileName(e.Module->FileName) : std::string(),
                 e.UnitName,     e.ClassName,
                 e.ProcedureName, line};
    if (e.Kind == dkSourceLine) row.Image = liSource;
    else if (e.Module) row.Image = e.Module->Kind == 1 ? liFramework : liDll;
    if (e.Module) {
      row.ModuleValues[0] = e.Module->Values[0];
      row.ModuleValues[1] = e.Module->Values[1];
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string ShortVersion(const std::string& Version) {
  const std::size_t first = Version.find('.');
  const std::size_t second = first == std::string::npos ? first : Version.find('.', first + 1);
  return second == std::string::npos ? Version : Version.substr(0, second + 1) + "x";
}

std::string SizeInKb(std::uint64_t Bytes) {
  return std::to_string(Round(static_cast<double>(Bytes) / 1024.0)) + " Kb";
}

std::vector<TDialogListRow> ModuleRows(const TCrashModulesList& Modules) {
  std::vector<TDialogListRow> rows;
  for (int i = 0; i < Modules.Count(); ++i) {
    const TCrashModuleInfo& m = *Modules.GetItem(i);
    TDialogListRow row;
    row.Texts = {Hex(m.Handle),
                 ExtractFileName(m.FileName),
                 m.Description,
                 ShortVersion(m.Version),
                 SizeInKb(m.Size),
                 m.ModifiedTime != 0 ? FormatLogDateTime(m.ModifiedTime) : std::string(),
                 ExtractModuleFolder(m)};
    // The program itself, packages, and other libraries.
    const std::string ext = UpperCase(ExtractFileExt(m.FileName));
    row.Image = m.Kind == 1 ? liFramework : (ext == ".PKG" || ext == ".PKL") ? liPackage : liDll;
    rows.push_back(std::move(row));
  }
  return rows;
}

TSourceNotice MakeSourceNotice(const std::string& Program, const TDialogListRow& Row) {
  TSourceNotice notice{};
  const auto cell = [&](int column) {
    return static_cast<std::size_t>(column) < Row.Texts.size() ? Row.Texts[static_cast<std::size_t>(column)] : std::string();
  };
  PutText(notice, 0, Program);
  PutText(notice, 90, cell(ccUnit));
  PutText(notice, 180, cell(ccClass));
  PutText(notice, 270, cell(ccProcedure));
  const std::string line = cell(ccLine);
  const std::size_t open = line.find('['), close = line.find(']');
  PutInt(notice, 360, static_cast<std::uint32_t>(StrToIntDef(Trim(line.substr(0, open)), 0)));
  std::int32_t offset = -1;
  if (open != std::string::npos && close != std::string::npos && close > open)
    offset = StrToIntDef(line.substr(open + 1, close - open - 1), -1);
  PutInt(notice, 364, static_cast<std::uint32_t>(offset));
  PutInt(notice, 368, Row.ModuleValues[0]);
  PutInt(notice, 372, Row.ModuleValues[1]);
  return notice;
}

int SendSourceNotice(const TDialogListRow& Row) {
  if (Row.Heading || Row.Texts.size() <= ccLine || Trim(Row.Texts[ccLine]).empty()) return 0;
  const char* folder = std::getenv("XDG_RUNTIME_DIR");
  if (!folder || !*folder) return 0;
  char program[4096];
  const ssize_t n = ::readlink("/proc/self/exe", program, sizeof program - 1);
  const TSourceNotice notice = MakeSourceNotice(n > 0 ? std::string(program, static_cast<std::size_t>(n)) : "", Row);
  const int s = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 0;
  TScopeExit close_socket([&] { ::close(s); });
  int sent = 0;
  for (int i = 0; i < 4; ++i) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = IncludeTrailingPathDelimiter(folder) + "CrashLog" + std::to_string(i);
    if (path.size() >= sizeof address.sun_path) continue;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::sendto(s, notice.data(), notice.size(), MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address),
                 sizeof address) == static_cast<ssize_t>(notice.size()))
      ++sent;
  }
  return sent;
}

}  // namespace lab
