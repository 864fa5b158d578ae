// Multi-level titles: the tree of title bands built from the column captions, and its heights
// measured with the title fonts.

#include "grid/cell_writing.h"
#include "grid/dbgrid.h"
#include "grid/drawing_services.h"

namespace lab {

void TCustomDBGridX::BuildTitleTree() {
  THeadTreeNode* root = title_tree_.get();
  root->FreeAllChild();
  title_leaves_.clear();
  const bool lines = options_.Contains(dgColLines);
  const int height = RowHeights(0);
  std::vector<THeadTreeNode*> leaves;
  THeadTreeNode* last = nullptr;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnX* c = columns_->GetColumn(i);
    const int width = c->Visible() ? c->Width() : (lines ? -1 : 0);
    THeadTreeNode* leaf = last ? root->Add(last, c->Title()->Caption(), width, height)
                               : root->AddChild(root, c->Title()->Caption(), width, height);
    leaf->SetColumn(c);
    leaf->SetLineWidth(lines ? 1 : 0);
    leaf->SetMarkerRoom(c->Title()->SortMarker() != smNoneX ? 16 : 0);
    leaves.push_back(leaf);
    title_leaves_.push_back({leaf, c});
    last = leaf;
  }
  GroupTitleLeaves(root, leaves, 20);
}

int TCustomDBGridX::CalcTitleTreeHeight(TCanvas* Canvas, THeadTreeNode* Node) {
  THeadTreeNode* first = Node->Child();
  if (!first) {
    Node->SetHeight(0);
    return 0;
  }
  struct TMeasured {
    THeadTreeNode* Node;
    int Sub;
  };
  std::vector<TMeasured> children;
  int level = 0;
  THeadTreeNode* c = first;
  do {
    const int sub = c->Child() ? CalcTitleTreeHeight(Canvas, c) : 0;
    Canvas->SetFont(c->Column() ? c->Column()->Title()->Font() : title_font_.get());
    const std::string text = c->Text().empty() ? std::string(" ") : c->Text();
    int own;
    if (c->Column() && !c->Child() && c->Column()->Title()->Orientation() == toxVertical) {
      own = c->Width() < 1 ? 0 : WriteCellTextVertical(Canvas, TRect{}, false, 0, 0, text, taLeftJustify, tlTop,
                                                       false, true) + 6;
    } else {
      TRect r{0, 0, std::max(1, c->Width() - 4 - c->MarkerRoom()), 0};
      own = c->Width() < 1 ? 0
                           : DrawTextX(Canvas->PreparedHandle(), text, r,
                                       win::DT_CALCRECT | win::DT_WORDBREAK | win::DT_NOPREFIX);
      own += v_title_margin_;
    }
    level = std::max(level, sub + own);
    children.push_back({c, sub});
    c = c->Next();
  } while (c != first);
  // Every leaf ends on the same line: a band's own strip takes what its subtree leaves over.
  for (const TMeasured& m : children) m.Node->SetHeight(m.Node->Child() ? level - m.Sub : level);
  Node->SetHeight(level);
  return level;
}

}  // namespace lab
