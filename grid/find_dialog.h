#pragma once
// The find dialog. The grid's find key calls the process-wide find-dialog procedure with the grid,
// a text to find, a field name, a list of values to offer and whether the dialog is modal. The
// procedure in place at start, ShowDBGridXFindDlg, makes one TDBGridXFindDlg on first use and keeps
// it for the process; a program may put its own procedure in place instead.
//
// The dialog searches the grid's records for a text in the shown text of one column or of every
// visible column, from the record after the current one down or before it up, matching the whole
// text or its start, without case. A match becomes the current record and column; a text not found
// says so and moves nothing.

#include <functional>
#include <string>
#include <vector>

#include "platform/controls/forms.h"

namespace lab {

class TButton;
class TCheckBox;
class TComboBox;
class TCustomDBGridX;
class TStaticText;

using TDBGridXFindDialogProc = std::function<void(TCustomDBGridX* Grid, const std::string& Text,
                                                  const std::string& FieldName,
                                                  const std::vector<std::string>& Values, bool Modal)>;

// The procedure in place (empty when a program cleared it); setting it answers the previous one.
// Main thread only, as the grids that call it.
const TDBGridXFindDialogProc& DBGridXFindDialogProc();
TDBGridXFindDialogProc SetDBGridXFindDialogProc(TDBGridXFindDialogProc Proc);

class TDBGridXFindDlg : public TForm {
  LAB_CLASS(TDBGridXFindDlg, TForm)
 public:
  explicit TDBGridXFindDlg(TComponent* AOwner);
  ~TDBGridXFindDlg() override;

  // Sets the dialog to search Grid: its visible columns to choose from (FieldName's first, else
  // every column), Text to find, Values offered in the text's list.
  void Prepare(TCustomDBGridX* Grid, const std::string& Text, const std::string& FieldName,
               const std::vector<std::string>& Values);
  TCustomDBGridX* Grid() const noexcept { return grid_; }
  // Finds the next match as the controls say; a text not found is told in a message box.
  bool FindNext();

  TComboBox* TextBox() const noexcept { return text_; }
  TComboBox* ColumnBox() const noexcept { return column_; }
  TComboBox* MatchBox() const noexcept { return match_; }
  TCheckBox* UpBox() const noexcept { return up_; }
  TButton* FindButton() const noexcept { return find_; }
  TButton* CloseButton() const noexcept { return close_; }

 protected:
  void DoShow() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Whether the current record's shown text in data column Index matches Wanted.
  bool Matches(int Index, const std::string& Wanted);

  TCustomDBGridX* grid_ = nullptr;
  // The data column of each entry of the column box after the first ("all columns").
  std::vector<int> columns_;
  TComboBox* text_ = nullptr;
  TComboBox* column_ = nullptr;
  TComboBox* match_ = nullptr;
  TCheckBox* up_ = nullptr;
  TButton* find_ = nullptr;
  TButton* close_ = nullptr;
};

// The process's dialog, made on first use (nullptr before, and after it was freed).
TDBGridXFindDlg* DBGridXFindDlg();
// The procedure in place at start: prepares the process's dialog for Grid and shows it, modally in
// the normal form style, or non-modally staying on top.
void ShowDBGridXFindDlg(TCustomDBGridX* Grid, const std::string& Text, const std::string& FieldName,
                        const std::vector<std::string>& Values, bool Modal);

}  // namespace lab
