// Loading and saving the line list.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/edit_exceptions.h"
#include "editor/file_writer.h"
#include "editor/line_loader.h"
#include "editor/text_buffer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

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
void TCodeEditStringList::AddLoadedLines(TLineLoader& Loader) {
  std::vector<TLineString>& lines = Loader.Lines();
  if (lines.size() > static_cast<std::size_t>(INT32_MAX)) throw ECodeEditStringList("Too many lines to load");
  Clear();
  const std::size_t wanted = static_cast<std::size_t>(GetCount()) + lines.size();
  if (wanted > static_cast<std::size_t>(INT32_MAX)) throw ECodeEditStringList("Too many lines to load");
  // Sized once instead of growing a block at a time; appended lines leave room in every block.
  const std::size_t room = wanted / TLineRecords::kAppendFill * TLineRecords::kBlockRecords + wanted % TLineRecords::kAppendFill;
  if (room > static_cast<std::size_t>(GetCapacity())) list_.SetCapacity(static_cast<int>(std::min<std::size_t>(room, INT32_MAX)));
  list_.Arena().Adopt(Loader.Arena());
  if (!OnInserted) {
    list_.Append(lines);  // nobody to tell: the records are made a block at a time
  } else {
    for (TLineString& line : lines) {
      const int index = GetCount();
      list_.Open(index).String = std::move(line);
      OnInserted(this, index, 1);
    }
  }
  index_of_longest_line_ = -1;
  const bool cr = Loader.SawCr(), lf = Loader.SawLf();
  file_format_ = cr && !lf ? sffMac : lf && !cr ? sffUnix : sffDos;
}

void TCodeEditStringList::LoadFromStream(TStream* Stream) {
  Updating([&] {
    Stream->SetPosition(0);
    // The text is split and decoded as it is read, aside: the list changes only once all of it is in.
    TLineLoader loader;
    std::int64_t left = std::max<std::int64_t>(Stream->Size(), 0);
    const std::unique_ptr<char[]> block(new char[TLineLoader::kBlockSize]);
    while (left > 0) {
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, TLineLoader::kBlockSize));
      Stream->ReadBuffer(block.get(), static_cast<std::int64_t>(n));
      loader.Feed(std::string_view(block.get(), n));
      left -= static_cast<std::int64_t>(n);
    }
    loader.Finish(!append_new_line_at_eof_);
    AddLoadedLines(loader);
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
