#pragma once
// The grid's canvas, ready for measuring text: with a window its own context, else a memory
// context for as long as the measuring lasts. The canvas gets its font back afterwards.

#include "platform/controls/custom_control.h"
#include "platform/win/gdi.h"

namespace lab {

class TMeasureCanvas {
 public:
  explicit TMeasureCanvas(TCustomControl* Control) : canvas_(Control->Canvas()) {
    if (!Control->HandleAllocated() && !canvas_->HandleAllocated()) {
      own_ = win::CreateCompatibleDC(nullptr);
      canvas_->SetHandle(own_);
    }
    font_.Assign(canvas_->Font());
  }
  ~TMeasureCanvas() {
    canvas_->SetFont(&font_);
    if (own_) {
      canvas_->SetHandle(nullptr);
      win::DeleteDC(own_);
    }
  }
  TMeasureCanvas(const TMeasureCanvas&) = delete;
  TMeasureCanvas& operator=(const TMeasureCanvas&) = delete;
  TCanvas* operator->() const noexcept { return canvas_; }
  TCanvas* Get() const noexcept { return canvas_; }

 private:
  TCanvas* canvas_;
  win::HDC own_ = nullptr;
  TFont font_;
};

}  // namespace lab
