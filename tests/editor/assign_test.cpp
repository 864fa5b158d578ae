// Copies of the editor's published objects (gutter, selection colours, bookmark options, glyphs,
// highlighter attributes, keystrokes): each copied with every property changed and compared
// property by property.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/glyphs.h"
#include "editor/gutter.h"
#include "editor/highlighter.h"
#include "editor/keystrokes.h"
#include "tests/common/published_values.h"

namespace lab {
namespace {

using Paths = std::vector<std::string>;
using testing::DifferingPublishedValues;
using testing::EqualPublishedValues;
using testing::VaryPublishedValues;

// Varies every property of `source`, checks that each moved away from the fresh `copy`'s values
// (but those in `same`: references to other components, values another property sets back),
// copies and compares.
void ExpectWholeCopy(TPersistent* source, TPersistent* copy, const Paths& same = {}) {
  EXPECT_EQ(VaryPublishedValues(source), Paths{});
  EXPECT_EQ(EqualPublishedValues(source, copy), same);
  copy->Assign(source);
  EXPECT_EQ(DifferingPublishedValues(source, copy), Paths{});
}

TEST(EditorAssign, GutterColoursAndBookmarkOptionsCopyWhole) {
  TCodeGutter gutter, gutter_copy;
  ExpectWholeCopy(&gutter, &gutter_copy, {"ZeroStart"});  // a line number start other than 0 clears it
  gutter.SetZeroStart(true);
  gutter_copy.Assign(&gutter);
  EXPECT_TRUE(gutter_copy.ZeroStart());
  TCodeSelectedColor colours, colours_copy;
  ExpectWholeCopy(&colours, &colours_copy);
  TCodeBookMarkOpt marks, marks_copy;
  ExpectWholeCopy(&marks, &marks_copy, {"BookmarkImages"});
}

TEST(EditorAssign, GlyphsAndHighlighterAttributesCopyWhole) {
  TCodeGlyph glyph, glyph_copy;
  ExpectWholeCopy(&glyph, &glyph_copy);
  TCodeHighlighterAttributes attributes("Comment"), attributes_copy("Comment");
  ExpectWholeCopy(&attributes, &attributes_copy);
}

TEST(EditorAssign, AKeystrokeTableCopiesEveryCommand) {
  TCodeEditKeyStrokes keys, copy;
  ExpectWholeCopy(&keys, &copy);
  keys.ResetDefaults();
  VaryPublishedValues(&keys);
  copy.Assign(&keys);
  EXPECT_EQ(DifferingPublishedValues(&keys, &copy), Paths{});
}

}  // namespace
}  // namespace lab
