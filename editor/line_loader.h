#pragma once
// TLineLoader: splits text into lines as it arrives, a block at a time, and decodes each line into
// a record list of its own, the lines held in its arena. The list being loaded keeps its lines until
// the whole text is read (a read error loses nothing), then takes the loader's records over.
//
// A line ends at CR LF, LF or a lone CR; a break cut by a block's end (CR last in one block, LF first
// in the next) is still one break. Bytes that are not UTF-8 read as their Latin-1 characters.
//
// A large file is loaded in ranges of whole lines, each read with positioned reads by a loader of its
// own on a thread of its own (LoadFileRange).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/line_records.h"

namespace lab {

class TFileStream;

class TLineLoader {
 public:
  // Bytes read at a time: small enough to stay in the cache while they are split and copied.
  static constexpr std::size_t kBlockSize = std::size_t{1} << 18;

  // The next bytes of the text (any length, empty included).
  void Feed(std::string_view Bytes);
  // After the last bytes: adds the line the text ends with. A text that ends with a break ends with
  // an empty line only when EmptyLineAfterLastBreak is set.
  void Finish(bool EmptyLineAfterLastBreak);

  // The lines found so far, held in the records' arena.
  TLineRecords& Records() noexcept { return records_; }
  bool SawCr() const noexcept { return saw_cr_; }
  bool SawLf() const noexcept { return saw_lf_; }

 private:
  void AddLine(std::string_view Line, bool Ascii);

  TLineRecords records_;
  // The start of a line cut by the end of a block.
  std::string carry_;
  // The last block ended with CR: an LF first in the next one belongs to it.
  bool after_cr_ = false;
  bool ended_with_break_ = false;
  bool saw_cr_ = false;
  bool saw_lf_ = false;
};

// Bytes a range of a file loaded on a thread of its own holds at least.
inline constexpr std::int64_t kMinRangeBytes = std::int64_t{8} << 20;

// Where the first line at or after Offset starts in the Size bytes of File: just after an LF, or
// after a CR that no LF follows (0 is a start); Size when no line starts at Offset or later.
std::int64_t LineStartFrom(TFileStream& File, std::int64_t Size, std::int64_t Offset);

// Loads into Loader, and finishes, the lines of the Size bytes of File from the first line start at
// Begin or after up to the first at End or after (Size for End = Size), read with positioned reads,
// so that ranges of one file load at once on threads of their own. Ranges that meet give in order the
// lines one loader finds in the whole file.
void LoadFileRange(TFileStream& File, std::int64_t Size, std::int64_t Begin, std::int64_t End, TLineLoader& Loader,
                   bool EmptyLineAfterLastBreak);

}  // namespace lab
