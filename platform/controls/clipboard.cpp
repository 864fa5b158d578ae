#include "platform/controls/clipboard.h"

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
  std::map<UINT, std::string> formats;          // the content
  std::map<std::string, UINT> registered;       // name -> number
  UINT nextFormat = 0xC000;
  int openCount = 0;
  std::thread::id openThread;
  bool changed = false;                          // set since it was opened
  bool foreign = false;                          // another program holds the system clipboard
};

ClipboardState& C() {
  static auto* c = new ClipboardState;
  return *c;
}

bool IsText(UINT f) { return f == CF_TEXT || f == CF_UNICODETEXT || f == CF_OEMTEXT; }

}  // namespace

UINT RegisterClipboardFormat(const std::string& name) {
  if (name.empty()) return 0;
  auto& c = C();
  std::lock_guard lock(c.mutex);
  auto [it, inserted] = c.registered.emplace(name, c.nextFormat);
  if (inserted) ++c.nextFormat;
  return it->second;
}

std::string GetClipboardFormatName(UINT format) {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  for (auto& [name, number] : c.registered)
    if (number == format) return name;
  return {};
}

bool OpenClipboard(HWND) {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  if (c.openCount > 0 && c.openThread != std::this_thread::get_id()) return false;
  if (c.openCount++ == 0) {
    c.openThread = std::this_thread::get_id();
    c.changed = false;
  }
  return true;
}

bool CloseClipboard() {
  std::string text;
  bool publish = false;
  {
    auto& c = C();
    std::lock_guard lock(c.mutex);
    if (c.openCount == 0 || c.openThread != std::this_thread::get_id()) return false;
    if (--c.openCount > 0) return true;
    if (c.changed) {
      auto it = c.formats.find(CF_TEXT);
      publish = true;
      text = it != c.formats.end() ? it->second : std::string();
    }
  }
  // A display with a system clipboard takes the new text over once the content is complete.
  if (publish) Backend().ClipboardTextChanged(text);
  return true;
}

bool EmptyClipboard() {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  if (c.openCount == 0 || c.openThread != std::this_thread::get_id()) return false;
  c.formats.clear();
  c.foreign = false;
  c.changed = true;
  return true;
}

bool IsClipboardFormatAvailable(UINT format) {
  {
    auto& c = C();
    std::lock_guard lock(c.mutex);
    if (!c.foreign) {
      if (IsText(format)) return c.formats.count(CF_TEXT) != 0;
      return c.formats.count(format) != 0;
    }
  }
  return IsText(format) && Backend().ForeignClipboardText().has_value();
}

bool SetClipboardData(UINT format, std::string data) {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  if (c.openCount == 0 || c.openThread != std::this_thread::get_id()) return false;
  c.formats[IsText(format) ? CF_TEXT : format] = std::move(data);
  c.foreign = false;
  c.changed = true;
  return true;
}

std::optional<std::string> GetClipboardData(UINT format) {
  {
    auto& c = C();
    std::lock_guard lock(c.mutex);
    if (!c.foreign) {
      auto it = c.formats.find(IsText(format) ? CF_TEXT : format);
      if (it == c.formats.end()) return std::nullopt;
      return it->second;
    }
  }
  if (!IsText(format)) return std::nullopt;
  return Backend().ForeignClipboardText();
}

int CountClipboardFormats() {
  auto& c = C();
  std::lock_guard lock(c.mutex);
  if (c.foreign) return 1;
  int n = static_cast<int>(c.formats.size());
  if (c.formats.count(CF_TEXT)) ++n;  // CF_UNICODETEXT stands beside it
  return n;
}

}  // namespace win

void ClipboardTakenBySystem() {
  auto& c = win::C();
  std::lock_guard lock(c.mutex);
  c.formats.clear();
  c.foreign = true;
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
