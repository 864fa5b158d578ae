#pragma once
// Fixed facts of the report text's layout that both its writer and its readers (the XML log) rely on.
//
// The CPU block, after the modules block:
//   "Registers:" CR LF, a line of 45 "-", then eight lines of two registers each,
//     "RAX: 0000000000001234   RDI: 00007FFDC1D2E3F0" (name and ":" padded to four characters, a blank,
//     16 upper-case hex digits; three blanks between the two), in the order of kRegisterLines;
//     "????" and 12 blanks stand for a value when there is no register context;
//   an empty line;
//   the stack and memory-dump captions ("Stack:" padded to 37 characters, then "Memory Dump:"),
//     a line of 34 "-", three blanks and 83 "-";
//   one dump line per stack word: the stack address and ": " and the 8-byte word there, three blanks,
//     the code address and ": ", 16 bytes each as a blank and two hex digits, a blank and the same
//     16 bytes as characters (32 to 126 as they are, others ".").

#include <array>
#include <cstddef>

namespace lab {

inline constexpr std::array<std::array<const char*, 2>, 8> kRegisterLines = {{
    {"RAX", "RDI"}, {"RBX", "RSI"}, {"RCX", "RSP"}, {"RDX", "RIP"},
    {"R8", "R9"}, {"R10", "R11"}, {"R12", "R13"}, {"R14", "R15"},
}};
// The order in which the XML log names them.
inline constexpr std::array<const char*, 16> kRegisterNames = {
    "RAX", "RBX", "RCX", "RDX", "RDI", "RSI", "RSP", "RIP",
    "R8", "R9", "R10", "R11", "R12", "R13", "R14", "R15"};
inline constexpr const char kNoRegisterValue[] = "????            ";

// 0-based columns and widths within the CPU block's lines.
inline constexpr std::size_t kRegisterLineFirst = 2;    // line index of the first register line
inline constexpr std::size_t kRegisterValue1 = 5;       // first register's value
inline constexpr std::size_t kRegisterValue2 = 29;      // second register's value
inline constexpr std::size_t kRegisterDigits = 16;
inline constexpr std::size_t kDumpLineFirst = 13;       // line index of the first dump line
inline constexpr std::size_t kDumpStackAddress = 0;
inline constexpr std::size_t kDumpStackValue = 18;
inline constexpr std::size_t kDumpCodeAddress = 37;
inline constexpr std::size_t kDumpBytes = 56;           // "XX XX ... XX", 47 characters
inline constexpr std::size_t kDumpBytesWidth = 47;
inline constexpr std::size_t kDumpChars = 104;
inline constexpr std::size_t kDumpCharsWidth = 16;

}  // namespace lab
