#include "crashreport/files/screenshot.h"

#include <unistd.h>

#include <algorithm>
#include <exception>

#include "crashreport/files/color_octree.h"
#include "crashreport/files/png_writer.h"
#include "crashreport/process_state.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"

namespace lab {
namespace {

constexpr std::uint32_t kFocusFrameColor = 0xFFFF0000;
constexpr int kCursorSize = 32;

// Made on first use and never destroyed, as the process state.
TCrashPicture& Picture() {
  static TCrashPicture* picture = new TCrashPicture;
  return *picture;
}

std::uint32_t& PixelAt(TCrashPicture& Picture, int X, int Y) {
  return Picture.Pixels[static_cast<std::size_t>(Y) * static_cast<std::size_t>(Picture.Width()) +
                        static_cast<std::size_t>(X)];
}

// A frame one pixel wide just inside R (in the picture's coordinates), clipped to the picture.
void FrameRect(TCrashPicture& Picture, const TRect& R, std::uint32_t Color) {
  if (R.IsEmpty()) return;
  const TRect inside = IntersectRect(R, TRect{0, 0, Picture.Width(), Picture.Height()});
  if (inside.IsEmpty()) return;
  for (int x = inside.Left; x < inside.Right; ++x) {
    if (R.Top == inside.Top) PixelAt(Picture, x, R.Top) = Color;
    if (R.Bottom == inside.Bottom) PixelAt(Picture, x, R.Bottom - 1) = Color;
  }
  for (int y = inside.Top; y < inside.Bottom; ++y) {
    if (R.Left == inside.Left) PixelAt(Picture, R.Left, y) = Color;
    if (R.Right == inside.Right) PixelAt(Picture, R.Right - 1, y) = Color;
  }
}

std::uint32_t Blend(std::uint32_t Over, std::uint32_t Under) {
  const std::uint32_t alpha = Over >> 24;
  std::uint32_t out = 0xFF000000;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t o = (Over >> shift) & 0xFF, u = (Under >> shift) & 0xFF;
    out |= ((o * alpha + u * (255 - alpha) + 127) / 255) << shift;
  }
  return out;
}

// The cursor image drawn 32 × 32 pixels (scaled when it has another size) with its top-left corner
// at X, Y, blended by its alpha.
void DrawCursor(TCrashPicture& Picture, const TCrashPicture& Cursor, int X, int Y) {
  const int width = Cursor.Width(), height = Cursor.Height();
  if (width <= 0 || height <= 0 || Cursor.Pixels.size() < static_cast<std::size_t>(width) * height) return;
  for (int dy = 0; dy < kCursorSize; ++dy) {
    const int y = Y + dy;
    if (y < 0 || y >= Picture.Height()) continue;
    for (int dx = 0; dx < kCursorSize; ++dx) {
      const int x = X + dx;
      if (x < 0 || x >= Picture.Width()) continue;
      const std::uint32_t over = Cursor.Pixels[static_cast<std::size_t>(dy * height / kCursorSize) * width +
                                               static_cast<std::size_t>(dx * width / kCursorSize)];
      PixelAt(Picture, x, y) = Blend(over, PixelAt(Picture, x, y));
    }
  }
}

}  // namespace

void CaptureScreenshot() {
  FreeScreenshot();
  TCrashGui& gui = CrashGui();
  const TCrashProcessState& state = CrashState();
  // The whole screen (the window manager knows one), or the foreground window's place on it.
  TRect area;
  if (OptionsInForce().ScreenshotsDesktop()) {
    area = gui.ScreenRect();
  } else if (const win::HWND foreground = gui.ForegroundWindow()) {
    TCrashWindowInfo info;
    if (gui.GetWindowInfo(foreground, info)) area = info.Bounds;
  }
  const int width = std::max(area.Width(), 1), height = std::max(area.Height(), 1);
  TCrashPicture& picture = Picture();
  picture.Area = Bounds(area.Left, area.Top, width, height);
  TCrashPicture copy;
  if (!area.IsEmpty() && gui.CopyScreenPixels(area, copy) && copy.Area == picture.Area &&
      copy.Pixels.size() == static_cast<std::size_t>(width) * height)
    picture.Pixels = std::move(copy.Pixels);
  else
    picture.Pixels.assign(static_cast<std::size_t>(width) * height, 0xFF000000);

  TCrashWindowInfo focused;
  if (state.FocusedWindow && gui.GetWindowInfo(state.FocusedWindow, focused)) {
    const TRect frame = OffsetRect(focused.Bounds, -area.Left, -area.Top);
    FrameRect(picture, frame, kFocusFrameColor);
    FrameRect(picture, TRect{frame.Left + 1, frame.Top + 1, frame.Right - 1, frame.Bottom - 1}, kFocusFrameColor);
  }
  TCrashPicture cursor;
  TPoint hot_spot;
  if (state.Cursor && gui.GetCursorImage(state.Cursor, cursor, hot_spot)) {
    const TPoint at = gui.CursorPos();
    DrawCursor(picture, cursor, at.X - hot_spot.X - area.Left, at.Y - hot_spot.Y - area.Top);
  }
}

const TCrashPicture& CapturedScreenshot() { return Picture(); }

void SaveBitmapAsPNG(TStream& Stream) {
  const TCrashPicture& picture = Picture();
  if (picture.Pixels.empty()) throw EInvalidOperation("No screenshot was taken");
  const int width = picture.Width();
  TColorOctree tree;
  const std::vector<std::uint32_t>& pixels = picture.Pixels;
  for (std::size_t at = 0, run; at < pixels.size(); at += run) {
    for (run = 1; at + run < pixels.size() && pixels[at + run] == pixels[at];) ++run;
    tree.Add(pixels[at], run);
  }
  const std::vector<std::uint32_t> palette = tree.Palette();
  WriteIndexedPNG(Stream, width, picture.Height(), palette, [&](int Row, std::uint8_t* Out) {
    const std::uint32_t* pixels = picture.Pixels.data() + static_cast<std::size_t>(Row) * width;
    // A run of one colour (flat areas, the common case) is looked up once.
    std::uint32_t last = 0;
    std::uint8_t index = 0;
    for (int x = 0; x < width; ++x) {
      if (x == 0 || pixels[x] != last) index = tree.LeafIndex(last = pixels[x]);
      Out[x] = index;
    }
  });
}

void SaveScreenshotToFile(const std::string& FileName) {
  if (FileName.empty() || Picture().Pixels.empty()) return;
  try {
    // No file, not even one of an earlier report, stands under the name after a failure.
    const TScopeFail remove([&FileName] { ::unlink(FileName.c_str()); });
    TMemoryStream png;
    SaveBitmapAsPNG(png);
    png.SaveToFile(FileName);
  } catch (const std::exception&) {
    // The report goes on without the picture.
  }
}

void FreeScreenshot() {
  TCrashPicture none;
  std::swap(Picture(), none);
}

}  // namespace lab
