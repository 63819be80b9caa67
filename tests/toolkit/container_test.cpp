// TDIBContainer: composition order, colour key and opacity of images, plain pictures cut
// to their size, dirty rectangles and mouse dispatch with capture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/dib_container.h"
#include "toolkit/dib_image.h"
#include "toolkit/dib_image_list.h"
#include "toolkit/picture_control.h"

namespace tarvo::toolkit {
namespace {

constexpr TShiftState kNoKeys{};
constexpr Pixel kChassis = Rgb(0x303030);
constexpr Pixel kLamp = Rgb(0xFF2020);

// A 40 x 30 panel: a chassis image behind everything and a 4 x 4 lamp image whose corners
// carry the key colour black.
class ContainerTest : public ::testing::Test {
 protected:
  ContainerTest() : panel(40, 30) {
    images.Add("Chassis", Surface(40, 30, kChassis));
    Surface lampImage(4, 4, kLamp);
    for (Point p : {Point{0, 0}, Point{3, 0}, Point{0, 3}, Point{3, 3}}) {
      lampImage.Set(p.x, p.y, Rgb(0));
    }
    images.Add("Lamp", std::move(lampImage), 0x000000);
    panel.SetImageList(&images);
    auto& chassis = panel.Create<TDIBImage>("Background");
    chassis.SetBounds(0, 0, 40, 30);
    chassis.SetIndexImage(0);
    lamp = &panel.Create<TDIBImage>("Lamp");
    lamp->SetBounds(10, 5, 4, 4);
    lamp->SetIndexImage(1);
    panel.Compose();
  }
  const Surface& Bitmap() const { return panel.Bitmap(); }

  TDIBImageList images;
  TDIBContainer panel;
  TDIBImage* lamp = nullptr;
};

TEST_F(ContainerTest, FirstComposeDrawsEverythingAndLaterOnesOnlyChanges) {
  TDIBContainer fresh(8, 6);
  EXPECT_EQ(fresh.Compose(), (std::vector<Rect>{Rect{0, 0, 8, 6}}));
  EXPECT_TRUE(fresh.Compose().empty());
  EXPECT_EQ(fresh.ComposedPixelCount(), 48);

  EXPECT_FALSE(panel.NeedsCompose());
  const int64_t before = panel.ComposedPixelCount();
  EXPECT_TRUE(panel.Compose().empty());
  EXPECT_EQ(panel.ComposedPixelCount(), before);
}

TEST_F(ContainerTest, ColourKeyShowsTheChassisThrough) {
  EXPECT_EQ(Bitmap().At(11, 6), kLamp);
  EXPECT_EQ(Bitmap().At(10, 5), kChassis);  // key-coloured corner
  EXPECT_EQ(Bitmap().At(13, 8), kChassis);
  EXPECT_EQ(Bitmap().At(14, 6), kChassis);  // beside the lamp
}

TEST_F(ContainerTest, OpacityHidesOrMixesTheControl) {
  lamp->SetOpacity(0);
  panel.Compose();
  EXPECT_EQ(Bitmap().At(11, 6), kChassis);
  lamp->SetOpacity(128);
  panel.Compose();
  EXPECT_EQ(Bitmap().At(11, 6), MixPixel(kChassis, kLamp, 128));
  EXPECT_EQ(Bitmap().At(10, 5), kChassis);  // the key still applies
  lamp->SetOpacity(255);
  panel.Compose();
  EXPECT_EQ(Bitmap().At(11, 6), kLamp);
}

TEST_F(ContainerTest, ChangesMarkOnlyTheirControlAndRepeatsMarkNothing) {
  lamp->SetOpacity(0);
  EXPECT_EQ(panel.Dirty().Rects(), (std::vector<Rect>{Rect{10, 5, 14, 9}}));
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{10, 5, 14, 9}}));
  // Setting what is already there: nothing to draw.
  lamp->SetOpacity(0);
  lamp->SetIndexImage(1);
  lamp->SetBounds(10, 5, 4, 4);
  lamp->SetVisible(true);
  EXPECT_FALSE(panel.NeedsCompose());
  // Moving marks the old and the new place, hiding marks the last place.
  lamp->SetBounds(30, 20, 4, 4);
  EXPECT_EQ(panel.Dirty().Rects(), (std::vector<Rect>{Rect{10, 5, 14, 9}, Rect{30, 20, 34, 24}}));
  panel.Compose();
  lamp->SetVisible(false);
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{30, 20, 34, 24}}));
  lamp->SetOpacity(255);  // invisible: nothing to draw
  EXPECT_FALSE(panel.NeedsCompose());
}

TEST_F(ContainerTest, ControlsPartlyOutsideThePanelAreCut) {
  auto& edge = panel.Create<TDIBImage>("Edge");
  edge.SetIndexImage(0);  // the 40 x 30 chassis image, moved mostly off the panel
  edge.SetBounds(38, 28, 40, 30);
  auto& corner = panel.Create<TDIBImage>("Corner");
  corner.SetIndexImage(1);
  corner.SetBounds(-2, -2, 4, 4);
  const std::vector<Rect> drawn = panel.Compose();
  for (const Rect& r : drawn) EXPECT_TRUE(panel.Bounds().Contains(r));
  EXPECT_EQ(Bitmap().At(39, 29), kChassis);
  EXPECT_EQ(Bitmap().At(0, 0), kLamp);     // source pixel (2, 2)
  EXPECT_EQ(Bitmap().At(1, 1), kChassis);  // source pixel (3, 3) is the key colour
}

TEST_F(ContainerTest, LaterControlsDrawOnTop) {
  Surface blue(4, 4, Rgb(0x0000FF));
  const int index = images.Add("Blue", std::move(blue));
  auto& cover = panel.Create<TDIBImage>("Cover");
  cover.SetBounds(12, 5, 4, 4);
  cover.SetIndexImage(index);
  panel.Compose();
  EXPECT_EQ(Bitmap().At(11, 6), kLamp);
  EXPECT_EQ(Bitmap().At(12, 6), Rgb(0x0000FF));
}

TEST(PictureTest, PictureIsCutToTheControlSizeAndResizingMarksTheStrip) {
  TDIBContainer panel(200, 20, kChassis);
  auto& bar = panel.Create<TImage>("InputMeterL");
  Surface lit(120, 10, Rgb(0x00FF00));
  lit.Fill(Rect{100, 0, 120, 10}, Rgb(0xFF0000));
  bar.SetPicture(std::move(lit));
  bar.SetBounds(34, 4, 0, 10);
  panel.Compose();
  EXPECT_EQ(panel.Bitmap().At(34, 4), kChassis);  // width 0: nothing shows

  bar.SetWidth(24);
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{34, 4, 58, 14}}));
  EXPECT_EQ(panel.Bitmap().At(57, 13), Rgb(0x00FF00));
  EXPECT_EQ(panel.Bitmap().At(58, 13), kChassis);

  bar.SetWidth(26);  // two more columns
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{58, 4, 60, 14}}));
  bar.SetWidth(25);  // one fewer
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{59, 4, 60, 14}}));
  EXPECT_EQ(panel.Bitmap().At(59, 8), kChassis);

  // A vertical cover shrinking from the bottom.
  bar.SetBounds(34, 4, 10, 12);
  panel.Compose();
  bar.SetHeight(7);
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{34, 11, 44, 16}}));

  // A control larger than its picture shows the panel beyond it.
  bar.SetBounds(70, 4, 130, 10);
  panel.Compose();
  EXPECT_EQ(panel.Bitmap().At(189, 5), Rgb(0xFF0000));
  EXPECT_EQ(panel.Bitmap().At(190, 5), kChassis);
}

// Records the mouse events a control receives.
struct Recorder {
  std::vector<std::string> log;
  void Attach(TCustomDIBControl& c) {
    c.OnMouseDown = [this](TCustomDIBControl& s, TMouseButton, TShiftState shift, double x,
                           double y) {
      log.push_back(s.Name() + " down " + std::to_string(int(x)) + "," + std::to_string(int(y)) +
                    (shift.ctrl ? " ctrl" : ""));
    };
    c.OnMouseMove = [this](TCustomDIBControl& s, TShiftState, double x, double y) {
      log.push_back(s.Name() + " move " + std::to_string(int(x)) + "," + std::to_string(int(y)));
    };
    c.OnMouseUp = [this](TCustomDIBControl& s, TMouseButton, TShiftState, double, double) {
      log.push_back(s.Name() + " up");
    };
    c.OnClick = [this](TCustomDIBControl& s) { log.push_back(s.Name() + " click"); };
  }
};

TEST_F(ContainerTest, MouseGoesToTheTopmostControlWithLocalCoordinates) {
  Recorder rec;
  rec.Attach(*lamp);
  rec.Attach(*panel.FindControl("Background"));
  panel.MouseDown(TMouseButton::mbLeft, TShiftState{false, true, false}, 12, 7);
  panel.MouseUp(TMouseButton::mbLeft, kNoKeys, 12, 7);
  panel.MouseDown(TMouseButton::mbLeft, kNoKeys, 2, 3);
  panel.MouseUp(TMouseButton::mbLeft, kNoKeys, 2, 3);
  EXPECT_EQ(rec.log,
            (std::vector<std::string>{"Lamp down 2,2 ctrl", "Lamp up", "Lamp click",
                                      "Background down 2,3", "Background up", "Background click"}));
}

TEST_F(ContainerTest, InvisibleLampsStillTakeClicksButHiddenControlsDoNot) {
  Recorder rec;
  rec.Attach(*lamp);
  lamp->SetOpacity(0);  // an unlit lamp receives clicks
  panel.MouseDown(TMouseButton::mbLeft, kNoKeys, 10, 5);
  panel.MouseUp(TMouseButton::mbLeft, kNoKeys, 10, 5);
  EXPECT_EQ(rec.log.back(), "Lamp click");
  rec.log.clear();
  lamp->SetVisible(false);
  EXPECT_NE(panel.ControlAt(10, 5), lamp);
  lamp->SetVisible(true);
  lamp->SetEnabled(false);
  EXPECT_NE(panel.ControlAt(10, 5), lamp);
  EXPECT_EQ(panel.ControlAt(-1, 5), nullptr);
  EXPECT_EQ(panel.ControlAt(40, 5), nullptr);
}

TEST_F(ContainerTest, PressedControlKeepsTheMouseUntilRelease) {
  Recorder rec;
  rec.Attach(*lamp);
  rec.Attach(*panel.FindControl("Background"));
  panel.MouseDown(TMouseButton::mbLeft, kNoKeys, 11, 6);
  EXPECT_EQ(panel.Captured(), lamp);
  lamp->SetEnabled(false);  // a press handler may disable and re-enable the control
  lamp->SetEnabled(true);
  panel.MouseMove(kNoKeys, 30, 25);                         // far outside the lamp
  panel.MouseDown(TMouseButton::mbRight, kNoKeys, 30, 25);  // a second button joins in
  panel.MouseUp(TMouseButton::mbRight, kNoKeys, 30, 25);
  EXPECT_EQ(panel.Captured(), lamp);
  panel.MouseUp(TMouseButton::mbLeft, kNoKeys, 30, 25);  // released outside: no click
  EXPECT_EQ(panel.Captured(), nullptr);
  panel.MouseMove(kNoKeys, 30, 25);
  EXPECT_EQ(rec.log,
            (std::vector<std::string>{"Lamp down 1,1", "Lamp move 20,20", "Lamp down 20,20",
                                      "Lamp up", "Lamp up", "Background move 30,25"}));
}

TEST_F(ContainerTest, CursorFollowsTheControlUnderThePointer) {
  lamp->SetCursor(TCursor::crHandPoint);
  EXPECT_EQ(panel.CursorAt(11, 6), TCursor::crHandPoint);
  EXPECT_EQ(panel.CursorAt(30, 20), TCursor::crDefault);
  EXPECT_EQ(panel.Find<TDIBImage>("Lamp"), lamp);
  EXPECT_EQ(panel.FindControl("Nope"), nullptr);
}

}  // namespace
}  // namespace tarvo::toolkit

namespace tarvo::toolkit {
namespace {

TEST(DirtyRegionTest, CutsMergesAndCollapses) {
  DirtyRegion region(Rect{0, 0, 100, 100});
  region.Add(Rect{-10, -10, 5, 5});   // cut to the bounds
  region.Add(Rect{200, 0, 300, 10});  // outside: nothing
  region.Add(Rect{1, 1, 3, 3});       // already covered
  EXPECT_EQ(region.Rects(), (std::vector<Rect>{Rect{0, 0, 5, 5}}));
  region.Add(Rect{50, 50, 60, 60});  // far away: kept apart
  EXPECT_EQ(region.Rects().size(), 2u);
  region.Add(Rect{5, 0, 10, 5});  // shares an edge, no waste: merged
  EXPECT_EQ(region.Rects(), (std::vector<Rect>{Rect{50, 50, 60, 60}, Rect{0, 0, 10, 5}}));
  region.Add(Rect{40, 40, 70, 70});  // covers a rectangle: replaces it
  EXPECT_EQ(region.Rects(), (std::vector<Rect>{Rect{0, 0, 10, 5}, Rect{40, 40, 70, 70}}));
  EXPECT_EQ(region.Take().size(), 2u);
  EXPECT_TRUE(region.Empty());
  // Many scattered areas end as their bounding box.
  for (int i = 0; i <= DirtyRegion::kMaxRects; ++i) region.Add(Rect::FromSize(i * 5, i * 5, 1, 1));
  EXPECT_EQ(region.Rects(), (std::vector<Rect>{Rect{0, 0, DirtyRegion::kMaxRects * 5 + 1,
                                                    DirtyRegion::kMaxRects * 5 + 1}}));
}

}  // namespace
}  // namespace tarvo::toolkit
