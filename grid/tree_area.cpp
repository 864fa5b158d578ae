// The tree area of the first data column, for datasets that show their records as a tree: one box
// of 18 pixels per level, holding the outline's lines and the node's button, before the cell's
// text; a press on a node's button, which opens or closes that node; and the numeric keypad's +,
// - and * that open, close and toggle the current node.

#include "grid/dbgrid.h"
#include "grid/drawing_services.h"
#include "grid/grid_services.h"
#include "grid/grid_style.h"
#include "platform/controls/input.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

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

// The button is the last box of the pressed record's tree area; a press anywhere else there is
// taken too and changes nothing. The node opens or closes as the record's own: the record current
// before stays current when it is still a row (else the closed node is), and the view keeps its
// top row, whatever raises on the way.
bool TCustomDBGridX::ClickTreeArea(int X, int Y, bool CheckOnly) {
  if (!TreeShown() || !data_link_->Active() || columns_->Count() == 0) return false;
  const TGridCoord cell = MouseCoord(X, Y);
  const int record = cell.Y - title_offset_;
  if (cell.X != indicator_offset_ || record < 0 || cell.Y >= FirstFooterAreaRow() || record >= DataRowCount())
    return false;
  const TRect r = CellRect(cell.X, cell.Y);
  const int x = UseRightToLeftAlignment() ? r.Right - 1 - X : X - r.Left;
  TDataSet* ds = data_link_->DataSet();
  int indent = 0;
  bool button = false;
  TBookmark pressed;
  {
    SetRowActive(record);
    TScopeExit leave([this] { RestoreActiveRecord(); });
    indent = GetTreeIndentWidth();
    button = x >= indent - kTreeBox && mem_table_->TreeNode().HasChildren;
    pressed = ds->Bookmark();
  }
  if (x < 0 || x >= indent) return false;
  if (CheckOnly) return true;

  const int top = TopRow();
  TScopeExit view([this, top] {
    SafeSetTopRow(top);
    Invalidate();
  });
  ds->DisableControls();
  TScopeExit enable([ds] { ds->EnableControls(); });
  if (!button) return true;
  const bool was_in_layout = in_layout_;
  in_layout_ = true;
  TScopeExit layout_done([this, was_in_layout] { in_layout_ = was_in_layout; });
  // A pending edit is posted first, as any move would: the record to come back to is a stored one.
  ds->CheckBrowseMode();
  const TBookmark before = ds->Bookmark();
  TScopeExit back([ds, &before] {
    if (ds->BookmarkValid(before) && DataSetCompareBookmarks(ds, ds->Bookmark(), before) != 0)
      ds->GotoBookmark(before);
  });
  if (!ds->BookmarkValid(pressed)) return true;
  ds->GotoBookmark(pressed);
  mem_table_->ChangeTreeNode(TTreeNodeChange::Toggle);
  return true;
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
