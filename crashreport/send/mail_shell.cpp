#include "crashreport/send/mail_shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "crashreport/codec/file_utils.h"
#include "crashreport/crashlog.h"
#include "crashreport/internal_warning.h"
#include "platform/rtl/exceptions.h"

extern char** environ;

namespace lab {

std::string EncodeMailtoText(std::string_view Text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(Text.size());
  for (const char c : Text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 128 || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      result += c;
    } else {
      result += '%';
      result += kHex[byte >> 4];
      result += kHex[byte & 15];
    }
  }
  return result;
}

std::string MailtoURL(std::string_view Recipients, std::string_view Subject, std::string_view Text) {
  std::string url = "mailto:";
  url += Recipients;
  url += "?Subject=" + EncodeMailtoText(Subject) + "&Body=" + EncodeMailtoText(Text);
  return url;
}

std::string MailProgramFolder() {
  const std::string temporary = GetTempFolder();
  return temporary.empty() ? std::string() : temporary + "mail-" + std::to_string(::getpid()) + "/";
}

void RemoveMailProgramFiles() {
  const std::string folder = MailProgramFolder();
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
}

bool SendMailShell(const std::string& Recipients, const std::string& Subject, const std::string& Message,
                   const std::string& ReportText, const std::string& ReportFile) {
  const std::string text = ReportText.empty() ? Message : Message + "\r\n\r\n\r\n" + ReportText;
  std::vector<std::string> args = {"xdg-email", MailtoURL(Recipients, Subject, text)};
  if (args[1].size() >= kMaxArgumentLength && !ReportFile.empty()) {
    std::string copy;
    try {
      RemoveMailProgramFiles();
      const std::string folder = MailProgramFolder();
      const std::optional<std::string> data = ReadFileBytes(ReportFile);
      if (folder.empty() || !ForceFolders(folder) || !data)
        throw EWriteError("Cannot copy file \"%s\" for the mail program.", ReportFile);
      copy = folder + ExtractFileName(ReportFile);
      WriteFileBytes(copy, *data);
    } catch (const Exception& e) {
      ShowInternalWarning(eeEmailShellError, e.Message());
      return false;
    }
    args = {"xdg-email", "--attach", copy, MailtoURL(Recipients, Subject, Message)};
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, "xdg-email", nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    ShowInternalWarning(eeEmailShellError, std::strerror(rc));
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace lab
