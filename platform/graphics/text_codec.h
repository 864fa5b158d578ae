#pragma once
// UTF-8 to code points for drawing: a byte that does not start a valid sequence stands for itself
// (Latin-1), so text with stray bytes still shows instead of vanishing.

#include <string>
#include <string_view>

namespace lab {

void DecodeUtf8ForDrawing(std::string_view text, std::u32string& out);
std::string EncodeUtf8ForDrawing(std::u32string_view text);

}  // namespace lab
