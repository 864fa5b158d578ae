#include "editor/keystrokes.h"

#include <iterator>

#include "editor/edit_exceptions.h"
#include "platform/classes/type_info.h"
#include "platform/classes/unit_init.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

// Command properties are written and read as command names.
void StartKeyCommands() {
  RegisterIntegerConsts(
      "TCodeEditorCommand",
      [](std::string_view Ident, std::int64_t& Value) {
        int command;
        if (!IdentToEditorCommand(Ident, command)) return false;
        Value = command;
        return true;
      },
      [](std::int64_t Value, std::string& Ident) { return EditorCommandToIdent(static_cast<int>(Value), Ident); });
}

constinit const TUnit KeyCommandsUnit{"CodeEditKeyCmds", &StartKeyCommands};

// Virtual keys of the default table.
constexpr win::WORD kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kPrior = 0x21, kNext = 0x22, kEnd = 0x23,
                    kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28, kInsert = 0x2D,
                    kDelete = 0x2E, kF1 = 0x70;

struct TDefaultKey {
  TCodeEditorCommand Command;
  win::WORD Key;
  TShiftState Shift;
};

const TShiftState S{ssShift}, C{ssCtrl}, A{ssAlt}, SC{ssShift, ssCtrl}, SA{ssShift, ssAlt}, None{};

const TDefaultKey kDefaults[] = {
    {ecUp, kUp, None}, {ecSelUp, kUp, S}, {ecScrollUp, kUp, C},
    {ecDown, kDown, None}, {ecSelDown, kDown, S}, {ecScrollDown, kDown, C},
    {ecLeft, kLeft, None}, {ecSelLeft, kLeft, S}, {ecWordLeft, kLeft, C}, {ecSelWordLeft, kLeft, SC},
    {ecRight, kRight, None}, {ecSelRight, kRight, S}, {ecWordRight, kRight, C}, {ecSelWordRight, kRight, SC},
    {ecPageDown, kNext, None}, {ecSelPageDown, kNext, S}, {ecPageBottom, kNext, C}, {ecSelPageBottom, kNext, SC},
    {ecPageUp, kPrior, None}, {ecSelPageUp, kPrior, S}, {ecPageTop, kPrior, C}, {ecSelPageTop, kPrior, SC},
    {ecLineStart, kHome, None}, {ecSelLineStart, kHome, S}, {ecEditorTop, kHome, C}, {ecSelEditorTop, kHome, SC},
    {ecLineEnd, kEnd, None}, {ecSelLineEnd, kEnd, S}, {ecEditorBottom, kEnd, C}, {ecSelEditorBottom, kEnd, SC},
    {ecToggleMode, kInsert, None}, {ecCopy, kInsert, C}, {ecCut, kDelete, S}, {ecPaste, kInsert, S},
    {ecDeleteChar, kDelete, None},
    {ecDeleteLastChar, kBack, None}, {ecDeleteLastChar, kBack, S}, {ecDeleteLastWord, kBack, C},
    {ecUndo, kBack, A}, {ecRedo, kBack, SA},
    {ecLineBreak, kReturn, None}, {ecLineBreak, kReturn, S},
    {ecTab, kTab, None}, {ecShiftTab, kTab, S},
    {ecContextHelp, kF1, None},
    {ecSelectAll, 'A', C}, {ecCopy, 'C', C}, {ecPaste, 'V', C}, {ecCut, 'X', C},
    {ecBlockIndent, 'I', SC}, {ecBlockUnindent, 'U', SC},
    {ecLineBreak, 'M', C}, {ecInsertLine, 'N', C}, {ecDeleteWord, 'T', C},
    {ecDeleteLine, 'Y', C}, {ecDeleteEOL, 'Y', SC},
    {ecUndo, 'Z', C}, {ecRedo, 'Z', SC},
    {ecGotoMarker0, '0', C}, {ecGotoMarker1, '1', C}, {ecGotoMarker2, '2', C}, {ecGotoMarker3, '3', C},
    {ecGotoMarker4, '4', C}, {ecGotoMarker5, '5', C}, {ecGotoMarker6, '6', C}, {ecGotoMarker7, '7', C},
    {ecGotoMarker8, '8', C}, {ecGotoMarker9, '9', C},
    {ecSetMarker0, '0', SC}, {ecSetMarker1, '1', SC}, {ecSetMarker2, '2', SC}, {ecSetMarker3, '3', SC},
    {ecSetMarker4, '4', SC}, {ecSetMarker5, '5', SC}, {ecSetMarker6, '6', SC}, {ecSetMarker7, '7', SC},
    {ecSetMarker8, '8', SC}, {ecSetMarker9, '9', SC},
    {ecNormalSelect, 'N', SC}, {ecColumnSelect, 'C', SC}, {ecLineSelect, 'L', SC}, {ecMatchBracket, 'B', SC},
};
static_assert(std::size(kDefaults) == 82);

}  // namespace

// ---- Keystroke ----

void TCodeEditKeyStroke::DeclareProperties(TPropertyDeclarer<TCodeEditKeyStroke>& P) {
  P.Property("Command", &TCodeEditKeyStroke::Command, &TCodeEditKeyStroke::SetCommand).Idents("TCodeEditorCommand");
  P.Property("ShortCut", &TCodeEditKeyStroke::ShortCut, &TCodeEditKeyStroke::SetShortCut).Default(0);
  P.Property("ShortCut2", &TCodeEditKeyStroke::ShortCut2, &TCodeEditKeyStroke::SetShortCut2).Default(0);
}

TCodeEditKeyStroke::TCodeEditKeyStroke(TCollection* Collection) : TCollectionItem(Collection) {
  UseUnit(KeyCommandsUnit);
}

void TCodeEditKeyStroke::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TCodeEditKeyStroke*>(Source)) {
    command_ = source->command_;
    key_ = source->key_;
    key2_ = source->key2_;
    shift_ = source->shift_;
    shift2_ = source->shift2_;
    return;
  }
  TCollectionItem::Assign(Source);
}

TShortCut TCodeEditKeyStroke::ShortCut() const { return lab::ShortCut(key_, shift_); }

TShortCut TCodeEditKeyStroke::ShortCut2() const { return lab::ShortCut(key2_, shift2_); }

void TCodeEditKeyStroke::CheckDuplicate(TShortCut First, TShortCut Second) {
  auto* strokes = dynamic_cast<TCodeEditKeyStrokes*>(Collection());
  if (!strokes) return;
  const int found = strokes->FindShortcut2(First, Second);
  if (found >= 0 && found != Index()) throw ECodeKeyError("Shortcut already exists");
}

void TCodeEditKeyStroke::SetShortCut(TShortCut Value) {
  if (Value != 0) CheckDuplicate(Value, ShortCut2());
  win::WORD key;
  TShiftState shift;
  ShortCutToKey(Value, key, shift);
  if (key != key_) key_ = key;
  if (shift != shift_) shift_ = shift;
}

void TCodeEditKeyStroke::SetShortCut2(TShortCut Value) {
  if (Value != 0) CheckDuplicate(ShortCut(), Value);
  win::WORD key;
  TShiftState shift;
  ShortCutToKey(Value, key, shift);
  if (key != key2_) key2_ = key;
  if (shift != shift2_) shift2_ = shift;
}

std::string TCodeEditKeyStroke::GetDisplayName() {
  std::string name = EditorCommandToCodeString(command_);
  name += " - ";
  name += ShortCutToText(ShortCut());
  if (ShortCut() != 0) {
    name += ' ';
    name += ShortCutToText(ShortCut2());
  }
  if (name.empty()) name = TCollectionItem::GetDisplayName();
  return name;
}

// ---- Keystroke collection ----

TCodeEditKeyStrokes::TCodeEditKeyStrokes(TPersistent* AOwner)
    : TOwnedCollection(AOwner, MetaClass<TCodeEditKeyStroke>()) {}

TCodeEditKeyStroke* TCodeEditKeyStrokes::Add() { return static_cast<TCodeEditKeyStroke*>(TCollection::Add()); }

TCodeEditKeyStroke* TCodeEditKeyStrokes::AddKey(TCodeEditorCommand ACmd, win::WORD AKey, TShiftState AShift) {
  TCodeEditKeyStroke* stroke = Add();
  stroke->SetKey(AKey);
  stroke->SetShift(AShift);
  stroke->SetCommand(ACmd);
  return stroke;
}

TCodeEditKeyStroke* TCodeEditKeyStrokes::Items(int Index) const {
  return static_cast<TCodeEditKeyStroke*>(TCollection::Items(Index));
}

void TCodeEditKeyStrokes::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCodeEditKeyStrokes*>(Source);
  if (!source) {
    TCollection::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  Clear();
  for (int i = 0; i < source->Count(); ++i) Add()->Assign(source->Items(i));
}

int TCodeEditKeyStrokes::FindKeycode(win::WORD Code, TShiftState SS) const {
  for (int i = 0; i < Count(); ++i) {
    const TCodeEditKeyStroke* stroke = Items(i);
    if (stroke->Key() == Code && stroke->Shift() == SS && stroke->Key2() == 0) return i;
  }
  return -1;
}

int TCodeEditKeyStrokes::FindKeycode2(win::WORD Code1, TShiftState SS1, win::WORD Code2, TShiftState SS2) const {
  for (int i = 0; i < Count(); ++i) {
    const TCodeEditKeyStroke* stroke = Items(i);
    if (stroke->Key() == Code1 && stroke->Shift() == SS1 && stroke->Key2() == Code2 && stroke->Shift2() == SS2)
      return i;
  }
  return -1;
}

int TCodeEditKeyStrokes::FindShortcut2(TShortCut SC, TShortCut SC2) const {
  for (int i = 0; i < Count(); ++i) {
    const TCodeEditKeyStroke* stroke = Items(i);
    if (stroke->ShortCut() == SC && stroke->ShortCut2() == SC2) return i;
  }
  return -1;
}

void TCodeEditKeyStrokes::ResetDefaults() {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  Clear();
  for (const TDefaultKey& entry : kDefaults) AddKey(entry.Command, entry.Key, entry.Shift);
}

// ---- Translation ----

TCodeEditorCommand TranslateKeyCode(const TCodeEditKeyStrokes& Keystrokes, win::WORD Code, TShiftState Shift,
                                    TCodePendingKey& Pending) {
  int found = Keystrokes.FindKeycode2(Pending.Key, Pending.Shift, Code, Shift);
  if (found < 0) found = Keystrokes.FindKeycode(Code, Shift);
  const TCodeEditorCommand command = found >= 0 ? Keystrokes.Items(found)->Command() : ecNone;
  if (command == ecNone && Code >= 30 && Code <= 145) {
    Pending.Key = Code;
    Pending.Shift = Shift;
  } else {
    Pending = TCodePendingKey{};
  }
  return command;
}

}  // namespace lab
