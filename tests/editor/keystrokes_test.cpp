#include "editor/keystrokes.h"

#include <gtest/gtest.h>

#include "editor/edit_exceptions.h"
#include "platform/classes/type_info.h"

namespace lab {
namespace {

constexpr win::WORD kInsert = 0x2D, kDelete = 0x2E, kLeft = 0x25, kF5 = 0x74;

TCodeEditorCommand Lookup(const TCodeEditKeyStrokes& keys, win::WORD key, TShiftState shift) {
  const int i = keys.FindKeycode(key, shift);
  return i < 0 ? ecNone : keys.Items(i)->Command();
}

TEST(CodeEditKeyStrokes, TheDefaultTable) {
  TCodeEditKeyStrokes keys;
  keys.ResetDefaults();
  ASSERT_EQ(keys.Count(), 82);
  EXPECT_EQ(keys.Items(0)->Command(), ecUp);
  EXPECT_EQ(keys.Items(81)->Command(), ecMatchBracket);
  EXPECT_EQ(Lookup(keys, 'C', {ssCtrl}), ecCopy);
  EXPECT_EQ(Lookup(keys, kInsert, {ssCtrl}), ecCopy);
  EXPECT_EQ(Lookup(keys, kDelete, {ssShift}), ecCut);
  EXPECT_EQ(Lookup(keys, 'X', {ssCtrl}), ecCut);
  EXPECT_EQ(Lookup(keys, 'A', {ssCtrl}), ecSelectAll);
  EXPECT_EQ(Lookup(keys, kLeft, {ssShift, ssCtrl}), ecSelWordLeft);
  EXPECT_EQ(Lookup(keys, '7', {ssShift, ssCtrl}), ecSetMarker7);
  EXPECT_EQ(Lookup(keys, 'Q', {ssCtrl}), ecNone);
  for (int i = 0; i < keys.Count(); ++i) EXPECT_EQ(keys.Items(i)->Key2(), 0) << i;
  // Assign makes copies; ResetDefaults starts afresh.
  TCodeEditKeyStrokes copy;
  copy.AddKey(ecUndo, kF5, {});
  copy.Assign(&keys);
  EXPECT_EQ(copy.Count(), 82);
  EXPECT_NE(copy.Items(5), keys.Items(5));
  EXPECT_EQ(copy.Items(5)->ShortCut(), keys.Items(5)->ShortCut());
}

TEST(CodeEditKeyStroke, ShortcutsAndTheirDuplicates) {
  TCodeEditKeyStrokes keys;
  TCodeEditKeyStroke* first = keys.AddKey(ecCopy, 'C', {ssCtrl});
  EXPECT_EQ(first->ShortCut(), scCtrl | 'C');
  TCodeEditKeyStroke* second = keys.Add();
  second->SetCommand(ecPaste);
  try {
    second->SetShortCut(scCtrl | 'C');
    FAIL();
  } catch (const ECodeKeyError& e) {
    EXPECT_EQ(e.Message(), "Shortcut already exists");
  }
  EXPECT_EQ(second->ShortCut(), 0);  // unchanged
  // The same first key with a second key is another keystroke.
  second->SetShortCut2(scCtrl | 'V');
  second->SetShortCut(scCtrl | 'C');
  EXPECT_EQ(second->Key(), 'C');
  EXPECT_EQ(second->Shift(), TShiftState{ssCtrl});
  EXPECT_EQ(second->Key2(), 'V');
  EXPECT_THROW(first->SetShortCut2(scCtrl | 'V'), ECodeKeyError);
  EXPECT_EQ(keys.FindShortcut2(scCtrl | 'C', scCtrl | 'V'), 1);
  EXPECT_EQ(keys.FindKeycode2('C', {ssCtrl}, 'V', {ssCtrl}), 1);
  EXPECT_EQ(keys.FindKeycode('C', {ssCtrl}), 0);  // one-key lookups skip sequences
  // Setting a keystroke's own shortcut again is no duplicate; 0 never is.
  first->SetShortCut(scCtrl | 'C');
  first->SetShortCut(0);
  keys.Add()->SetShortCut(0);
  EXPECT_EQ(first->Key(), 0);
}

TEST(CodeEditKeyStroke, DisplayNameAndCommandNames) {
  TCodeEditKeyStrokes keys;
  TCodeEditKeyStroke* stroke = keys.AddKey(ecCopy, 'C', {ssCtrl});
  EXPECT_EQ(stroke->DisplayName(), "ecCopy - " + ShortCutToText(scCtrl | 'C') + " ");
  stroke->SetShortCut2(scShift | 'K');
  EXPECT_EQ(stroke->DisplayName(), "ecCopy - " + ShortCutToText(scCtrl | 'C') + " " + ShortCutToText(scShift | 'K'));
  stroke->SetCommand(1500);
  stroke->SetShortCut(0);
  stroke->SetShortCut2(0);
  EXPECT_EQ(stroke->DisplayName(), "1500 - ");
  // Command properties read and write names once a keystroke exists.
  std::string ident;
  ASSERT_TRUE(IntConstToIdent("TCodeEditorCommand", ecSelectAll, ident));
  EXPECT_EQ(ident, "ecSelectAll");
  std::int64_t value = 0;
  ASSERT_TRUE(IdentToIntConst("TCodeEditorCommand", "ecRedo", value));
  EXPECT_EQ(value, ecRedo);
}

TEST(TranslateKeyCode, OneAndTwoKeySequences) {
  TCodeEditKeyStrokes keys;
  keys.ResetDefaults();
  TCodeEditKeyStroke* sequence = keys.Add();
  sequence->SetCommand(ecCommentBlock);
  sequence->SetShortCut(scCtrl | 'K');
  sequence->SetShortCut2(scCtrl | 'C');
  TCodePendingKey pending;

  EXPECT_EQ(TranslateKeyCode(keys, 'C', {ssCtrl}, pending), ecCopy);
  EXPECT_EQ(pending.Key, 0);
  // Ctrl+K has no keystroke of its own: it waits as the first key of a sequence.
  EXPECT_EQ(TranslateKeyCode(keys, 'K', {ssCtrl}, pending), ecNone);
  EXPECT_EQ(pending.Key, 'K');
  EXPECT_EQ(TranslateKeyCode(keys, 'C', {ssCtrl}, pending), ecCommentBlock);
  EXPECT_EQ(pending.Key, 0);
  // A key that completes no sequence clears the pending one and counts on its own.
  TranslateKeyCode(keys, 'K', {ssCtrl}, pending);
  EXPECT_EQ(TranslateKeyCode(keys, 'A', {ssCtrl}, pending), ecSelectAll);
  EXPECT_EQ(pending.Key, 0);
  TranslateKeyCode(keys, 'K', {ssCtrl}, pending);
  EXPECT_EQ(TranslateKeyCode(keys, 'Q', {ssCtrl}, pending), ecNone);
  EXPECT_EQ(pending.Key, 'Q');  // itself pending now
  // Keys outside 30 .. 145 never wait.
  EXPECT_EQ(TranslateKeyCode(keys, 0x10, {ssShift}, pending), ecNone);
  EXPECT_EQ(pending.Key, 0);
  EXPECT_EQ(TranslateKeyCode(keys, 146, {}, pending), ecNone);
  EXPECT_EQ(pending.Key, 0);
  EXPECT_EQ(TranslateKeyCode(keys, 145, {}, pending), ecNone);
  EXPECT_EQ(pending.Key, 145);
}

}  // namespace
}  // namespace lab
