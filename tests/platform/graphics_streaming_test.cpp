#include <gtest/gtest.h>

#include <memory>

#include "graphics_test_util.h"
#include "platform/classes/class_registry.h"
#include "platform/classes/form_text.h"
#include "platform/graphics/cursors.h"
#include "platform/graphics/image_list.h"

namespace lab {

// A component with the kinds of graphics properties forms carry.
class TPaintBoxStub : public TComponent {
  LAB_CLASS(TPaintBoxStub, TComponent)
  LAB_PROPERTIES(TPaintBoxStub, TComponent)
 public:
  explicit TPaintBoxStub(TComponent* AOwner) : TComponent(AOwner) {}
  TFont* Font() { return &font_; }
  TPen* Pen() { return &pen_; }
  TBrush* Brush() { return &brush_; }
  TBitmap* Glyph() { return &glyph_; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v) { cursor_ = v; }

 private:
  TFont font_;
  TPen pen_;
  TBrush brush_;
  TBitmap glyph_;
  TColor color_ = clWindow;
  TCursor cursor_ = crDefault;
};

void TPaintBoxStub::DeclareProperties(TPropertyDeclarer<TPaintBoxStub>& P) {
  P.Property("Brush", &TPaintBoxStub::Brush);
  P.Property("Color", &TPaintBoxStub::Color, &TPaintBoxStub::SetColor).Idents("TColor").Default(clWindow);
  P.Property("Cursor", &TPaintBoxStub::Cursor, &TPaintBoxStub::SetCursor).Idents("TCursor").Default(crDefault);
  P.Property("Font", &TPaintBoxStub::Font);
  P.Property("Glyph", &TPaintBoxStub::Glyph);
  P.Property("Pen", &TPaintBoxStub::Pen);
}

namespace {

using test::At;
using test::Clear;

TEST(GraphicsStreaming, FontsPensColoursCursorsPicturesAndImageListsRoundTrip) {
  RegisterClasses<TPaintBoxStub, TComponent>();
  TComponent root(nullptr);
  root.SetName("Form1");
  auto* box = new TPaintBoxStub(&root);
  box->SetName("Box1");
  box->Font()->SetName("monospace");
  box->Font()->SetSize(10);
  box->Font()->SetStyle({fsBold, fsItalic});
  box->Font()->SetColor(clRed);
  box->Font()->SetCharset(win::SHIFTJIS_CHARSET);
  box->Pen()->SetStyle(psDot);
  box->Pen()->SetMode(pmXor);
  box->Brush()->SetColor(clInfoBk);
  box->SetColor(clBtnFace);
  box->SetCursor(crHSplit);
  box->Glyph()->SetSize(3, 2);
  Clear(*box->Glyph(), clTeal);
  auto* images = new TImageList(&root);
  images->SetName("Images1");
  images->SetWidth(8);
  TBitmap strip(16, 8);
  Clear(strip, clNavy);
  images->AddMasked(&strip, clNone);

  const std::string text = WriteFormText(&root);
  EXPECT_NE(text.find("Font.Name = 'monospace'"), std::string::npos) << text;
  EXPECT_NE(text.find("Font.Height = -13"), std::string::npos) << text;
  EXPECT_EQ(text.find("Font.Size"), std::string::npos) << "the size is not stored";
  EXPECT_NE(text.find("Font.Style = [fsBold, fsItalic]"), std::string::npos) << text;
  EXPECT_NE(text.find("Font.Color = clRed"), std::string::npos) << text;
  EXPECT_NE(text.find("Font.Charset = SHIFTJIS_CHARSET"), std::string::npos) << text;
  EXPECT_NE(text.find("Pen.Style = psDot"), std::string::npos) << text;
  EXPECT_NE(text.find("Brush.Color = clInfoBk"), std::string::npos) << text;
  EXPECT_NE(text.find("Color = clBtnFace"), std::string::npos) << text;
  EXPECT_NE(text.find("Cursor = crHSplit"), std::string::npos) << text;
  EXPECT_NE(text.find("Glyph.Data = {"), std::string::npos) << text;
  EXPECT_NE(text.find("object Images1: TImageList"), std::string::npos) << text;
  EXPECT_NE(text.find("Bitmap = {"), std::string::npos) << text;
  EXPECT_EQ(text.find("Pen.Width"), std::string::npos) << "defaults are not written";

  std::unique_ptr<TComponent> back(ReadFormText(text));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->ComponentCount(), 2);
  auto* box2 = dynamic_cast<TPaintBoxStub*>(back->Components(0));
  ASSERT_NE(box2, nullptr);
  EXPECT_EQ(box2->Font()->Name(), "monospace");
  EXPECT_EQ(box2->Font()->Size(), 10);
  EXPECT_EQ(box2->Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(box2->Font()->Color(), clRed);
  EXPECT_EQ(box2->Font()->Charset(), win::SHIFTJIS_CHARSET);
  EXPECT_EQ(box2->Pen()->Mode(), pmXor);
  EXPECT_EQ(box2->Brush()->Color(), clInfoBk);
  EXPECT_EQ(box2->Color(), clBtnFace);
  EXPECT_EQ(box2->Cursor(), crHSplit);
  ASSERT_EQ(box2->Glyph()->Width(), 3);
  EXPECT_EQ(At(*box2->Glyph(), 2, 1), 0x808000u);
  auto* images2 = dynamic_cast<TImageList*>(back->Components(1));
  ASSERT_NE(images2, nullptr);
  EXPECT_EQ(images2->Count(), 2);
  EXPECT_EQ(images2->Width(), 8);
}

}  // namespace
}  // namespace lab
