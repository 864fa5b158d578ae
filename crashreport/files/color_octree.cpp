#include "crashreport/files/color_octree.h"

#include <algorithm>
#include <climits>

namespace lab {

TColorOctree::TColorOctree() {
  reducible_.fill(-1);
  nodes_.reserve(64);
  NewNode(0);
}

std::int32_t TColorOctree::NewNode(int Level) {
  std::int32_t index;
  if (free_.empty()) {
    index = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
  } else {
    index = free_.back();
    free_.pop_back();
    nodes_[static_cast<std::size_t>(index)] = TNode{};
  }
  TNode& node = nodes_[static_cast<std::size_t>(index)];
  node.Children.fill(-1);
  if (Level == 8) {
    node.Leaf = true;
    ++leaves_;
  } else {
    node.Next = reducible_[static_cast<std::size_t>(Level)];
    reducible_[static_cast<std::size_t>(Level)] = index;
  }
  return index;
}

void TColorOctree::Add(std::uint32_t Color) {
  const unsigned red = (Color >> 16) & 0xFF, green = (Color >> 8) & 0xFF, blue = Color & 0xFF;
  std::int32_t node = 0;
  for (int level = 0; !nodes_[static_cast<std::size_t>(node)].Leaf; ++level) {
    const int bit = 7 - level;
    const std::size_t child = (((red >> bit) & 1) << 2) | (((green >> bit) & 1) << 1) | ((blue >> bit) & 1);
    std::int32_t next = nodes_[static_cast<std::size_t>(node)].Children[child];
    if (next < 0) {
      next = NewNode(level + 1);  // may move the nodes
      nodes_[static_cast<std::size_t>(node)].Children[child] = next;
    }
    node = next;
  }
  TNode& leaf = nodes_[static_cast<std::size_t>(node)];
  ++leaf.Count;
  leaf.Red += red;
  leaf.Green += green;
  leaf.Blue += blue;
  while (leaves_ > kMaxColors) Reduce();
}

void TColorOctree::Reduce() {
  int level = 7;
  while (level > 0 && reducible_[static_cast<std::size_t>(level)] < 0) --level;
  const std::int32_t index = reducible_[static_cast<std::size_t>(level)];
  TNode& node = nodes_[static_cast<std::size_t>(index)];
  reducible_[static_cast<std::size_t>(level)] = node.Next;
  int children = 0;
  for (std::int32_t& child : node.Children) {
    if (child < 0) continue;
    // The deepest level with nodes to spare: everything below it is a leaf already.
    const TNode& leaf = nodes_[static_cast<std::size_t>(child)];
    node.Count += leaf.Count;
    node.Red += leaf.Red;
    node.Green += leaf.Green;
    node.Blue += leaf.Blue;
    free_.push_back(child);
    child = -1;
    ++children;
  }
  node.Leaf = true;
  leaves_ -= children - 1;
}

void TColorOctree::AddLeaves(std::int32_t Node, std::vector<std::uint32_t>& Palette) const {
  const TNode& node = nodes_[static_cast<std::size_t>(Node)];
  if (node.Leaf) {
    if (node.Count == 0) return;  // a root that took no colour
    Palette.push_back(static_cast<std::uint32_t>((node.Red / node.Count) << 16 | (node.Green / node.Count) << 8 |
                                                 node.Blue / node.Count));
    return;
  }
  for (std::int32_t child : node.Children)
    if (child >= 0) AddLeaves(child, Palette);
}

std::vector<std::uint32_t> TColorOctree::Palette() const {
  std::vector<std::uint32_t> palette;
  palette.reserve(static_cast<std::size_t>(leaves_));
  AddLeaves(0, palette);
  return palette;
}

namespace {
constexpr std::size_t kKnownSlots = 1 << 16;
constexpr std::uint64_t kUsed = std::uint64_t{1} << 32;
}  // namespace

TNearestColor::TNearestColor(std::vector<std::uint32_t> Palette)
    : palette_(std::move(Palette)), known_(kKnownSlots, 0) {
  if (palette_.empty()) palette_.push_back(0);
  for (std::size_t i = 0; i < palette_.size(); ++i) by_green_.push_back(static_cast<std::uint8_t>(i));
  const auto green = [this](std::size_t i) { return static_cast<int>(palette_[i] >> 8 & 0xFF); };
  std::stable_sort(by_green_.begin(), by_green_.end(), [&](std::uint8_t a, std::uint8_t b) { return green(a) < green(b); });
  for (const std::uint8_t i : by_green_) greens_.push_back(green(i));
}

std::uint8_t TNearestColor::IndexOf(std::uint32_t Color) {
  Color &= 0xFFFFFF;
  std::uint64_t& slot = known_[(Color * 2654435761u) >> 16 & (kKnownSlots - 1)];
  if ((slot & kUsed) && ((slot >> 8) & 0xFFFFFF) == Color) return static_cast<std::uint8_t>(slot);
  const int red = static_cast<int>(Color >> 16), green = static_cast<int>(Color >> 8 & 0xFF),
            blue = static_cast<int>(Color & 0xFF);
  std::size_t best = 0;
  int best_distance = INT_MAX;
  // False once the entry's green alone is farther off than the best distance: so is every entry
  // beyond it. Entries as near as the best are still looked at, so the first of equals wins.
  const auto nearer = [&](std::size_t At) {
    const int dg = greens_[At] - green;
    if (dg * dg > best_distance) return false;
    const std::size_t i = by_green_[At];
    const int dr = static_cast<int>(palette_[i] >> 16 & 0xFF) - red, db = static_cast<int>(palette_[i] & 0xFF) - blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance || (distance == best_distance && i < best)) {
      best_distance = distance;
      best = i;
    }
    return true;
  };
  const std::size_t start = static_cast<std::size_t>(std::lower_bound(greens_.begin(), greens_.end(), green) - greens_.begin());
  for (std::size_t at = start; at < greens_.size() && nearer(at); ++at) {
  }
  for (std::size_t at = start; at-- > 0 && nearer(at);) {
  }
  slot = kUsed | std::uint64_t{Color} << 8 | best;
  return static_cast<std::uint8_t>(best);
}

}  // namespace lab
