#pragma once
// TLineLoader: splits text into lines as it arrives, a block at a time, and decodes each line into
// an arena of its own. The list being loaded keeps its lines until the whole text is read (a read
// error loses nothing), then takes the loader's lines and arena over.
//
// A line ends at CR LF, LF or a lone CR; a break cut by a block's end (CR last in one block, LF first
// in the next) is still one break. Bytes that are not UTF-8 read as their Latin-1 characters.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "editor/line_string.h"

namespace lab {

class TLineLoader {
 public:
  // Bytes read at a time: small enough to stay in the cache while they are split and copied.
  static constexpr std::size_t kBlockSize = std::size_t{1} << 18;

  // The next bytes of the text (any length, empty included).
  void Feed(std::string_view Bytes);
  // After the last bytes: adds the line the text ends with. A text that ends with a break ends with
  // an empty line only when EmptyLineAfterLastBreak is set.
  void Finish(bool EmptyLineAfterLastBreak);

  // The lines found so far, held in Arena().
  std::vector<TLineString>& Lines() noexcept { return lines_; }
  TLineArena& Arena() noexcept { return arena_; }
  bool SawCr() const noexcept { return saw_cr_; }
  bool SawLf() const noexcept { return saw_lf_; }

 private:
  void AddLine(std::string_view Line, bool Ascii);

  TLineArena arena_;
  std::vector<TLineString> lines_;
  // The start of a line cut by the end of a block.
  std::string carry_;
  // The last block ended with CR: an LF first in the next one belongs to it.
  bool after_cr_ = false;
  bool ended_with_break_ = false;
  bool saw_cr_ = false;
  bool saw_lf_ = false;
};

}  // namespace lab
