#pragma once
// Display order of mixed left-to-right and right-to-left text (the Unicode bidirectional algorithm,
// through ICU), for text output: one line at a time, with mirrored brackets in right-to-left runs.

#include <string>
#include <string_view>
#include <vector>

namespace lab {

// True when the text holds right-to-left letters, so that its display order may differ.
bool HasRightToLeft(std::u32string_view text) noexcept;

// Reorders one line into display order. `visual` receives the characters as shown and `order[i]` the
// logical index of shown character i. rtl_paragraph sets the base direction (right-to-left
// reading). Answers false, leaving the outputs empty, when display order equals logical order.
bool ReorderForDisplay(std::u32string_view logical, bool rtl_paragraph, std::u32string& visual,
                       std::vector<int>& order);

}  // namespace lab
