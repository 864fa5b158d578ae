// Copies of the framework's published objects: each is copied with every property set away from its
// default, and the copy compared property by property, so an Assign that drops one shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/form_text.h"
#include "platform/controls/control.h"
#include "platform/controls/controls_unit.h"
#include "platform/controls/forms.h"
#include "platform/db/mem_dataset.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphics_objects.h"
#include "platform/graphics/image_list.h"
#include "tests/common/published_values.h"

namespace lab::testing {
namespace {

using Paths = std::vector<std::string>;

Paths Without(Paths paths, const Paths& left_out) {
  std::erase_if(paths, [&](const std::string& p) { return std::find(left_out.begin(), left_out.end(), p) != left_out.end(); });
  return paths;
}

// Varies every property of `source`, checks that each moved away from the fresh `copy`'s values
// (but those in `fixed`), copies and compares; `own` are the properties a copy keeps of its own (a
// component's name).
void ExpectWholeCopy(TPersistent* source, TPersistent* copy, const Paths& fixed = {}, const Paths& own = {}) {
  EXPECT_EQ(VaryPublishedValues(source), fixed);
  EXPECT_EQ(EqualPublishedValues(source, copy), fixed);
  copy->Assign(source);
  EXPECT_EQ(Without(DifferingPublishedValues(source, copy), own), Paths{});
}

TEST(Assign, GraphicsObjectsCopyEveryProperty) {
  TFont font, font_copy;
  ExpectWholeCopy(&font, &font_copy);
  TPen pen, pen_copy;
  ExpectWholeCopy(&pen, &pen_copy);
  TBrush brush, brush_copy;
  ExpectWholeCopy(&brush, &brush_copy);
}

TEST(Assign, SizeConstraintsCopyEveryLimitAndStreamThroughFormText) {
  TSizeConstraints limits, copy;
  ExpectWholeCopy(&limits, &copy);
  EXPECT_GT(limits.MinWidth() + limits.MaxHeight(), 0);

  UseUnit(ControlsUnit);
  TForm form(nullptr);
  form.SetName("Limited");
  form.Constraints()->SetMinWidth(120);
  form.Constraints()->SetMaxHeight(400);
  std::unique_ptr<TComponent> read(ReadFormText(WriteFormText(&form)));
  auto* back = dynamic_cast<TForm*>(read.get());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Constraints()->MinWidth(), 120);
  EXPECT_EQ(back->Constraints()->MaxHeight(), 400);
  EXPECT_EQ(back->Constraints()->MinHeight(), 0);
}

TEST(Assign, AnImageListCopiesItsSettingsAndImages) {
  TImageList list(nullptr), copy(nullptr);
  ExpectWholeCopy(&list, &copy, {}, {"Name", "Tag"});
  TBitmap image(list.Width(), list.Height()), mask(list.Width(), list.Height());
  image.Canvas()->SetPixels(1, 2, clRed);
  list.Add(&image, &mask);
  copy.Assign(&list);
  ASSERT_EQ(copy.Count(), 1);
  TBitmap back;
  copy.GetBitmap(0, &back);
  EXPECT_EQ(back.Canvas()->Pixels(1, 2), clRed);
}

TEST(Assign, ABitmapCopiesItsPixelsAndSettings) {
  TBitmap source(3, 2), copy;
  source.SetPixelFormat(pf24bit);
  source.SetTransparentMode(tmFixed);
  source.SetTransparentColor(clLime);
  source.SetTransparent(true);
  source.Canvas()->SetPixels(2, 1, clBlue);
  copy.Assign(&source);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(copy.Height(), 2);
  EXPECT_EQ(copy.PixelFormat(), pf24bit);
  EXPECT_EQ(copy.TransparentMode(), tmFixed);
  EXPECT_EQ(copy.TransparentColor(), clLime);
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.Canvas()->Pixels(2, 1), clBlue);
  source.Canvas()->SetPixels(2, 1, clRed);  // a copy, not a share
  EXPECT_EQ(copy.Canvas()->Pixels(2, 1), clBlue);

  TBitmap mono(4, 4), mono_copy;
  mono.SetMonochrome(true);
  mono_copy.Assign(&mono);
  EXPECT_TRUE(mono_copy.Monochrome());
}

TEST(Assign, FieldDefinitionsCopyEveryDefinitionWhole) {
  TMemDataSet source(nullptr), copy(nullptr);
  ExpectWholeCopy(&source.FieldDefs(), &copy.FieldDefs());
  source.FieldDefs().Add("Code", ftString, 12, true);
  copy.FieldDefs().Assign(&source.FieldDefs());
  EXPECT_EQ(DifferingPublishedValues(&source.FieldDefs(), &copy.FieldDefs()), Paths{});
}

}  // namespace
}  // namespace lab::testing
