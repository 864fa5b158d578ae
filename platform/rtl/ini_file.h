#pragma once
// TMemIniFile: an INI file held in memory. "[Section]" lines open sections, "Name=Value" lines give
// values; blanks around names and values are dropped, lines starting with ";" and lines before the
// first section are skipped. Section and value names compare without case and without blanks around
// them; a name given twice keeps its first place and its last value.

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/object.h"

namespace lab {

class TStrings;

class TMemIniFile : public TObject {
  LAB_CLASS(TMemIniFile, TObject)
 public:
  // Reads the file when it can be read; otherwise the file starts empty.
  explicit TMemIniFile(std::string FileName);

  const std::string& FileName() const noexcept { return file_name_; }
  void SetText(std::string_view Text);
  // CR LF line ends, an empty line after each section.
  std::string Text() const;

  bool SectionExists(std::string_view Section) const;
  // The section names in file order.
  void ReadSections(TStrings* Strings) const;
  bool ValueExists(std::string_view Section, std::string_view Ident) const;
  std::string ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const;
  // A section name holding a line break, an empty name or one holding "=" or a line break, or
  // a value holding a line break would not read back: EConvertError, the file unchanged.
  void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);

  // Writes the text to a new file that then replaces FileName, so a failed save keeps the old file.
  // Raises EFCreateError or EWriteError.
  void UpdateFile() const;

 private:
  struct TValue {
    std::string Name;
    std::string Text;
  };
  struct TSection {
    std::string Name;
    std::vector<TValue> Values;
  };
  const TSection* FindSection(std::string_view Section) const;
  TSection& AddSection(std::string_view Section);
  const TValue* FindValue(std::string_view Section, std::string_view Ident) const;

  std::string file_name_;
  std::vector<TSection> sections_;
};

}  // namespace lab
