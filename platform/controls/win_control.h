#pragma once
// TWinControl: a control with a window of its own. It creates its window on demand (Handle) from
// CreateParams, holds child controls, takes the keyboard focus, and turns key messages into KeyDown /
// KeyPress / KeyUp. Keys pass first through the dialog-key handling of the form (Tab, arrows, Enter,
// Escape), unless the control asks for them in WM_GETDLGCODE or CM_WANTSPECIALKEY.

#include <vector>

#include "platform/controls/control.h"
#include "platform/controls/painting.h"

namespace lab {

struct TCreateParams {
  std::string Caption;
  win::DWORD Style = 0;
  win::DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  win::HWND WndParent = nullptr;
  void* Param = nullptr;
  win::UINT WindowClassStyle = 0;  // CS_ flags
  std::string WinClassName;
};

class TWinControl : public TControl {
  LAB_CLASS(TWinControl, TControl)
  LAB_PROPERTIES(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // --- the window
  // The window, created (with the parents' windows) on first use.
  win::HWND Handle();
  bool HandleAllocated() const noexcept { return handle_ != nullptr; }
  void HandleNeeded();
  // Destroys the window (and the children's); the control keeps its state and makes a new window
  // when one is needed again.
  void DestroyHandle();
  void RecreateWnd();
  // The control whose window is hwnd (nullptr for other windows).
  static TWinControl* FindControl(win::HWND hwnd);
  bool Showing() const noexcept { return showing_; }
  bool IsShowing() override { return showing_ || (Visible() && (!parent_ || parent_->IsShowing())); }

  // --- children
  int ControlCount() const noexcept { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const { return controls_.at(static_cast<std::size_t>(Index)); }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  // The child at a client point (enabled ones only unless AllowDisabled), topmost first.
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls = false);
  // Sends the message to every child until one answers.
  void Broadcast(TMessage& Message);
  void DisableAlign();
  void EnableAlign();
  void Realign();
  void ScrollBy(int DeltaX, int DeltaY);
  TRect GetClientRect() override;

  // --- focus
  virtual void SetFocus();
  virtual bool Focused();
  virtual bool CanFocus();
  bool TabStop() const noexcept { return tab_stop_; }
  void SetTabStop(bool v);
  int TabOrder() const;
  void SetTabOrder(int v);
  // The windowed children in tab order, each followed by its own, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  void SelectFirst();

  // --- appearance of the window
  TBorderStyle BorderStyle() const noexcept { return border_style_; }
  void SetBorderStyle(TBorderStyle v);
  bool Ctl3D() const noexcept { return ctl3d_; }
  void SetCtl3D(bool v);
  bool ParentCtl3D() const noexcept { return parent_ctl3d_; }
  void SetParentCtl3D(bool v);
  bool DoubleBuffered() const noexcept { return double_buffered_; }
  void SetDoubleBuffered(bool v) { double_buffered_ = v; }
  TBrush* Brush() noexcept { return &brush_; }
  TImeMode ImeMode() const noexcept { return ime_mode_; }
  void SetImeMode(TImeMode v) { ime_mode_ = v; }
  const std::string& ImeName() const noexcept { return ime_name_; }
  void SetImeName(const std::string& v) { ime_name_ = v; }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  // Paints the window's client area (and its graphic children) into a device context.
  void PaintTo(win::HDC DC, int X, int Y);

  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter, OnExit;

  // Form streaming: the children this control writes inside its block.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  virtual void CreateParams(TCreateParams& Params);
  // Copies the named window class (a built-in control class) and its procedure as DefWndProc.
  void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void CreateHandle();
  // The window procedure the control's window had before the control took it (DefWindowProc unless
  // CreateSubClass named a class).
  win::WNDPROC DefWndProc;

  virtual void KeyDown(win::WORD& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  virtual void KeyUp(win::WORD& Key, TShiftState Shift);
  // The handling of key messages; true when the key was consumed.
  bool DoKeyDown(TMessage& Message);
  bool DoKeyPress(TMessage& Message);
  bool DoKeyUp(TMessage& Message);
  virtual void DoEnter();
  virtual void DoExit();

  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void PaintWindow(win::HDC DC);
  void PaintControls(win::HDC DC, TControl* First);
  void PaintHandler(TMessage& Message);
  // Why painting must go through an off-screen buffer (DoubleBuffered by default).
  virtual bool UseDoubleBuffer() { return double_buffered_; }
  void UpdateBounds();
  void UpdateShowing();
  void UpdateControlState();
  void ChangeScale(int M, int D) override;
  void FontChanged() override;
  void Loaded() override;

 private:
  friend class TControl;
  friend class TCustomForm;
  void AlignControl(TControl* AControl);
  void HandleSetCursor(TMessage& m);
  void HandleEraseBkgnd(TMessage& m);
  void HandleKeyReflection(TMessage& m);
  bool IsControlMouseMsg(TMessage& m);
  void SetZOrderOf(TWinControl* child);

  win::HWND handle_ = nullptr;
  std::vector<TControl*> controls_;     // children in z-order, bottom first
  std::vector<TWinControl*> tab_list_;   // windowed children in tab order
  bool showing_ = false;
  bool tab_stop_ = false;
  TBorderStyle border_style_ = bsNone;
  bool ctl3d_ = true;
  bool parent_ctl3d_ = true;
  bool double_buffered_ = false;
  TBrush brush_;
  TImeMode ime_mode_ = imDontCare;
  std::string ime_name_;
  int align_level_ = 0;
  bool creating_handle_ = false;
};

}  // namespace lab
