#include "grid/find_dialog.h"

#include <utility>

#include "grid/dbgrid.h"
#include "grid/grid_services.h"
#include "platform/controls/application.h"
#include "platform/controls/button.h"
#include "platform/controls/check_box.h"
#include "platform/controls/combo_box.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/static_text.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

TDBGridXFindDialogProc& Slot() {
  static TDBGridXFindDialogProc proc = ShowDBGridXFindDlg;
  return proc;
}

// The process's dialog; its destructor clears this, so a dialog freed with its owner is made
// again on the next use.
TDBGridXFindDlg*& Instance() {
  static TDBGridXFindDlg* dialog = nullptr;
  return dialog;
}

enum TMatchX { mStartX, mWholeX };

}  // namespace

const TDBGridXFindDialogProc& DBGridXFindDialogProc() { return Slot(); }

TDBGridXFindDialogProc SetDBGridXFindDialogProc(TDBGridXFindDialogProc Proc) {
  return std::exchange(Slot(), std::move(Proc));
}

TDBGridXFindDlg::TDBGridXFindDlg(TComponent* AOwner) : TForm(AOwner) {
  Instance() = this;
  SetCaption("Find");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientSize(340, 124);
  auto place = [this](TWinControl* Control, int Left, int Top, int Width, int Height) {
    Control->SetParent(this);
    Control->SetBounds(Left, Top, Width, Height);
  };
  auto label = [&](const char* Caption, int Top) {
    auto* l = new TStaticText(this);
    l->SetCaption(Caption);
    place(l, 8, Top + 3, 76, 17);
  };
  auto box = [&](int Top, TComboBoxStyle Style) {
    auto* b = new TComboBox(this);
    b->SetStyle(Style);
    place(b, 88, Top, 160, 22);
    return b;
  };
  label("Find &what:", 8);
  text_ = box(8, csDropDown);
  label("&In:", 36);
  column_ = box(36, csDropDownList);
  label("&Match:", 64);
  match_ = box(64, csDropDownList);
  match_->Items()->Add("Start of value");
  match_->Items()->Add("Whole value");
  match_->SetItemIndex(mStartX);
  up_ = new TCheckBox(this);
  up_->SetCaption("Search &up");
  place(up_, 88, 94, 160, 20);
  find_ = new TButton(this);
  find_->SetCaption("&Find next");
  find_->SetDefault(true);
  find_->OnClick = [this](TObject*) { FindNext(); };
  place(find_, 258, 8, 74, 24);
  close_ = new TButton(this);
  close_->SetCaption("Close");
  close_->SetCancel(true);
  close_->SetModalResult(mrCancel);
  // A modal dialog ends by the button's result; one shown beside the grid closes.
  close_->OnClick = [this](TObject*) {
    if (!Modal()) Close();
  };
  place(close_, 258, 38, 74, 24);
}

TDBGridXFindDlg::~TDBGridXFindDlg() {
  if (Instance() == this) Instance() = nullptr;
}

void TDBGridXFindDlg::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == grid_) {
    grid_ = nullptr;
    columns_.clear();
    column_->Items()->Clear();
  }
}

void TDBGridXFindDlg::Prepare(TCustomDBGridX* Grid, const std::string& Text, const std::string& FieldName,
                              const std::vector<std::string>& Values) {
  if (grid_ != Grid) {
    if (grid_) grid_->RemoveFreeNotification(this);
    grid_ = Grid;
    if (grid_) grid_->FreeNotification(this);
  }
  columns_.clear();
  TStrings* names = column_->Items();
  names->Clear();
  names->Add("(all columns)");
  int chosen = 0;
  TDBGridColumnsX* columns = grid_ ? grid_->Columns() : nullptr;
  for (int i = 0; columns && i < columns->Count(); ++i) {
    TColumnX* c = columns->GetColumn(i);
    if (!c->Visible()) continue;
    if (chosen == 0 && !FieldName.empty() && AnsiCompareTextX(c->FieldName(), FieldName) == 0)
      chosen = names->Count();
    columns_.push_back(i);
    names->Add(c->Title()->Caption());
  }
  column_->SetItemIndex(chosen);
  text_->Items()->Clear();
  for (const std::string& v : Values) text_->Items()->Add(v);
  if (!Text.empty() || !Values.empty()) text_->SetText(Text);
}

// Each showing starts in the text.
void TDBGridXFindDlg::DoShow() {
  SetActiveControl(text_);
  TForm::DoShow();
}

bool TDBGridXFindDlg::Matches(int Index, const std::string& Wanted) {
  const std::string shown = grid_->Columns()->GetColumn(Index)->DisplayText();
  return match_->ItemIndex() == mWholeX ? AnsiCompareTextX(shown, Wanted) == 0 : BeginsWithTextX(shown, Wanted);
}

bool TDBGridXFindDlg::FindNext() {
  const std::string wanted = text_->Text();
  TDataSource* source = grid_ ? grid_->DataSource() : nullptr;
  TDataSet* ds = source ? source->DataSet() : nullptr;
  if (wanted.empty() || !ds || !ds->Active()) return false;
  const int entry = column_->ItemIndex();
  std::vector<int> searched = columns_;
  if (entry > 0 && entry <= static_cast<int>(columns_.size())) searched = {columns_[entry - 1]};
  const bool up = up_->Checked();
  // An edit in progress is posted first, as any move of the record would.
  ds->CheckBrowseMode();
  const TBookmark start = ds->Bookmark();
  int found = -1;
  {
    // Nothing repaints while the records are walked; without a match the record stays.
    ds->DisableControls();
    TScopeExit enable([ds] { ds->EnableControls(); });
    TScopeExit back([&] {
      if (found < 0) ds->GotoBookmark(start);
    });
    while (found < 0) {
      if (up) ds->Prior();
      else ds->Next();
      if (up ? ds->Bof() : ds->Eof()) break;
      for (int i : searched)
        if (Matches(i, wanted)) {
          found = i;
          break;
        }
    }
  }
  if (found < 0) {
    MessageDlg("\"" + wanted + "\" was not found.", mtInformation, {mbOK});
    return false;
  }
  grid_->SetSelectedIndex(found);
  return true;
}

TDBGridXFindDlg* DBGridXFindDlg() { return Instance(); }

void ShowDBGridXFindDlg(TCustomDBGridX* Grid, const std::string& Text, const std::string& FieldName,
                        const std::vector<std::string>& Values, bool Modal) {
  TDBGridXFindDlg* dialog = Instance() ? Instance() : new TDBGridXFindDlg(Application);
  dialog->Prepare(Grid, Text, FieldName, Values);
  if (Modal) {
    // A dialog shown beside a grid before is shown again, modally.
    dialog->Hide();
    dialog->SetFormStyle(fsNormal);
    dialog->ShowModal();
  } else {
    dialog->SetFormStyle(fsStayOnTop);
    dialog->Show();
    dialog->SetFocus();
  }
}

}  // namespace lab
