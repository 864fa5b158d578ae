#include "device_monitor.h"

#include "device_traffic.h"
#include "traffic_highlighter.h"

namespace showcase {

using namespace lab;

TCodeEdit* TDeviceMonitor::MakeView(const char* Name) {
  auto* view = new TCodeEdit(this);
  view->SetName(Name);
  view->SetParent(this);
  view->Font()->SetHeight(-12);
  view->SetReadOnly(true);
  view->SetRightEdge(8888);  // beyond any line: no margin line
  // A frame of a whole trace (400 radii) runs past 1,024 columns: End and the scroll bar reach its end.
  view->SetOptions(view->Options() + eoAutoSizeMaxScrollWidth);
  view->SetPopupMenu(view_menu_);
  view->SetHighlighter(highlighter_);
  return view;
}

void TDeviceMonitor::AddMenuItem(const char* Caption, TNotifyEvent OnClick) {
  auto* item = new TMenuItem(view_menu_);
  item->SetCaption(Caption);
  item->OnClick = std::move(OnClick);
  view_menu_->Items()->Add(item);
}

TCodeEdit* TDeviceMonitor::MenuView() const {
  return view_menu_->PopupComponent() == sent_ ? sent_ : received_;
}

TDeviceMonitor::TDeviceMonitor(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Device monitor");
  SetBounds(80, 80, 1100, 700);

  // The notes below, the received traffic on the left, what was sent on the right.
  notes_ = new TCodeEdit(this);
  notes_->SetName("NotesEdit");
  notes_->SetParent(this);
  notes_->SetAlign(alBottom);
  notes_->SetHeight(190);
  notes_->Font()->SetHeight(-13);
  notes_->Gutter()->SetShowLineNumbers(true);
  notes_->Gutter()->SetAutoSize(true);
  notes_->SetRightEdge(64);
  notes_->SetActiveLineColor(static_cast<TColor>(0xE8F8FF));
  // The operator indents with tabs: Tab stays in the notes instead of moving the focus, indents
  // selected lines, and types a tab character.
  notes_->SetWantTabs(true);
  // Frames pasted from the views may be longer than 1,024 columns.
  notes_->SetOptions(notes_->Options() +
                     TCodeEditorOptions{eoShowSpecialChars, eoTabIndent, eoDropFiles, eoAutoSizeMaxScrollWidth} -
                     TCodeEditorOptions{eoTabsToSpaces});
  // Files dropped from a file manager are noted by name where they were dropped (undoable).
  notes_->OnDropFiles = [this](TObject*, int X, int Y, TStrings* Files) {
    std::string text;
    for (int i = 0; i < Files->Count(); ++i) text += "File: " + Files->Strings(i) + "\r\n";
    notes_->ComputeCaret(X, Y);
    notes_->SetCaretXY({1, notes_->CaretY()});
    notes_->SetSelText(text);
  };
  notes_->SetText(
      "Monday: Edger2 asked twice for job 24417 before the job was saved.\n"
      "\tThe second request came 3 s after the first: check the time-out.\n"
      "Tracer1 sends format 1 with 400 radii; Edger3 wants format 4.\n"
      "Blocker1 answered STATUS=2 for jobs not yet traced.\n"
      "\n"
      "To do: compare the CRC of the frames from Tracer2 with the log.\n"
      "Call the vendor about the heartbeat interval.");
  notes_->SetBookmark(0, 1, 1);
  notes_->SetBookmark(1, 1, 6);
  notes_->SetCaretXY({6, 3});
  notes_->SetBlockBegin({1, 3});
  notes_->SetBlockEnd({31, 3});

  highlighter_ = new TTrafficHighlighter(this);
  view_menu_ = new TPopupMenu(this);
  AddMenuItem("Copy", [this](TObject*) { MenuView()->CopyToClipboard(); });
  AddMenuItem("Select All", [this](TObject*) { MenuView()->SelectAll(); });
  received_ = MakeView("FromMachMemo");
  received_->SetAlign(alLeft);
  received_->SetWidth(540);
  received_->Gutter()->SetShowLineNumbers(true);
  received_->Gutter()->SetAutoSize(true);
  sent_ = MakeView("ToMachMemo");
  sent_->SetAlign(alClient);
  sent_->Gutter()->SetVisible(false);
  sent_->SetWordWrap(true);

  TStringList received, sent;
  FillDeviceTraffic(&received, &sent, 3000);
  received_->Lines()->Assign(&received);
  sent_->Lines()->Assign(&sent);
  // The operator went to a request in the middle of the day's traffic (the view scrolls to the
  // caret) and picked out the time stamps around it as a column.
  received_->SetCaretXY({1, 1500});
  OnShow = [this](TObject*) { received_->ScrollCaretIntoViewEx(true); };
  received_->SetActiveSelectionMode(smColumn);
  received_->SetBlockBegin({1, 1496});
  received_->SetBlockEnd({13, 1503});
  // And two whole answers sent back.
  sent_->SetActiveSelectionMode(smLine);
  sent_->SetBlockBegin({1, 4});
  sent_->SetBlockEnd({1, 5});
}

}  // namespace showcase
