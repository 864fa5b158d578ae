#pragma once
// Colour reduction for the screenshot: an octree of the picture's colours that keeps at most 256
// leaves (257 for a moment), so its memory is bounded whatever the picture's size, and the palette
// of its leaves. Each pixel then takes the entry of the leaf that took it in.

#include <array>
#include <cstdint>
#include <vector>

namespace lab {

class TColorOctree {
 public:
  static constexpr int kMaxColors = 256;

  TColorOctree();

  // Counts a colour (0xRRGGBB; higher bits are ignored). At level L (0 to 7) its child is bit 7 - L
  // of red × 4 + that bit of green × 2 + that bit of blue; a node at level 8 is a leaf. While there
  // are more than 256 leaves, the node last made on the deepest level that has nodes to spare
  // takes in its children's counts and becomes a leaf.
  // Count times in a row (a run of one colour takes one walk down the tree).
  void Add(std::uint32_t Color, std::uint64_t Count = 1);
  int LeafCount() const noexcept { return leaves_; }
  // The leaves in tree order (children 0 to 7, depth first), each the mean of the colours it took
  // (integer division): at most 256 colours 0xRRGGBB. At most 256 distinct colours stay exact.
  // Numbers the leaves in that order, for LeafIndex.
  std::vector<std::uint32_t> Palette();
  // The palette index of the leaf that took Color in: the node its bits lead to from the root, as
  // Add led it (a few steps, no search). A colour never added that leads to no leaf gets the index
  // of the first leaf below where its way ends. Valid after Palette, until the next Add.
  std::uint8_t LeafIndex(std::uint32_t Color) const;

 private:
  struct TNode {
    bool Leaf = false;
    std::uint64_t Count = 0;
    std::uint64_t Red = 0, Green = 0, Blue = 0;
    std::array<std::int32_t, 8> Children;
    std::int32_t Next = -1;  // the next node of the same level with children to take in
    std::uint8_t Index = 0;   // a leaf's palette entry
  };

  std::int32_t NewNode(int Level);
  void Reduce();
  void AddLeaves(std::int32_t Node, std::vector<std::uint32_t>& Palette);

  std::vector<TNode> nodes_;  // node 0 is the root
  std::vector<std::int32_t> free_;
  std::array<std::int32_t, 8> reducible_;
  int leaves_ = 0;
};

}  // namespace lab
