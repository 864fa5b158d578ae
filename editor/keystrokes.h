#pragma once
// The editor's key map: TCodeEditKeyStroke maps one key (or a sequence of two keys) with its shift
// state to a command; TCodeEditKeyStrokes is the editor's collection of them, loaded with the
// default table when the editor is made. Keys are virtual-key codes; shortcuts keep the framework's
// encoding (key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt).

#include <string>

#include "editor/key_commands.h"
#include "platform/classes/collection.h"
#include "platform/classes/properties.h"
#include "platform/controls/control_types.h"

namespace lab {

class TCodeEditKeyStrokes;

class TCodeEditKeyStroke : public TCollectionItem {
  LAB_CLASS(TCodeEditKeyStroke, TCollectionItem)
  LAB_PROPERTIES(TCodeEditKeyStroke, TCollectionItem)
 public:
  explicit TCodeEditKeyStroke(TCollection* Collection);

  // Copies command, keys and shift states of another keystroke.
  void Assign(TPersistent* Source) override;

  TCodeEditorCommand Command() const { return command_; }
  void SetCommand(TCodeEditorCommand Value) { command_ = Value; }
  win::WORD Key() const { return key_; }
  void SetKey(win::WORD Value) { key_ = Value; }
  TShiftState Shift() const { return shift_; }
  void SetShift(TShiftState Value) { shift_ = Value; }
  // The second key of a sequence; 0 for none.
  win::WORD Key2() const { return key2_; }
  void SetKey2(win::WORD Value) { key2_ = Value; }
  TShiftState Shift2() const { return shift2_; }
  void SetShift2(TShiftState Value) { shift2_ = Value; }

  // Key and Shift as one shortcut. A non-zero value that another keystroke of the collection already
  // has together with this one's second shortcut raises ECodeKeyError "Shortcut already exists".
  TShortCut ShortCut() const;
  void SetShortCut(TShortCut Value);
  // Key2 and Shift2 likewise.
  TShortCut ShortCut2() const;
  void SetShortCut2(TShortCut Value);

 protected:
  // "<command> - <shortcut>[ <second shortcut>]".
  std::string GetDisplayName() override;

 private:
  void CheckDuplicate(TShortCut First, TShortCut Second);

  win::WORD key_ = 0;
  TShiftState shift_;
  win::WORD key2_ = 0;
  TShiftState shift2_;
  TCodeEditorCommand command_ = ecNone;
};

class TCodeEditKeyStrokes : public TOwnedCollection {
  LAB_CLASS(TCodeEditKeyStrokes, TOwnedCollection)
 public:
  explicit TCodeEditKeyStrokes(TPersistent* AOwner = nullptr);

  TCodeEditKeyStroke* Add();
  // A keystroke of one key.
  TCodeEditKeyStroke* AddKey(TCodeEditorCommand ACmd, win::WORD AKey, TShiftState AShift);
  TCodeEditKeyStroke* Items(int Index) const;
  // Clears, then adds a copy of each keystroke of another keystroke collection.
  void Assign(TPersistent* Source) override;

  // The first one-key keystroke of that key and shift; -1 when none.
  int FindKeycode(win::WORD Code, TShiftState SS) const;
  // The first keystroke of that two-key sequence; -1 when none.
  int FindKeycode2(win::WORD Code1, TShiftState SS1, win::WORD Code2, TShiftState SS2) const;
  // The first keystroke with both shortcuts; -1 when none.
  int FindShortcut2(TShortCut SC, TShortCut SC2) const;
  // Clears, then adds the default table.
  void ResetDefaults();
};

// The first key of a two-key sequence in progress.
struct TCodePendingKey {
  win::WORD Key = 0;
  TShiftState Shift;
};

// The command for a key pressed with Shift: a two-key keystroke that starts with the pending key,
// else a one-key keystroke, else ecNone. Without a command, a key code from 30 to 145 becomes the
// pending first key; otherwise the pending key is cleared.
TCodeEditorCommand TranslateKeyCode(const TCodeEditKeyStrokes& Keystrokes, win::WORD Code, TShiftState Shift,
                                    TCodePendingKey& Pending);

}  // namespace lab
