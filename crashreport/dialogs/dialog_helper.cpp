#include "crashreport/dialogs/dialog_helper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "crashreport/dialogs/crash_dialogs.h"
#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/capture/last_exception.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"

extern char** environ;

namespace lab {

namespace {

constexpr std::string_view kFirstLine = "LabCrashDialog 1\n";

std::vector<std::string> Split(std::string_view Text, char Separator) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = Text.find(Separator, start);
    parts.emplace_back(Text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string Cell(std::string Text) {
  for (char& c : Text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return Text;
}

std::string WriteRows(const std::vector<TDialogListRow>& Rows) {
  std::string out;
  for (const TDialogListRow& row : Rows) {
    out += std::to_string(row.Image) + '\t' + (row.Heading ? "1" : "0") + '\t' + std::to_string(row.ModuleValues[0]) +
           '\t' + std::to_string(row.ModuleValues[1]) + '\t' + Cell(row.Caption);
    for (const std::string& text : row.Texts) out += '\t' + Cell(text);
    out += '\n';
  }
  return out;
}

std::int64_t Number(std::string_view Text) {
  std::int64_t value = 0;
  if (Text.empty() || Text.size() > 10) return -1;
  for (char c : Text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool ReadRows(std::string_view Text, std::vector<TDialogListRow>& Rows) {
  Rows.clear();
  while (!Text.empty()) {
    const std::size_t end = Text.find('\n');
    if (end == std::string_view::npos) return false;
    std::vector<std::string> cells = Split(Text.substr(0, end), '\t');
    Text.remove_prefix(end + 1);
    if (cells.size() < 6) return false;
    TDialogListRow row;
    std::int32_t image = 0;
    const std::int64_t v0 = Number(cells[2]), v1 = Number(cells[3]);
    if (!TryStrToInt(cells[0], image) || image < -1 || image > 3 || (cells[1] != "0" && cells[1] != "1") ||
        v0 < 0 || v0 > UINT32_MAX || v1 < 0 || v1 > UINT32_MAX)
      return false;
    row.Image = image;
    row.Heading = cells[1] == "1";
    row.ModuleValues[0] = static_cast<std::uint32_t>(v0);
    row.ModuleValues[1] = static_cast<std::uint32_t>(v1);
    row.Caption = cells[4];
    row.Texts.assign(cells.begin() + 5, cells.end());
    Rows.push_back(std::move(row));
  }
  return true;
}

void PutField(std::string& Out, std::string_view Name, std::string_view Value) {
  Out.append(Name).append(" ").append(std::to_string(Value.size())).append("\n").append(Value).append("\n");
}

}  // namespace

std::string WriteDialogRequest(const TCrashDialogRequest& Request) {
  std::string out(kFirstLine);
  PutField(out, "Message", Request.Message);
  PutField(out, "Header", Request.Header);
  PutField(out, "Cpu", Request.Cpu);
  PutField(out, "Report", Request.Report);
  PutField(out, "CustomData", Request.CustomData);
  PutField(out, "Choices", std::string(Request.Duplicate ? "1" : "0") + (Request.SendChecked ? " 1" : " 0") +
                               (Request.AttachChecked ? " 1 " : " 0 ") + std::to_string(Request.ErrorCount));
  PutField(out, "CallStack", WriteRows(Request.CallStack));
  PutField(out, "Modules", WriteRows(Request.Modules));
  return out;
}

bool ReadDialogRequest(std::string_view Bytes, TCrashDialogRequest& Request) {
  if (!Bytes.starts_with(kFirstLine)) return false;
  Bytes.remove_prefix(kFirstLine.size());
  TCrashDialogRequest r;
  while (!Bytes.empty()) {
    const std::size_t end = Bytes.find('\n'), blank = Bytes.substr(0, end).find(' ');
    if (end == std::string_view::npos || blank == std::string_view::npos) return false;
    const std::string_view name = Bytes.substr(0, blank);
    const std::int64_t length = Number(Bytes.substr(blank + 1, end - blank - 1));
    Bytes.remove_prefix(end + 1);
    if (length < 0 || static_cast<std::uint64_t>(length) >= Bytes.size() || Bytes[static_cast<std::size_t>(length)] != '\n')
      return false;
    const std::string_view value = Bytes.substr(0, static_cast<std::size_t>(length));
    Bytes.remove_prefix(static_cast<std::size_t>(length) + 1);
    if (name == "Message") r.Message = value;
    else if (name == "Header") r.Header = value;
    else if (name == "Cpu") r.Cpu = value;
    else if (name == "Report") r.Report = value;
    else if (name == "CustomData") r.CustomData = value;
    else if (name == "CallStack" && !ReadRows(value, r.CallStack)) return false;
    else if (name == "Modules" && !ReadRows(value, r.Modules)) return false;
    else if (name == "Choices") {
      const std::vector<std::string> flags = Split(value, ' ');
      std::int32_t count = 0;
      if (flags.size() != 4 || !TryStrToInt(flags[3], count)) return false;
      r.Duplicate = flags[0] == "1";
      r.SendChecked = flags[1] == "1";
      r.AttachChecked = flags[2] == "1";
      r.ErrorCount = count;
    }
  }
  Request = std::move(r);
  return true;
}

TCrashDialogRequest CurrentDialogRequest() {
  const TReportTexts& report = CurrentReport();
  const TCrashProcessState& s = CrashState();
  const TCrashExceptionRecord& record = CurrentExceptionRecord();
  TCrashDialogRequest r;
  r.Message = GetExceptionMessageText();
  r.Header = report.Header;
  r.Cpu = report.Cpu;
  r.Report = report.Report;
  r.CustomData = s.CustomData;
  if (record.CallStack) r.CallStack = CallStackRows(*record.CallStack, CurrentCrashLogOptions());
  if (record.ModulesList) r.Modules = ModuleRows(*record.ModulesList);
  r.Duplicate = s.Duplicate;
  r.SendChecked = s.SendChecked;
  r.AttachChecked = s.AttachChecked;
  r.ErrorCount = s.ErrorCount;
  return r;
}

bool ShowDialogInHelper(const TCrashDialogRequest& Request, const std::string& Path, unsigned TimeoutMs,
                        TCrashDialogAnswer& Answer, const std::string& Program) {
  {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out << WriteDialogRequest(Request);
    if (!out.flush()) return false;
  }
  int answer_pipe[2];
  if (::pipe2(answer_pipe, O_CLOEXEC) != 0) return false;
  TScopeExit close_read([&] { ::close(answer_pipe[0]); });
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, answer_pipe[1], 1);
  std::string program = Program.empty() ? std::string("/proc/self/exe") : Program;
  std::string argument = kDialogHelperArgument, path = Path;
  char* argv[] = {program.data(), argument.data(), path.data(), nullptr};
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(answer_pipe[1]);
  if (rc != 0) return false;

  // The answer line, read until the helper ends or the time is up.
  std::string line;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    pollfd p{answer_pipe[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[256];
    const ssize_t n = ::read(answer_pipe[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  const bool answered = line.starts_with("answer ") && line.size() >= 15 && line[14] == '\n';
  if (!answered) ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  if (!answered) return false;
  Answer.Send = line[7] == '1';
  Answer.Attach = line[9] == '1';
  Answer.Copy = line[11] == '1';
  Answer.Terminate = line[13] == '1';
  return true;
}

int RunDialogHelper(int argc, char** argv) {
  if (argc < 3 || std::string_view(argv[1]) != kDialogHelperArgument) return -1;
  std::ifstream in(argv[2], std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  TCrashDialogRequest request;
  if (!ReadDialogRequest(bytes, request)) return 1;
  if (!CrashGui().HasDisplay()) return 2;
  TCrashProcessState& s = CrashState();
  TReportTexts& report = CurrentReport();
  report.Header = request.Header;
  report.Cpu = request.Cpu;
  report.Report = request.Report;
  s.CustomData = request.CustomData;
  s.Duplicate = request.Duplicate;
  s.SendChecked = request.SendChecked;
  s.AttachChecked = request.AttachChecked;
  s.ErrorCount = request.ErrorCount;
  SetExceptionMessageReplacement(request.Message);
  TCrashDialogState& state = DialogState();
  state.CallStackRows = &request.CallStack;
  state.ModuleRows = &request.Modules;
  TScopeExit clear_rows([&] { state.CallStackRows = state.ModuleRows = nullptr; });
  ShowExceptionDialog();
  std::printf("answer %d %d %d %d\n", s.SendChecked ? 1 : 0, s.AttachChecked ? 1 : 0, s.CopyChecked ? 1 : 0,
              s.TerminateRequested ? 1 : 0);
  std::fflush(stdout);
  return 0;
}

}  // namespace lab
