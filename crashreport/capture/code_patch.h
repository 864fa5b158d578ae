#pragma once
// Writing into the program's code and tables, and memory for code near a routine. Every write into
// code goes through PatchCode: the pages are made writable only for the write and get their old
// protection back, so no page is left writable and executable.

#include <cstddef>
#include <cstdint>

namespace lab {

// Copies Count bytes to Address (code or read-only data). False when the pages cannot be made
// writable; nothing is written then.
bool PatchCode(void* Address, const void* Data, std::size_t Count) noexcept;
// A 5-byte jump (E9 rel32) at Address to Target; false when Target lies beyond +-2 GB.
bool WriteJump(void* Address, const void* Target) noexcept;
// The readable length of the instruction at Address (x86-64); 0 when it cannot be decoded.
std::size_t InstructionLength(const void* Address) noexcept;

// A page of memory within +-2 GB of Near (less when possible), readable and writable until
// SealCodePage makes it readable and executable. nullptr when none can be had.
void* AllocateCodePageNear(const void* Near) noexcept;
bool SealCodePage(void* Page) noexcept;
void FreeCodePage(void* Page) noexcept;
std::size_t CodePageSize() noexcept;

}  // namespace lab
