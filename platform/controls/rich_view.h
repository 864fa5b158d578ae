#pragma once
// TRichView: a read-only view of a rich text (rich_text.h): each paragraph one line in its runs'
// fonts, sizes, colours and weights, tabs at the paragraph's stops (then every half inch), on the
// control's colour; scrolled by lines down and by pixels across (scroll bars, wheel, keys).
// Painting draws only the lines on screen; a text is measured once, when it is loaded.
//
// Beside its methods the view answers EM_STREAMIN (SF_RTF or SF_TEXT, read through the caller's
// callback) and EM_SETBKGNDCOLOR, so a window built from messages alone can fill it.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/controls/custom_control.h"
#include "platform/controls/rich_text.h"
#include "platform/graphics/gdi.h"

namespace lab {

class TRichView : public TCustomControl {
  LAB_CLASS(TRichView, TCustomControl)
 public:
  explicit TRichView(TComponent* AOwner);
  ~TRichView() override;

  // Replaces the text; the view goes back to its start.
  void LoadRTF(std::string_view Rtf);
  void LoadPlainText(std::string_view Text);
  void SetRichText(TRichText Text);
  const TRichText& RichText() const noexcept { return text_; }
  std::string Text() const { return text_.PlainText(); }

  int LineCount() const noexcept { return static_cast<int>(text_.Paragraphs.size()); }
  // The top of each line and the widest line, in pixels, as laid out.
  int LineTop(int Line);
  int ContentWidth();
  int ContentHeight();
  // The first line shown, and how far the text is scrolled left, in pixels.
  int TopLine() const noexcept { return top_line_; }
  void SetTopLine(int Value);
  int ScrollX() const noexcept { return scroll_x_; }
  void SetScrollX(int Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

 private:
  struct TLine {
    int Top = 0, Height = 0, Ascent = 0, Width = 0;
  };
  // The font of a run: the text's font table, else the control's font; cached by what tells them apart.
  TFont* FontOf(const TRichFormat& Format);
  // The x where a tab at X goes in a paragraph.
  static int NextTab(const TRichParagraph& Paragraph, int X);
  void Layout();
  void EnsureLayout();
  int MaxTopLine();
  // What a page moves: the lines the view shows less one.
  int PageLines();
  int MaxScrollX();
  void UpdateScrollBars();
  // Draws (or, without drawing, measures) the runs of a line from X; answers the line's width.
  int DrawLine(win::HDC DC, const TRichParagraph& Paragraph, const TLine& Line, int X, int Y, bool Draw);

  TRichText text_;
  std::vector<TLine> lines_;
  bool laid_out_ = false;
  int content_width_ = 0;
  int top_line_ = 0;
  int scroll_x_ = 0;
  std::map<std::tuple<int, int, bool>, std::unique_ptr<TFont>> fonts_;
};

}  // namespace lab
