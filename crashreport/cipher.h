#pragma once
// The 64-bit block cipher that scrambles the crash reporter's own data in a module and the protected
// names of a log file. The key and the chaining vector are process-wide: SetCipherKey followed by a
// buffer operation must not run on two threads at once (callers hold the handler lock or run at
// start-up).

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lab {

// The key becomes MD5(PassPhrase), read as four big-endian 32-bit words.
void SetCipherKey(std::string_view PassPhrase);

// One 8-byte block with the current key. In and Out may be the same block.
void EncryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]);
void DecryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]);

// Cipher-block chaining from a vector of eight 0xFF bytes; a last part block is combined with the
// encrypted chaining vector. Source and Dest may be the same buffer.
void DecryptBuffer(const void* Source, void* Dest, std::size_t Count);
// The inverse of DecryptBuffer, for the build step that writes the data.
void EncryptBuffer(const void* Source, void* Dest, std::size_t Count);

}  // namespace lab
