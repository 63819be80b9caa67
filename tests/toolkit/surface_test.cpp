// Fill, copy, colour key, opacity and clipping of BGRA surfaces.
#include "toolkit/surface.h"

#include <gtest/gtest.h>

#include <climits>

#include "toolkit/canvas.h"

namespace tarvo::toolkit {
namespace {

int CountPixels(const Surface& s, Pixel colour) {
  int n = 0;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) n += s.At(x, y) == colour;
  }
  return n;
}

TEST(SurfaceTest, LayoutIsTopDownBgraWithoutPadding) {
  Surface s(3, 2, Rgb(0));
  EXPECT_EQ(s.StrideBytes(), 12);
  s.Set(2, 1, Rgb(0x112233));
  const auto* bytes = reinterpret_cast<const uint8_t*>(s.Data());
  const size_t at = 1 * 12 + 2 * 4;  // second row, third pixel
  EXPECT_EQ(bytes[at + 0], 0x33);    // blue
  EXPECT_EQ(bytes[at + 1], 0x22);    // green
  EXPECT_EQ(bytes[at + 2], 0x11);    // red
  EXPECT_EQ(bytes[at + 3], 0xFF);    // alpha
  EXPECT_EQ(Surface(-4, 7).Width(), 0);
  EXPECT_TRUE(Surface(-4, 7).Empty());
}

TEST(SurfaceTest, FillIsCutToSurfaceAndClip) {
  Surface s(10, 10, Rgb(0));
  s.Fill(Rect{-5, -5, 3, 2}, Rgb(0xFF0000));
  EXPECT_EQ(CountPixels(s, Rgb(0xFF0000)), 3 * 2);
  s.Fill(Rect{8, 8, INT_MAX, INT_MAX}, Rgb(0x00FF00));
  EXPECT_EQ(CountPixels(s, Rgb(0x00FF00)), 2 * 2);
  s.Fill(Rect{0, 0, 10, 10}, Rgb(0x0000FF), Rect{4, 4, 6, 5});
  EXPECT_EQ(CountPixels(s, Rgb(0x0000FF)), 2);
  s.Fill(Rect{5, 5, 2, 2}, Rgb(0xFFFFFF));  // inverted: nothing
  EXPECT_EQ(CountPixels(s, Rgb(0xFFFFFF)), 0);
  // Single pixels outside are ignored, and read back as 0.
  s.Set(-1, 0, Rgb(0xFFFFFF));
  s.Set(10, 9, Rgb(0xFFFFFF));
  EXPECT_EQ(CountPixels(s, Rgb(0xFFFFFF)), 0);
  EXPECT_EQ(s.At(10, 0), 0u);
}

TEST(SurfaceTest, BlitCopiesTheRequestedPartAtTheTarget) {
  Surface src(4, 4, Rgb(0));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      src.Set(x, y, Rgb(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9));
  }
  Surface dst(8, 8, Rgb(0xABCDEF));
  dst.Blit(src, Rect{1, 2, 3, 4}, 5, 6);
  EXPECT_EQ(dst.At(5, 6), Rgb(1, 2, 9));
  EXPECT_EQ(dst.At(6, 7), Rgb(2, 3, 9));
  EXPECT_EQ(dst.At(4, 6), Rgb(0xABCDEF));
  EXPECT_EQ(CountPixels(dst, Rgb(0xABCDEF)), 64 - 4);
}

TEST(SurfaceTest, BlitIsClippedAtEveryEdge) {
  Surface src(4, 4, Rgb(0xFFFFFF));
  src.Set(0, 0, Rgb(0x010101));
  src.Set(3, 3, Rgb(0x020202));
  Surface dst(6, 6, Rgb(0));
  dst.Blit(src, src.Bounds(), -3, -3);  // only the bottom-right source pixel lands, at (0, 0)
  EXPECT_EQ(dst.At(0, 0), Rgb(0x020202));
  EXPECT_EQ(CountPixels(dst, Rgb(0)), 35);
  Surface dst2(6, 6, Rgb(0));
  dst2.Blit(src, src.Bounds(), 5, 5);  // only the top-left source pixel lands, at (5, 5)
  EXPECT_EQ(dst2.At(5, 5), Rgb(0x010101));
  EXPECT_EQ(CountPixels(dst2, Rgb(0)), 35);
  // A source part reaching outside the source is cut to it, keeping the placement.
  Surface dst3(6, 6, Rgb(0));
  dst3.Blit(src, Rect{-2, -2, 2, 2}, 0, 0);
  EXPECT_EQ(dst3.At(2, 2), Rgb(0x010101));
  EXPECT_EQ(CountPixels(dst3, Rgb(0)), 32);
  // Far-away and extreme positions draw nothing and must not wrap around.
  Surface dst4(6, 6, Rgb(0));
  dst4.Blit(src, src.Bounds(), INT_MAX - 1, INT_MAX - 1);
  dst4.Blit(src, src.Bounds(), INT_MIN, INT_MIN);
  dst4.Blit(src, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MIN + 2, 0);
  EXPECT_EQ(CountPixels(dst4, Rgb(0)), 36);
  // A clip rectangle limits the copy further.
  Surface dst5(6, 6, Rgb(0));
  dst5.Blit(src, src.Bounds(), 0, 0, {}, Rect{1, 1, 2, 3});
  EXPECT_EQ(CountPixels(dst5, Rgb(0)), 34);
}

TEST(SurfaceTest, ColourKeyLeavesKeyPixelsOutWhateverTheirAlpha) {
  Surface src(3, 1, Rgb(0x666666));
  src.Set(1, 0, Rgb(0xFFFFE1));
  src.Set(2, 0, 0x00666666);  // key colour with alpha 0 is still the key colour
  Surface dst(3, 1, Rgb(0x111111));
  dst.Blit(src, src.Bounds(), 0, 0, BlitOptions{0x666666, 255});
  EXPECT_EQ(dst.At(0, 0), Rgb(0x111111));
  EXPECT_EQ(dst.At(1, 0), Rgb(0xFFFFE1));
  EXPECT_EQ(dst.At(2, 0), Rgb(0x111111));
  // A key given with alpha bits matches the same pixels.
  Surface dst2(3, 1, Rgb(0x111111));
  dst2.Blit(src, src.Bounds(), 0, 0, BlitOptions{Rgb(0x666666), 255});
  EXPECT_EQ(dst2.At(0, 0), Rgb(0x111111));
}

TEST(SurfaceTest, OpacityMixesLinearly) {
  Surface src(1, 1, Rgb(200, 255, 0));
  Surface dst(1, 1, Rgb(100, 0, 255));
  Surface none = dst, half = dst, full = dst, quarter = dst;
  none.Blit(src, src.Bounds(), 0, 0, BlitOptions{{}, 0});
  EXPECT_EQ(none.At(0, 0), Rgb(100, 0, 255));
  full.Blit(src, src.Bounds(), 0, 0, BlitOptions{{}, 255});
  EXPECT_EQ(full.At(0, 0), Rgb(200, 255, 0));
  // 128/255 of the way: 0 -> 128, 255 -> 127, 100 -> 150.2.
  half.Blit(src, src.Bounds(), 0, 0, BlitOptions{{}, 128});
  EXPECT_EQ(half.At(0, 0), Rgb(150, 128, 127));
  // 64/255: 100 + 100 * 0.251 = 125.1, 255 * 0.251 = 64, 255 * 0.749 = 191.
  quarter.Blit(src, src.Bounds(), 0, 0, BlitOptions{{}, 64});
  EXPECT_EQ(quarter.At(0, 0), Rgb(125, 64, 191));
  // Opacity and key together: key pixels stay out, the others are mixed.
  Surface keyed(2, 1, Rgb(0));
  keyed.Set(1, 0, Rgb(255, 255, 255));
  Surface under(2, 1, Rgb(0, 0, 100));
  under.Blit(keyed, keyed.Bounds(), 0, 0, BlitOptions{0x000000, 128});
  EXPECT_EQ(under.At(0, 0), Rgb(0, 0, 100));
  EXPECT_EQ(under.At(1, 0), Rgb(128, 128, 178));
}

TEST(SurfaceTest, BlitWithinOneSurfaceReadsTheOriginalPixels) {
  Surface s(4, 1, Rgb(0));
  for (int x = 0; x < 4; ++x) s.Set(x, 0, Rgb(static_cast<uint8_t>(x + 1), 0, 0));
  s.Blit(s, Rect{0, 0, 3, 1}, 1, 0);
  EXPECT_EQ(s.At(1, 0), Rgb(1, 0, 0));
  EXPECT_EQ(s.At(2, 0), Rgb(2, 0, 0));
  EXPECT_EQ(s.At(3, 0), Rgb(3, 0, 0));
}

TEST(CanvasTest, LocalDrawingIsOffsetAndClipped) {
  Surface s(10, 10, Rgb(0));
  Canvas canvas(s, Point{4, 4}, Rect{4, 4, 7, 7});
  canvas.Fill(Rect{-10, -10, 100, 100}, Rgb(0xFFFFFF));
  EXPECT_EQ(CountPixels(s, Rgb(0xFFFFFF)), 9);
  EXPECT_EQ(s.At(4, 4), Rgb(0xFFFFFF));
  EXPECT_EQ(canvas.LocalClip(), (Rect{0, 0, 3, 3}));
}

TEST(CanvasTest, LinesCoverBothEndsAndStayInsideTheClip) {
  Surface s(10, 10, Rgb(0));
  Canvas canvas(s, Point{0, 0}, s.Bounds());
  canvas.DrawLine(1, 1, 4, 1, Rgb(0xFF0000));
  EXPECT_EQ(CountPixels(s, Rgb(0xFF0000)), 4);
  canvas.DrawLine(0, 9, 9, 0, Rgb(0x00FF00));  // a diagonal: one pixel per column
  EXPECT_EQ(CountPixels(s, Rgb(0x00FF00)), 10);
  EXPECT_EQ(s.At(0, 9), Rgb(0x00FF00));
  EXPECT_EQ(s.At(9, 0), Rgb(0x00FF00));
  // A line running far outside draws only the part inside, on the original path.
  Surface t(10, 10, Rgb(0));
  Canvas clipped(t, Point{0, 0}, Rect{2, 0, 8, 10});
  clipped.DrawLine(-1000000, 5, 1000000, 5, Rgb(0x0000FF));
  EXPECT_EQ(CountPixels(t, Rgb(0x0000FF)), 6);
  EXPECT_EQ(t.At(2, 5), Rgb(0x0000FF));
  clipped.DrawLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, Rgb(0xFFFFFF));
  for (int y = 0; y < 10; ++y) {
    EXPECT_NE(t.At(0, y), Rgb(0xFFFFFF));
    EXPECT_NE(t.At(9, y), Rgb(0xFFFFFF));
  }
}

}  // namespace
}  // namespace tarvo::toolkit
