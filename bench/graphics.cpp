// Painting throughput on a 1920×1080 surface, the baseline for the editor's and the grid's painting:
// a line of monospace text at 13 pixels in fixed cells (characters per second), the grid's cell
// fills and lines, and one formatted cell text. Each fill runs beside the same fill by plain cairo
// ("PlainCairo"), its yardstick: a fill should take at most 1.2 times as long. Where the machine is
// busy, count instructions per fill instead: win::FillRect against cairo_rectangle + cairo_fill, the
// inclusive costs over their call counts in
//   valgrind --tool=callgrind --callgrind-out-file=fill.cg build/bench_graphics --benchmark_filter=Fill
//     --benchmark_min_time=0.2
//   callgrind_annotate --inclusive=yes --tree=caller fill.cg
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <string>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/win/draw_text.h"
#include "platform/win/gdi.h"

namespace {

using namespace lab;

struct Screen {
  TBitmap bmp{1920, 1080};
  win::HDC dc;
  int cell = 0, line = 0;
  Screen() {
    bmp.Canvas()->Font()->SetName("monospace");
    bmp.Canvas()->Font()->SetHeight(-13);
    bmp.Canvas()->TextWidth("x");  // selects the font
    dc = bmp.Canvas()->Handle();
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(dc, &tm);
    cell = tm.tmAveCharWidth;
    line = tm.tmHeight;
  }
};

const std::u32string kCode =
    U"    if (record->Status == kTimeout && retries < MaxRetries) { Send(device, buffer, length); ++retries; }  // again";

// The editor's way: one opaque run per token with a fixed cell per character.
void BM_MonospaceLineInCells(benchmark::State& state) {
  Screen s;
  std::vector<int> dx(kCode.size(), s.cell);
  win::SetTextColor(s.dc, 0);
  win::SetBkColor(s.dc, 0xFFFFFF);
  int row = 0;
  for (auto _ : state) {
    const int y = (row++ % (1080 / s.line)) * s.line;
    const TRect r{0, y, static_cast<int>(kCode.size()) * s.cell, y + s.line};
    win::ExtTextOut(s.dc, 0, y, win::ETO_OPAQUE | win::ETO_CLIPPED, &r, std::u32string_view(kCode), dx.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCode.size()));
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kCode.size()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonospaceLineInCells);

// The same text through the canvas, UTF-8, transparent background.
void BM_MonospaceLineCanvas(benchmark::State& state) {
  Screen s;
  const std::string text(kCode.begin(), kCode.end());
  s.bmp.Canvas()->Brush()->SetStyle(bsClear);
  int row = 0;
  for (auto _ : state) s.bmp.Canvas()->TextOut(0, (row++ % (1080 / s.line)) * s.line, text);
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(state.iterations() * text.size()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonospaceLineCanvas);

// A grid screen: 19 columns × 54 rows of 100×20 cells, each filled with a brush.
void BM_GridCellFills(benchmark::State& state) {
  Screen s;
  win::HBRUSH brushes[2] = {win::CreateSolidBrush(0xFFFFFF), win::CreateSolidBrush(0xF0F0F0)};
  std::int64_t cells = 0;
  for (auto _ : state) {
    for (int y = 0; y + 20 <= 1080; y += 20)
      for (int x = 0; x + 100 <= 1920; x += 100) {
        const TRect r{x, y, x + 99, y + 19};
        win::FillRect(s.dc, &r, brushes[(y / 20) & 1]);
        ++cells;
      }
  }
  state.counters["rects/s"] = benchmark::Counter(static_cast<double>(cells), benchmark::Counter::kIsRate);
  win::DeleteObject(brushes[0]);
  win::DeleteObject(brushes[1]);
}
BENCHMARK(BM_GridCellFills);

// The same cells filled by plain cairo on an image surface of the same size: the yardstick of the
// fill above (goal: the fill above within 1.2 times this).
void BM_GridCellFillsPlainCairo(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1920, 1080);
  cairo_t* cr = cairo_create(surface);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  std::int64_t cells = 0;
  for (auto _ : state) {
    for (int y = 0; y + 20 <= 1080; y += 20)
      for (int x = 0; x + 100 <= 1920; x += 100) {
        const double shade = ((y / 20) & 1) ? 240 / 255.0 : 1.0;
        cairo_set_source_rgb(cr, shade, shade, shade);
        cairo_rectangle(cr, x, y, 99, 19);
        cairo_fill(cr);
        ++cells;
      }
    cairo_surface_flush(surface);
  }
  state.counters["rects/s"] = benchmark::Counter(static_cast<double>(cells), benchmark::Counter::kIsRate);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_GridCellFillsPlainCairo);

// The whole surface in one fill (pixel throughput).
void BM_FullSurfaceFill(benchmark::State& state) {
  Screen s;
  win::HBRUSH brush = win::CreateSolidBrush(0xC0C0C0);
  const TRect all{0, 0, 1920, 1080};
  for (auto _ : state) win::FillRect(s.dc, &all, brush);
  state.counters["pixels/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1920 * 1080, benchmark::Counter::kIsRate);
  win::DeleteObject(brush);
}
BENCHMARK(BM_FullSurfaceFill);

// The same by plain cairo.
void BM_FullSurfaceFillPlainCairo(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1920, 1080);
  cairo_t* cr = cairo_create(surface);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, 192 / 255.0, 192 / 255.0, 192 / 255.0);
  for (auto _ : state) {
    cairo_rectangle(cr, 0, 0, 1920, 1080);
    cairo_fill(cr);
    cairo_surface_flush(surface);
  }
  state.counters["pixels/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1920 * 1080, benchmark::Counter::kIsRate);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_FullSurfaceFillPlainCairo);

// The grid lines of one screen in one PolyPolyline.
void BM_GridLines(benchmark::State& state) {
  Screen s;
  std::vector<TPoint> pts;
  std::vector<win::DWORD> counts;
  for (int y = 19; y < 1080; y += 20) {
    pts.push_back({0, y});
    pts.push_back({1920, y});
    counts.push_back(2);
  }
  for (int x = 99; x < 1920; x += 100) {
    pts.push_back({x, 0});
    pts.push_back({x, 1080});
    counts.push_back(2);
  }
  for (auto _ : state)
    win::PolyPolyline(s.dc, pts.data(), counts.data(), static_cast<win::DWORD>(counts.size()));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(counts.size()));
}
BENCHMARK(BM_GridLines);

// One grid cell's text: single line, vertically centred, end ellipsis, clipped.
void BM_CellDrawText(benchmark::State& state) {
  Screen s;
  s.bmp.Canvas()->Font()->SetName("sans-serif");
  s.bmp.Canvas()->TextWidth("x");
  win::SetBkMode(s.dc, win::TRANSPARENT);
  int i = 0;
  for (auto _ : state) {
    const int x = (i % 19) * 100, y = ((i / 19) % 54) * 20;
    ++i;
    TRect r{x + 2, y, x + 98, y + 19};
    win::DrawText(s.dc, "Measurement 4711 of device COM3", -1, &r,
                  win::DT_SINGLELINE | win::DT_VCENTER | win::DT_END_ELLIPSIS | win::DT_NOPREFIX);
  }
  state.counters["cells/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CellDrawText);

}  // namespace

BENCHMARK_MAIN();
