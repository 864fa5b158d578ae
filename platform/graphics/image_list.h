#pragma once
// TImageList: a list of equally sized images with masks, drawn enabled or greyed out; TChangeLink
// lets the controls that show a list hear about its changes.

#include <cstdint>
#include <vector>

#include "platform/classes/component.h"
#include "platform/classes/properties.h"
#include "platform/graphics/bitmap.h"

namespace lab {

class TCustomImageList;

class TChangeLink : public TObject {
  LAB_CLASS(TChangeLink, TObject)
 public:
  TChangeLink() = default;
  // Unregisters from its list.
  ~TChangeLink() override;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;

  TCustomImageList* Sender() const noexcept { return sender_; }
  void SetSender(TCustomImageList* v) noexcept { sender_ = v; }
  virtual void Change();

  TNotifyEvent OnChange;

 private:
  TCustomImageList* sender_ = nullptr;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };
LAB_ENUM_NAMES(TDrawingStyle, "dsFocus", "dsSelected", "dsNormal", "dsTransparent")
LAB_ENUM_NAMES(TImageType, "itImage", "itMask")

class TCustomImageList : public TComponent {
  LAB_CLASS(TCustomImageList, TComponent)
  LAB_PROPERTIES(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* AOwner);
  TCustomImageList(TComponent* AOwner, int width, int height);
  ~TCustomImageList() override;

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  // A new size empties the list. Sizes below 1 raise EInvalidOperation "Invalid image size".
  void SetWidth(int v);
  void SetHeight(int v);
  int Count() const noexcept { return static_cast<int>(images_.size()); }
  // Drawn in this colour where the mask is clear, or transparent with clNone.
  TColor BkColor() const noexcept { return bk_color_; }
  void SetBkColor(TColor v);
  TColor BlendColor() const noexcept { return blend_color_; }
  void SetBlendColor(TColor v);
  TDrawingStyle DrawingStyle() const noexcept { return drawing_style_; }
  void SetDrawingStyle(TDrawingStyle v);
  TImageType ImageType() const noexcept { return image_type_; }
  void SetImageType(TImageType v);
  // Without masks images draw as opaque rectangles.
  bool Masked() const noexcept { return masked_; }
  void SetMasked(bool v);
  int AllocBy() const noexcept { return alloc_by_; }
  void SetAllocBy(int v) { alloc_by_ = v < 1 ? 1 : v; }

  // Adds each Width-wide slice of image (mask: white = transparent, black = shown; none: all shown).
  // Answers the index of the first image added, -1 when the image is empty.
  int Add(TBitmap* image, TBitmap* mask);
  // As Add, with the pixels of mask_color transparent (clDefault: the bottom-left pixel's colour).
  int AddMasked(TBitmap* image, TColor mask_color);
  void Insert(int index, TBitmap* image, TBitmap* mask);
  void InsertMasked(int index, TBitmap* image, TColor mask_color);
  void Replace(int index, TBitmap* image, TBitmap* mask);
  void ReplaceMasked(int index, TBitmap* image, TColor mask_color);
  // Raises EInvalidOperation "Invalid ImageList Index" (also for Replace and the others) out of range.
  void Delete(int index);
  void Move(int cur_index, int new_index);
  void Clear();
  // Copies image index into bitmap (resized to the list's size; clear parts in the background colour,
  // or white with clNone).
  void GetBitmap(int index, TBitmap* bitmap);

  // Draws image index at (x, y); an index out of range draws nothing. Disabled images are greyed:
  // their dark parts embossed in the button highlight and shadow colours.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
  void Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle style, TImageType type, bool enabled = true);

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  void BeginUpdate() { ++updating_; }
  void EndUpdate();

  void Assign(TPersistent* Source) override;
  // The images travel in forms as "Bitmap" data.
  void DefineProperties(TFiler& Filer) override;
  // The images as stored in forms, and back.
  void WriteData(TStream* stream) const;
  void ReadData(TStream* stream);

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  struct TImage {
    std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB
    std::vector<std::uint8_t> clear;    // 1 where the mask lets the background through
  };
  std::vector<TImage> Slice(TBitmap* image, TBitmap* mask, bool by_color, TColor mask_color) const;
  void CheckIndex(int index) const;

  int width_ = 16, height_ = 16;
  TColor bk_color_ = clNone, blend_color_ = clNone;
  TDrawingStyle drawing_style_ = dsNormal;
  TImageType image_type_ = itImage;
  bool masked_ = true;
  int alloc_by_ = 4;
  std::vector<TImage> images_;
  std::vector<TChangeLink*> links_;
  int updating_ = 0;
  bool changed_while_updating_ = false;
};

class TImageList : public TCustomImageList {
  LAB_CLASS(TImageList, TCustomImageList)
 public:
  using TCustomImageList::TCustomImageList;
};

}  // namespace lab
