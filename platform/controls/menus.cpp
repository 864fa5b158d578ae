#include "platform/controls/menus.h"

#include <algorithm>

#include "platform/controls/controls_unit.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/input.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/strutils.h"
#include "platform/graphics/draw_text.h"

namespace lab {

using namespace lab::win;

// ---------------------------------------------------------------------------------------------
// TMenuItem

void TMenuItem::DeclareProperties(TPropertyDeclarer<TMenuItem>& P) {
  P.Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  P.Property("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
  P.Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
  P.Property("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Default(0);
  P.Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
  P.Property("OnClick", &TMenuItem::OnClick);
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { UseUnit(ControlsUnit); }

TMenuItem::~TMenuItem() {
  if (parent_) parent_->Remove(this);
  Clear();
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  if (Item->parent_) throw EInvalidOperation("Menu inserted twice");
  if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (%d)", Index);
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", Index);
  items_[static_cast<std::size_t>(Index)]->parent_ = nullptr;
  items_.erase(items_.begin() + Index);
}

void TMenuItem::Remove(TMenuItem* Item) {
  const int i = IndexOf(Item);
  if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(TMenuItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

namespace {
std::string StripAmpersands(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && i + 1 < s.size()) ++i;
    out += s[i];
  }
  return out;
}

// Captions compare without their '&' marks and without case.
bool SameCaption(const std::string& a, const std::string& b) {
  return AnsiCompareText(StripAmpersands(a), StripAmpersands(b)) == 0;
}
}  // namespace

TMenuItem* TMenuItem::Find(const std::string& ACaption) const {
  for (TMenuItem* item : items_)
    if (SameCaption(item->caption_, ACaption)) return item;
  return nullptr;
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

// ---------------------------------------------------------------------------------------------
// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) {}

TMenu::~TMenu() { delete items_; }

namespace {
TMenuItem* FindShortCut(TMenuItem* item, TShortCut sc) {
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem* child = item->Items(i);
    if (!child->Visible()) continue;
    if (child->ShortCut() == sc && child->Count() == 0) return child;
    if (TMenuItem* deeper = FindShortCut(child, sc)) return deeper;
  }
  return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItem(TShortCut ShortCut) {
  if (ShortCut == 0) return nullptr;
  return FindShortCut(items_, ShortCut);
}

bool TMenu::IsShortCut(const TMessage& Message) {
  const WORD key = static_cast<WORD>(Message.WParam);
  const TShortCut sc = lab::ShortCut(key, KeyDataToShiftState(Message.LParam));
  TMenuItem* item = FindItem(sc);
  if (!item || !item->Enabled()) return false;
  item->Click();
  return true;
}

// ---------------------------------------------------------------------------------------------
// The pop-up window

namespace {

class TMenuWindow : public TCustomControl {
 public:
  TMenuWindow(TMenuItem* items, TPoint at) : TCustomControl(nullptr), items_(items) {
    SetVisible(false);
    SetColor(clMenu);
    Canvas()->Font()->Assign(Screen->MenuFont());
    line_height_ = Canvas()->TextHeight("Wg") + 6;
    int width = 80, height = 0;
    for (TMenuItem* item : Shown()) {
      if (item->IsLine()) {
        height += kSeparator;
        continue;
      }
      int w = kMargin + Canvas()->TextWidth(StripAmpersands(item->Caption())) + kMargin;
      if (item->ShortCut()) w += kGap + Canvas()->TextWidth(ShortCutToText(item->ShortCut()));
      width = std::max(width, w);
      height += line_height_;
    }
    width += 2;
    height += 2;
    // Kept on the screen: flipped left or up when there is no room.
    const int sw = Screen->Width(), sh = Screen->Height();
    int x = at.X, y = at.Y;
    if (x + width > sw) x = std::max(0, x - width);
    if (y + height > sh) y = std::max(0, y - height);
    SetBounds(x, y, width, height);
  }

  // The items that show, in order.
  std::vector<TMenuItem*> Shown() const {
    std::vector<TMenuItem*> out;
    for (int i = 0; i < items_->Count(); ++i)
      if (items_->Items(i)->Visible()) out.push_back(items_->Items(i));
    return out;
  }

  // The item at a client point (nullptr for none or a separator), and the top of its row.
  TMenuItem* ItemAt(int y, int* rowTop = nullptr) const {
    int top = 1;
    for (TMenuItem* item : Shown()) {
      const int h = item->IsLine() ? kSeparator : line_height_;
      if (y >= top && y < top + h) {
        if (rowTop) *rowTop = top;
        return item->IsLine() ? nullptr : item;
      }
      top += h;
    }
    return nullptr;
  }

  void Step(int direction) {
    auto items = Shown();
    if (items.empty()) return;
    const int n = static_cast<int>(items.size());
    int i = static_cast<int>(std::find(items.begin(), items.end(), hot_) - items.begin());
    if (i == n) i = direction > 0 ? -1 : n;
    for (int tries = 0; tries < n; ++tries) {
      i = (i + direction + n) % n;
      if (!items[static_cast<std::size_t>(i)]->IsLine()) break;
    }
    SetHot(items[static_cast<std::size_t>(i)]);
  }

  void SetHot(TMenuItem* item) {
    if (hot_ == item) return;
    hot_ = item;
    Invalidate();
  }
  TMenuItem* Hot() const { return hot_; }
  int RowTop(TMenuItem* item) const {
    int top = 1;
    for (TMenuItem* x : Shown()) {
      if (x == item) return top;
      top += x->IsLine() ? kSeparator : line_height_;
    }
    return top;
  }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WndParent = nullptr;
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_MOUSEACTIVATE) {
      m.Result = MA_NOACTIVATE;
      return;
    }
    TCustomControl::Dispatch(m);
  }
  void Paint() override {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(clMenu);
    c->FillRect(ClientRect());
    int top = 1;
    const int width = ClientWidth();
    for (TMenuItem* item : Shown()) {
      if (item->IsLine()) {
        const int y = top + kSeparator / 2;
        c->Pen()->SetColor(clBtnShadow);
        c->MoveTo(2, y - 1);
        c->LineTo(width - 2, y - 1);
        c->Pen()->SetColor(clBtnHighlight);
        c->MoveTo(2, y);
        c->LineTo(width - 2, y);
        top += kSeparator;
        continue;
      }
      const TRect row = Rect(1, top, width - 1, top + line_height_);
      const bool hot = item == hot_;
      c->Brush()->SetColor(hot ? clHighlight : clMenu);
      c->FillRect(row);
      c->Brush()->SetStyle(bsClear);
      c->Font()->SetColor(!item->Enabled() ? clGrayText : hot ? clHighlightText : clMenuText);
      const int ty = top + 3;
      if (item->Checked()) c->TextOut(6, ty, "\xE2\x9C\x93");  // a check mark
      c->TextOut(kMargin, ty, StripAmpersands(item->Caption()));
      if (item->ShortCut()) {
        const std::string s = ShortCutToText(item->ShortCut());
        c->TextOut(width - kMargin / 2 - c->TextWidth(s), ty, s);
      }
      if (item->Count() > 0) c->TextOut(width - 12, ty, "\xE2\x96\xB8");  // a sub-menu arrow
      c->Brush()->SetStyle(bsSolid);
      top += line_height_;
    }
  }

 private:
  static constexpr int kSeparator = 8, kMargin = 20, kGap = 16;
  TMenuItem* items_;
  TMenuItem* hot_ = nullptr;
  int line_height_ = 18;
};

// Runs a pop-up of `items` at a screen point until a leaf item is chosen (answered) or the menu is
// dismissed (nullptr). Sub-menus open to the right of their item.
TMenuItem* Track(TMenuItem* items, TPoint at) {
  TMenuWindow window(items, at);
  const HWND h = window.Handle();
  wm::SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  wm::SetCapture(h);
  TMenuItem* chosen = nullptr;
  MSG msg;
  for (;;) {
    if (wm::GetCapture() != h) break;  // something took the mouse: the menu goes
    if (!wm::GetMessage(msg, nullptr, 0, 0)) {
      wm::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    const bool mouse = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
    if (mouse) {
      POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      if (msg.hwnd != h) {
        wm::ClientToScreen(msg.hwnd, p);
        wm::ScreenToClient(h, p);
      }
      const bool inside = window.ClientRect().Contains(p);
      TMenuItem* item = inside ? window.ItemAt(p.Y) : nullptr;
      if (msg.message == WM_MOUSEMOVE) {
        if (inside) window.SetHot(item);
        continue;
      }
      const bool down = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
                        msg.message == WM_LBUTTONDBLCLK || msg.message == WM_RBUTTONDBLCLK;
      if (!inside) {
        if (down) break;  // a press outside dismisses
        continue;
      }
      if ((msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) && item && item->Enabled()) {
        if (item->Count() == 0) {
          chosen = item;
          break;
        }
        TMenuItem* leaf = Track(item, window.ClientToScreen(Point(window.Width() - 2, window.RowTop(item))));
        if (leaf) {
          chosen = leaf;
          break;
        }
        wm::SetCapture(h);
      }
      continue;
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      switch (msg.wParam) {
        case VK_ESCAPE: wm::ReleaseCapture(); continue;
        case VK_UP: window.Step(-1); continue;
        case VK_DOWN: window.Step(1); continue;
        case VK_RETURN:
          if (TMenuItem* item = window.Hot(); item && item->Enabled()) {
            if (item->Count() == 0) {
              chosen = item;
              break;
            }
            if (TMenuItem* leaf = Track(item, window.ClientToScreen(Point(window.Width() - 2, window.RowTop(item))))) {
              chosen = leaf;
              break;
            }
            wm::SetCapture(h);
          }
          continue;
        default: continue;
      }
      break;
    }
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) continue;
    wm::TranslateMessage(msg);
    wm::DispatchMessage(msg);
  }
  if (wm::GetCapture() == h) wm::ReleaseCapture();
  return chosen;
}

}  // namespace

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  if (TMenuItem* item = Track(Items(), Point(X, Y))) item->Click();
}

}  // namespace lab
