#pragma once
// TCodeSettingsStore: the small key/value store the highlighters keep their settings in, an INI file
// (the runtime's TMemIniFile, whose rules hold for reading, writing and saving). Keys are sections
// named by their path ("Software\Lab\Colors\Comment"), compared without case; a key exists when its
// own section or a section below it does. Values are integer "name=value" lines. A key or value name
// that would not read back (a line break, "=" in a name, an empty name) raises EConvertError.

#include <string>
#include <string_view>

#include "platform/rtl/ini_file.h"

namespace lab {

class TCodeSettingsStore {
 public:
  // Reads the file when it can be read; otherwise the store starts empty.
  explicit TCodeSettingsStore(std::string FileName) : ini_(std::move(FileName)) {}

  const std::string& FileName() const { return ini_.FileName(); }
  // Reads the file again; false (and an empty store) when it cannot be read.
  bool Load();
  // Writes the whole store through a new file that then replaces the old one, so a failed write
  // leaves the old file as it was. Raises EFCreateError or EWriteError.
  void Save() const { ini_.UpdateFile(); }

  bool KeyExists(std::string_view Key) const;
  // Makes the key's section when there is none.
  void CreateKey(std::string_view Key);
  bool ValueExists(std::string_view Key, std::string_view Name) const { return ini_.ValueExists(Key, Name); }
  // Default when the value is missing or no integer.
  int ReadInteger(std::string_view Key, std::string_view Name, int Default) const;
  void WriteInteger(std::string_view Key, std::string_view Name, int Value);

 private:
  TMemIniFile ini_;
};

}  // namespace lab
