#pragma once
// Named memory blocks through which the crash reporter's modules exchange data. All modules of a
// process share one address space and one crash reporter, so the blocks live in an in-process
// registry: nothing is left behind in /dev/shm when the process dies.

#include <cstdint>
#include <string>
#include <string_view>

namespace lab {

using TSharedBlockHandle = std::uintptr_t;

// Name followed by the process ID and by ID, each as 8 upper-case hexadecimal digits.
std::string SharedBlockName(std::string_view Name, std::uint32_t ID);

// Opens the block of that name, or creates it with Size bytes (zeroed) when it does not exist. An
// existing block keeps the size its creator gave. With Size 0 only an existing block is opened:
// for a missing one the result is 0 and nothing stays open. Data points at the block's bytes (after
// its 32-bit size word); the result is 0 (and Data nullptr) when the block cannot be had.
TSharedBlockHandle CreateSharedBlock(std::string_view Name, std::uint32_t ID, std::uint32_t Size, void*& Data);
// Closes one opening; the block goes when its last opening is closed. Clears both arguments.
void CloseSharedBlock(TSharedBlockHandle& Handle, void*& Data);

}  // namespace lab
