#include "grid/filter_row.h"

#include <algorithm>

#include "grid/column_filter.h"
#include "grid/columns.h"
#include "grid/filter_editor.h"
#include "platform/controls/input.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/utf8.h"

namespace lab {

TFilterRowX::~TFilterRowX() {
  if (!editor_) return;
  editor_->OnKeyDown = nullptr;
  editor_->OnKeyPress = nullptr;
  editor_->OnChange = nullptr;
  editor_->OnGetItemsList = nullptr;
  editor_->OnFilterCloseUp = nullptr;
}

bool TFilterRowX::EditorShowing() const { return editor_ && editor_->Visible(); }

void TFilterRowX::Create() {
  editor_ = host_.CreateFilterEditor();
  editor_->OnKeyDown = [this](TObject*, win::WORD& Key, TShiftState Shift) { KeyDown(Key, Shift); };
  editor_->OnKeyPress = [this](TObject*, char32_t& Key) { KeyPress(Key); };
  editor_->OnChange = [this](TObject*) { TextChanged(); };
}

// ---- Starting, placing and ending ----

void TFilterRowX::Start(TColumnX* Column) {
  if (!Column || !host_.FilterCellEditable(Column)) return;
  if (!editor_) Create();
  host_.StyleFilterEditor(*editor_);
  // The text of the cell left behind is taken first: one that does not read keeps the editor there.
  if (column_ != Column && editing_) Hide();
  TColumnX* before = column_;
  column_ = Column;
  editing_ = true;
  host_.EnterFilterColumn(Column);
  if (before && before != Column) host_.InvalidateFilterCell(before);
  host_.InvalidateFilterCell(Column);
  Place(true);
}

void TFilterRowX::Place(bool Show) {
  if (host_.FiltersUpdating()) return;
  if (!(editing_ && column_ && editor_ && host_.FilterCellEditable(column_))) {
    EndQuietly();
    return;
  }
  TRect r = host_.FilterCellRect(column_);
  ++r.Left;
  if (!host_.FilterEditorMayShow() || r.IsEmpty()) {
    Conceal();
    return;
  }
  // A hidden editor comes filled and its text selected; one showing keeps what is typed in it.
  const bool fill = Show && !editor_->Visible();
  if (fill) {
    editor_->SetBounds(r.Left, r.Top, 0, 0);
    editor_->SetVisible(true);
  }
  if (Show && editor_->CanFocus()) editor_->SetFocus();
  if (fill) {
    host_.FillFilterEditor();
    editor_->SelectAll();
  }
  editor_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TFilterRowX::Hide() {
  if (!EditorShowing()) return;
  // First, so a text that does not read leaves the editor showing it.
  host_.TakeFilterEditText();
  Conceal();
}

void TFilterRowX::Conceal() {
  if (!EditorShowing()) return;
  if (editor_->Focused()) host_.FocusGrid();
  editor_->SetVisible(false);
  if (column_) host_.InvalidateFilterCell(column_);
}

void TFilterRowX::Stop() {
  if (host_.FiltersUpdating()) return;
  Hide();
  editing_ = false;
  host_.FilterEditingEnded();
}

void TFilterRowX::EndQuietly() {
  try {
    Hide();
  } catch (const EConvertError&) {
    Conceal();  // the condition in force stays
  }
  if (!editing_) return;
  editing_ = false;
  host_.FilterEditingEnded();
}

void TFilterRowX::ColumnRemoved(TColumnX* Column) {
  if (Column != column_) return;
  column_ = nullptr;
  Conceal();
  if (!editing_) return;
  editing_ = false;
  host_.FilterEditingEnded();
}

// ---- The editor's contents ----

void TFilterRowX::Fill() {
  if (!editor_ || !column_) return;
  TSTColumnFilterX* f = column_->STFilter();
  editor_->Items()->Clear();
  editor_->SetItemTags({});
  const bool list = f->UsesListDataSet();
  TComboEditButton button = editor_->EditButton(0);
  button.Visible = list;
  editor_->SetEditButton(0, button);
  editor_->SetValue(Null());
  if (!list) {
    editor_->OnGetItemsList = nullptr;
    editor_->OnFilterCloseUp = nullptr;
    editor_->SetText(f->ExpressionStr());
    return;
  }
  editor_->OnGetItemsList = [this](TObject*) { GetList(); };
  editor_->OnFilterCloseUp = [this](bool Accept) { CloseUp(Accept); };
  if (!VarIsNull(f->KeyValue()) && !VarIsEmpty(f->KeyValue())) editor_->SetValueAndText(f->KeyValue(), f->ExpressionStr());
  else editor_->SetText(f->ExpressionStr());
  editor_->SetDropDownWidth(f->DropDownWidth() > 0 ? f->DropDownWidth() : 100);
  editor_->SetDropDownCount(f->DropDownCount() > 0 ? f->DropDownCount() : 17);
}

void TFilterRowX::FilterChanged(TColumnX* Column) {
  if (Column == column_ && EditorShowing() && editor_->GetText() != Column->STFilter()->ExpressionStr())
    host_.FillFilterEditor();
}

// What is typed becomes the column's condition as it goes; a text that does not read yet keeps
// the condition in force until Enter or leaving the cell reports it.
void TFilterRowX::TextChanged() {
  if (!column_ || !EditorShowing() || editor_->GetText() == column_->STFilter()->ExpressionStr()) return;
  try {
    host_.TakeFilterEditText();
  } catch (const EConvertError&) {
  }
}

// The column's values (made once, kept until the data changes), under the special items.
void TFilterRowX::GetList() {
  if (!editor_ || !column_) return;
  TSTColumnFilterX* f = column_->STFilter();
  if (!f->ValueList()) f->SetValueList(host_.FilterValues(column_));
  std::vector<int> tags{fsiEmptyX, fsiNotEmptyX, fsiAllX, fsiClearFilterX};
  if (host_.OffersSorting(column_)) tags.insert(tags.end(), {fsiSeparatorX, fsiOrderAscendingX, fsiOrderDescendingX});
  std::reverse(tags.begin(), tags.end());  // the last one inserted reads first
  TStrings* items = editor_->Items();
  TStringsUpdate update(*items);
  items->Clear();
  for (int tag : tags) items->Add(FilterSpecialItemTexts[tag]);
  if (f->ValueList())
    for (const std::string& v : f->ValueList()->Values()) items->Add(v);
  editor_->SetItemTags(std::move(tags));
}

void TFilterRowX::CloseUp(bool Accept) {
  if (!Accept || !editor_ || !column_ || editor_->ItemIndex() < 0) return;
  column_->STFilter()->SetDropDownSize(editor_->DropDownWidth(), editor_->DropDownCount());
  const int index = editor_->ItemIndex();
  const int tag = editor_->ItemTag(index);
  switch (tag) {
    case fsiEmptyX: editor_->SetText("=Null"); break;
    case fsiNotEmptyX: editor_->SetText("<>Null"); break;
    case fsiAllX: editor_->SetText(""); break;
    case fsiClearFilterX:
      editor_->SetText("");
      host_.ClearAllFilters();
      host_.ApplyFilter();
      return;
    case fsiSeparatorX: editor_->SetText(editor_->TextBeforeDrop()); return;
    case fsiOrderAscendingX:
    case fsiOrderDescendingX:
      editor_->SetText(editor_->TextBeforeDrop());
      host_.SortByFilterColumn(column_, tag == fsiOrderAscendingX);
      return;
    default:
      // A value is typed as a condition equal to it, quoted where its text would read otherwise.
      editor_->SetText(FilterTextForValue(editor_->Items()->Strings(index)));
      break;
  }
  if (host_.ChosenItemsApply()) host_.ApplyFilter();
}

// ---- Keys, characters and presses ----

void TFilterRowX::Move(int Direction, bool FromEdge) {
  const int count = host_.FilterColumnCount();
  int at = -1;
  if (!FromEdge)
    for (int i = 0; i < count && at < 0; ++i)
      if (host_.FilterColumn(i) == column_) at = i;
  if (at < 0) at = Direction > 0 ? -1 : count;
  for (int n = count; n > 0; --n) {
    at += Direction;
    if (at >= count) at = 0;
    if (at < 0) at = count - 1;
    TColumnX* c = host_.FilterColumn(at);
    if (host_.FilterCellEditable(c)) {
      if (c != column_) host_.StartEditFilter(c);
      return;
    }
  }
}

void TFilterRowX::KeyDown(win::WORD& Key, TShiftState Shift) {
  if (!editor_ || editor_->DroppedDown()) return;
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt);
  const int length = static_cast<int>(Utf8Length(editor_->GetText()));
  const bool at_start = editor_->SelStart() == 0 && editor_->SelLength() == 0;
  const bool at_end = editor_->SelStart() == length && editor_->SelLength() == 0;
  // Where the key moves the editor: a direction, from the edge or from here; none: 0.
  int direction = 0;
  bool from_edge = false;
  switch (Key) {
    case win::VK_LEFT:
    case win::VK_HOME:
      // Ctrl or Home goes to the first column, Left alone to the one before.
      if (ctrl || at_start) {
        from_edge = ctrl || Key == win::VK_HOME;
        direction = from_edge ? 1 : -1;
      }
      break;
    case win::VK_RIGHT:
    case win::VK_END:
      if (ctrl || at_end) {
        from_edge = ctrl || Key == win::VK_END;
        direction = from_edge ? -1 : 1;
      }
      break;
    case win::VK_TAB:
      if (host_.TabMovesFilterEditor()) direction = shift ? -1 : 1;
      break;
    case win::VK_UP:
      if (!ctrl && !shift && !alt) Key = 0;
      return;
    case win::VK_DOWN:
      if (!shift && !alt && host_.LeaveFilterRowDown(column_, !ctrl)) Key = 0;
      return;
    case win::VK_F2:
      editor_->SetSelStart(length);
      Key = 0;
      return;
    default: return;
  }
  if (direction == 0) return;
  Move(direction, from_edge);
  Key = 0;
}

void TFilterRowX::KeyPress(char32_t& Key) {
  if (Key != U'\r') return;
  Key = 0;
  host_.ApplyFilter();
}

void TFilterRowX::TypeChar(char32_t Ch) {
  Place(true);
  if (EditorShowing() && editor_->HandleAllocated()) wm::PostMessage(editor_->Handle(), win::WM_CHAR, Ch, 0);
}

void TFilterRowX::PassPress(TPoint ScreenPoint, win::WPARAM Keys) {
  if (!EditorShowing() || !editor_->HandleAllocated()) return;
  const TPoint p = editor_->ScreenToClient(ScreenPoint);
  editor_->Perform(win::WM_LBUTTONDOWN, Keys, win::MAKELPARAM(p.X, p.Y));
  editor_->ExpectSecondPress(ScreenPoint);
}

}  // namespace lab
