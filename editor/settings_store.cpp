#include "editor/settings_store.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/line_breaks.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strutils.h"

namespace lab {

bool TCodeSettingsStore::Load() {
  sections_.clear();
  std::ifstream in(file_name_, std::ios::binary);
  if (!in) return false;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TSection* current = nullptr;
  ForEachLine(text, [&](std::string_view raw) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') return;
    if (line.front() == '[' && line.back() == ']') {
      current = &Section(line.substr(1, line.size() - 2));
      return;
    }
    const std::size_t eq = line.find('=');
    if (!current || eq == std::string::npos) return;
    const std::string name = Trim(std::string_view(line).substr(0, eq));
    const std::string value = Trim(std::string_view(line).substr(eq + 1));
    for (TValue& v : current->Values)
      if (SameText(v.Name, name)) {
        v.Text = value;
        return;
      }
    current->Values.push_back(TValue{name, value});
  });
  return true;
}

void TCodeSettingsStore::Save() const {
  std::string text;
  for (const TSection& section : sections_) {
    text += "[" + section.Name + "]\r\n";
    for (const TValue& value : section.Values) text += value.Name + "=" + value.Text + "\r\n";
    text += "\r\n";
  }
  const std::string temporary = file_name_ + ".new";
  {
    TFileStream out(temporary, fmCreate);
    out.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  }
  if (std::rename(temporary.c_str(), file_name_.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw EWriteError("Cannot write \"%s\"", file_name_);
  }
}

const TCodeSettingsStore::TSection* TCodeSettingsStore::Find(std::string_view Key) const {
  for (const TSection& section : sections_)
    if (SameText(section.Name, Key)) return &section;
  return nullptr;
}

namespace {

void CheckKey(std::string_view Key) {
  if (Key.find_first_of("\r\n]") != std::string_view::npos) throw EConvertError("Invalid key name '%s'", std::string(Key));
}

}  // namespace

TCodeSettingsStore::TSection& TCodeSettingsStore::Section(std::string_view Key) {
  for (TSection& section : sections_)
    if (SameText(section.Name, Key)) return section;
  sections_.push_back(TSection{std::string(Key), {}});
  return sections_.back();
}

bool TCodeSettingsStore::KeyExists(std::string_view Key) const {
  for (const TSection& section : sections_) {
    if (SameText(section.Name, Key)) return true;
    if (section.Name.size() > Key.size() && section.Name[Key.size()] == '\\' &&
        SameText(std::string_view(section.Name).substr(0, Key.size()), Key))
      return true;
  }
  return false;
}

void TCodeSettingsStore::CreateKey(std::string_view Key) {
  CheckKey(Key);
  Section(Key);
}

const TCodeSettingsStore::TValue* TCodeSettingsStore::FindValue(std::string_view Key, std::string_view Name) const {
  const TSection* section = Find(Key);
  if (!section) return nullptr;
  for (const TValue& value : section->Values)
    if (SameText(value.Name, Name)) return &value;
  return nullptr;
}

bool TCodeSettingsStore::ValueExists(std::string_view Key, std::string_view Name) const {
  return FindValue(Key, Name) != nullptr;
}

int TCodeSettingsStore::ReadInteger(std::string_view Key, std::string_view Name, int Default) const {
  const TValue* value = FindValue(Key, Name);
  return value ? StrToIntDef(value->Text, Default) : Default;
}

void TCodeSettingsStore::WriteInteger(std::string_view Key, std::string_view Name, int Value) {
  if (Name.empty() || Name.find_first_of("\r\n=") != std::string_view::npos)
    throw EConvertError("Invalid value name '%s'", std::string(Name));
  CheckKey(Key);
  TSection& section = Section(Key);
  for (TValue& v : section.Values)
    if (SameText(v.Name, Name)) {
      v.Text = IntToStr(Value);
      return;
    }
  section.Values.push_back(TValue{std::string(Name), IntToStr(Value)});
}

}  // namespace lab
