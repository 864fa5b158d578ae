#include "crashreport/dialogs/dialog_helper.h"

#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <sys/auxv.h>
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
#include "crashreport/report/module_list.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/system_utils.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"
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
  PutField(out, "Options", Request.Options);
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
    else if (name == "Options") r.Options = value;
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
  TStringStream options;
  OptionsInForce().SaveToStream(&options);
  r.Options = options.DataString();
  if (record.CallStack) r.CallStack = CallStackRows(*record.CallStack, CurrentCrashLogOptions());
  if (record.ModulesList) r.Modules = ModuleRows(*record.ModulesList);
  r.Duplicate = s.Duplicate;
  r.SendChecked = s.SendChecked;
  r.AttachChecked = s.AttachChecked;
  r.ErrorCount = s.ErrorCount;
  return r;
}

std::string WriteDialogAnswer(const TCrashDialogAnswer& Answer) {
  const auto flag = [](bool On) { return On ? " 1" : " 0"; };
  return std::string("answer") + flag(Answer.Send) + flag(Answer.Attach) + flag(Answer.Copy) + flag(Answer.Terminate) +
         " " + std::to_string(Answer.Reproduce.size()) + "\n" + Answer.Reproduce;
}

TAnswerRead ReadDialogAnswer(std::string_view Bytes, TCrashDialogAnswer& Answer) {
  const std::size_t end = Bytes.find('\n');
  if (end == std::string_view::npos) return Bytes.size() < 32 ? TAnswerRead::Short : TAnswerRead::Bad;
  const std::vector<std::string> parts = Split(Bytes.substr(0, end), ' ');
  if (parts.size() != 6 || parts[0] != "answer") return TAnswerRead::Bad;
  TCrashDialogAnswer a;
  bool* flags[] = {&a.Send, &a.Attach, &a.Copy, &a.Terminate};
  for (int i = 0; i < 4; ++i) {
    if (parts[i + 1] != "0" && parts[i + 1] != "1") return TAnswerRead::Bad;
    *flags[i] = parts[i + 1] == "1";
  }
  const std::int64_t length = Number(parts[5]);
  if (length < 0) return TAnswerRead::Bad;
  if (Bytes.size() - end - 1 < static_cast<std::uint64_t>(length)) return TAnswerRead::Short;
  a.Reproduce = Bytes.substr(end + 1, static_cast<std::size_t>(length));
  Answer = std::move(a);
  return TAnswerRead::Whole;
}

namespace {

constexpr std::string_view kShownLine = "shown\n";

// Reads what the helper writes until Done holds, the helper ends or Until passes.
template <class Done>
void ReadHelper(int Pipe, std::string& Text, std::chrono::steady_clock::time_point Until, Done done) {
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Until - std::chrono::steady_clock::now());
    pollfd p{Pipe, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return;
    char buffer[4096];
    const ssize_t n = ::read(Pipe, buffer, sizeof buffer);
    if (n <= 0) return;
    Text.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

bool ShowDialogInHelper(const TCrashDialogRequest& Request, const std::string& Path, unsigned ShowMs,
                        unsigned TimeoutMs, TCrashDialogAnswer& Answer, const std::string& Program) {
  if (Program.empty()) return false;
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
  std::string program = Program, argument = kDialogHelperArgument, path = Path;
  char* argv[] = {program.data(), argument.data(), path.data(), nullptr};
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(answer_pipe[1]);
  if (rc != 0) return false;

  // First its word that the dialog shows (a program that cannot serve never gives it), then the answer.
  std::string text;
  const auto start = std::chrono::steady_clock::now();
  ReadHelper(answer_pipe[0], text, start + std::chrono::milliseconds(ShowMs),
             [&] { return text.size() >= kShownLine.size(); });
  bool answered = false;
  if (text.starts_with(kShownLine)) {
    TCrashDialogAnswer answer;
    ReadHelper(answer_pipe[0], text, start + std::chrono::milliseconds(TimeoutMs), [&] {
      return ReadDialogAnswer(std::string_view(text).substr(kShownLine.size()), answer) != TAnswerRead::Short;
    });
    answered = ReadDialogAnswer(std::string_view(text).substr(kShownLine.size()), answer) == TAnswerRead::Whole;
    if (answered) Answer = std::move(answer);
  }
  if (!answered) ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return answered;
}

std::string DialogHelperProgram(const std::string& Named) {
  if (!Named.empty()) return Named;
  // A library's own crash reporter runs in a program that may not carry one: that program would
  // run as itself, reading the private argument as its own.
  if (IsModuleLibrary(reinterpret_cast<std::uintptr_t>(RunningModuleBase()))) {
    const link_map* program = LoaderEntryOf(reinterpret_cast<const void*>(::getauxval(AT_PHDR)));
    if (!program || !FindLoadedExport(*program, "CrashLog_ExceptionNotifyEvent")) return {};
  }
  return "/proc/self/exe";
}

int RunDialogHelper(int argc, char** argv) {
  if (argc < 3 || std::string_view(argv[1]) != kDialogHelperArgument) return -1;
  std::ifstream in(argv[2], std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  TCrashDialogRequest request;
  if (!ReadDialogRequest(bytes, request)) return 1;
  if (!CrashGui().HasDisplay()) return 2;
  TCrashProcessState& s = CrashState();
  if (!request.Options.empty()) {
    try {
      TStringStream options(request.Options);
      s.ModuleOptions->LoadFromStream(&options, kOptionsStreamVersion);
    } catch (const Exception&) {
      return 1;
    }
  }
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
  state.ReproduceText.clear();
  // The faulted process waits only a little for this word: a dialog that never shows is given up.
  state.Painted = [] {
    std::fwrite(kShownLine.data(), 1, kShownLine.size(), stdout);
    std::fflush(stdout);
  };
  TScopeExit clear([&] {
    state.CallStackRows = state.ModuleRows = nullptr;
    state.Painted = nullptr;
  });
  ShowExceptionDialog();
  ShowReproduceDialog();
  TCrashDialogAnswer answer{s.SendChecked, s.AttachChecked, s.CopyChecked, s.TerminateRequested, state.ReproduceText};
  const std::string text = WriteDialogAnswer(answer);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return 0;
}

void ServeAsDialogHelperWhenAsked() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string line{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::string> arguments = Split(line, '\0');
  if (arguments.size() < 3 || arguments[1] != kDialogHelperArgument) return;
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  const int code = RunDialogHelper(static_cast<int>(argv.size()), argv.data());
  std::fflush(nullptr);
  // Started only to show the dialog: the program itself never runs.
  std::_Exit(code < 0 ? 1 : code);
}

}  // namespace lab
