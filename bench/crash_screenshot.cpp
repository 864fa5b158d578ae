// The screenshot of a full-HD screen (1920 × 1080, one window of the framework on the headless
// back-end filling it), from the capture to the PNG in memory:
// - BM_Capture: the pixels taken from the window's surface, the focus frame drawn;
// - BM_PNGOfAWindowedScreen: the colour reduction and the PNG of a screen as programs show one
//   (flat areas, lines, and text edges in a few hundred shades);
// - BM_PNGOfAPhoto: the same of a screen whose every pixel has a colour of its own (a photograph
//   filling it), where every colour is looked up in the palette;
// - BM_LibpngRGBOf...: the yardstick, libpng writing the same pixels as an RGB PNG at zlib level 6.
// Goal: each PNG within 1.5 times its yardstick.
#include <benchmark/benchmark.h>

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crashreport/process_state.h"
#include "crashreport/files/screenshot.h"
#include "platform/backend/headless.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/rtl/streams.h"

namespace {

using PixelFunction = std::uint32_t (*)(int X, int Y);

std::uint32_t Windowed(int X, int Y) {
  if (Y % 24 == 23 || X % 320 == 0) return 0xFFA0A0A0;  // grid lines
  if (Y % 24 > 6 && Y % 24 < 18 && X % 320 > 8 && X % 320 < 200) {
    // text: black on white with edges in grey and a hint of colour
    const std::uint32_t v = static_cast<std::uint32_t>((X * 37 + Y * 11) % 256);
    return 0xFF000000u | v << 16 | v << 8 | (v ^ (X & 3));
  }
  return Y < 60 ? 0xFF3C6EB4 : 0xFFFFFFFF;
}

std::uint32_t Photo(int X, int Y) {
  return 0xFF000000u | static_cast<std::uint32_t>(X & 0xFF) << 16 | static_cast<std::uint32_t>(Y & 0xFF) << 8 |
         static_cast<std::uint32_t>((X >> 8) << 5 | (Y >> 8) << 2 | ((X + Y) & 3));
}

// One shown window over the whole screen, painted by Pixel, in front.
lab::win::HWND Screen(PixelFunction Pixel) {
  static bool backend = (lab::SetBackend(lab::CreateHeadlessBackend()), true);
  (void)backend;
  lab::win::HWND window = lab::wm::CreateWindowEx(0, "ScreenshotBench", "", lab::win::WS_POPUP | lab::win::WS_VISIBLE,
                                                  0, 0, 1920, 1080, nullptr, 0);
  lab::wm::SetActiveWindow(window);
  lab::TGdiBitmap* surface = lab::wm::WindowSurface(window);
  surface->BeginDirect();
  for (int y = 0; y < surface->Height(); ++y)
    for (int x = 0; x < surface->Width(); ++x) surface->Row(y)[x] = Pixel(x, y);
  surface->EndDirect();
  lab::CrashState().FocusedWindow = window;
  return window;
}

void BM_Capture(benchmark::State& state) {
  lab::win::HWND window = Screen(Windowed);
  for (auto _ : state) lab::CaptureScreenshot();
  state.counters["pixels"] = static_cast<double>(lab::CapturedScreenshot().Pixels.size());
  lab::wm::DestroyWindow(window);
}
BENCHMARK(BM_Capture)->Unit(benchmark::kMillisecond);

void PNGOf(benchmark::State& state, PixelFunction Pixel) {
  lab::win::HWND window = Screen(Pixel);
  lab::CaptureScreenshot();
  std::int64_t size = 0;
  for (auto _ : state) {
    lab::TMemoryStream png;
    lab::SaveBitmapAsPNG(png);
    size = png.Size();
  }
  state.counters["bytes"] = static_cast<double>(size);
  lab::wm::DestroyWindow(window);
}

void BM_PNGOfAWindowedScreen(benchmark::State& state) { PNGOf(state, Windowed); }
BENCHMARK(BM_PNGOfAWindowedScreen)->Unit(benchmark::kMillisecond);

void BM_PNGOfAPhoto(benchmark::State& state) { PNGOf(state, Photo); }
BENCHMARK(BM_PNGOfAPhoto)->Unit(benchmark::kMillisecond);

// The picture as libpng writes it in RGB, into memory.
std::size_t LibpngRGB(const lab::TCrashPicture& Picture) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::string out;
  png_set_write_fn(
      png, &out,
      [](png_structp Png, png_bytep Data, png_size_t Size) {
        static_cast<std::string*>(png_get_io_ptr(Png))->append(reinterpret_cast<const char*>(Data), Size);
      },
      nullptr);
  png_set_compression_level(png, 6);
  const int width = Picture.Width(), height = Picture.Height();
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* pixels = Picture.Pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<png_byte>(pixels[x] >> 16);
      row[3 * x + 1] = static_cast<png_byte>(pixels[x] >> 8);
      row[3 * x + 2] = static_cast<png_byte>(pixels[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out.size();
}

void LibpngOf(benchmark::State& state, PixelFunction Pixel) {
  lab::win::HWND window = Screen(Pixel);
  lab::CaptureScreenshot();
  std::size_t size = 0;
  for (auto _ : state) size = LibpngRGB(lab::CapturedScreenshot());
  state.counters["bytes"] = static_cast<double>(size);
  lab::wm::DestroyWindow(window);
}

void BM_LibpngRGBOfAWindowedScreen(benchmark::State& state) { LibpngOf(state, Windowed); }
BENCHMARK(BM_LibpngRGBOfAWindowedScreen)->Unit(benchmark::kMillisecond);

void BM_LibpngRGBOfAPhoto(benchmark::State& state) { LibpngOf(state, Photo); }
BENCHMARK(BM_LibpngRGBOfAPhoto)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
