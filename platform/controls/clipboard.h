#pragma once
// The clipboard: named formats kept in the process, several formats in one content (everything set
// between one Open and Close belongs together), text as UTF-8. A back-end with a system clipboard
// (X11) takes the text over and hands in text that other programs put there.

#include <optional>
#include <string>

#include "platform/rtl/persistent.h"
#include "platform/controls/win_types.h"

namespace lab::win {

inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_BITMAP = 2;
inline constexpr UINT CF_OEMTEXT = 7;
inline constexpr UINT CF_UNICODETEXT = 13;
inline constexpr UINT CF_HDROP = 15;
inline constexpr UINT CF_LOCALE = 16;

// The same name always gives the same number (from 0xC000 on); 0 for an empty name.
UINT RegisterClipboardFormat(const std::string& name);
std::string GetClipboardFormatName(UINT format);
// One thread at a time holds the clipboard open; false while another does.
bool OpenClipboard(HWND owner);
bool CloseClipboard();
bool EmptyClipboard();
bool IsClipboardFormatAvailable(UINT format);
// Data are bytes; CF_TEXT and CF_UNICODETEXT both carry UTF-8 text and stand for each other.
bool SetClipboardData(UINT format, std::string data);
std::optional<std::string> GetClipboardData(UINT format);
int CountClipboardFormats();

}  // namespace lab::win

namespace lab {

class TClipboard : public TPersistent {
  LAB_CLASS(TClipboard, TPersistent)
 public:
  // Open and Close nest; Exception "Cannot open clipboard" when another thread holds it.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(win::UINT Format);
  std::string AsText();
  void SetAsText(const std::string& Value);
  // A format's bytes; empty when it is not there.
  std::string GetAsBuffer(win::UINT Format);
  // Adds a format to the content: inside Open/Close to what was set since Open, else alone.
  void SetAsBuffer(win::UINT Format, const std::string& Data);
  int FormatCount();

 private:
  void Adding();
  int open_count_ = 0;
  bool emptied_ = false;
};

// The program's clipboard object.
TClipboard* Clipboard();

// Called by a back-end when another program took the system clipboard.
void ClipboardTakenBySystem();

}  // namespace lab
