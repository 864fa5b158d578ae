// The tree of title bands: its ring operations, the grouping of "|" captions into bands, and the
// word routines the captions are split with.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "grid/title_tree.h"
#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

// The tree below Node as text: "Text(children...)" for bands, "Text" for leaves.
std::string Shape(THeadTreeNode* Node) {
  if (!Node) return {};
  std::string s;
  THeadTreeNode* c = Node->Child();
  if (!c) return s;
  THeadTreeNode* n = c;
  do {
    if (!s.empty()) s += " ";
    s += n->Text();
    if (n->Child()) s += "(" + Shape(n) + ")";
    n = n->Next();
  } while (n != c);
  return s;
}

struct Tree;
std::string Shape(const Tree& T);

struct Tree {
  THeadTreeNode root{"Root", 0, 0};
  std::vector<THeadTreeNode*> leaves;
  explicit Tree(const std::vector<std::string>& captions, int width = 50, int line = 1) {
    for (const std::string& c : captions) {
      THeadTreeNode* leaf = root.AddChild(&root, c, width, 60);
      leaf->SetLineWidth(line);
      leaves.push_back(leaf);
    }
    GroupTitleLeaves(&root, leaves, 20);
  }
};

std::string Shape(const Tree& T) { return Shape(const_cast<THeadTreeNode*>(&T.root)); }

TEST(TitleTree, SiblingsFormARingAndChildrenAppendAtTheEnd) {
  THeadTreeNode root("Root", 0, 0);
  EXPECT_EQ(root.Next(), &root);
  THeadTreeNode* a = root.AddChild(&root, "a", 10, 5);
  THeadTreeNode* c = root.AddChild(&root, "c", 10, 5);
  THeadTreeNode* b = root.Add(a, "b", 10, 5);
  EXPECT_EQ(root.Child(), a);
  EXPECT_EQ(a->Next(), b);
  EXPECT_EQ(b->Next(), c);
  EXPECT_EQ(c->Next(), a);
  EXPECT_EQ(b->Host(), &root);
  EXPECT_EQ(root.GetLevel(), 0);
  EXPECT_EQ(b->GetLevel(), 1);
  EXPECT_TRUE(root.Find(c));
  THeadTreeNode stranger("x", 1, 1);
  EXPECT_FALSE(root.Find(&stranger));
  EXPECT_THROW(root.AddChild(&stranger, "y", 1, 1), Exception);
  try {
    root.Add(&stranger, "y", 1, 1);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Node not in Tree");
  }
  root.FreeAllChild();
  EXPECT_EQ(root.Child(), nullptr);
}

TEST(TitleTree, UnionMakesABandOfTheRunWhereItsFirstNodeStood) {
  THeadTreeNode root("Root", 0, 0);
  THeadTreeNode* a = root.AddChild(&root, "a", 10, 60);
  THeadTreeNode* b = root.AddChild(&root, "b", 20, 60);
  THeadTreeNode* c = root.AddChild(&root, "c", 30, 60);
  THeadTreeNode* d = root.AddChild(&root, "d", 40, 60);
  for (THeadTreeNode* n : {a, b, c, d}) n->SetLineWidth(1);
  THeadTreeNode* band = root.Union(b, c, 20, "B");
  EXPECT_EQ(Shape(&root), "a B(b c) d");
  EXPECT_EQ(band->Width(), 20 + 1 + 30);  // the children and the line between them
  EXPECT_EQ(band->Height(), 20);
  EXPECT_EQ(b->Height(), 40);
  EXPECT_EQ(c->Next(), b);  // the moved nodes close into their own ring
  EXPECT_EQ(b->Host(), band);
  EXPECT_EQ(b->GetLevel(), 2);
  // The first child grouped: the band becomes the first child.
  root.Union(a, band, 20, "A");
  EXPECT_EQ(Shape(&root), "A(a B(b c)) d");
  // An end node that does not follow the start before the ring closes.
  try {
    root.Union(d, a, 20, "X");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "ATo not in level");
  }
}

TEST(TitleTree, UnionWithoutLinesAddsNoLineWidth) {
  THeadTreeNode root("Root", 0, 0);
  THeadTreeNode* a = root.AddChild(&root, "a", 10, 60);
  THeadTreeNode* b = root.AddChild(&root, "b", 20, 60);
  EXPECT_EQ(root.Union(a, b, 20, "A")->Width(), 30);
  EXPECT_EQ(Shape(&root), "A(a b)");
}

TEST(TitleTree, ForEachNodeVisitsEachNodeBeforeItsChildren) {
  Tree t({"A|B|X", "A|B|Y", "A|C"});
  std::string order;
  THeadTreeNode::ForEachNode(&t.root, [&](THeadTreeNode* n) { order += n->Text(); });
  EXPECT_EQ(order, "ABXYC");
}

TEST(TitleTree, CaptionsWithTheSameHeadShareOneBand) {
  EXPECT_EQ(Shape(Tree({"A|B", "A|C", "D"})), "A(B C) D");
  Tree deeper({"A|B|X", "A|B|Y", "A|C"});
  EXPECT_EQ(Shape(&deeper.root), "A(B(X Y) C)");
  // Bands nest, leaves end on the same line: each level takes its band height off the leaf.
  EXPECT_EQ(deeper.leaves[0]->Height(), 20);
  EXPECT_EQ(deeper.leaves[2]->Height(), 40);
  // A band of one.
  EXPECT_EQ(Shape(Tree({"Lens|Right", "Frame"})), "Lens(Right) Frame");
}

TEST(TitleTree, OnlyAdjacentCaptionsAreGrouped) {
  EXPECT_EQ(Shape(Tree({"A|B", "D", "A|C"})), "A(B) D A(C)");
  EXPECT_EQ(Shape(Tree({"A", "B", "C"})), "A B C");
}

TEST(TitleTree, EqualHeadsUnderDifferentBandsMakeBandsOfTheirOwn) {
  // Both second parts are "A", but under P and Q: they are no siblings, so no single band can hold
  // them (grouping them anyway would fail in the middle of a layout).
  EXPECT_EQ(Shape(Tree({"P|A|X", "Q|A|Y"})), "P(A(X)) Q(A(Y))");
  EXPECT_EQ(Shape(Tree({"P|A|X", "A|Y"})), "P(A(X)) A(Y)");
}

TEST(TitleTree, AHiddenColumnMakesItsBandNoWider) {
  THeadTreeNode root("Root", 0, 0);
  std::vector<THeadTreeNode*> leaves;
  for (int w : {40, -1, 30}) {
    leaves.push_back(root.AddChild(&root, "A|x", w, 60));
    leaves.back()->SetLineWidth(1);
  }
  GroupTitleLeaves(&root, leaves, 20);
  EXPECT_EQ(root.Child()->Width(), 40 + 1 + 30);
}

TEST(TitleTree, WordsAreRunsBetweenDelimiters) {
  EXPECT_EQ(WordPosition(1, "A|B", "|"), 1);
  EXPECT_EQ(WordPosition(2, "A|B", "|"), 3);
  EXPECT_EQ(WordPosition(3, "A|B", "|"), 0);
  EXPECT_EQ(WordPosition(2, "A||B", "|"), 4);
  EXPECT_EQ(WordPosition(1, "|A", "|"), 2);
  EXPECT_EQ(WordPosition(2, "A|", "|"), 0);
  EXPECT_EQ(WordPosition(1, "", "|"), 0);
  EXPECT_EQ(ExtractWord(2, "Lens|Right|Sph", "|"), "Right");
  EXPECT_EQ(ExtractWord(4, "Lens|Right|Sph", "|"), "");
  int pos = 0;
  EXPECT_EQ(ExtractWordPos(2, "Größe|Länge", "|", pos), "Länge");
  EXPECT_EQ(pos, 9);  // bytes: "Größe" is seven of them, then the delimiter
}

}  // namespace
}  // namespace lab
