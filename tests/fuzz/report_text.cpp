// Report texts read back by their layout: any text gives a Log element that an XML parser accepts
// in form (balanced, every attribute quoted, no markup character left bare in a value), with and
// without a password for protected names; a module's handle is read from the modules table; header
// items built from any label and value are found again with that value.

#include <cstdint>
#include <string>
#include <string_view>

#include "crashreport/files/log_file.h"
#include "crashreport/report/log_item.h"
#include "crashreport/files/xml_builder.h"
#include "crashreport/files/xml_log.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Every attribute value of the element text: no "<", "&" other than a reference, or control
// character.
bool ValuesEscaped(std::string_view xml) {
  bool in_value = false;
  for (std::size_t i = 0; i < xml.size(); ++i) {
    const char c = xml[i];
    if (c == '"') {
      in_value = !in_value;
    } else if (in_value) {
      if (c == '<' || (static_cast<unsigned char>(c) < 0x20)) return false;
      if (c == '&' && (i + 5 >= xml.size() || xml[i + 1] != '#' || xml[i + 5] != ';')) return false;
    }
  }
  return !in_value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lab;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::string_view password : {std::string_view(), std::string_view("secret")}) {
    const std::string xml = LogEntryToXML(text, password);
    LAB_FUZZ_CHECK(xml.starts_with("<Log Version=\"") && xml.ends_with("</Log>"));
    LAB_FUZZ_CHECK(ValuesEscaped(xml));
  }
  LAB_FUZZ_CHECK(ValuesEscaped("\"" + XMLEscape(text) + "\""));
  // A module's handle is one cell of the modules table.
  LAB_FUZZ_CHECK(LogEntryModuleHandle(text, "lab_showcase").find('|') == std::string::npos);

  // The input split at its first NUL into a label and a value.
  const std::size_t nul = text.find('\0');
  const std::string_view label = text.substr(0, nul == std::string_view::npos ? 0 : nul);
  const std::string_view value = nul == std::string_view::npos ? text : text.substr(nul + 1);
  if (label.find_first_of("\r\n") == std::string_view::npos && label.find(": ") == std::string_view::npos) {
    TLogItem item;
    item.AddGroup("Group");
    item.AddItem(label, value, true);
    const std::string entry = "CrashLog 1.1.0\r\n\r\n" + item.GetText();
    const TLogFieldPlace place = FindLogField(entry, "1.1");
    LAB_FUZZ_CHECK(place.Found);
    ReadLogField(entry, place);
  }
  return 0;
}
