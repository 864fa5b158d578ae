#include "platform/rtl/ini_file.h"

#include <fstream>
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/file_save_stream.h"
#include "platform/rtl/line_breaks.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"

namespace lab {

TMemIniFile::TMemIniFile(std::string FileName) : file_name_(std::move(FileName)) {
  std::ifstream in(file_name_, std::ios::binary);
  if (in) SetText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

void TMemIniFile::SetText(std::string_view Text) {
  sections_.clear();
  TSection* current = nullptr;
  ForEachLine(Text, [&](std::string_view raw) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') return;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      current = &AddSection(Trim(std::string_view(line).substr(1, line.size() - 2)));
      return;
    }
    const std::size_t eq = line.find('=');
    if (!current || eq == std::string::npos) return;
    const std::string name = Trim(std::string_view(line).substr(0, eq));
    if (name.empty()) return;
    std::string value = Trim(std::string_view(line).substr(eq + 1));
    for (TValue& v : current->Values)
      if (SameText(v.Name, name)) {
        v.Text = std::move(value);
        return;
      }
    current->Values.push_back(TValue{name, std::move(value)});
  });
}

std::string TMemIniFile::Text() const {
  std::string text;
  for (const TSection& section : sections_) {
    text += "[" + section.Name + "]\r\n";
    for (const TValue& value : section.Values) text += value.Name + "=" + value.Text + "\r\n";
    text += "\r\n";
  }
  return text;
}

const TMemIniFile::TSection* TMemIniFile::FindSection(std::string_view Section) const {
  const std::string name = Trim(Section);
  for (const TSection& section : sections_)
    if (SameText(section.Name, name)) return &section;
  return nullptr;
}

TMemIniFile::TSection& TMemIniFile::AddSection(std::string_view Section) {
  for (TSection& section : sections_)
    if (SameText(section.Name, Section)) return section;
  sections_.push_back(TSection{std::string(Section), {}});
  return sections_.back();
}

const TMemIniFile::TValue* TMemIniFile::FindValue(std::string_view Section, std::string_view Ident) const {
  const TSection* section = FindSection(Section);
  if (!section) return nullptr;
  const std::string name = Trim(Ident);
  for (const TValue& value : section->Values)
    if (SameText(value.Name, name)) return &value;
  return nullptr;
}

bool TMemIniFile::SectionExists(std::string_view Section) const { return FindSection(Section) != nullptr; }

void TMemIniFile::ReadSections(TStrings* Strings) const {
  TStringsUpdate update(*Strings);
  Strings->Clear();
  for (const TSection& section : sections_) Strings->Add(section.Name);
}

bool TMemIniFile::ValueExists(std::string_view Section, std::string_view Ident) const {
  return FindValue(Section, Ident) != nullptr;
}

std::string TMemIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                    std::string_view Default) const {
  const TValue* value = FindValue(Section, Ident);
  return std::string(value ? std::string_view(value->Text) : Default);
}

void TMemIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
  const std::string section = Trim(Section), name = Trim(Ident), value = Trim(Value);
  if (section.find_first_of("\r\n") != std::string::npos)
    throw EConvertError("Invalid section name '%s'", std::string(Section));
  if (name.empty() || name[0] == ';' || name[0] == '[' || name.find_first_of("=\r\n") != std::string::npos)
    throw EConvertError("Invalid value name '%s'", std::string(Ident));
  if (value.find_first_of("\r\n") != std::string::npos)
    throw EConvertError("Invalid value for '%s'", std::string(Ident));
  TSection& target = AddSection(section);
  for (TValue& v : target.Values)
    if (SameText(v.Name, name)) {
      v.Text = value;
      return;
    }
  target.Values.push_back(TValue{name, value});
}

void TMemIniFile::UpdateFile() const {
  const std::string text = Text();
  TFileSaveStream out(file_name_);
  out.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  out.Commit();
}

}  // namespace lab
