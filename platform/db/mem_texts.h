#pragma once
// The texts (strings, memos, blobs) of one column of the in-memory dataset. Records are grouped by
// id into pages of 1024; a page keeps its texts in one byte buffer, each behind its length, and a
// record holds its text's place in its page's buffer: four bytes and the text itself, where a
// std::string would take 32 before any text. A changed text goes to the end of its page's buffer;
// a page whose buffer is mostly texts no record holds any more is packed again. Whether a text is
// well-formed UTF-8 is found once as it is stored, so comparing it never checks it again.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

class TMemTexts {
 public:
  // Adds a record (the next id) whose text is null.
  void PushNull();
  void Reserve(std::size_t Count) { offsets_.reserve(Count); }
  std::size_t Size() const { return offsets_.size(); }

  bool IsNull(std::uint32_t Id) const { return offsets_[Id] == kNull; }
  // Empty for null.
  std::string_view Get(std::uint32_t Id) const {
    const std::uint32_t at = offsets_[Id];
    if (at == kNull) return {};
    const auto* p = reinterpret_cast<const unsigned char*>(pages_[Id >> kPageBits].bytes.data()) + (at & ~kStray);
    std::size_t length = *p & 0x7F;
    for (int shift = 7; *p++ & 0x80; shift += 7) length |= static_cast<std::size_t>(*p & 0x7F) << shift;
    return {reinterpret_cast<const char*>(p), length};
  }
  // Whether the text is well-formed UTF-8 (Utf8WellFormed); false for null.
  bool WellFormed(std::uint32_t Id) const { return (offsets_[Id] & kStray) == 0; }
  void Set(std::uint32_t Id, std::string_view Value);
  void SetNull(std::uint32_t Id);
  // Gives a deleted record's text back.
  void Release(std::uint32_t Id) { SetNull(Id); }

 private:
  static constexpr unsigned kPageBits = 10;
  static constexpr std::uint32_t kNull = 0xFFFFFFFF;
  // Set beside a text's place when the text is not well-formed UTF-8 (and in kNull).
  static constexpr std::uint32_t kStray = 0x80000000;

  struct TPage {
    std::string bytes;
    std::size_t dead = 0;  // bytes of texts no record holds
  };

  // The bytes the text at Id takes in its page: length and text.
  std::size_t Footprint(std::uint32_t Id) const;
  void Pack(std::size_t Page);

  std::vector<std::uint32_t> offsets_;  // by id: place in the page's buffer and kStray, or kNull
  std::vector<TPage> pages_;
};

}  // namespace lab
