#include "platform/controls/dialog_items.h"

#include "platform/controls/button.h"
#include "platform/controls/check_box.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/list_view.h"
#include "platform/controls/memo.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/progress_bar.h"
#include "platform/controls/rich_view.h"
#include "platform/controls/static_image.h"
#include "platform/controls/static_text.h"
#include "platform/controls/tab_control.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/strutils.h"

namespace lab {

using namespace win;

namespace {

TScrollStyle ScrollStyleOf(DWORD Style) {
  const bool v = Style & WS_VSCROLL, h = Style & WS_HSCROLL;
  return v && h ? ssBoth : v ? ssVertical : h ? ssHorizontal : ssNone;
}

TWinControl* MakeButton(TWinControl* Parent, const TDialogItemTemplate& Item) {
  const DWORD type = Item.Style & BS_TYPEMASK;
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
    auto* b = new TButton(Parent);
    b->SetDefault(type == BS_DEFPUSHBUTTON);
    b->SetFlat(Item.Style & BS_FLAT);
    return b;
  }
  if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_3STATE && type != BS_AUTO3STATE)
    throw EDialogTemplateError("Control %d: no such kind of button", Item.ID);
  auto* box = new TCheckBox(Parent);
  box->SetAllowGrayed(type == BS_3STATE || type == BS_AUTO3STATE);
  box->SetWordWrap(Item.Style & BS_MULTILINE);
  if ((Item.Style & BS_LEFTTEXT) || (Item.ExStyle & WS_EX_RIGHT)) box->SetAlignment(taLeftJustify);
  return box;
}

TWinControl* MakeStatic(TWinControl* Parent, const TDialogItemTemplate& Item) {
  const DWORD type = Item.Style & SS_TYPEMASK;
  if (type == SS_BITMAP) {
    auto* image = new TStaticImage(Parent);
    image->SetCenter(Item.Style & SS_CENTERIMAGE);
    return image;
  }
  auto* text = new TStaticText(Parent);
  switch (type) {
    case SS_CENTER: text->SetAlignment(taCenter); break;
    case SS_RIGHT: text->SetAlignment(taRightJustify); break;
    case SS_LEFTNOWORDWRAP: text->SetWordWrap(false); break;
    case SS_ETCHEDHORZ: text->SetFrame(sfEtchedHorz); break;
    case SS_ETCHEDVERT: text->SetFrame(sfEtchedVert); break;
    case SS_ETCHEDFRAME: text->SetFrame(sfEtchedFrame); break;
    default: break;
  }
  text->SetShowAccelChar(!(Item.Style & SS_NOPREFIX));
  return text;
}

TWinControl* MakeEdit(TWinControl* Parent, const TDialogItemTemplate& Item) {
  if (!(Item.Style & ES_MULTILINE)) {
    auto* edit = new TEdit(Parent);
    edit->SetReadOnly(Item.Style & ES_READONLY);
    return edit;
  }
  auto* memo = new TMemo(Parent);
  memo->SetReadOnly(Item.Style & ES_READONLY);
  memo->SetWantReturns(Item.Style & ES_WANTRETURN);
  memo->SetWordWrap(!(Item.Style & (WS_HSCROLL | ES_AUTOHSCROLL)));
  memo->SetScrollBars(ScrollStyleOf(Item.Style));
  return memo;
}

}  // namespace

TWinControl* CreateDialogItem(TWinControl* Parent, const TDialogItemTemplate& Item, const TRect& Bounds) {
  const std::string cls = UpperCase(Item.ClassName);
  TWinControl* control = nullptr;
  if (cls == "BUTTON") {
    control = MakeButton(Parent, Item);
  } else if (cls == "STATIC") {
    control = MakeStatic(Parent, Item);
  } else if (cls == "EDIT") {
    control = MakeEdit(Parent, Item);
  } else if (cls == "RICHEDIT") {
    control = new TRichView(Parent);
  } else if (cls == "SYSTABCONTROL32") {
    control = new TTabControl(Parent);
  } else if (cls == "MSCTLS_PROGRESS32") {
    auto* bar = new TProgressBar(Parent);
    bar->SetSmooth(Item.Style & PBS_SMOOTH);
    control = bar;
  } else if (cls == "SYSLISTVIEW32") {
    auto* list = new TListView(Parent);
    list->SetOwnerDraw(Item.Style & LVS_OWNERDRAWFIXED);
    control = list;
  } else {
    throw EDialogTemplateError("Control %d: no such window class: %s", Item.ID, Item.ClassName.c_str());
  }
  control->SetBorderStyle((Item.Style & WS_BORDER) || (Item.ExStyle & WS_EX_CLIENTEDGE) ? bsSingle : bsNone);
  control->SetTabStop(Item.Style & WS_TABSTOP);
  control->SetEnabled(!(Item.Style & WS_DISABLED));
  control->SetBoundsRect(Bounds);
  control->SetParent(Parent);
  if (!Item.Text.empty()) control->SetText(Item.Text);
  const HWND h = control->Handle();
  wm::SetWindowLongPtr(h, GWLP_ID, Item.ID);
  if (Item.ExStyle & WS_EX_STATICEDGE) {
    wm::SetWindowLongPtr(h, GWL_EXSTYLE, wm::GetWindowLongPtr(h, GWL_EXSTYLE) | WS_EX_STATICEDGE);
    wm::FrameChanged(h);
  }
  return control;
}

}  // namespace lab
