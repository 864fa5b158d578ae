#pragma once
// TCodeSettingsStore: the small key/value store the highlighters keep their settings in, an INI file.
// Keys are sections named by their path ("Software\Lab\Colors\Comment"), compared without case; a
// key exists when its own section or a section below it does. Values are integer "name=value" lines.
// A key or value name that would break the file's lines (a line break, "]" in a key, "=" in a name)
// raises EConvertError.

#include <string>
#include <string_view>
#include <vector>

namespace lab {

class TCodeSettingsStore {
 public:
  explicit TCodeSettingsStore(std::string FileName) : file_name_(std::move(FileName)) {}

  const std::string& FileName() const { return file_name_; }
  // Reads the file; false (and an empty store) when it cannot be read.
  bool Load();
  // Writes the whole store through a new file that then replaces the old one, so a failed write
  // leaves the old file as it was. Raises EFCreateError or EWriteError.
  void Save() const;

  bool KeyExists(std::string_view Key) const;
  // Makes the key's section when there is none.
  void CreateKey(std::string_view Key);
  bool ValueExists(std::string_view Key, std::string_view Name) const;
  // Default when the value is missing or no integer.
  int ReadInteger(std::string_view Key, std::string_view Name, int Default) const;
  void WriteInteger(std::string_view Key, std::string_view Name, int Value);

 private:
  struct TValue {
    std::string Name;
    std::string Text;
  };
  struct TSection {
    std::string Name;
    std::vector<TValue> Values;
  };
  const TSection* Find(std::string_view Key) const;
  TSection& Section(std::string_view Key);
  const TValue* FindValue(std::string_view Key, std::string_view Name) const;

  std::string file_name_;
  std::vector<TSection> sections_;
};

}  // namespace lab
