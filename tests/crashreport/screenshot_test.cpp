// The screenshot: the area each option takes, the focus frame and the cursor, the PNG as pngcheck
// and a reader of its own (tests/data/crashreport/png_pixels.py) see it, and a known window of the framework
// captured as its surface holds it, headless and under X11 as the X server shows it.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "crashreport/files/color_octree.h"
#include "crashreport/files/png_writer.h"
#include "crashreport/process_state.h"
#include "crashreport/files/screenshot.h"
#include "fake_crash_gui.h"
#include "platform/backend/headless.h"
#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/rtl/streams.h"
#include "test_files.h"

namespace lab::testing {
namespace {

// The options of the exception being processed, with no flag set.
struct TExceptionOptions {
  TExceptionOptions() {
    TCrashProcessState& s = CrashState();
    s.CurrentOptions->SetSendFlags(0);
    s.ExceptionRecord.Options = s.CurrentOptions.get();
    s.CurrentException = &s.ExceptionRecord;
  }
  ~TExceptionOptions() {
    FreeScreenshot();
    ResetExceptionState();
    CrashState().CurrentOptions->SetDefaults();
  }
};

// A PNG as pngcheck passes it and png_pixels.py reads it.
struct TReadPNG {
  bool Read = false;
  std::string Output;  // what the reader printed
  int Width = 0, Height = 0;
  std::vector<std::size_t> DataChunks;  // the lengths of the IDAT chunks
  std::vector<std::uint32_t> Pixels;    // 0xRRGGBB, row by row
};

TReadPNG ReadPNG(const std::string& File) {
  TReadPNG png;
  // pngcheck, a reader that is not ours, checks every chunk first (scripts/setup.sh installs it).
  if (Shell("pngcheck -q '" + File + "'", &png.Output) != 0) return png;
  if (Shell("/usr/bin/python3 " LAB_TEST_DATA_DIR "/crashreport/png_pixels.py '" + File + "' '" + File + ".rgb'",
            &png.Output) != 0)
    return png;
  std::istringstream line(png.Output);
  line >> png.Width >> png.Height;
  for (std::size_t n; line >> n;) png.DataChunks.push_back(n);
  const std::string data = ReadAll(File + ".rgb");
  const auto byte = [&data](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])); };
  for (std::size_t at = 768; at + 2 < data.size(); at += 3) png.Pixels.push_back(byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2));
  png.Read = png.Pixels.size() == static_cast<std::size_t>(png.Width) * png.Height;
  return png;
}

TReadPNG SavedPNG(const std::string& Folder) {
  SaveScreenshotToFile(Folder + "/Screenshot.png");
  return ReadPNG(Folder + "/Screenshot.png");
}

std::vector<std::uint32_t> RGB(const TCrashPicture& Picture) {
  std::vector<std::uint32_t> rgb;
  for (std::uint32_t p : Picture.Pixels) rgb.push_back(p & 0xFFFFFF);
  return rgb;
}

// In the red frame two pixels wide just inside Frame.
bool InFocusFrame(const TRect& Frame, int X, int Y) {
  return Frame.Contains(TPoint{X, Y}) &&
         (X < Frame.Left + 2 || X >= Frame.Right - 2 || Y < Frame.Top + 2 || Y >= Frame.Bottom - 2);
}

// The fake screen's pixels: never pure red, so the focus frame stands out.
std::uint32_t ScreenPixel(int X, int Y) {
  return 0xFF000000u | (static_cast<std::uint32_t>(X * 3) & 0xFF) << 16 |
         (static_cast<std::uint32_t>(Y * 5) & 0xFF) << 8 | (static_cast<std::uint32_t>(X + Y) & 0x7F);
}

class Screenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    gui.ScreenPixel = ScreenPixel;
    gui.Add(1, 7).Info.Bounds = TRect{100, 50, 260, 170};
    gui.Foreground = TFakeCrashGui::Handle(1);
  }
  std::uint32_t At(int X, int Y) const {
    return CapturedScreenshot().Pixels[static_cast<std::size_t>(Y) * CapturedScreenshot().Width() + X];
  }

  TExceptionOptions options;
  TFakeCrashGui gui;
  const std::string dir = Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(Screenshot, TheForegroundWindowOrTheScreen) {
  const struct {
    std::uint16_t SendFlags;
    TRect Window;
    bool Foreground;
    TRect Area;
    bool Copied;
  } cases[] = {
      {0, {100, 50, 260, 170}, true, {100, 50, 260, 170}, true},
      {1 << 5, {100, 50, 260, 170}, true, {0, 0, 640, 480}, true},
      {0xFFFF, {}, false, {0, 0, 640, 480}, true},
      {0, {100, 50, 100, 170}, true, {100, 50, 101, 170}, false},                // no width
      {0xFFFF & ~(1 << 5), {100, 50, 100, 50}, true, {100, 50, 101, 51}, false},  // no size
      {0, {100, 50, 260, 170}, false, {0, 0, 1, 1}, false},                       // no foreground window
  };
  for (const auto& c : cases) {
    CrashState().CurrentOptions->SetSendFlags(c.SendFlags);
    gui.Windows[0].Info.Bounds = c.Window;
    gui.Foreground = c.Foreground ? TFakeCrashGui::Handle(1) : nullptr;
    gui.Copied.clear();
    CaptureScreenshot();
    EXPECT_EQ(CapturedScreenshot().Area, c.Area) << c.Area.Right;
    EXPECT_EQ(gui.Copied, c.Copied ? std::vector<TRect>{c.Area} : std::vector<TRect>{}) << c.Area.Right;
    std::vector<std::uint32_t> expected;
    for (int y = c.Area.Top; y < c.Area.Bottom; ++y)
      for (int x = c.Area.Left; x < c.Area.Right; ++x) expected.push_back(c.Copied ? ScreenPixel(x, y) : 0xFF000000);
    EXPECT_EQ(CapturedScreenshot().Pixels, expected) << c.Area.Right;
    // A picture of one pixel is a PNG of one pixel.
    const TReadPNG png = SavedPNG(dir);
    EXPECT_TRUE(png.Read && png.Width == c.Area.Width() && png.Height == c.Area.Height()) << png.Output;
  }
}

TEST_F(Screenshot, FrameAroundTheFocusedControlAndTheCursor) {
  gui.Add(2, 7).Info.Bounds = TRect{110, 60, 150, 90};    // in the window
  gui.Add(3, 7).Info.Bounds = TRect{240, 150, 300, 200};  // over its bottom right corner
  const TRect frames[] = {{10, 10, 50, 40}, {140, 100, 200, 150}};
  // A green diagonal and a half-transparent white pixel at the top right, with its hot spot at 4, 4.
  gui.Cursor = &gui;
  gui.CursorImage.Area = TRect{0, 0, 32, 32};
  gui.CursorImage.Pixels.assign(32 * 32, 0x00FFFFFF);
  for (std::size_t i = 0; i < 32; ++i) gui.CursorImage.Pixels[i * 33] = 0xFF00FF00;
  gui.CursorImage.Pixels[31] = 0x80FFFFFF;
  gui.CursorHotSpot = TPoint{4, 4};
  gui.Mouse = TPoint{130, 80};  // the cursor's corner at 26, 26 in the picture
  for (int i = 0; i < 2; ++i) {
    CrashState().FocusedWindow = TFakeCrashGui::Handle(2 + static_cast<std::uintptr_t>(i));
    CrashState().Cursor = i == 0 ? gui.Cursor : nullptr;
    CaptureScreenshot();
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) {
        std::uint32_t expected = InFocusFrame(frames[i], x, y) ? 0xFFFF0000 : ScreenPixel(100 + x, 50 + y);
        if (i == 0 && x == y && x >= 26 && x < 58) expected = 0xFF00FF00;
        if (i == 0 && x == 57 && y == 26) {
          const std::uint32_t under = ScreenPixel(157, 76);
          expected = 0xFF000000;  // half of white over the screen
          for (int shift = 0; shift < 24; shift += 8)
            expected |= (255 * 128 + (under >> shift & 0xFF) * 127 + 127) / 255 << shift;
        }
        ASSERT_EQ(At(x, y), expected) << i << ": " << x << ", " << y;
      }
  }
  // A cursor of another size is drawn 32 × 32; near the corner it is cut off.
  gui.CursorImage.Area = TRect{0, 0, 16, 16};
  gui.CursorImage.Pixels.assign(16 * 16, 0xFF0000FF);
  gui.CursorHotSpot = TPoint{0, 0};
  gui.Mouse = TPoint{240, 150};
  CrashState().Cursor = gui.Cursor;
  CrashState().FocusedWindow = nullptr;
  CaptureScreenshot();
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x)
      ASSERT_EQ(At(x, y), x >= 140 && y >= 100 && x < 172 ? 0xFF0000FFu : ScreenPixel(100 + x, 50 + y)) << x << ", " << y;
}

// A picture as the octree takes it: colours, each with the length of its run.
using TColorRuns = std::vector<std::pair<std::uint32_t, std::uint64_t>>;

// Past 256 colours each pixel takes the entry of the leaf that took it in, and each entry is the
// mean (integer division) of the colours its pixels had, a run counting as many pixels as it is long.
TEST(ColorOctree, PastTheLimitEachEntryIsTheMeanOfItsPixels) {
  const struct {
    const char* name;
    TColorRuns (*picture)();
  } kPictures[] = {
      {"colours scattered at random",
       [] {
         std::mt19937 random(47);
         TColorRuns runs;
         for (int i = 0; i < 20000; ++i) runs.emplace_back(random() & 0xFFFFFF, 1);
         return runs;
       }},
      {"a gradient whose colours repeat unevenly",
       [] {
         TColorRuns runs;
         for (int i = 0; i < 20000; ++i) runs.emplace_back(static_cast<std::uint32_t>((i * i / 7919) % 0x1000000), 1);
         return runs;
       }},
      {"runs of uneven lengths, each added at once",
       [] {
         TColorRuns runs;
         for (std::uint32_t i = 0; i < 2000; ++i) runs.emplace_back(i * 0x010307 % 0x1000000, 1 + i % 13 * 97);
         return runs;
       }},
      {"one colour past the limit",
       [] {
         TColorRuns runs;
         for (std::uint32_t i = 0; i < 256; ++i) runs.emplace_back(i * 0x010101, 1 + i % 3);
         runs.emplace_back(0x800000, 5);
         return runs;
       }},
  };
  for (const auto& picture : kPictures) {
    const TColorRuns runs = picture.picture();
    TColorOctree tree;
    for (const auto& [color, count] : runs) tree.Add(color | 0xFF000000u, count);
    const std::vector<std::uint32_t> palette = tree.Palette();
    ASSERT_LE(palette.size(), 256u) << picture.name;  // a reduction may take in more than one leaf
    std::vector<std::array<std::uint64_t, 4>> sums(palette.size());  // count, red, green, blue
    for (const auto& [color, count] : runs) {
      std::array<std::uint64_t, 4>& sum = sums[tree.LeafIndex(color | 0xFF000000u)];
      sum = {sum[0] + count, sum[1] + (color >> 16 & 0xFF) * count, sum[2] + (color >> 8 & 0xFF) * count,
             sum[3] + (color & 0xFF) * count};
    }
    for (std::size_t i = 0; i < palette.size(); ++i) {
      const std::array<std::uint64_t, 4>& sum = sums[i];
      ASSERT_GT(sum[0], 0u) << picture.name << ": " << i;
      EXPECT_EQ(palette[i], (sum[1] / sum[0]) << 16 | (sum[2] / sum[0]) << 8 | sum[3] / sum[0])
          << picture.name << ": " << i;
    }
  }
}

TEST_F(Screenshot, UpTo256ColoursStayExactInChunksOfTheirSize) {
  // 256 colours scattered at random hardly compress: more than one chunk's worth.
  std::vector<std::uint32_t> colors(256);
  std::mt19937 random(40);
  for (std::uint32_t& c : colors) c = 0xFF000000u | (random() & 0xFFFFFF);
  std::vector<std::uint8_t> choice(700 * 700);
  for (std::uint8_t& c : choice) c = static_cast<std::uint8_t>(random());
  gui.ScreenPixel = [&](int X, int Y) { return colors[choice[static_cast<std::size_t>(Y) * 700 + X]]; };
  gui.Windows[0].Info.Bounds = TRect{0, 0, 700, 700};
  CaptureScreenshot();
  ASSERT_EQ(std::set<std::uint32_t>(CapturedScreenshot().Pixels.begin(), CapturedScreenshot().Pixels.end()).size(), 256u);
  const TReadPNG png = SavedPNG(dir);
  ASSERT_TRUE(png.Read) << png.Output;
  EXPECT_EQ(png.Pixels, RGB(CapturedScreenshot()));
  ASSERT_GE(png.DataChunks.size(), 2u);
  for (std::size_t i = 0; i + 1 < png.DataChunks.size(); ++i) EXPECT_EQ(png.DataChunks[i], kPNGDataChunkSize);
  // The file ends with the IEND chunk, whose CRC is AE426082.
  const std::string file = ReadAll(dir + "/Screenshot.png");
  EXPECT_EQ(file.substr(file.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
}

TEST_F(Screenshot, NoFileWithoutANameAPictureOrAFolder) {
  SaveScreenshotToFile(dir + "/Screenshot.png");  // nothing taken yet
  CaptureScreenshot();
  SaveScreenshotToFile("");
  SaveScreenshotToFile(dir + "/missing/Screenshot.png");
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  FreeScreenshot();
  TMemoryStream png;
  EXPECT_THROW(SaveBitmapAsPNG(png), EInvalidOperation);
}

// Four blocks of colour.
class TPatternControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

 protected:
  void Paint() override {
    const TRect r = ClientRect();
    const TColor colors[4] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0};
    for (int i = 0; i < 4; ++i) {
      Canvas()->Brush()->SetColor(colors[i]);
      Canvas()->FillRect(TRect{i % 2 ? r.Width() / 2 : 0, i / 2 ? r.Height() / 2 : 0, i % 2 ? r.Right : r.Width() / 2,
                               i / 2 ? r.Bottom : r.Height() / 2});
    }
  }
};

// A shown, active form with two pattern controls, one of them focused.
struct TKnownForm {
  TKnownForm() {
    form->SetBounds(40, 30, 200, 150);
    form->SetColor(0x808000);
    for (TPatternControl* control : {new TPatternControl(form), focused}) control->SetParent(form);
    form->Controls(0)->SetBounds(8, 8, 90, 70);
    focused->SetBounds(110, 20, 60, 40);
    form->Show();
    focused->SetFocus();
    wm::SetActiveWindow(form->Handle());
    Application->ProcessMessages();
  }
  ~TKnownForm() { delete form; }

  TForm* form = new TForm(nullptr);
  TPatternControl* focused = new TPatternControl(form);
};

// The form captured as the foreground window with its focused control remembered is its surface,
// pixel for pixel, but for the red frame around that control; so is its PNG.
void ExpectCaptureOfForm(TKnownForm& Known) {
  ASSERT_EQ(CrashGui().ForegroundWindow(), Known.form->Handle());
  CrashState().FocusedWindow = Known.focused->Handle();
  CaptureScreenshot();
  const TCrashPicture& picture = CapturedScreenshot();
  TRect bounds, focus;
  ASSERT_TRUE(wm::GetWindowRect(Known.form->Handle(), bounds) && wm::GetWindowRect(Known.focused->Handle(), focus));
  ASSERT_EQ(picture.Area, bounds);
  TGdiBitmap* surface = wm::WindowSurface(Known.form->Handle());
  ASSERT_TRUE(surface && surface->Width() == bounds.Width() && surface->Height() == bounds.Height());
  surface->BeginDirect();
  int differences = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const bool framed = InFocusFrame(OffsetRect(focus, -bounds.Left, -bounds.Top), x, y);
      differences += picture.Pixels[static_cast<std::size_t>(y) * picture.Width() + x] !=
                     (framed ? 0xFFFF0000u : surface->Row(y)[x] | 0xFF000000u);
    }
  EXPECT_EQ(differences, 0);
  // Each test its own folder: the headless and the X11 test run side by side.
  const TReadPNG png = SavedPNG(Scratch(std::string("known_window_") +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name()));
  ASSERT_TRUE(png.Read) << png.Output;
  EXPECT_EQ(png.Pixels, RGB(picture));
}

TEST(ScreenshotOfTheFramework, AKnownWindowIsItsSurface) {
  SetBackend(CreateHeadlessBackend());
  TExceptionOptions options;
  TKnownForm known;
  ExpectCaptureOfForm(known);
  // The framework hands the crash reporter a cursor's image.
  TCrashPicture arrow;
  TPoint hot_spot{-1, -1};
  ASSERT_TRUE(CrashGui().GetCursorImage(StandardCursor(crArrow), arrow, hot_spot));
  EXPECT_EQ(arrow.Pixels.size(), static_cast<std::size_t>(arrow.Width()) * arrow.Height());
  EXPECT_EQ(hot_spot, StandardCursor(crArrow)->HotSpot());
  EXPECT_FALSE(CrashGui().GetCursorImage(nullptr, arrow, hot_spot));
}

}  // namespace
}  // namespace lab::testing

// After the framework's headers: Xlib's macros would clash with their names.
#include "tests/platform/x11_fixture.h"
#include <X11/Xutil.h>

namespace lab::testing {
namespace {

TEST_F(X11Test, ScreenshotOfAKnownWindowIsWhatTheServerShows) {
  TExceptionOptions options;
  TKnownForm known;
  TRect bounds;
  ASSERT_TRUE(wm::GetWindowRect(known.form->Handle(), bounds));
  // The server's pixels at the window's place, without the focus frame's.
  const auto shown = [&](const TCrashPicture& Like) {
    std::vector<std::uint32_t> pixels;
    XImage* image = XGetImage(d, DefaultRootWindow(d), bounds.Left, bounds.Top, static_cast<unsigned>(bounds.Width()),
                              static_cast<unsigned>(bounds.Height()), AllPlanes, ZPixmap);
    for (int y = 0; image && y < bounds.Height(); ++y)
      for (int x = 0; x < bounds.Width(); ++x)
        pixels.push_back(Like.Pixels[static_cast<std::size_t>(y) * bounds.Width() + x] == 0xFFFF0000u
                             ? 0xFF0000
                             : XGetPixel(image, x, y) & 0xFFFFFF);
    if (image) XDestroyImage(image);
    return pixels;
  };
  ExpectCaptureOfForm(known);
  EXPECT_TRUE(WaitFor([&] { return shown(CapturedScreenshot()) == RGB(CapturedScreenshot()); }));
}

}  // namespace
}  // namespace lab::testing
