#include "editor/clipboard_block.h"

#include <algorithm>

#include "platform/controls/clipboard.h"

namespace lab {

win::UINT CodeEditClipboardFormat() {
  static const win::UINT format = win::RegisterClipboardFormat("CodeEdit Control Block Type");
  return format;
}

std::string WriteCodeEditBlock(TCodeSelectionMode Mode, std::string_view Text) {
  std::string block;
  block.reserve(Text.size() + 2);
  block.push_back(static_cast<char>(Mode));
  block += Text;
  block.push_back('\0');
  return block;
}

std::optional<TCodeEditBlock> ReadCodeEditBlock(std::string_view Data) {
  if (Data.empty()) return std::nullopt;
  TCodeEditBlock block;
  const auto mode = static_cast<unsigned char>(Data[0]);
  block.Mode = mode > smColumn ? smNormal : static_cast<TCodeSelectionMode>(mode);
  const std::string_view rest = Data.substr(1);
  block.Text = rest.substr(0, std::min(rest.find('\0'), rest.size()));
  return block;
}

}  // namespace lab
