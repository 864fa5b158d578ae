#pragma once
// TCustomForm and TForm: top-level windows holding controls. A form keeps its active control,
// moves the focus between its controls (Tab and the arrows as dialog keys), shows itself modally
// with a modal result, and closes through OnCloseQuery and OnClose.

#include "platform/controls/win_control.h"

namespace lab {

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                 poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
LAB_ENUM_NAMES(TFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop")
LAB_ENUM_NAMES(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
               "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter")

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
  LAB_CLASS(TCustomForm, TWinControl)
  LAB_PROPERTIES(TCustomForm, TWinControl)
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  TFormBorderStyle BorderStyle() const noexcept { return TWinControl::BorderStyle(); }
  void SetBorderStyle(TFormBorderStyle v) { TWinControl::SetBorderStyle(v); }
  TFormStyle FormStyle() const noexcept { return form_style_; }
  void SetFormStyle(TFormStyle v);
  TPosition Position() const noexcept { return position_; }
  void SetPosition(TPosition v) { position_ = v; }
  bool KeyPreview() const noexcept { return key_preview_; }
  void SetKeyPreview(bool v) { key_preview_ = v; }
  // The control that has (or gets, when the form is activated) the focus.
  TWinControl* ActiveControl() const noexcept { return active_control_; }
  void SetActiveControl(TWinControl* Control);
  bool Active() const noexcept { return active_; }
  TModalResult ModalResult() const noexcept { return modal_result_; }
  void SetModalResult(TModalResult v) { modal_result_ = v; }
  bool Modal() const noexcept { return modal_; }

  // Shows the form and runs messages until ModalResult is set (or, answering mrCancel, until the
  // application ends or the window the form opened over is closed or gone; that window still
  // closes at the display's request); other forms take no input meanwhile. EInvalidOperation for a
  // form that is already visible.
  int ShowModal();
  // Asks OnCloseQuery, then OnClose decides: hide (the default), free, or nothing. Closing the main
  // form ends the application; closing a modal form sets ModalResult to mrCancel.
  void Close();
  bool CloseQuery();
  // Frees the form once the messages waiting now are handled.
  void Release();

  void SetFocus() override;
  bool CanFocus() override { return Visible() && Enabled(); }
  bool IsShowing() override { return Visible(); }
  // The framework's focus bookkeeping: CM_EXIT up from the old focused control, CM_ENTER down to the
  // new one. False when a handler moved the focus elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* Control);
  void FocusControl(TWinControl* Control);
  void DefocusControl(TWinControl* Control, bool Removing);
  // Tells the active control that a mouse action starts elsewhere (CM_CANCELMODE).
  void SendCancelMode(TControl* Sender);
  // Whether a key is a shortcut of the form's pop-up menus; runs the item when it is.
  virtual bool IsShortCut(const TMessage& Message);

  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnShow, OnHide, OnActivate, OnDeactivate, OnCreate, OnDestroy;

  void Dispatch(TMessage& Message) override;
  // Form streaming: the form's controls, then, for the form being written, the components it owns
  // that have no parent (data sources, datasets, timers, menus).
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  virtual void DoClose(TCloseAction& Action);
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();

 private:
  friend class TWinControl;
  void SetActive(bool Value);
  void SetWindowFocus();
  void PlaceOnScreen();
  void CloseModal();

  TFormStyle form_style_ = fsNormal;
  TPosition position_ = poDesigned;
  bool key_preview_ = false;
  TWinControl* active_control_ = nullptr;
  TWinControl* focused_control_ = nullptr;
  bool active_ = false;
  TModalResult modal_result_ = mrNone;
  bool modal_ = false;
  bool placed_ = false;
  bool closing_ = false;  // a close is being answered, or the form is on its way out
};

class TForm : public TCustomForm {
  LAB_CLASS(TForm, TCustomForm)
 public:
  using TCustomForm::TCustomForm;
};

}  // namespace lab
