#pragma once
// TGraphic and TBitmap: pictures that a canvas draws. A bitmap is a 32-bit surface with its own
// canvas; it reads and writes the BMP format, can be drawn transparently (one colour left out), and
// can be monochrome for masks.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/bmp_format.h"
#include "platform/graphics/canvas.h"
#include "platform/rtl/streams.h"

namespace lab {

class TGraphic : public TPersistent {
  LAB_CLASS(TGraphic, TPersistent)
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int v) = 0;
  virtual void SetHeight(int v) = 0;
  bool Transparent() const noexcept { return transparent_; }
  virtual void SetTransparent(bool v);
  bool Modified() const noexcept { return modified_; }
  void SetModified(bool v) { modified_ = v; }

  // Whole files in the graphic's format.
  virtual void LoadFromBytes(std::span<const std::uint8_t> data) = 0;
  virtual std::vector<std::uint8_t> SaveToBytes() const = 0;
  // Reads one picture from the stream's position (and no further); writes one at its position.
  virtual void LoadFromStream(TStream* stream) = 0;
  void SaveToStream(TStream* stream) const;
  // Raises EFOpenError or EFCreateError naming the file when it cannot be read or written.
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) const;

  // Paints the graphic into r of the canvas (scaled when sizes differ).
  virtual void Draw(TCanvas* canvas, const TRect& r) = 0;

  // In forms a picture travels as "Data": its byte length (4 bytes) and then its file.
  void DefineProperties(TFiler& Filer) override;
  void ReadData(TStream* stream);
  void WriteData(TStream* stream) const;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
  LAB_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int v) override { SetSize(v, Height()); }
  void SetHeight(int v) override { SetSize(Width(), v); }
  // New pixels take the canvas brush colour (white unless changed). Negative sizes count as 0.
  void SetSize(int width, int height);

  TCanvas* Canvas();
  // The device bitmap (selectable into a memory context).
  win::HBITMAP Handle();
  // Takes over a device bitmap (the caller's reference passes to the bitmap).
  void SetHandle(win::HBITMAP h);

  bool Monochrome() const;
  void SetMonochrome(bool v);
  TPixelFormat PixelFormat() const noexcept { return Monochrome() ? pf1bit : format_; }
  void SetPixelFormat(TPixelFormat v);

  // With tmAuto, the colour of the bottom-left pixel.
  TColor TransparentColor();
  void SetTransparentColor(TColor c);
  TTransparentMode TransparentMode() const noexcept { return mode_; }
  void SetTransparentMode(TTransparentMode m);

  // Row y of 32-bit pixels (0xFFRRGGBB); valid until the size changes. Writing through it needs
  // Changed() afterwards for listeners.
  std::uint32_t* ScanLine(int y);

  void LoadFromBytes(std::span<const std::uint8_t> data) override;
  std::vector<std::uint8_t> SaveToBytes() const override;
  void LoadFromStream(TStream* stream) override;
  // The named resource of type "BITMAP" (a BMP file, or a bare DIB). Raises EResNotFound
  // "Resource NAME not found" when there is none; the instance is accepted for the framework's form.
  void LoadFromResourceName(void* instance, std::string_view name);
  void Draw(TCanvas* canvas, const TRect& r) override;
  void Assign(TPersistent* Source) override;

  // Announces a change made through ScanLine.
  void Changed() override;

 private:
  class TBitmapCanvas;
  void EnsureImage();
  void ImageReplaced();
  void SetImage(const TDecodedImage& img);

  TGdiRef<TGdiBitmap> image_;
  std::unique_ptr<TBitmapCanvas> canvas_;
  TPixelFormat format_ = pfDevice;
  TTransparentMode mode_ = tmAuto;
  TColor transparent_color_ = clDefault;
};

}  // namespace lab
