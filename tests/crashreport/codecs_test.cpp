#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "crashreport/codec/base64.h"
#include "crashreport/codec/cipher.h"
#include "crashreport/codec/md5.h"
#include "crashreport/codec/zlib_memory.h"

namespace lab {
namespace {

std::string Hex(const std::uint8_t* p, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string MD5Hex(const std::string& text) {
  const TMD5Digest d = MD5Text(text);
  return Hex(d.data(), d.size());
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(gen());
  return v;
}

TEST(MD5, ReproducesTheRfcVectorsAndBothPaddingForms) {
  EXPECT_EQ(MD5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(MD5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(MD5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(MD5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(MD5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(MD5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  std::string digits;
  for (int i = 0; i < 8; ++i) digits += "1234567890";
  EXPECT_EQ(MD5Hex(digits), "57edf4a22be3c955ac49da2e2107b67a");
  // 55 bytes leave room for the length in one final block, 56 and 64 need a second one.
  EXPECT_EQ(MD5Hex(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(MD5Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(MD5Hex(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
  EXPECT_EQ(MD5Hex(std::string(120, 'a')), "5f61c0ccad4cac44c75ff505e1f1e537");
}

TEST(Cipher, FrozenVectorsPinTheWordAndByteOrder) {
  const TCipher cipher("secret");
  const std::uint8_t plain[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  std::uint8_t block[8];
  cipher.EncryptBlock(plain, block);
  EXPECT_EQ(Hex(block, 8), "c061dc284a2884c7");
  cipher.DecryptBlock(block, block);
  EXPECT_EQ(0, std::memcmp(block, plain, 8));

  // 13 bytes: one chained block, then 5 bytes combined with the encrypted chaining vector.
  const char text[] = "Hello, world!";
  std::uint8_t scrambled[13];
  cipher.EncryptBuffer(text, scrambled, 13);
  EXPECT_EQ(Hex(scrambled, 13), "43b06b3fca6e256de69f0f4aeb");
  std::uint8_t back[13];
  cipher.DecryptBuffer(scrambled, back, 13);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 13), text);

  TCipher("").EncryptBuffer("abc", scrambled, 3);
  EXPECT_EQ(Hex(scrambled, 3), "51dc1c");
}

TEST(Cipher, BufferRoundTripsOfEveryLengthInPlace) {
  const TCipher cipher("pass phrase");
  for (std::size_t n = 0; n <= 41; ++n) {
    const auto plain = RandomBytes(n, static_cast<unsigned>(n));
    auto data = plain;
    cipher.EncryptBuffer(data.data(), data.data(), n);
    if (n >= 8) {
      EXPECT_NE(data, plain) << n;
    }
    cipher.DecryptBuffer(data.data(), data.data(), n);
    EXPECT_EQ(data, plain) << n;
  }
  // A wrong key does not give the data back.
  std::vector<std::uint8_t> data(16, 'x');
  cipher.EncryptBuffer(data.data(), data.data(), 16);
  TCipher("other").DecryptBuffer(data.data(), data.data(), 16);
  EXPECT_NE(data, std::vector<std::uint8_t>(16, 'x'));
}

TEST(Base64, RfcVectorsBothWays) {
  const char* pairs[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                            {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                            {"foobar", "Zm9vYmFy"}};
  for (auto& p : pairs) {
    EXPECT_EQ(Base64EncodeStr(p[0]), p[1]);
    EXPECT_EQ(Base64DecodeStr(p[1]), p[0]);
  }
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(Base64DecodeStr(Base64EncodeBuffer(all.data(), all.size())), all);
  EXPECT_EQ(Base64EncodeStr("\xFB\xFF"), "+/8=");
}

TEST(Base64, MalformedTextDecodesPredictably) {
  EXPECT_EQ(Base64DecodeStr("Zm9vY"), "");  // not a multiple of 4
  EXPECT_EQ(Base64DecodeStr("Zm9"), "");
  // Characters outside the alphabet count as 0, the same on every run.
  EXPECT_EQ(Base64DecodeStr("Zm9#"), "fo@");
  EXPECT_EQ(Base64DecodeStr("\x80\x80\x80\x80"), std::string(3, '\0'));
  EXPECT_EQ(Base64DecodeStr("Zm9v\nA=="), Base64DecodeStr("Zm9v\nA=="));
  EXPECT_EQ(Base64DecodeStr("Zm9v\nA==").size(), 4u);
}

TEST(ZLibMemory, RoundTripsInEveryFormat) {
  for (std::size_t n : {0u, 1u, 255u, 256u, 1000u, 70000u}) {
    auto text = std::vector<std::uint8_t>(n, 'a');
    auto noise = RandomBytes(n, 7);
    for (const auto& data : {text, noise}) {
      for (TZLibFormat f : {TZLibFormat::Zlib, TZLibFormat::Raw}) {
        const auto packed = CompressBuf(data.data(), data.size(), f);
        EXPECT_EQ(DecompressBuf(packed.data(), packed.size(), f), data) << n;
      }
    }
  }
  const auto packed = CompressBuf("x", 1);
  EXPECT_EQ(packed[0], 0x78);  // zlib's own header, level 9
  EXPECT_EQ(packed[1], 0xDA);
}

TEST(ZLibMemory, DamagedOrTruncatedDataIsAnError) {
  const auto data = RandomBytes(5000, 3);
  const auto packed = CompressBuf(data.data(), data.size());
  for (std::size_t cut : {packed.size() - 1, packed.size() - 4, packed.size() / 2, std::size_t{2}})
    EXPECT_THROW(DecompressBuf(packed.data(), cut), EZLibError) << cut;
  auto damaged = packed;
  damaged[damaged.size() / 2] ^= 0x55;
  EXPECT_THROW(DecompressBuf(damaged.data(), damaged.size()), EZLibError);
  EXPECT_THROW(DecompressBuf("not compressed", 14), EZLibError);
  EXPECT_THROW(DecompressBuf(nullptr, 0), EZLibError);
  try {
    DecompressBuf(packed.data(), packed.size() - 4);
  } catch (const EZLibError& e) {
    EXPECT_FALSE(e.Message().empty());
  }
}

}  // namespace
}  // namespace lab
