// The fonts the test programs see (only the set-up's, whatever else is installed), and fixed pitch of
// faces that fontconfig gives no spacing value (it leaves it out for monospaced faces whose marks or
// symbols have further widths): the face's own tables and advances decide.

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/graphics/font_engine.h"

namespace lab {
namespace {

// A fontconfig configuration of the test's own, current while it lives: DejaVu Sans Mono and DejaVu
// Sans with their spacing values taken away as they are scanned, under names no other test uses.
class TUnspacedFonts {
 public:
  TUnspacedFonts() : saved_(FcConfigReference(nullptr)), config_(FcConfigCreate()) {
    static const char* const kConfig = R"(<?xml version="1.0"?>
      <fontconfig>
        <dir>/usr/share/fonts/truetype/dejavu</dir>
        <selectfont>
          <rejectfont><glob>/usr/share/fonts/truetype/dejavu/*</glob></rejectfont>
          <acceptfont>
            <glob>/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf</glob>
            <glob>/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf</glob>
          </acceptfont>
        </selectfont>
        <match target="scan"><edit name="spacing" mode="delete_all"/></match>
        <alias binding="same"><family>Lab Unspaced Mono</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
        <alias binding="same"><family>Lab Unspaced Sans</family><prefer><family>DejaVu Sans</family></prefer></alias>
      </fontconfig>)";
    ok_ = FcConfigParseAndLoadFromMemory(config_, reinterpret_cast<const FcChar8*>(kConfig), FcTrue) &&
          FcConfigBuildFonts(config_) && FcConfigSetCurrent(config_);
  }
  ~TUnspacedFonts() {
    FcConfigSetCurrent(saved_);
    FcConfigDestroy(config_);
    FcConfigDestroy(saved_);
  }
  TUnspacedFonts(const TUnspacedFonts&) = delete;
  TUnspacedFonts& operator=(const TUnspacedFonts&) = delete;
  bool Ok() const { return ok_; }

 private:
  FcConfig* saved_;
  FcConfig* config_;
  bool ok_ = false;
};

TEST(GraphicsFontConfig, TestProgramsSeeOnlyTheFontsTheSetUpInstalls) {
  const char* file = std::getenv("FONTCONFIG_FILE");
  ASSERT_TRUE(file);
  EXPECT_EQ(std::string(file), LAB_TEST_DATA_DIR "/fonts.conf");
  FcPattern* all = FcPatternCreate();
  FcObjectSet* files = FcObjectSetBuild(FC_FILE, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, all, files);
  ASSERT_TRUE(fonts);
  std::vector<std::string> names;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &path) != FcResultMatch) continue;
    const std::string name(reinterpret_cast<const char*>(path));
    names.push_back(name.substr(name.rfind('/') + 1));
  }
  FcFontSetDestroy(fonts);
  FcObjectSetDestroy(files);
  FcPatternDestroy(all);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"DejaVuSans-Bold.ttf", "DejaVuSans.ttf", "DejaVuSansMono-Bold.ttf",
                                             "DejaVuSansMono.ttf", "DejaVuSerif-Bold.ttf", "DejaVuSerif.ttf",
                                             "wqy-microhei.ttc"}));
}

bool FixedPitchOf(const char* family) {
  win::LOGFONT lf{};
  lf.lfHeight = -13;
  lf.lfWeight = 400;
  std::strncpy(lf.lfFaceName, family, sizeof lf.lfFaceName - 1);
  return AcquireFontInstance(lf)->FixedPitch();
}

TEST(GraphicsFontConfig, FacesWithoutASpacingValueAreJudgedByTheirOwnAdvances) {
  TUnspacedFonts fonts;
  ASSERT_TRUE(fonts.Ok());
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Lab Unspaced Mono"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  ASSERT_TRUE(match);
  int spacing = 0;
  EXPECT_NE(FcPatternGetInteger(match, FC_SPACING, 0, &spacing), FcResultMatch) << "the case under test";
  FcPatternDestroy(match);
  FcPatternDestroy(pattern);

  EXPECT_TRUE(FixedPitchOf("Lab Unspaced Mono"));
  EXPECT_FALSE(FixedPitchOf("Lab Unspaced Sans"));
}

}  // namespace
}  // namespace lab
