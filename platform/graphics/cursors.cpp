#include "platform/graphics/cursors.h"

#include <cairo.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>

#include "platform/classes/resources.h"
#include "platform/graphics/bmp_format.h"

namespace lab {
namespace {

constexpr int IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515, IDC_UPARROW = 32516,
              IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643, IDC_SIZEWE = 32644, IDC_SIZENS = 32645,
              IDC_SIZEALL = 32646, IDC_NO = 32648, IDC_HAND = 32649, IDC_APPSTARTING = 32650, IDC_HELP = 32651;

// Draws the standard shapes: white bodies with black outlines on a transparent 32×32 image.
class Pen {
 public:
  Pen() {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 32);
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr_, 1);
  }
  ~Pen() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }

  // A closed outline, shifted by (dx, dy) and turned by `degrees` about (cx, cy).
  void Poly(std::initializer_list<TPoint> pts, double dx = 0, double dy = 0, double degrees = 0, double cx = 0,
            double cy = 0) {
    cairo_save(cr_);
    cairo_translate(cr_, cx + 0.5, cy + 0.5);
    cairo_rotate(cr_, degrees * std::numbers::pi / 180);
    cairo_translate(cr_, -cx, -cy);
    bool first = true;
    for (TPoint p : pts) {
      if (first) cairo_move_to(cr_, p.X + dx, p.Y + dy);
      else cairo_line_to(cr_, p.X + dx, p.Y + dy);
      first = false;
    }
    cairo_close_path(cr_);
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_fill_preserve(cr_);
    cairo_set_source_rgb(cr_, 0, 0, 0);
    cairo_stroke(cr_);
    cairo_restore(cr_);
  }
  void Line(TPoint a, TPoint b, double width = 1) {
    cairo_set_source_rgb(cr_, 0, 0, 0);
    cairo_set_line_width(cr_, width);
    cairo_move_to(cr_, a.X + 0.5, a.Y + 0.5);
    cairo_line_to(cr_, b.X + 0.5, b.Y + 0.5);
    cairo_stroke(cr_);
    cairo_set_line_width(cr_, 1);
  }
  void Ring(double cx, double cy, double r, double width) {
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_set_line_width(cr_, width + 2);
    cairo_arc(cr_, cx, cy, r, 0, 2 * std::numbers::pi);
    cairo_stroke(cr_);
    cairo_set_source_rgb(cr_, 0, 0, 0);
    cairo_set_line_width(cr_, width);
    cairo_arc(cr_, cx, cy, r, 0, 2 * std::numbers::pi);
    cairo_move_to(cr_, cx - r * 0.7, cy - r * 0.7);
    cairo_line_to(cr_, cx + r * 0.7, cy + r * 0.7);
    cairo_stroke(cr_);
    cairo_set_line_width(cr_, 1);
  }

  TCursorImage* Finish(TPoint hot, int id) {
    cairo_surface_flush(surface_);
    std::vector<std::uint32_t> px(32 * 32);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (int y = 0; y < 32; ++y) std::memcpy(&px[static_cast<std::size_t>(y) * 32], data + std::ptrdiff_t{y} * stride, 32 * 4);
    // Without antialiasing every pixel is fully opaque or fully clear: premultiplied equals straight.
    return new TCursorImage(32, 32, hot, std::move(px), id);
  }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

void ArrowBody(Pen& p, double dx = 0, double dy = 0) {
  p.Poly({{0, 0}, {0, 17}, {4, 13}, {7, 20}, {10, 19}, {7, 12}, {12, 12}}, dx, dy);
}

void DoubleArrow(Pen& p, double degrees) {
  p.Poly({{0, 4}, {4, 0}, {4, 3}, {18, 3}, {18, 0}, {22, 4}, {18, 8}, {18, 5}, {4, 5}, {4, 8}}, 5, 12, degrees, 16, 16);
}

void Hourglass(Pen& p, double dx, double dy, double scale) {
  auto s = [&](int v) { return static_cast<int>(std::lround(v * scale)); };
  p.Poly({{s(0), s(0)}, {s(16), s(0)}, {s(16), s(3)}, {s(10), s(14)}, {s(16), s(25)}, {s(16), s(28)}, {s(0), s(28)},
          {s(0), s(25)}, {s(6), s(14)}, {s(0), s(3)}},
         dx, dy);
}

TCursorImage* DrawStandard(TCursor cursor) {
  Pen p;
  switch (cursor) {
    case crArrow:
      ArrowBody(p);
      return p.Finish({0, 0}, IDC_ARROW);
    case crCross:
      p.Line({16, 5}, {16, 27});
      p.Line({5, 16}, {27, 16});
      return p.Finish({16, 16}, IDC_CROSS);
    case crIBeam:
      p.Line({13, 8}, {15, 8});
      p.Line({17, 8}, {19, 8});
      p.Line({16, 9}, {16, 23});
      p.Line({13, 24}, {15, 24});
      p.Line({17, 24}, {19, 24});
      return p.Finish({16, 16}, IDC_IBEAM);
    case crSizeWE:
      DoubleArrow(p, 0);
      return p.Finish({16, 16}, IDC_SIZEWE);
    case crSizeNS:
      DoubleArrow(p, 90);
      return p.Finish({16, 16}, IDC_SIZENS);
    case crSizeNWSE:
      DoubleArrow(p, 45);
      return p.Finish({16, 16}, IDC_SIZENWSE);
    case crSizeNESW:
      DoubleArrow(p, -45);
      return p.Finish({16, 16}, IDC_SIZENESW);
    case crSizeAll:
      DoubleArrow(p, 0);
      DoubleArrow(p, 90);
      return p.Finish({16, 16}, IDC_SIZEALL);
    case crUpArrow:
      p.Poly({{5, 0}, {10, 5}, {7, 5}, {7, 16}, {3, 16}, {3, 5}, {0, 5}}, 11, 8);
      return p.Finish({16, 8}, IDC_UPARROW);
    case crHourGlass:
    case crSQLWait:
      Hourglass(p, 8, 2, 1);
      return p.Finish({16, 16}, cursor == crHourGlass ? IDC_WAIT : 0);
    case crAppStart:
      ArrowBody(p);
      Hourglass(p, 14, 14, 0.5);
      return p.Finish({0, 0}, IDC_APPSTARTING);
    case crDrag:
      ArrowBody(p);
      p.Poly({{0, 0}, {10, 0}, {10, 7}, {0, 7}}, 6, 21);
      return p.Finish({0, 0}, 0);
    case crMultiDrag:
      ArrowBody(p);
      p.Poly({{0, 0}, {10, 0}, {10, 7}, {0, 7}}, 9, 19);
      p.Poly({{0, 0}, {10, 0}, {10, 7}, {0, 7}}, 6, 23);
      return p.Finish({0, 0}, 0);
    case crNoDrop:
      ArrowBody(p);
      p.Ring(20, 22, 6, 2);
      return p.Finish({0, 0}, 0);
    case crNo:
      p.Ring(16, 16, 11, 3);
      return p.Finish({16, 16}, IDC_NO);
    case crHSplit:
      p.Poly({{0, 0}, {1, 0}, {1, 20}, {0, 20}}, 14, 6);
      p.Poly({{0, 0}, {1, 0}, {1, 20}, {0, 20}}, 17, 6);
      p.Poly({{0, 4}, {4, 0}, {4, 8}}, 8, 12);
      p.Poly({{0, 0}, {4, 4}, {0, 8}}, 20, 12);
      return p.Finish({16, 16}, 0);
    case crVSplit:
      p.Poly({{0, 0}, {20, 0}, {20, 1}, {0, 1}}, 6, 14);
      p.Poly({{0, 0}, {20, 0}, {20, 1}, {0, 1}}, 6, 17);
      p.Poly({{0, 4}, {4, 0}, {8, 4}}, 12, 8);
      p.Poly({{0, 0}, {8, 0}, {4, 4}}, 12, 20);
      return p.Finish({16, 16}, 0);
    case crHelp:
      ArrowBody(p);
      p.Poly({{0, 2}, {2, 0}, {6, 0}, {8, 2}, {8, 5}, {5, 7}, {5, 9}, {3, 9}, {3, 6}, {6, 4}, {6, 2}, {2, 2}, {2, 3}, {0, 3}}, 15, 2);
      p.Poly({{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 18, 13);
      return p.Finish({0, 0}, IDC_HELP);
    case crHandPoint:
      p.Poly({{6, 0}, {9, 0}, {9, 8}, {16, 8}, {18, 10}, {18, 20}, {14, 24}, {6, 24}, {2, 16}, {2, 12}, {4, 12}, {6, 14}},
             5, 2);
      return p.Finish({12, 2}, IDC_HAND);
    default:
      return nullptr;
  }
}

struct Table {
  std::mutex mutex;
  std::map<TCursor, TCursorImage*> standard;  // drawn on first use, never freed
  std::map<TCursor, std::unique_ptr<TCursorImage>> owned;
  std::map<TCursor, TCursorImage*> replaced;
};

Table& TheTable() {
  static Table* table = new Table;  // never freed: images may be in use at exit
  return *table;
}

struct CursorName {
  TCursor Cursor;
  std::string_view Name;
};
constexpr CursorName kNames[] = {
    {crDefault, "crDefault"}, {crNone, "crNone"}, {crArrow, "crArrow"}, {crCross, "crCross"},
    {crIBeam, "crIBeam"}, {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"}, {crSizeNWSE, "crSizeNWSE"},
    {crSizeWE, "crSizeWE"}, {crUpArrow, "crUpArrow"}, {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"}, {crHSplit, "crHSplit"}, {crVSplit, "crVSplit"}, {crMultiDrag, "crMultiDrag"},
    {crSQLWait, "crSQLWait"}, {crNo, "crNo"}, {crAppStart, "crAppStart"}, {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"}, {crSizeAll, "crSizeAll"},
};

std::uint16_t U16(std::span<const std::uint8_t> d, std::size_t at) {
  if (at + 2 > d.size()) throw EInvalidGraphic("Cursor image is not valid");
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at) {
  return U16(d, at) | (static_cast<std::uint32_t>(U16(d, at + 2)) << 16);
}

}  // namespace

TCursorImage* ReadCursorFile(std::span<const std::uint8_t> data) {
  const std::uint16_t type = U16(data, 2), count = U16(data, 4);
  if (U16(data, 0) != 0 || (type != 1 && type != 2) || count == 0)
    throw EInvalidGraphic("Cursor image is not valid");
  // The entry nearest to 32×32 (a stored 0 means 256).
  std::size_t best = 0;
  int best_score = 1 << 30;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    if (at + 16 > data.size()) throw EInvalidGraphic("Cursor image is not valid");
    const int w = data[at] ? data[at] : 256;
    const int score = std::abs(w - 32);
    if (score < best_score) {
      best_score = score;
      best = at;
    }
  }
  TPoint hot{U16(data, best + 4), U16(data, best + 6)};
  if (type == 1) hot = {0, 0};  // icons have planes and bit counts there
  const std::uint32_t size = U32(data, best + 8), offset = U32(data, best + 12);
  if (offset >= data.size() || size > data.size() - offset) throw EInvalidGraphic("Cursor image is not valid");
  const auto image = data.subspan(offset, size);
  if (image.size() >= 4 && image[0] == 0x89 && image[1] == 'P' && image[2] == 'N' && image[3] == 'G') {
    // PNG-compressed entries: cairo reads them.
    struct Reader {
      std::span<const std::uint8_t> bytes;
      std::size_t at = 0;
    } reader{image};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(
        [](void* closure, unsigned char* out, unsigned int length) {
          auto* r = static_cast<Reader*>(closure);
          if (r->bytes.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
          std::memcpy(out, r->bytes.data() + r->at, length);
          r->at += length;
          return CAIRO_STATUS_SUCCESS;
        },
        &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(s);
      throw EInvalidGraphic("Cursor image is not valid");
    }
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* d = cairo_image_surface_get_data(s);
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint32_t v;
        std::memcpy(&v, d + std::ptrdiff_t{y} * stride + std::ptrdiff_t{4} * x, 4);
        const std::uint32_t a = v >> 24;
        // Premultiplied to straight.
        auto un = [a](std::uint32_t c) { return a ? std::min<std::uint32_t>(255, c * 255 / a) : 0; };
        px[static_cast<std::size_t>(y) * w + x] =
            (a << 24) | (un((v >> 16) & 0xFF) << 16) | (un((v >> 8) & 0xFF) << 8) | un(v & 0xFF);
      }
    cairo_surface_destroy(s);
    return new TCursorImage(w, h, hot, std::move(px));
  }
  // An entry is at most 256 pixels a side (the directory keeps the side in a byte), its mask below its
  // colours: a header claiming more is damaged and refused before an image that large is made.
  if (image.size() >= 12) {
    const bool core = U32(image, 0) == 12;
    const std::int64_t w = core ? U16(image, 4) : static_cast<std::int32_t>(U32(image, 4));
    const std::int64_t h = core ? U16(image, 6) : static_cast<std::int32_t>(U32(image, 8));
    if (w > 256 || h > 512 || h < -512) throw EInvalidGraphic("Cursor image is not valid");
  }
  TDecodedImage img = DecodeDib(image, true);
  std::vector<std::uint32_t> px(img.Pixels.size());
  for (std::size_t i = 0; i < px.size(); ++i) {
    const std::uint32_t rgb = img.Pixels[i] & 0xFFFFFF;
    if (!img.Alpha.empty()) {
      px[i] = (static_cast<std::uint32_t>(img.Alpha[i]) << 24) | rgb;
    } else if (img.Mask[i]) {
      // Transparent, or (with colour bits set) inverting the screen: shown black.
      px[i] = rgb ? 0xFF000000u : 0;
    } else {
      px[i] = 0xFF000000u | rgb;
    }
  }
  return new TCursorImage(img.Width, img.Height, hot, std::move(px));
}

TCursorImage* LoadCursorResource(std::string_view name) { return ReadCursorFile(LoadResource(name, "CURSOR")); }

TCursorImage* StandardCursor(TCursor cursor) {
  if (cursor == crDefault) cursor = crArrow;
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.standard.find(cursor);
  if (it != t.standard.end()) return it->second;
  TCursorImage* image = DrawStandard(cursor);
  t.standard[cursor] = image;
  return image;
}

TCursorImage* ScreenCursor(TCursor cursor) {
  {
    Table& t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.replaced.find(cursor);
    if (it != t.replaced.end()) return it->second;
  }
  if (cursor == crNone) return nullptr;
  if (TCursorImage* s = StandardCursor(cursor)) return s;
  return StandardCursor(crArrow);
}

void SetScreenCursor(TCursor cursor, TCursorImage* image) {
  Table& t = TheTable();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto owned = t.owned.find(cursor);
  if (owned != t.owned.end() && owned->second.get() != image) {
    // Still stored under another number: keep it alive there.
    TCursorImage* old = owned->second.release();
    t.owned.erase(owned);
    for (auto& [n, r] : t.replaced)
      if (n != cursor && r == old && !t.owned.count(n)) {
        t.owned[n].reset(old);
        old = nullptr;
        break;
      }
    delete old;
  } else if (owned != t.owned.end()) {
    owned->second.release();
    t.owned.erase(owned);
  }
  t.replaced.erase(cursor);
  if (!image) return;
  t.replaced[cursor] = image;
  if (!image->Shared()) {
    // Owned once, whatever number it is stored under; standard images are never owned.
    bool known = false;
    for (const auto& [n, s] : t.standard) known |= s == image;
    for (const auto& [n, o] : t.owned) known |= o.get() == image;
    if (!known) t.owned[cursor].reset(image);
  }
}

std::optional<std::string_view> CursorToIdent(TCursor cursor) {
  for (const auto& n : kNames)
    if (n.Cursor == cursor) return n.Name;
  return std::nullopt;
}

std::optional<TCursor> IdentToCursor(std::string_view ident) {
  for (const auto& n : kNames) {
    if (n.Name.size() != ident.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < ident.size() && same; ++i) {
      char a = n.Name[i], b = ident[i];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
      same = a == b;
    }
    if (same) return n.Cursor;
  }
  return std::nullopt;
}

}  // namespace lab
