#pragma once
// Types the editor's parts share: text positions and selection modes.

#include <cstdint>

namespace lab {

// A text position: 1-based character index in the line and 1-based line index.
struct TBufferCoord {
  std::int32_t Char = 0;
  std::int32_t Line = 0;

  friend constexpr bool operator==(TBufferCoord, TBufferCoord) = default;
};

// A display position: the column with tabs expanded (and, under word wrap, within the row) and the
// row, both 1-based.
struct TDisplayCoord {
  std::int32_t Column = 0;
  std::int32_t Row = 0;

  friend constexpr bool operator==(TDisplayCoord, TDisplayCoord) = default;
};

enum TCodeSelectionMode : std::uint8_t { smNormal, smLine, smColumn };

// The earlier of two positions, line first, then character.
constexpr TBufferCoord MinBufferCoord(TBufferCoord A, TBufferCoord B) {
  if (A.Line != B.Line) return A.Line < B.Line ? A : B;
  return A.Char <= B.Char ? A : B;
}

}  // namespace lab
