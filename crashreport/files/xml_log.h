#pragma once
// The XML log: the report texts of a log file read back by their layout (header groups, the
// call-stack table with its threads, the modules table, the CPU block) and written as XML.

#include <string>
#include <string_view>
#include <vector>

namespace lab {

// The version of the library that wrote a report: its first line after the first blank ("1.1.0").
std::string LogEntryVersion(std::string_view Entry);
// The Log element of one report text, from "<Log" to "</Log>" (no line break after it), its inner
// lines indented two blanks. With a Password, protected call-stack names are shown in clear.
std::string LogEntryToXML(std::string_view Entry, std::string_view Password);
// The whole XML log: "<Doc>", one Log element per entry, "</Doc>".
std::string LogToXML(const std::vector<std::string>& Entries, std::string_view Password);
// The Handle of the row of the report's modules table whose Name is Module; empty when it lists none.
std::string LogEntryModuleHandle(std::string_view Entry, std::string_view Module);

}  // namespace lab
