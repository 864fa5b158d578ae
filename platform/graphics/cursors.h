#pragma once
// Mouse cursors: the framework's cursor numbers (crDefault, crArrow, crHSplit, ...), cursor images
// with their hot spot (the standard shapes drawn here, others read from cursor files), and the table
// that maps cursor numbers to images for the screen.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/gdi_types.h"

namespace lab {

using TCursor = std::int16_t;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                  crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                  crSizeAll = -22, crSize = -22;

// A cursor image: straight (not premultiplied) 0xAARRGGBB pixels, top row first.
class TCursorImage {
 public:
  TCursorImage(int width, int height, TPoint hot_spot, std::vector<std::uint32_t> pixels, int standard_id = 0)
      : width_(width), height_(height), hot_(hot_spot), pixels_(std::move(pixels)), standard_(standard_id) {}

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  TPoint HotSpot() const noexcept { return hot_; }
  const std::vector<std::uint32_t>& Pixels() const noexcept { return pixels_; }
  // The IDC_ number of a standard cursor (a windowing back-end may show its own shape for it); 0 otherwise.
  int StandardId() const noexcept { return standard_; }
  bool Shared() const noexcept { return standard_ != 0; }

 private:
  int width_, height_;
  TPoint hot_;
  std::vector<std::uint32_t> pixels_;
  int standard_;
};

// Reads a cursor (or icon) file, taking the image nearest to 32×32. Raises EInvalidGraphic for data
// that is no cursor.
TCursorImage* ReadCursorFile(std::span<const std::uint8_t> data);

// A cursor from the named resource of type "CURSOR" (a cursor file); the caller owns it. Raises
// EResNotFound "Resource NAME not found" when there is none.
TCursorImage* LoadCursorResource(std::string_view name);

// The image of a standard cursor number (shared, never freed); nullptr for crNone and numbers that
// name no standard cursor.
TCursorImage* StandardCursor(TCursor cursor);

// The screen's cursor table: standard numbers answer their standard image until replaced; other
// numbers answer what was stored, else the arrow.
TCursorImage* ScreenCursor(TCursor cursor);
// Stores an image for a number (taking ownership of images that are not shared); nullptr restores
// the standard one.
void SetScreenCursor(TCursor cursor, TCursorImage* image);

// Names of cursor numbers for forms ("crHSplit"), both ways.
std::optional<std::string_view> CursorToIdent(TCursor cursor);
std::optional<TCursor> IdentToCursor(std::string_view ident);

}  // namespace lab
