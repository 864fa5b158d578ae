#pragma once
// The 64-bit block cipher that scrambles the crash reporter's own data in a module and the protected
// names of a log file. A TCipher is a key, owned by whoever scrambles or unscrambles: each buffer
// operation chains from a vector of its own, so any number of ciphers work on as many threads at once.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lab {

class TCipher {
 public:
  // The key becomes MD5(PassPhrase), read as four big-endian 32-bit words.
  explicit TCipher(std::string_view PassPhrase);

  // One 8-byte block. In and Out may be the same block.
  void EncryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]) const;
  void DecryptBlock(const std::uint8_t In[8], std::uint8_t Out[8]) const;

  // Cipher-block chaining from a vector of eight 0xFF bytes; a last part block is combined with the
  // encrypted chaining vector. Source and Dest may be the same buffer.
  void DecryptBuffer(const void* Source, void* Dest, std::size_t Count) const;
  // The inverse of DecryptBuffer, for the build step that writes the data.
  void EncryptBuffer(const void* Source, void* Dest, std::size_t Count) const;

 private:
  std::array<std::uint32_t, 4> key_;
};

}  // namespace lab
