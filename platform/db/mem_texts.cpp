// Paged text storage of the in-memory dataset.
#include "platform/db/mem_texts.h"

#include <functional>

#include "platform/db/db_errors.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

void AppendLength(std::string& out, std::size_t length) {
  while (length >= 0x80) {
    out += static_cast<char>(0x80 | (length & 0x7F));
    length >>= 7;
  }
  out += static_cast<char>(length);
}

std::size_t LengthBytes(std::size_t length) {
  std::size_t n = 1;
  while (length >= 0x80) {
    length >>= 7;
    ++n;
  }
  return n;
}

}  // namespace

void TMemTexts::PushNull() {
  const auto id = static_cast<std::uint32_t>(offsets_.size());
  if ((id & ((1u << kPageBits) - 1)) == 0) {
    // The page before is complete: it gives back the room its buffer grew by in advance, and the
    // new page expects as much text.
    std::size_t expected = 0;
    if (!pages_.empty()) {
      std::string& bytes = pages_.back().bytes;
      expected = bytes.size();
      if (bytes.capacity() - bytes.size() > bytes.size() / 16) bytes.shrink_to_fit();
    }
    pages_.emplace_back().bytes.reserve(expected);
  }
  offsets_.push_back(kNull);
}

std::size_t TMemTexts::Footprint(std::uint32_t Id) const {
  if (IsNull(Id)) return 0;
  const std::size_t length = Get(Id).size();
  return LengthBytes(length) + length;
}

void TMemTexts::Set(std::uint32_t Id, std::string_view Value) {
  // The same text again (a record posted with this field unchanged) keeps its place.
  if (!IsNull(Id) && Get(Id) == Value) return;
  TPage& page = pages_[Id >> kPageBits];
  const std::less<const char*> before;
  if (!before(Value.data(), page.bytes.data()) && before(Value.data(), page.bytes.data() + page.bytes.size())) {
    const std::string copy(Value);  // a text of this page: the buffer may move while it grows
    return Set(Id, copy);
  }
  page.dead += Footprint(Id);
  const std::size_t at = page.bytes.size();
  if (at + LengthBytes(Value.size()) + Value.size() >= kStray)
    DatabaseError("Texts too long for the in-memory dataset");
  AppendLength(page.bytes, Value.size());
  page.bytes.append(Value);
  offsets_[Id] = static_cast<std::uint32_t>(at) | (Utf8WellFormed(Value) ? 0 : kStray);
  if (page.dead > 4096 && page.dead > page.bytes.size() / 2) Pack(Id >> kPageBits);
}

void TMemTexts::SetNull(std::uint32_t Id) {
  pages_[Id >> kPageBits].dead += Footprint(Id);
  offsets_[Id] = kNull;
}

void TMemTexts::Pack(std::size_t Page) {
  TPage& page = pages_[Page];
  std::string packed;
  packed.reserve(page.bytes.size() - page.dead);
  const std::size_t first = Page << kPageBits;
  const std::size_t last = std::min(offsets_.size(), first + (std::size_t{1} << kPageBits));
  for (std::size_t id = first; id < last; ++id) {
    if (offsets_[id] == kNull) continue;
    const std::string_view text = Get(static_cast<std::uint32_t>(id));
    const auto at = static_cast<std::uint32_t>(packed.size());
    AppendLength(packed, text.size());
    packed.append(text);
    offsets_[id] = at | (offsets_[id] & kStray);
  }
  page.bytes.swap(packed);
  page.dead = 0;
}

}  // namespace lab
