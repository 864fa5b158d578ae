#include "crashreport/files/color_octree.h"

#include <algorithm>

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

void TColorOctree::Add(std::uint32_t Color, std::uint64_t Count) {
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
  leaf.Count += Count;
  leaf.Red += red * Count;
  leaf.Green += green * Count;
  leaf.Blue += blue * Count;
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

void TColorOctree::AddLeaves(std::int32_t Node, std::vector<std::uint32_t>& Palette) {
  TNode& node = nodes_[static_cast<std::size_t>(Node)];
  if (node.Leaf) {
    if (node.Count == 0) return;  // a root that took no colour
    node.Index = static_cast<std::uint8_t>(Palette.size());
    Palette.push_back(static_cast<std::uint32_t>((node.Red / node.Count) << 16 | (node.Green / node.Count) << 8 |
                                                 node.Blue / node.Count));
    return;
  }
  for (std::int32_t child : node.Children)
    if (child >= 0) AddLeaves(child, Palette);
}

std::vector<std::uint32_t> TColorOctree::Palette() {
  std::vector<std::uint32_t> palette;
  palette.reserve(static_cast<std::size_t>(leaves_));
  AddLeaves(0, palette);
  return palette;
}

std::uint8_t TColorOctree::LeafIndex(std::uint32_t Color) const {
  const unsigned red = (Color >> 16) & 0xFF, green = (Color >> 8) & 0xFF, blue = Color & 0xFF;
  const TNode* node = nodes_.data();
  for (int bit = 7; !node->Leaf; --bit) {
    const std::size_t child = (((red >> bit) & 1) << 2) | (((green >> bit) & 1) << 1) | ((blue >> bit) & 1);
    std::int32_t next = node->Children[child];
    for (std::size_t other = 0; next < 0 && other < 8; ++other) next = node->Children[other];
    if (next < 0) return 0;  // an empty tree
    node = nodes_.data() + next;
  }
  return node->Index;
}

}  // namespace lab
