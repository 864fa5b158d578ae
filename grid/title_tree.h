#pragma once
// THeadTreeNode: a node of the tree of title bands that multi-level column captions ("Lens|Right",
// "Lens|Left") make: a band over adjacent columns whose captions start with the same part, to any
// depth, with the columns' own captions as the leaves. Siblings form a ring (the last one's Next is
// the first), as the drawing walks them from a band's first child. The root, a node without host,
// owns the whole tree.
//
// Also the word routines the captions are split with: words are the runs between delimiter
// characters ("|" here); runs of delimiters count as one gap. Delimiters are ASCII, so a UTF-8
// lead byte is never taken for one.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/object.h"

namespace lab {

class TColumnX;

class THeadTreeNode : public TObject {
  LAB_CLASS(THeadTreeNode, TObject)
 public:
  THeadTreeNode() = default;
  THeadTreeNode(std::string AText, int AWidth, int AHeight);
  // The root frees every node below it.
  ~THeadTreeNode() override;
  THeadTreeNode(const THeadTreeNode&) = delete;
  THeadTreeNode& operator=(const THeadTreeNode&) = delete;

  // A new sibling right after After (which must be in this tree), with After's host.
  THeadTreeNode* Add(THeadTreeNode* After, const std::string& AText, int AWidth, int AHeight);
  // A new last child of Node (which must be in this tree).
  THeadTreeNode* AddChild(THeadTreeNode* Node, const std::string& AText, int AWidth, int AHeight);
  // Frees the whole subtree below this node.
  void FreeAllChild();
  // Node is this node, one of its ring siblings, or below any of them.
  bool Find(const THeadTreeNode* Node) const;
  // Host links up to the root: the root 0, its children 1.
  int GetLevel() const;
  // Puts the siblings From .. To (in ring order) under a new band with AText, inserted where From
  // stood. The band is AHeight high, and each moved node loses that much height. Raises Exception
  // "Node not in Tree" when From is not in this tree and "ATo not in level" when To does not follow
  // From before the ring comes back to its first node.
  THeadTreeNode* Union(THeadTreeNode* From, THeadTreeNode* To, int AHeight, const std::string& AText);
  // Action for every child of Node in ring order, each child before its own children.
  static void ForEachNode(THeadTreeNode* Node, const std::function<void(THeadTreeNode*)>& Action);

  THeadTreeNode* Child() const noexcept { return child_; }
  THeadTreeNode* Host() const noexcept { return host_; }
  THeadTreeNode* Next() const noexcept { return next_; }
  // The column of a leaf; nullptr for a band.
  TColumnX* Column() const noexcept { return column_; }
  void SetColumn(TColumnX* Value) noexcept { column_ = Value; }
  const std::string& Text() const noexcept { return text_; }
  void SetText(std::string Value) { text_ = std::move(Value); }
  // A leaf: its column's width (-1 or 0 for a hidden column); a band: its children's with the lines
  // between them.
  int Width() const noexcept { return width_; }
  void SetWidth(int Value) noexcept { width_ = Value; }
  // A leaf: the height of its caption area; a band: of its own caption strip.
  int Height() const noexcept { return height_; }
  void SetHeight(int Value) noexcept { height_ = Value; }
  // Pixels between sibling columns: 1 with column lines, else 0.
  int LineWidth() const noexcept { return line_width_; }
  void SetLineWidth(int Value) noexcept { line_width_ = Value; }
  // Pixels a sort marker takes from a leaf's caption.
  int MarkerRoom() const noexcept { return marker_room_; }
  void SetMarkerRoom(int Value) noexcept { marker_room_ = Value; }
  // Set when the band was painted in the current paint.
  bool Drawn() const noexcept { return drawn_; }
  void SetDrawn(bool Value) noexcept { drawn_ = Value; }

 private:
  THeadTreeNode* child_ = nullptr;
  TColumnX* column_ = nullptr;
  bool drawn_ = false;
  int height_ = 0;
  THeadTreeNode* host_ = nullptr;
  THeadTreeNode* next_ = this;
  std::string text_;
  int line_width_ = 0;
  int width_ = 0;
  int marker_room_ = 0;
};

// Groups Leaves (nodes of Root's tree, one per column in column order, each with its whole caption
// as text) into bands: adjacent leaves whose captions start with the same "|"-separated part go
// under one band of that text, BandHeight high, and keep the rest of their captions; this repeats
// until no caption has a further part. Only leaves under the same band are grouped, so equal heads
// under different bands make bands of their own.
void GroupTitleLeaves(THeadTreeNode* Root, const std::vector<THeadTreeNode*>& Leaves, int BandHeight);

// The 1-based byte index where word N (1-based) of Text starts; 0 when there is none.
int WordPosition(int N, std::string_view Text, std::string_view Delims);
std::string ExtractWord(int N, std::string_view Text, std::string_view Delims);
// ExtractWord, with the word's WordPosition in Pos.
std::string ExtractWordPos(int N, std::string_view Text, std::string_view Delims, int& Pos);

}  // namespace lab
