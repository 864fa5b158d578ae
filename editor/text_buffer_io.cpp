// Loading and saving the line list.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/file_writer.h"
#include "editor/text_buffer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

// Appends the UTF-8 of S to Out.
void AppendUtf8(std::string& Out, std::u32string_view S) {
  for (char32_t c : S) {
    if (c < 0x80)
      Out.push_back(static_cast<char>(c));
    else
      Utf8Append(Out, c);
  }
}

std::size_t Utf8Size(std::u32string_view S) {
  std::size_t size = 0;
  for (char32_t c : S) {
    if (c < 0x80)
      size += 1;
    else if (c < 0x800)
      size += 2;
    else if (c < 0x10000 || c > 0x10FFFF)
      size += 3;  // a value that UTF-8 cannot carry is written as U+FFFD
    else
      size += 4;
  }
  return size;
}

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

// The line of Piece, decoded straight into its block, which is allocated once at its exact size: an
// ASCII line is widened byte for byte; any other is counted first, then split as the runtime's
// decoder splits it.
TLineString DecodeLine(std::string_view Piece) {
  TLineString line;
  if (IsAscii(Piece)) {
    char32_t* out = line.assign_for_overwrite(Piece.size());
    for (std::size_t i = 0; i < Piece.size(); ++i) out[i] = static_cast<unsigned char>(Piece[i]);
    return line;
  }
  const std::size_t n = Utf8Length(Piece);
  char32_t* out = line.assign_for_overwrite(n);
  std::size_t at = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const auto byte = static_cast<unsigned char>(Piece[at]);
    if (byte < 0x80) {
      out[i] = byte;
      ++at;
    } else {
      std::size_t length;
      out[i] = Utf8At(Piece, at, &length);
      at += length;
    }
  }
  return line;
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
  const std::size_t wanted = list_.size() + pieces.size();
  if (wanted > list_.capacity()) list_.reserve(wanted);
  for (std::string_view piece : pieces) InsertItem(GetCount(), DecodeLine(piece), nullptr);
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
  const std::size_t n = list_.size();
  std::size_t size = 0;
  for (const TCodeEditStringRec& rec : list_) size += Utf8Size(rec.String) + line_break.size();
  if (n > 0 && !append_new_line_at_eof_) size -= line_break.size();
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; i < n; ++i) {
    AppendUtf8(text, list_[i].String);
    if (i + 1 < n || append_new_line_at_eof_) text += line_break;
  }
  Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TCodeEditStringList::SaveToFile(const std::string& FileName) {
  TCodeEditFileWriter writer(FileName);
  writer.SetLineBreak(file_format_);
  std::string line;
  const std::size_t n = list_.size();
  for (std::size_t i = 0; i < n; ++i) {
    line.clear();
    AppendUtf8(line, list_[i].String);
    if (i + 1 < n || append_new_line_at_eof_)
      writer.WriteLine(line);
    else
      writer.Write(line);
  }
  writer.Flush();
}

}  // namespace lab
