// Loading and saving the line list.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/edit_exceptions.h"
#include "editor/file_writer.h"
#include "editor/text_buffer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

// Eight bytes at a time.
bool IsAscii(std::string_view S) {
  const char* p = S.data();
  const char* const end = p + S.size();
  std::uint64_t bits = 0;
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    bits |= word;
  }
  for (; p < end; ++p) bits |= static_cast<unsigned char>(*p);
  return (bits & 0x8080808080808080u) == 0;
}

// The line of Piece, decoded straight into a block of the arena at its exact size and width: an
// ASCII line is copied byte for byte; any other is decoded (as the runtime's decoder splits it)
// into Scratch first, to learn its width.
void DecodeLine(std::string_view Piece, TLineArena& Arena, TLineString& Line, std::u32string& Scratch) {
  if (IsAscii(Piece)) {
    if (unsigned char* out = Arena.Allocate(Line, Piece.size(), 1)) std::memcpy(out, Piece.data(), Piece.size());
    return;
  }
  // Decoded as the runtime's decoder splits it, with ASCII taken byte for byte.
  Scratch.resize(Piece.size());
  std::size_t n = 0;
  char32_t widest = 0;
  for (std::size_t at = 0; at < Piece.size();) {
    const auto byte = static_cast<unsigned char>(Piece[at]);
    if (byte < 0x80) {
      Scratch[n++] = byte;
      ++at;
    } else {
      std::size_t length;
      const char32_t c = Utf8At(Piece, at, &length);
      widest |= c;
      Scratch[n++] = c;
      at += length;
    }
  }
  Scratch.resize(n);
  const int width = widest < 0x100 ? 1 : widest < 0x10000 ? 2 : 4;
  unsigned char* out = Arena.Allocate(Line, Scratch.size(), width);
  if (width == 4) {
    std::memcpy(out, Scratch.data(), Scratch.size() * 4);
  } else if (width == 2) {
    for (char32_t c : Scratch) {
      const auto unit = static_cast<char16_t>(c);
      std::memcpy(out, &unit, 2);
      out += 2;
    }
  } else {
    for (char32_t c : Scratch) *out++ = static_cast<unsigned char>(c);
  }
}

std::string_view BreakOf(TCodeEditFileFormat Format) {
  switch (Format) {
    case sffUnix:
      return "\n";
    case sffMac:
      return "\r";
    default:
      return "\r\n";
  }
}

}  // namespace

// Runs inside LoadFromStream's update, so each line only fires its OnInserted.
void TCodeEditStringList::AddDecodedLines(std::string_view Text) {
  // The lines are found first, so the record array is sized once instead of growing a million
  // records at a time; memchr finds the breaks, each kind looked up again only once passed.
  std::vector<std::string_view> pieces;
  bool saw_cr = false, saw_lf = false;
  const char* p = Text.data();
  const char* const end = p + Text.size();
  const char* next_cr = nullptr;
  const char* next_lf = nullptr;
  auto find = [end](const char* from, char c) {
    const void* at = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return at ? static_cast<const char*>(at) : end;
  };
  while (p < end) {
    if (next_cr < p) next_cr = find(p, '\r');
    if (next_lf < p) next_lf = find(p, '\n');
    const char* stop = std::min(next_cr, next_lf);
    pieces.emplace_back(p, static_cast<std::size_t>(stop - p));
    p = stop;
    if (p == end) break;
    if (*p == '\r') {
      saw_cr = true;
      if (++p < end && *p == '\n') {
        saw_lf = true;
        ++p;
      }
    } else {
      saw_lf = true;
      ++p;
    }
  }
  if (!append_new_line_at_eof_ && !Text.empty() && (Text.back() == '\r' || Text.back() == '\n'))
    pieces.emplace_back();
  const std::size_t wanted = static_cast<std::size_t>(GetCount()) + pieces.size();
  if (wanted > static_cast<std::size_t>(INT32_MAX)) throw ECodeEditStringList("Too many lines to load");
  if (static_cast<int>(wanted) > GetCapacity()) list_.SetCapacity(static_cast<int>(wanted));
  std::u32string scratch;
  for (std::string_view piece : pieces) {
    const int index = GetCount();
    TCodeEditStringRec& rec = *list_.Open(index, 1);
    DecodeLine(piece, list_.Arena(), rec.String, scratch);
    if (OnInserted) OnInserted(this, index, 1);
  }
  index_of_longest_line_ = -1;
  file_format_ = saw_cr && !saw_lf ? sffMac : saw_lf && !saw_cr ? sffUnix : sffDos;
}

void TCodeEditStringList::LoadFromStream(TStream* Stream) {
  Updating([&] {
    Stream->SetPosition(0);
    const std::int64_t size = std::max<std::int64_t>(Stream->Size(), 0);
    // Not zeroed first: every byte is read over at once.
    const std::unique_ptr<char[]> data(new char[static_cast<std::size_t>(size) + 1]);
    Stream->ReadBuffer(data.get(), size);
    Clear();
    AddDecodedLines(std::string_view(data.get(), static_cast<std::size_t>(size)));
  });
}

void TCodeEditStringList::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&file);
}

void TCodeEditStringList::SaveToStream(TStream* Stream) {
  const std::string_view line_break = BreakOf(file_format_);
  const int n = GetCount();
  std::size_t size = 0;
  for (int i = 0; i < n; ++i) size += list_[i].String.view().Utf8Size() + line_break.size();
  if (n > 0 && !append_new_line_at_eof_) size -= line_break.size();
  std::string text;
  text.reserve(size);
  for (int i = 0; i < n; ++i) {
    list_[i].String.view().AppendUtf8(text);
    if (i + 1 < n || append_new_line_at_eof_) text += line_break;
  }
  Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TCodeEditStringList::SaveToFile(const std::string& FileName) {
  TCodeEditFileWriter writer(FileName);
  writer.SetLineBreak(file_format_);
  std::string line;
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    line.clear();
    list_[i].String.view().AppendUtf8(line);
    if (i + 1 < n || append_new_line_at_eof_)
      writer.WriteLine(line);
    else
      writer.Write(line);
  }
  writer.Flush();
}

}  // namespace lab
