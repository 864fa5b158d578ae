#pragma once
// TControl: the base of every visual control. It has bounds inside its parent, alignment, visibility,
// enabled state, font and colour (each optionally taken from the parent), cursor, hint, pop-up menu,
// mouse and click events, and drag and drop between controls.
//
// Messages: every message a control receives goes through WindowProc (replaceable, so another object
// can hook a control's messages), which is WndProc by default. WndProc does the framework's own
// routing (mouse capture, dragging, hints) and then Dispatch, which picks the handler for the message
// number; what no handler takes goes to DefaultHandler. A control class handles a message by
// overriding Dispatch (call the base class's Dispatch for messages it does not take, and from a
// handler to run the inherited handling).

#include <memory>
#include <string>

#include "platform/classes/component.h"
#include "platform/controls/control_types.h"
#include "platform/graphics/graphics_objects.h"

namespace lab {

class TSizeConstraints : public TPersistent {
  LAB_CLASS(TSizeConstraints, TPersistent)
  LAB_PROPERTIES(TSizeConstraints, TPersistent)
 public:
  int MinWidth() const noexcept { return min_width_; }
  int MinHeight() const noexcept { return min_height_; }
  int MaxWidth() const noexcept { return max_width_; }
  int MaxHeight() const noexcept { return max_height_; }
  void SetMinWidth(int v) { Set(min_width_, v); }
  void SetMinHeight(int v) { Set(min_height_, v); }
  void SetMaxWidth(int v) { Set(max_width_, v); }
  void SetMaxHeight(int v) { Set(max_height_, v); }
  // Limits a size; 0 means no limit.
  void Apply(int& width, int& height) const;
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

 private:
  void Set(int& field, int v);
  int min_width_ = 0, min_height_ = 0, max_width_ = 0, max_height_ = 0;
};

class TControl : public TComponent {
  LAB_CLASS(TControl, TComponent)
  LAB_PROPERTIES(TControl, TComponent)
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // --- parent and bounds
  TWinControl* Parent() const noexcept { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  int Left() const noexcept { return left_; }
  int Top() const noexcept { return top_; }
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const noexcept { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  // The area children and painting use, in the control's own coordinates.
  virtual TRect GetClientRect();
  TRect ClientRect() { return GetClientRect(); }
  int ClientWidth() { return ClientRect().Width(); }
  int ClientHeight() { return ClientRect().Height(); }
  void SetClientSize(int width, int height);
  TPoint ClientOrigin();
  TPoint ClientToScreen(TPoint p);
  TPoint ScreenToClient(TPoint p);
  TAlign Align() const noexcept { return align_; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const noexcept { return anchors_; }
  void SetAnchors(TAnchors v);
  TSizeConstraints* Constraints() noexcept { return &constraints_; }
  void SetConstraints(TSizeConstraints* v) { constraints_.Assign(v); }

  // --- state
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const noexcept { return enabled_; }
  virtual void SetEnabled(bool v);
  TControlStyle ControlStyle() const noexcept { return control_style_; }
  void SetControlStyle(TControlStyle v) { control_style_ = v; }
  TControlState ControlState() const noexcept { return control_state_; }
  void SetControlState(TControlState v) { control_state_ = v; }
  TScalingFlags ScalingFlags() const noexcept { return scaling_flags_; }
  // Shown on the screen: visible, with a parent chain that shows (a form: visible itself).
  virtual bool IsShowing();

  // --- appearance
  TFont* Font() noexcept { return &font_; }
  void SetFont(TFont* v) { font_.Assign(v); }
  bool ParentFont() const noexcept { return parent_font_; }
  void SetParentFont(bool v);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const noexcept { return parent_color_; }
  void SetParentColor(bool v);
  TCursor Cursor() const noexcept { return cursor_; }
  void SetCursor(TCursor v);
  TCursor DragCursor() const noexcept { return drag_cursor_; }
  void SetDragCursor(TCursor v) { drag_cursor_ = v; }
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const noexcept { return show_hint_; }
  void SetShowHint(bool v);
  bool ParentShowHint() const noexcept { return parent_show_hint_; }
  void SetParentShowHint(bool v);
  TPopupMenu* PopupMenu() const noexcept { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* v);
  TBiDiMode BiDiMode() const noexcept { return bi_di_mode_; }
  void SetBiDiMode(TBiDiMode v);
  bool ParentBiDiMode() const noexcept { return parent_bi_di_mode_; }
  void SetParentBiDiMode(bool v);
  bool UseRightToLeftAlignment() const noexcept;
  bool UseRightToLeftReading() const noexcept;
  // The control's text (a form's caption); WM_GETTEXT / WM_SETTEXT for windowed controls.
  std::string GetText();
  void SetText(const std::string& v);
  std::string Caption() { return GetText(); }
  void SetCaption(const std::string& v) { SetText(v); }

  // --- messages
  TWndMethod WindowProc;  // WndProc unless replaced
  // WindowProc is still the control's own WndProc: no other object has taken its messages over.
  bool OwnsWindowProc() const;
  win::LRESULT Perform(win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam);
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);
  // WindowProc with exceptions handed to the application (the window procedure of windowed controls).
  void MainWndProc(TMessage& Message);

  // --- painting
  virtual void Invalidate();
  virtual void Repaint();
  virtual void Update();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  // --- mouse
  bool MouseCapture();
  void SetMouseCapture(bool v);
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnClick, OnDblClick;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;
  TContextPopupEvent OnContextPopup;
  TNotifyEvent OnResize;

  // --- drag and drop
  TDragMode DragMode() const noexcept { return drag_mode_; }
  void SetDragMode(TDragMode v) { drag_mode_ = v; }
  TDragKind DragKind() const noexcept { return drag_kind_; }
  void SetDragKind(TDragKind v) { drag_kind_ = v; }
  // Starts dragging this control: at once, or once the mouse moved Threshold pixels (-1: the
  // mouse's setting) with the button held.
  void BeginDrag(bool Immediate, int Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const noexcept;
  // Asks whether Source may be dropped here (fires OnDragOver; accepted when OnDragOver is set).
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TStartDragEvent OnStartDrag;

  // Scales position, size and (with sfFont) the font by M/D.
  void ScaleBy(int M, int D);

  // The form that holds the control (nullptr when none).
  TCustomForm* ParentForm();

  // Form streaming: a control is written inside its parent's block.
  bool HasParent() const override;
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

 protected:
  // Dynamic operations of the framework.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void Click();
  virtual void DblClick();
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  virtual void DoStartDrag(TObject*& DragObject);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  virtual void ChangeScale(int M, int D);
  virtual void Resize();
  virtual void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Bounds changed by the window (windowed controls) or by SetBounds.
  void UpdateBoundsRect(const TRect& r);
  // Takes each anchored edge's distance to the parent's edges from the bounds now, unless the parent
  // is the one moving the control.
  void UpdateAnchorRules();
  // The bounds the anchors give the control in a parent client area of `parentSize`.
  void ApplyAnchorRules(TSize parentSize);
  virtual void RequestAlign();
  virtual void VisibleChanging() {}
  virtual void FontChanged();
  // Whether the parent's font / colour / show-hint / bidi mode changed this control's.
  void ParentFontChanged();
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TControlStyle control_style_;
  TControlState control_state_;
  TScalingFlags scaling_flags_;
  std::string text_;  // the text of a control without a window

  friend class TWinControl;
  friend class TDragManager;

 private:
  // The handlers of the messages every control takes.
  void HandleMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl);
  void HandleMouseMove(TMessage& m);
  void HandleMouseWheel(TMessage& m);
  void HandleContextMenu(TMessage& m);
  void HandleCancelMode(TMessage& m);
  void HandleFontChanged();

  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  // What the anchors keep, per axis: the size (both edges anchored), the near edge (far edge only) or
  // the centre (neither), measured in a parent client area of original_parent_size_.
  TPoint anchor_rules_{};
  TSize original_parent_size_{};
  bool has_anchor_rules_ = false;
  bool anchor_move_ = false;
  TSizeConstraints constraints_;
  bool visible_ = true;
  bool enabled_ = true;
  TFont font_;
  bool parent_font_ = true;
  TColor color_ = clWindow;
  bool parent_color_ = true;
  TCursor cursor_ = crDefault;
  TCursor drag_cursor_ = crDrag;
  std::string hint_;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  TPopupMenu* popup_menu_ = nullptr;
  TBiDiMode bi_di_mode_ = bdLeftToRight;
  bool parent_bi_di_mode_ = true;
  TDragMode drag_mode_ = dmManual;
  TDragKind drag_kind_ = dkDrag;
  bool updating_font_from_parent_ = false;
  int wheel_accumulator_ = 0;
};

}  // namespace lab
