#pragma once
// The editor's own clipboard format, "CodeEdit Control Block Type": one byte holding the selection
// mode of the copied text (0 normal, 1 line, 2 column), then the text and a terminating NUL. Another
// editor pastes it back in the same mode.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "editor/edit_types.h"
#include "platform/controls/win_types.h"

namespace lab {

// The format's number, registered on first use.
win::UINT CodeEditClipboardFormat();

struct TCodeEditBlock {
  TCodeSelectionMode Mode = smNormal;
  std::string Text;  // UTF-8
};

std::string WriteCodeEditBlock(TCodeSelectionMode Mode, std::string_view Text);
// What another program handed over is checked: nothing for an empty block; the text ends at its
// first NUL or at the block's end; a mode beyond the three known ones reads as the normal mode.
std::optional<TCodeEditBlock> ReadCodeEditBlock(std::string_view Data);

}  // namespace lab
