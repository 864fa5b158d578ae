#pragma once
// What the crash reporter reads from a module's ELF file (through libelf): the version note our own
// build writes, the soname, and the exported routines with their sizes.

#include <cstdint>
#include <string>
#include <vector>

namespace lab {

// The note lab_add_version_note writes: name "Lab", type 1, description "<text>\0<version>\0".
constexpr const char* kVersionNoteName = "Lab";
constexpr std::uint32_t kVersionNoteType = 1;

struct TElfExport {
  std::string Name;
  std::uint64_t Value = 0;  // the address before the module's load bias is added
  std::uint64_t Size = 0;
};

struct TElfFileFacts {
  bool HasVersionNote = false;
  std::string Description;
  std::string Version;
  std::string SoName;
  std::vector<TElfExport> Exports;  // defined, visible functions of the dynamic symbol table
};

// False when the file cannot be read as a 64-bit ELF file. Exports are read only when asked for.
bool ReadElfFileFacts(const std::string& FileName, bool WithExports, TElfFileFacts& Facts);

}  // namespace lab
