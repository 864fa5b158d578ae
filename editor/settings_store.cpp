#include "editor/settings_store.h"

#include <fstream>
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"

namespace lab {

bool TCodeSettingsStore::Load() {
  std::ifstream in(FileName(), std::ios::binary);
  ini_.SetText(in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : std::string());
  return static_cast<bool>(in);
}

bool TCodeSettingsStore::KeyExists(std::string_view Key) const {
  if (ini_.SectionExists(Key)) return true;
  const std::string key = Trim(Key);
  TStringList sections;
  ini_.ReadSections(&sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string name = sections.Strings(i);
    if (name.size() > key.size() && name[key.size()] == '\\' && SameText(std::string_view(name).substr(0, key.size()), key))
      return true;
  }
  return false;
}

void TCodeSettingsStore::CreateKey(std::string_view Key) {
  if (ini_.SectionExists(Key)) return;
  if (Key.find_first_of("\r\n") != std::string_view::npos)
    throw EConvertError("Invalid section name '%s'", std::string(Key));
  // The INI file makes a section as it reads one: an empty one is added to its text.
  ini_.SetText(ini_.Text() + "[" + Trim(Key) + "]\r\n");
}

int TCodeSettingsStore::ReadInteger(std::string_view Key, std::string_view Name, int Default) const {
  return StrToIntDef(ini_.ReadString(Key, Name, ""), Default);
}

void TCodeSettingsStore::WriteInteger(std::string_view Key, std::string_view Name, int Value) {
  ini_.WriteString(Key, Name, IntToStr(Value));
}

}  // namespace lab
