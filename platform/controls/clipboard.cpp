#include "platform/controls/clipboard.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

#include "platform/controls/backend.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace win {

namespace {

struct ClipboardState {
  std::mutex mutex;
  std::map<UINT, std::shared_ptr<const std::string>> formats;  // the program's own content
  std::map<std::string, UINT> registered;       // name -> number
  UINT next_format = 0xC000;
  int open_count = 0;
  std::thread::id open_thread;
  bool changed = false;                          // set since it was opened
};

ClipboardState& C() {
  static auto* c = new ClipboardState;
  return *c;
}

bool IsText(UINT f) { return f == CF_TEXT || f == CF_UNICODETEXT || f == CF_OEMTEXT; }

bool OpenHere(const ClipboardState& c) {
  return c.open_count > 0 && c.open_thread == std::this_thread::get_id();
}

// The name a format goes by on the system clipboard; none for the numbered formats without one.
std::optional<std::string> NameOfLocked(const ClipboardState& c, UINT format) {
  if (IsText(format)) return kClipboardText;
  for (auto& [name, number] : c.registered)
    if (number == format) return name;
  return std::nullopt;
}

std::optional<std::string> NameOf(UINT format) {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  return NameOfLocked(c, format);
}

// Whether reads go to another program's content: when it holds the system clipboard, and this thread
// is not filling the program's own.
bool Foreign() {
  {
    auto& c = C();
    std::lock_guard lock(c.mutex);
    if (OpenHere(c) && c.changed) return false;
  }
  return Backend().ClipboardHeldElsewhere();
}

}  // namespace

UINT RegisterClipboardFormat(const std::string& name) {
  if (name.empty()) return 0;
  auto& c = C();
  std::lock_guard lock(c.mutex);
  auto [it, inserted] = c.registered.emplace(name, c.next_format);
  if (inserted) ++c.next_format;
  return it->second;
}

std::string GetClipboardFormatName(UINT format) {
  if (IsText(format)) return {};
  return NameOf(format).value_or(std::string());
}

bool OpenClipboard(HWND) {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  if (c.open_count > 0 && c.open_thread != std::this_thread::get_id()) return false;
  if (c.open_count++ == 0) {
    c.open_thread = std::this_thread::get_id();
    c.changed = false;
  }
  return true;
}

bool CloseClipboard() {
  TClipboardFormats content;
  bool publish = false;
  {
    auto& c = C();
    std::lock_guard lock(c.mutex);
    if (!OpenHere(c)) return false;
    if (--c.open_count > 0) return true;
    publish = c.changed;
    c.changed = false;
    if (publish)
      for (auto& [format, data] : c.formats)
        if (auto name = NameOfLocked(c, format)) content[*name] = data;
  }
  // A display with a system clipboard takes the new content over once it is complete.
  if (publish) Backend().ClipboardChanged(content);
  return true;
}

bool EmptyClipboard() {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  if (!OpenHere(c)) return false;
  c.formats.clear();
  c.changed = true;
  return true;
}

bool IsClipboardFormatAvailable(UINT format) {
  if (Foreign()) {
    const auto name = NameOf(format);
    if (!name) return false;
    const std::vector<std::string> offered = Backend().ForeignClipboardFormats();
    return std::find(offered.begin(), offered.end(), *name) != offered.end();
  }
  auto& c = C();
  std::lock_guard lock(c.mutex);
  return c.formats.count(IsText(format) ? CF_TEXT : format) != 0;
}

bool SetClipboardData(UINT format, std::string data) {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  if (!OpenHere(c)) return false;
  c.formats[IsText(format) ? CF_TEXT : format] = std::make_shared<const std::string>(std::move(data));
  c.changed = true;
  return true;
}

std::optional<std::string> GetClipboardData(UINT format) {
  if (Foreign()) {
    const auto name = NameOf(format);
    if (!name) return std::nullopt;
    return Backend().ForeignClipboardData(*name);
  }
  auto& c = C();
  std::lock_guard lock(c.mutex);
  auto it = c.formats.find(IsText(format) ? CF_TEXT : format);
  if (it == c.formats.end()) return std::nullopt;
  return *it->second;
}

int CountClipboardFormats() {
  // Text counts twice: CF_UNICODETEXT stands beside CF_TEXT.
  if (Foreign()) {
    int n = 0;
    for (const std::string& name : Backend().ForeignClipboardFormats()) {
      if (name == kClipboardText) {
        n += 2;
      } else {
        auto& c = C();
        std::lock_guard lock(c.mutex);
        n += c.registered.count(name) != 0;
      }
    }
    return n;
  }
  auto& c = C();
  std::lock_guard lock(c.mutex);
  int n = static_cast<int>(c.formats.size());
  if (c.formats.count(CF_TEXT)) ++n;
  return n;
}

}  // namespace win

void ClipboardTakenBySystem() {
  // Another program's content replaces the program's own, unless the program is filling it anew:
  // closing it takes the system clipboard back.
  auto& c = win::C();
  std::lock_guard lock(c.mutex);
  if (c.open_count > 0 && c.changed) return;
  c.formats.clear();
}

void TClipboard::Open() {
  if (open_count_ == 0) {
    if (!win::OpenClipboard(nullptr)) throw Exception("Cannot open clipboard");
    emptied_ = false;
  }
  ++open_count_;
}

void TClipboard::Close() {
  if (open_count_ == 0) return;
  if (--open_count_ == 0) {
    win::CloseClipboard();
    emptied_ = false;
  }
}

void TClipboard::Adding() {
  if (open_count_ != 0 && !emptied_) {
    win::EmptyClipboard();
    emptied_ = true;
  }
}

void TClipboard::Clear() {
  Open();
  win::EmptyClipboard();
  emptied_ = true;
  Close();
}

bool TClipboard::HasFormat(win::UINT Format) { return win::IsClipboardFormatAvailable(Format); }

std::string TClipboard::AsText() { return GetAsBuffer(win::CF_TEXT); }

void TClipboard::SetAsText(const std::string& Value) { SetAsBuffer(win::CF_TEXT, Value); }

std::string TClipboard::GetAsBuffer(win::UINT Format) {
  Open();
  auto data = win::GetClipboardData(Format);
  Close();
  return data ? *data : std::string();
}

void TClipboard::SetAsBuffer(win::UINT Format, const std::string& Data) {
  Open();
  TScopeExit close([&] { Close(); });
  Adding();
  win::SetClipboardData(Format, Data);
}

int TClipboard::FormatCount() { return win::CountClipboardFormats(); }

TClipboard* Clipboard() {
  // One per thread, as its open count belongs to the thread that opened it.
  thread_local TClipboard clipboard;
  return &clipboard;
}

}  // namespace lab
