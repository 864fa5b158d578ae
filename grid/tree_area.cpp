// The tree area of the first data column, for datasets that show their records as a tree: one box
// of 18 pixels per level, holding the outline's lines and the node's button, before the cell's
// text; and the numeric keypad's +, - and * that open, close and toggle the current node.

#include "grid/dbgrid.h"
#include "grid/drawing_services.h"
#include "grid/grid_style.h"
#include "platform/controls/input.h"
#include "platform/db/dataset.h"

namespace lab {

namespace {

constexpr int kTreeBox = 18;

}  // namespace

bool TCustomDBGridX::TreeShown() const { return mem_table_ && mem_table_->TreeViewShown(); }

int TCustomDBGridX::GetTreeIndentWidth() { return TreeShown() ? mem_table_->TreeLevel() * kTreeBox : 0; }

void TCustomDBGridX::DrawTreeCell(int DataCol, int DataRow, TRect ARect, TGridDrawState) {
  if (!TreeShown() || DataCol < 0 || DataCol >= columns_->Count()) return;
  TColumnX* column = columns_->GetColumn(DataCol);
  TColor background = column->Color();
  TDataSet* ds = data_link_->DataSet();
  if (style_ && ds && selection_->DataCellSelected(DataCol, ds->Bookmark())) {
    TFont font;
    font.Assign(Canvas()->Font());
    style_->HighlightDataCell(this, DataToRawColumn(DataCol), DataRow + title_offset_, DataCol, DataRow, {}, {}, true,
                              background, &font);
  }
  TBrush* brush = Canvas()->Brush();
  const TColor former = brush->Color();
  brush->SetColor(background);
  DrawTreeArea(ARect, mem_table_->TreeNode());
  brush->SetColor(former);
}

// Each box is drawn grown by the row line below it, so the lines of a subtree run on into the next
// row: a box keeps the row line only where the next row leaves its subtree (the first box never).
void TCustomDBGridX::DrawTreeArea(const TRect& ARect, const TMemTreeNode& Node) {
  if (Node.Level < 1) return;
  TCanvas* c = Canvas();
  const bool row_lines = options_.Contains(dgRowLines);
  const int line = row_lines ? GridLineWidth() : 0;
  // The rows move by whole steps: the dots keep their phase to the records, not to the screen.
  const bool odd_phase = ((DefaultRowHeight() + line) & 1) != 0 && (TopRow() & 1) != 0;
  for (int level = 1; level <= Node.Level; ++level) {
    const TRect box{ARect.Left + (level - 1) * kTreeBox, ARect.Top, ARect.Left + level * kTreeBox, ARect.Bottom + line};
    if (row_lines && (level == 1 || level <= Node.NextLevel))
      c->Handle()->FillSolidRect({box.Left, ARect.Bottom, box.Right, box.Bottom}, ColorToRGB(Color()));
    c->FillRect({box.Left, box.Top, box.Right, ARect.Bottom});
    const bool follows = Node.Follows[static_cast<std::size_t>(level - 1)];
    if (level < Node.Level) {
      // An ancestor's box: its line runs on to a sibling still to come.
      if (follows) DrawTreeElement(c, box, 9, 1.0, 1.0, odd_phase);
      continue;
    }
    int kind;
    if (!Node.HasChildren) kind = follows ? 6 : 7;
    else if (follows) kind = Node.Expanded ? 0 : 3;
    else kind = Node.Expanded ? 1 : 4;
    DrawTreeElement(c, box, kind, 1.0, 1.0, odd_phase);
  }
  if (row_lines) {
    const int x = ARect.Left + Node.Level * kTreeBox - 1;
    c->Handle()->FillSolidRect({x, ARect.Top + 2, x + 1, ARect.Bottom + line}, ColorToRGB(clSilver));
  }
}

bool TCustomDBGridX::TreeKey(win::WORD Key) {
  TTreeNodeChange change;
  switch (Key) {
    case win::VK_ADD: change = TTreeNodeChange::Expand; break;
    case win::VK_SUBTRACT: change = TTreeNodeChange::Collapse; break;
    case win::VK_MULTIPLY: change = TTreeNodeChange::Toggle; break;
    default: return false;
  }
  if (footer_row_count_ != 0 || !TreeShown()) return false;
  mem_table_->ChangeTreeNode(change);
  return true;
}

}  // namespace lab
