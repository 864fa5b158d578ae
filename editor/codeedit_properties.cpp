// The editor's published properties as forms store them, and its keystrokes streamed as the
// differences from the default table.

#include <memory>

#include "editor/codeedit.h"
#include "platform/classes/filer.h"

namespace lab {

void TCustomCodeEdit::DeclareProperties(TPropertyDeclarer<TCustomCodeEdit>&) {}

void TCodeEdit::DeclareProperties(TPropertyDeclarer<TCodeEdit>& P) {
  using E = TCodeEdit;
  P.Property("Color", &E::Color, &E::SetColor)
      .Idents("TColor")
      .Stored([](E& e) { return !e.ParentColor(); })
      .Default(clWindow);
  P.Property("ActiveLineColor", &E::ActiveLineColor, &E::SetActiveLineColor).Idents("TColor").Default(clNone);
  P.Property("Cursor", &E::Cursor, &E::SetCursor).Idents("TCursor").Default(crIBeam);
  P.Property("Font", &E::Font, &E::SetFont).Stored([](E& e) { return !e.ParentFont(); });
  P.Property("BookMarkOptions", &E::BookMarkOptions, &E::SetBookMarkOptions);
  P.Property("BorderStyle", &E::BorderStyle, &E::SetBorderStyle).Default(bsSingle);
  P.Property("ExtraLineSpacing", &E::ExtraLineSpacing, &E::SetExtraLineSpacing).Default(0);
  P.Property("Gutter", &E::Gutter, &E::SetGutter);
  P.Property("HideSelection", &E::HideSelection, &E::SetHideSelection).Default(false);
  P.Property("Highlighter", &E::Highlighter, &E::SetHighlighter);
  P.Property("InsertCaret", &E::InsertCaret, &E::SetInsertCaret).Default(ctVerticalLine);
  P.Property("InsertMode", &E::InsertMode, &E::SetInsertMode).Default(true);
  // Streamed as AddedKeystrokes and RemovedKeystrokes (DefineProperties).
  P.Property("Keystrokes", &E::Keystrokes, &E::SetKeystrokes).Stored(false);
  P.Property("Lines", &E::Lines, &E::SetLines);
  P.Property("MaxScrollWidth", &E::MaxScrollWidth, &E::SetMaxScrollWidth).Default(1024);
  P.Property("MaxUndo", &E::MaxUndo, &E::SetMaxUndo).Default(1024);
  P.Property("Options", &E::Options, &E::SetOptions).Default(kCodeEditDefaultOptions);
  P.Property("OverwriteCaret", &E::OverwriteCaret, &E::SetOverwriteCaret).Default(ctBlock);
  P.Property("ParentColor", &E::ParentColor, &E::SetParentColor).Default(false);
  P.Property("ParentFont", &E::ParentFont, &E::SetParentFont).Default(false);
  P.Property("ReadOnly", &E::ReadOnly, &E::SetReadOnly).Default(false);
  P.Property("RightEdge", &E::RightEdge, &E::SetRightEdge).Default(80);
  P.Property("RightEdgeColor", &E::RightEdgeColor, &E::SetRightEdgeColor).Idents("TColor").Default(clSilver);
  P.Property("ScrollHintColor", &E::ScrollHintColor, &E::SetScrollHintColor).Idents("TColor").Default(clInfoBk);
  P.Property("ScrollHintFormat", &E::ScrollHintFormat, &E::SetScrollHintFormat).Default(shfTopLineOnly);
  P.Property("ScrollBars", &E::ScrollBars, &E::SetScrollBars).Default(ssBoth);
  P.Property("SearchEngine", &E::SearchEngine, &E::SetSearchEngine);
  P.Property("SelectedColor", &E::SelectedColor, &E::SetSelectedColor);
  P.Property("SelectionMode", &E::SelectionMode, &E::SetSelectionMode).Default(smNormal);
  P.Property("TabStop", &E::TabStop, &E::SetTabStop).Default(true);
  P.Property("TabWidth", &E::TabWidth, &E::SetTabWidth).Default(8);
  P.Property("WantReturns", &E::WantReturns, &E::SetWantReturns).Default(true);
  P.Property("WantTabs", &E::WantTabs, &E::SetWantTabs).Default(false);
  P.Property("WordWrap", &E::WordWrap, &E::SetWordWrap).Default(false);
  P.Property("WordWrapGlyph", &E::WordWrapGlyph, &E::SetWordWrapGlyph);
  P.Property("OnChange", &E::OnChange);
  P.Property("OnClearBookmark", &E::OnClearBookmark);
  P.Property("OnCommandProcessed", &E::OnCommandProcessed);
  P.Property("OnContextHelp", &E::OnContextHelp);
  P.Property("OnDropFiles", &E::OnDropFiles);
  P.Property("OnGutterClick", &E::OnGutterClick);
  P.Property("OnGutterGetText", &E::OnGutterGetText);
  P.Property("OnGutterPaint", &E::OnGutterPaint);
  P.Property("OnMouseCursor", &E::OnMouseCursor);
  P.Property("OnPaint", &E::OnPaint);
  P.Property("OnPaintTransient", &E::OnPaintTransient);
  P.Property("OnPlaceBookmark", &E::OnPlaceBookmark);
  P.Property("OnProcessCommand", &E::OnProcessCommand);
  P.Property("OnProcessUserCommand", &E::OnProcessUserCommand);
  P.Property("OnReplaceText", &E::OnReplaceText);
  P.Property("OnScroll", &E::OnScroll);
  P.Property("OnSpecialLineColors", &E::OnSpecialLineColors);
  P.Property("OnStatusChange", &E::OnStatusChange);
}

namespace {

bool SameKeystroke(TCodeEditKeyStroke* A, TCodeEditKeyStroke* B) {
  return A->ShortCut() == B->ShortCut() && A->ShortCut2() == B->ShortCut2() && A->Command() == B->Command();
}

bool Holds(TCodeEditKeyStrokes* Strokes, TCodeEditKeyStroke* Stroke) {
  for (int i = 0; i < Strokes->Count(); ++i)
    if (SameKeystroke(Strokes->Items(i), Stroke)) return true;
  return false;
}

// The keystrokes of From that To lacks, as a collection of their own.
std::unique_ptr<TCodeEditKeyStrokes> Missing(TCodeEditKeyStrokes* From, TCodeEditKeyStrokes* To) {
  auto missing = std::make_unique<TCodeEditKeyStrokes>();
  for (int i = 0; i < From->Count(); ++i)
    if (!Holds(To, From->Items(i))) missing->Add()->Assign(From->Items(i));
  return missing;
}

}  // namespace

void TCustomCodeEdit::DefineProperties(TFiler& Filer) {
  TCustomControl::DefineProperties(Filer);
  // The comparison table: the ancestor's keystrokes when the form inherits, else the default table.
  TCodeEditKeyStrokes defaults;
  TCodeEditKeyStrokes* reference = &defaults;
  if (auto* ancestor = dynamic_cast<TCustomCodeEdit*>(Filer.Ancestor()))
    reference = ancestor->Keystrokes();
  else
    defaults.ResetDefaults();
  const bool differ = !(keystrokes_->Count() == reference->Count() && Missing(keystrokes_.get(), reference)->Count() == 0);
  Filer.DefineProperty(
      "RemovedKeystrokes",
      [this](TReader& Reader) {
        if (Reader.NextValue() != vaCollection) {
          Reader.SkipValue();
          return;
        }
        TCodeEditKeyStrokes removed;
        Reader.ReadCollection(&removed);
        for (int i = 0; i < removed.Count(); ++i)
          for (int j = keystrokes_->Count() - 1; j >= 0; --j)
            if (SameKeystroke(keystrokes_->Items(j), removed.Items(i))) {
              keystrokes_->Delete(j);
              break;
            }
      },
      [this, reference](TWriter& Writer) { Writer.WriteCollection(Missing(reference, keystrokes_.get()).get()); },
      differ);
  Filer.DefineProperty(
      "AddedKeystrokes",
      [this](TReader& Reader) {
        if (Reader.NextValue() != vaCollection) {
          Reader.SkipValue();
          return;
        }
        TCodeEditKeyStrokes added;
        Reader.ReadCollection(&added);
        for (int i = 0; i < added.Count(); ++i) keystrokes_->Add()->Assign(added.Items(i));
      },
      [this, reference](TWriter& Writer) { Writer.WriteCollection(Missing(keystrokes_.get(), reference).get()); },
      differ);
}

}  // namespace lab
