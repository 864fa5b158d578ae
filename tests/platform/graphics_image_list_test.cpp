#include <gtest/gtest.h>

#include <memory>

#include "graphics_test_util.h"
#include "platform/graphics/image_list.h"

namespace lab {
namespace {

using test::At;
using test::Clear;

// Two 4×4 images side by side: the first red with a clear left column, the second blue.
void TwoImages(TBitmap& image, TBitmap& mask) {
  image.SetSize(8, 4);
  Clear(image, clRed);
  image.Canvas()->Brush()->SetColor(clBlue);
  image.Canvas()->FillRect({4, 0, 8, 4});
  mask.SetSize(8, 4);
  Clear(mask, clBlack);
  mask.Canvas()->Brush()->SetColor(clWhite);
  mask.Canvas()->FillRect({0, 0, 1, 4});
}

TEST(GraphicsImageList, AddSlicesImagesAndDrawsThroughTheMask) {
  TImageList list(nullptr, 4, 4);
  TBitmap image, mask;
  TwoImages(image, mask);
  EXPECT_EQ(list.Add(&image, &mask), 0);
  EXPECT_EQ(list.Count(), 2);

  TBitmap dst(10, 10);
  Clear(dst, clLime);
  list.Draw(dst.Canvas(), 2, 3, 0);
  EXPECT_EQ(At(dst, 2, 3), 0x00FF00u) << "clear in the mask";
  EXPECT_EQ(At(dst, 3, 3), RGB(255, 0, 0));
  EXPECT_EQ(At(dst, 5, 6), RGB(255, 0, 0));
  EXPECT_EQ(At(dst, 6, 7), 0x00FF00u);
  list.Draw(dst.Canvas(), 0, 0, 1);
  EXPECT_EQ(At(dst, 1, 1), RGB(0, 0, 255));
  list.Draw(dst.Canvas(), 0, 0, 2);  // out of range: nothing
  list.Draw(dst.Canvas(), 0, 0, -1);

  // A background colour fills the clear part.
  list.SetBkColor(clYellow);
  list.Draw(dst.Canvas(), 2, 3, 0);
  EXPECT_EQ(At(dst, 2, 3), 0x00FFFFu);
  // Unmasked lists draw whole rectangles.
  list.SetBkColor(clNone);
  list.SetMasked(false);
  Clear(dst, clLime);
  list.Draw(dst.Canvas(), 2, 3, 0);
  EXPECT_EQ(At(dst, 2, 3), RGB(255, 0, 0));

  TBitmap copy;
  list.SetMasked(true);
  list.GetBitmap(0, &copy);
  EXPECT_EQ(copy.Width(), 4);
  EXPECT_EQ(At(copy, 3, 3), RGB(255, 0, 0));
  EXPECT_EQ(At(copy, 0, 0), 0xFFFFFFu) << "clear parts come out white";
}

TEST(GraphicsImageList, AddMaskedDisabledAndSelectedLooks) {
  TImageList list(nullptr, 4, 4);
  TBitmap image(4, 4);
  Clear(image, clFuchsia);
  image.Canvas()->Brush()->SetColor(clBlack);
  image.Canvas()->FillRect({1, 1, 3, 3});
  EXPECT_EQ(list.AddMasked(&image, clFuchsia), 0);
  EXPECT_EQ(list.AddMasked(&image, clDefault), 1) << "the bottom-left colour";

  TBitmap dst(8, 8);
  Clear(dst, clWhite);
  list.Draw(dst.Canvas(), 0, 0, 0, false);
  const TColorRef shadow = SystemColorRGB(syscolor::BtnShadow), light = SystemColorRGB(syscolor::BtnHighlight);
  EXPECT_EQ(At(dst, 1, 1), shadow);
  EXPECT_EQ(At(dst, 2, 2), shadow);
  EXPECT_EQ(At(dst, 3, 3), light) << "embossed one pixel down-right";
  EXPECT_EQ(At(dst, 0, 0), 0xFFFFFFu);

  Clear(dst, clWhite);
  list.Draw(dst.Canvas(), 0, 0, 0, dsSelected, itImage);
  EXPECT_NE(At(dst, 1, 1), 0u) << "tinted toward the highlight";
  EXPECT_EQ(At(dst, 0, 0), 0xFFFFFFu);
  Clear(dst, clLime);
  list.Draw(dst.Canvas(), 0, 0, 0, dsNormal, itMask);
  EXPECT_EQ(At(dst, 1, 1), 0u);
  EXPECT_EQ(At(dst, 0, 0), 0xFFFFFFu);
}

TEST(GraphicsImageList, EditingNotifiesLinksAndRejectsBadIndexes) {
  auto list = std::make_unique<TImageList>(nullptr);
  TChangeLink link;
  int link_changes = 0, list_changes = 0;
  link.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, list.get());
    ++link_changes;
  };
  list->OnChange = [&](TObject*) { ++list_changes; };
  list->RegisterChanges(&link);
  EXPECT_EQ(link.Sender(), list.get());

  TBitmap image(48, 16);
  Clear(image, clRed);
  list->AddMasked(&image, clNone);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(link_changes, 1);
  EXPECT_EQ(list_changes, 1);

  list->BeginUpdate();
  list->Delete(0);
  list->Move(0, 1);
  list->EndUpdate();
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(link_changes, 2) << "one notice for the whole update";

  try {
    list->Delete(5);
    ADD_FAILURE();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Invalid ImageList Index");
  }
  EXPECT_THROW(list->Replace(-1, &image, nullptr), EInvalidOperation);
  EXPECT_THROW(list->SetWidth(0), EInvalidOperation);

  list->SetHeight(20);
  EXPECT_EQ(list->Count(), 0) << "a new size empties the list";
  list.reset();
  EXPECT_EQ(link.Sender(), nullptr) << "the link forgets a freed list";

  // A link freed first unregisters itself.
  TImageList other(nullptr);
  {
    TChangeLink temporary;
    other.RegisterChanges(&temporary);
  }
  other.AddMasked(&image, clNone);
  EXPECT_EQ(other.Count(), 3);
}

TEST(GraphicsImageList, ImagesSurviveTheirStreamForm) {
  TImageList list(nullptr, 4, 4);
  TBitmap image, mask;
  TwoImages(image, mask);
  list.Add(&image, &mask);
  list.Add(&image, &mask);
  list.Add(&image, &mask);  // six images: two rows in the stored strip
  list.SetBkColor(clBtnFace);
  TMemoryStream stream;
  list.WriteData(&stream);
  stream.SetPosition(0);
  TImageList back(nullptr);
  back.ReadData(&stream);
  EXPECT_EQ(back.Count(), 6);
  EXPECT_EQ(back.Width(), 4);
  EXPECT_EQ(back.BkColor(), static_cast<TColor>(SystemColorRGB(syscolor::BtnFace)));
  TBitmap a, b;
  for (int i = 0; i < 6; ++i) {
    list.GetBitmap(i, &a);
    back.GetBitmap(i, &b);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) ASSERT_EQ(At(a, x, y), At(b, x, y)) << i;
  }
  // Images wider than the stored strip (16 pixels): each row would be read past its end.
  stream.SetPosition(0);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.Size()));
  stream.ReadBuffer(bytes.data(), stream.Size());
  bytes[10] = 17;  // image width
  bytes[4] = 1;    // one image
  TMemoryStream wide;
  wide.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  wide.SetPosition(0);
  EXPECT_THROW(back.ReadData(&wide), EReadError);
  EXPECT_EQ(back.Width(), 4) << "a failed read keeps the list as it was";
  // No images, but a height whose strip no bitmap can hold: taken, it could never be written back.
  bytes[10] = 4;
  bytes[4] = 0;
  bytes[12] = bytes[13] = 0xFF;
  TMemoryStream tall;
  tall.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  tall.SetPosition(0);
  EXPECT_THROW(back.ReadData(&tall), EReadError);
  EXPECT_EQ(back.Height(), 4);

  TMemoryStream junk;
  junk.WriteBuffer("XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX", 30);
  junk.SetPosition(0);
  EXPECT_THROW(back.ReadData(&junk), EReadError);
  EXPECT_EQ(back.Count(), 6) << "a failed read keeps the images";
}

TEST(GraphicsImageList, StripSmallerThanAnImageIsRefused) {
  // No images of 187x24833 pixels over a 12x4 strip: taken, the empty list would write back a
  // strip of 748x24833 pixels from 187 bytes.
  const std::uint8_t bytes[] = {
      0x49, 0x4c, 0x01, 0x17, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0xbb, 0x00, 0x01, 0x61, 0x00, 0x00,
      0x6f, 0x61, 0x6c, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0x42, 0x4d, 0xc6, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x0c, 0x00,
      0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x00,
      0x00, 0x00, 0x13, 0x0b, 0x00, 0x00, 0x13, 0x0b, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x6d,
      0x00, 0x00, 0x00, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x10,
      0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,
      0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x40, 0x40,
      0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40,
      0x40, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd, 0xcd,
      0xcd, 0xcd, 0xcd, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0x00, 0xf0, 0xf0, 0xf0, 0xf0, 0xf0,
      0xf0, 0xf0, 0xf0, 0xf0, 0xf0, 0xf0, 0xf0, 0xf0, 0xf0, 0x10, 0x0b,
  };
  TImageList list(nullptr, 2, 2);
  TMemoryStream stream;
  stream.WriteBuffer(bytes, sizeof bytes);
  stream.SetPosition(0);
  EXPECT_THROW(list.ReadData(&stream), EReadError);
  EXPECT_EQ(list.Width(), 2);
  EXPECT_EQ(list.Height(), 2);

  // At the edge: an empty list whose images are as large as the whole strip (16x4) reads, and
  // writes back what reads again; a row more is refused.
  TImageList source(nullptr, 4, 4);
  TBitmap image, mask;
  TwoImages(image, mask);
  source.Add(&image, &mask);
  TMemoryStream written;
  source.WriteData(&written);
  std::vector<std::uint8_t> edge(static_cast<std::size_t>(written.Size()));
  written.SetPosition(0);
  written.ReadBuffer(edge.data(), written.Size());
  edge[4] = 0;    // no images
  edge[10] = 16;  // image width
  TMemoryStream exact;
  exact.WriteBuffer(edge.data(), static_cast<std::int64_t>(edge.size()));
  exact.SetPosition(0);
  list.ReadData(&exact);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Width(), 16);
  TMemoryStream again;
  list.WriteData(&again);
  again.SetPosition(0);
  TImageList back(nullptr);
  back.ReadData(&again);
  EXPECT_EQ(back.Width(), 16);
  EXPECT_EQ(back.Height(), 4);
  edge[12] = 5;  // image height
  TMemoryStream taller;
  taller.WriteBuffer(edge.data(), static_cast<std::int64_t>(edge.size()));
  taller.SetPosition(0);
  EXPECT_THROW(list.ReadData(&taller), EReadError);
  EXPECT_EQ(list.Height(), 4);
}

TEST(GraphicsImageList, StripsClaimingMillionsOfPixelsAreRefusedBeforeDecoding) {
  // One 1x1 image over a run-length strip of a few bytes claiming 8191x32767 pixels.
  const std::uint8_t bytes[] = {
      0x49, 0x4c, 0x01, 0x01, 0x01, 0x00, 0x04, 0x00, 0x04, 0x00, 0x01, 0x00, 0x01, 0x00, 0xff, 0xff,
      0xff, 0xff, 0x18, 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x42, 0x4d, 0x3c, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3a, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0xff, 0x1f,
      0x00, 0x00, 0xff, 0x7f, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x10, 0x20, 0x30, 0x00, 0x00, 0x01,
  };
  TImageList list(nullptr, 2, 2);
  TMemoryStream stream;
  stream.WriteBuffer(bytes, sizeof bytes);
  stream.SetPosition(0);
  EXPECT_THROW(list.ReadData(&stream), EReadError);
  EXPECT_EQ(list.Width(), 2);
  // A header whose own strip (four 2048x2049 images a row) would pass 2^24 pixels is refused too.
  std::vector<std::uint8_t> big(bytes, bytes + sizeof bytes);
  big[10] = 0x00, big[11] = 0x08;  // width 2048
  big[12] = 0x01, big[13] = 0x08;  // height 2049
  TMemoryStream header;
  header.WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
  header.SetPosition(0);
  EXPECT_THROW(list.ReadData(&header), EReadError);
  EXPECT_EQ(list.Height(), 2);
}

}  // namespace
}  // namespace lab
