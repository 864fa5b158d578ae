// The screenshot of a full-HD screen (1920 × 1080, one window of the framework on the headless
// back-end filling it), from the capture to the PNG in memory:
// - BM_Capture: the pixels taken from the window's surface, the focus frame drawn;
// - BM_PNGOfAWindowedScreen: the colour reduction and the PNG of a screen as programs show one
//   (flat areas, lines, and text edges in a few hundred shades);
// - BM_PNGOfAPhoto: the same of a screen whose every pixel has a colour of its own (a photograph
//   filling it), where every colour is looked up in the palette.
// Goal: a report is not held up noticeably: a windowed screen within 250 ms, a photograph within 1 s.
#include <benchmark/benchmark.h>

#include <cstdint>

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

}  // namespace

BENCHMARK_MAIN();
