// Loading and saving the line list.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "editor/edit_exceptions.h"
#include "editor/file_writer.h"
#include "editor/line_loader.h"
#include "editor/text_buffer.h"
#include "platform/rtl/parallel.h"
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
void TCodeEditStringList::AddLoadedLines(std::span<TLineLoader> Loaders) {
  std::size_t count = 0;
  for (TLineLoader& loader : Loaders) count += static_cast<std::size_t>(loader.Records().Count());
  if (count > static_cast<std::size_t>(INT32_MAX)) throw ECodeEditStringList("Too many lines to load");
  // All the room the new lines take is taken before the old lines go: short of memory, the old
  // (perhaps unsaved) text stays.
  TLineRecords fresh;
  try {
    if (!OnInserted) {
      // Nobody to tell: the loaders' record blocks become the list's as they stand.
      for (TLineLoader& loader : Loaders) fresh.AppendBlocks(loader.Records());
    } else {
      // Sized once instead of growing a block at a time; appended lines leave room in every block.
      const std::size_t room = count / TLineRecords::kAppendFill * TLineRecords::kBlockRecords + count % TLineRecords::kAppendFill;
      fresh.SetCapacity(static_cast<int>(std::min<std::size_t>(room, INT32_MAX)));
      for (TLineLoader& loader : Loaders) fresh.Arena().Adopt(loader.Records().Arena());
    }
  } catch (const std::bad_alloc&) {
    throw ECodeEditStringList("The text is too large for the memory left");
  }
  Clear();
  list_.Swap(fresh);
  if (OnInserted) {
    for (TLineLoader& loader : Loaders) {
      TLineRecords& records = loader.Records();
      for (int i = 0; i < records.Count(); ++i) {
        const int index = GetCount();
        list_.Append().String = std::move(records[i].String);
        OnInserted(this, index, 1);
      }
    }
  }
  bool cr = false, lf = false;
  for (const TLineLoader& loader : Loaders) {
    cr = cr || loader.SawCr();
    lf = lf || loader.SawLf();
  }
  index_of_longest_line_ = -1;
  file_format_ = cr && !lf ? sffMac : lf && !cr ? sffUnix : sffDos;
}

void TCodeEditStringList::LoadFromStream(TStream* Stream) {
  Updating([&] {
    Stream->SetPosition(0);
    // The text is split and decoded as it is read, aside: the list changes only once all of it is in.
    const std::int64_t size = std::max<std::int64_t>(Stream->Size(), 0);
    // A file stream itself (not a class made from it, which may read otherwise) is read in ranges
    // on threads of their own when it is large.
    auto* const file = typeid(*Stream) == typeid(TFileStream) ? static_cast<TFileStream*>(Stream) : nullptr;
    std::vector<TLineLoader> loaders(file ? ParallelRanges() : 1);
    if (file) {
      ForRanges(static_cast<std::size_t>(size), kMinRangeBytes, [&](std::size_t Range, std::size_t Begin, std::size_t End) {
        LoadFileRange(*file, size, static_cast<std::int64_t>(Begin), static_cast<std::int64_t>(End), loaders[Range],
                      !append_new_line_at_eof_);
      });
      Stream->SetPosition(size);
    } else {
      TLineLoader& loader = loaders.front();
      std::int64_t left = size;
      const std::unique_ptr<char[]> block(new char[TLineLoader::kBlockSize]);
      while (left > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, TLineLoader::kBlockSize));
        Stream->ReadBuffer(block.get(), static_cast<std::int64_t>(n));
        loader.Feed(std::string_view(block.get(), n));
        left -= static_cast<std::int64_t>(n);
      }
      loader.Finish(!append_new_line_at_eof_);
    }
    AddLoadedLines(loaders);
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
  writer.Commit();
}

}  // namespace lab
