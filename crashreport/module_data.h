#pragma once
// The crash reporter's data built into a module: an ELF section ".crdata" that a build step adds to
// the program. Layout, little-endian:
//   u32 magic 0x000FAB10, u16 version (of the options stream), u32 x 2 values, u32 L, L bytes of
//   symbol records, u32 P, P bytes of payload.
// The payload is scrambled with the block cipher keyed by the pass phrase; unscrambled it is the
// magic again followed by the zlib-compressed options stream.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

class TCrashModuleOptions;

constexpr std::uint32_t kModuleDataMagic = 0x000FAB10;
constexpr const char* kModuleDataSection = ".crdata";
// When the module was linked: seconds since 1970 (UTC) as decimal text, put in by a build step.
constexpr const char* kBuildTimeSection = ".lab.buildtime";

struct TModuleData {
  std::uint16_t Version = 0;
  std::uint32_t Values[2] = {0, 0};
  std::vector<std::uint8_t> Options;  // the plain options stream
};

// The section's contents for an options stream of the given version.
std::vector<std::uint8_t> PackModuleData(const void* Options, std::size_t Size, std::string_view PassPhrase,
                                         std::uint16_t Version);
// False when the data is not ours or the pass phrase is wrong (the magic does not come back);
// compressed data that is damaged raises EZLibError.
bool UnpackModuleData(const void* Data, std::size_t Size, std::string_view PassPhrase, TModuleData& Result);

// Reads a section of plain bytes (SHT_PROGBITS, as the build steps add them) of a 64-bit
// little-endian ELF file, the first of the name whose bytes lie in the file, as libelf finds it;
// false when the file has none (or is no such file).
bool ReadElfSection(const std::string& FileName, std::string_view SectionName, std::vector<std::uint8_t>& Data);
// Reads the ".crdata" section of an ELF file.
bool ReadModuleDataSection(const std::string& FileName, std::vector<std::uint8_t>& Data);
// The module's link time stamped by lab_stamp_build_time, seconds since 1970 (UTC); 0 without one.
std::int64_t ReadModuleBuildTime(const std::string& FileName);

// Loads the options a module's file carries into Options, asking PassPhrase for the pass phrase only
// when it carries any. They are read into a copy first, so damaged data (or a stream this crash
// reporter cannot read) leaves Options as they were. True when they were loaded (Data then holds the
// data's version and values) or the file carries none (Data as it was); false when the data does not
// open (a wrong pass phrase, damage).
bool LoadModuleOptions(const std::string& FileName, const std::function<std::string()>& PassPhrase,
                       TCrashModuleOptions& Options, TModuleData& Data);

// Loads the running program's options from its own section (the options stream's version comes with
// it). False, the options untouched, when the program carries no such data.
bool LoadProgramOptions(TCrashModuleOptions& Options, std::string_view PassPhrase = {});

}  // namespace lab
