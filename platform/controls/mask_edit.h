#pragma once
// TCustomMaskEdit: an edit that takes its text through an edit mask (edit_mask.h). Typing
// overwrites the next position that takes the character and refuses what fits nowhere; deleting
// leaves blanks. Text is the masked value (literals only when the mask saves them); EditText is what
// the edit shows. Leaving a modified edit whose text breaks its mask raises EDBEditError and keeps
// the text; Escape gives the value it had when the edit was entered back.

#include <string>

#include "platform/controls/edit.h"

namespace lab {

class TCustomMaskEdit : public TCustomEdit {
  LAB_CLASS(TCustomMaskEdit, TCustomEdit)
 public:
  explicit TCustomMaskEdit(TComponent* AOwner);

  const std::string& EditMask() const noexcept { return edit_mask_; }
  // The text already there is shown through the new mask.
  void SetEditMask(const std::string& Value);
  bool IsMasked() const noexcept { return Line().IsMasked(); }

  // The value: without a mask the text itself.
  std::string Text();
  void SetText(const std::string& Value);
  // What the edit shows: literals and blanks included.
  std::string EditText();
  void SetEditText(const std::string& Value);

  // Raises EDBEditError (with the caret at the first wrong position) when the text breaks the mask.
  virtual void ValidateEdit();
  // Gives back the value the edit had when it was entered (or last set), when it was modified.
  void Reset();

  void Dispatch(TMessage& Message) override;

 protected:
  void EditKey(win::WORD Key, TShiftState Shift) override;

 private:
  std::string edit_mask_;
  std::u32string old_value_;  // the edit text to go back to
  bool re_enter_ = false;     // the focus comes back after a refused exit
};

class TMaskEdit : public TCustomMaskEdit {
  LAB_CLASS(TMaskEdit, TCustomMaskEdit)
 public:
  using TCustomMaskEdit::TCustomMaskEdit;
};

}  // namespace lab
