// TDIBDial: pointer angles and centres, value rules, linear drags and drawing.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/dial_geometry.h"
#include "toolkit/dib_container.h"
#include "toolkit/dib_dial.h"
#include "toolkit/dib_image_list.h"
#include "toolkit/errors.h"

namespace tarvo::toolkit {
namespace {

constexpr TShiftState kNoKeys{};

// A large editor knob: 49 x 49, radius 20, arc from 210 degrees over 300, vertical drags.
void SetUpLargeKnob(TDIBDial& dial) {
  dial.SetBounds(0, 0, 49, 49);
  dial.PointerAngles().SetStart(210);
  dial.PointerAngles().SetRange(300);
  dial.SetPointerRadius(20);
  dial.SetMouseControlStyle(TMouseControlStyle::mcsLinear);
  dial.SetMouseLinearSensitivity(TMouseLinearSensitivity::mlsVertical);
}

TEST(DialGeometryTest, PointerAngleFollowsTheFractionOfTheRange) {
  EXPECT_EQ(DialPointerAngle(210, 300, 0, 0, 100), 210);    // about 7 o'clock
  EXPECT_EQ(DialPointerAngle(210, 300, 50, 0, 100), 0);     // 12 o'clock (wrapped from 360)
  EXPECT_EQ(DialPointerAngle(210, 300, 100, 0, 100), 150);  // about 5 o'clock
  // Only the fraction counts: 1000 steps give the same angles.
  EXPECT_EQ(DialPointerAngle(210, 300, 500, 0, 1000), 0);
  EXPECT_EQ(DialPointerAngle(210, 300, 1000, 0, 1000), 150);
  EXPECT_EQ(DialPointerAngle(210, 300, 25, 0, 100), 285);
  // A non-zero minimum: 10 of -10..10 is the end of the arc.
  EXPECT_EQ(DialPointerAngle(0, 90, 10, -10, 10), 90);
  // A degenerate range stands at the start instead of dividing by zero.
  EXPECT_EQ(DialPointerAngle(210, 300, 5, 5, 5), 210);
}

TEST(DialGeometryTest, PointerAngleRoundsHalvesToEven) {
  // Range r over two steps puts position 1 at r / 2 degrees.
  EXPECT_EQ(DialPointerAngle(0, 1, 1, 0, 2), 0);     // 0.5
  EXPECT_EQ(DialPointerAngle(0, 3, 1, 0, 2), 2);     // 1.5
  EXPECT_EQ(DialPointerAngle(0, 5, 1, 0, 2), 2);     // 2.5
  EXPECT_EQ(DialPointerAngle(0, 7, 1, 0, 2), 4);     // 3.5
  EXPECT_EQ(DialPointerAngle(0, 359, 1, 0, 4), 90);  // 89.75
}

TEST(DialGeometryTest, PointerCentreOfTheLargeKnob) {
  // Centre (24, 24), radius 20: minimum lower left, middle straight up, maximum lower right.
  EXPECT_EQ(DialPointerCentre(24, 24, 20, 210), (Point{14, 42}));
  EXPECT_EQ(DialPointerCentre(24, 24, 20, 0), (Point{24, 4}));
  EXPECT_EQ(DialPointerCentre(24, 24, 20, 150), (Point{34, 42}));
  EXPECT_EQ(DialPointerCentre(24, 24, 20, 90), (Point{44, 24}));
  EXPECT_EQ(DialPointerCentre(24, 24, 20, 180), (Point{24, 44}));
  // Fractional coordinates go up: 45 degrees gives 24 + 14.14 -> 39 and 24 - 14.14 -> 10.
  EXPECT_EQ(DialPointerCentre(24, 24, 20, 45), (Point{39, 10}));
  EXPECT_EQ(DialPointerCentre(24, 24, 20, 225), (Point{10, 39}));
  // The small knob: 39 x 39, radius 16.
  EXPECT_EQ(DialPointerCentre(19, 19, 16, 0), (Point{19, 3}));
}

TEST(DialTest, KnobPointerAtBothEndsAndTheMiddle) {
  TDIBDial dial;
  SetUpLargeKnob(dial);
  const struct {
    int position;
    int angle;
    Point centre;
  } cases[] = {{0, 210, {14, 42}}, {50, 0, {24, 4}}, {100, 150, {34, 42}}};
  for (const auto& c : cases) {
    dial.SetPosition(c.position);
    EXPECT_EQ(dial.PointerAngle(), c.angle) << c.position;
    EXPECT_EQ(dial.PointerCentre(), c.centre) << c.position;
  }
}

TEST(DialTest, SetPositionClampsAndAlwaysRaisesOnChange) {
  TDIBDial dial;
  std::vector<int> seen;
  dial.OnChange = [&](TCustomDIBControl& sender) {
    seen.push_back(static_cast<TDIBDial&>(sender).Position());
  };
  dial.SetPosition(40);
  dial.SetPosition(40);
  dial.SetPosition(250);
  dial.SetPosition(-3);
  EXPECT_EQ(seen, (std::vector<int>{40, 40, 100, 0}));
  // While loading, values are taken silently.
  dial.SetLoading(true);
  dial.SetPosition(70);
  dial.SetLoading(false);
  EXPECT_EQ(dial.Position(), 70);
  EXPECT_EQ(seen.size(), 4u);
}

TEST(DialTest, MaxAndMinRules) {
  TDIBDial dial;
  int changes = 0;
  dial.OnChange = [&](TCustomDIBControl&) { ++changes; };
  dial.SetMax(1000);
  dial.SetPosition(537);
  changes = 0;
  // Max below Position moves the position down and raises OnChange.
  dial.SetMax(100);
  EXPECT_EQ(dial.Position(), 100);
  EXPECT_EQ(changes, 1);
  // Max above Position keeps it and raises nothing.
  dial.SetMax(1000);
  EXPECT_EQ(dial.Position(), 100);
  EXPECT_EQ(changes, 1);

  try {
    dial.SetMax(0);
    FAIL() << "Max equal to Min was accepted";
  } catch (const EInvalidProperty& e) {
    EXPECT_STREQ(e.what(), "Max must be greater than min");
  }
  EXPECT_EQ(dial.Max(), 1000);
  try {
    dial.SetMin(1000);
    FAIL() << "Min equal to Max was accepted";
  } catch (const EInvalidProperty& e) {
    EXPECT_STREQ(e.what(), "Min must be less than max");
  }
  EXPECT_EQ(dial.Min(), 0);

  dial.SetMin(300);  // above the position: the position follows
  EXPECT_EQ(dial.Position(), 300);
  EXPECT_EQ(changes, 2);

  // While loading, the order of settings does not matter.
  TDIBDial loaded;
  loaded.SetLoading(true);
  loaded.SetMin(500);
  loaded.SetMax(900);
  loaded.SetLoading(false);
  EXPECT_EQ(loaded.Min(), 500);
  EXPECT_EQ(loaded.Max(), 900);
  EXPECT_EQ(loaded.Position(), 500);
}

TEST(DialTest, InvalidSettingsRaiseTheirTexts) {
  TDIBDial dial;
  auto message = [](auto&& action) {
    try {
      action();
    } catch (const EInvalidProperty& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { dial.PointerAngles().SetStart(360); }), "Start must be 0..359");
  EXPECT_EQ(message([&] { dial.PointerAngles().SetStart(-1); }), "Start must be 0..359");
  EXPECT_EQ(message([&] { dial.PointerAngles().SetRange(0); }), "Range must be 1..360");
  EXPECT_EQ(message([&] { dial.SetPointerNumGlyphs(0); }), "PointerNumGlyphs must be at least 1");
  EXPECT_EQ(message([&] { dial.SetVerticalPixelsPerPosition(0.0); }),
            "VerticalPixelsPerPosition must be greater than zero");
  EXPECT_EQ(message([&] { dial.SetHorizontalPixelsPerPosition(-2.0); }),
            "HorizontalPixelsPerPosition must be greater than zero");
  // The values stay as they were.
  EXPECT_EQ(dial.PointerAngles().Start(), 0);
  EXPECT_EQ(dial.PointerNumGlyphs(), 1);
  EXPECT_EQ(dial.VerticalPixelsPerPosition(), 1.0);
  EXPECT_EQ(message([&] { dial.SetPointerNumGlyphs(1); }), "no error");
}

class DialDragTest : public ::testing::Test {
 protected:
  DialDragTest() {
    SetUpLargeKnob(dial);
    dial.OnChange = [this](TCustomDIBControl&) { changes.push_back(dial.Position()); };
  }
  TDIBDial dial;
  std::vector<int> changes;
};

TEST_F(DialDragTest, DragIsRelativeToThePressPointAndClamped) {
  dial.SetPosition(40);
  changes.clear();
  dial.MouseDown(TMouseButton::mbLeft, kNoKeys, 24, 30);
  EXPECT_TRUE(dial.Dragging());
  EXPECT_EQ(dial.Position(), 40);  // pressing never makes the value jump
  dial.MouseMove(kNoKeys, 24, 0);  // 30 pixels up
  EXPECT_EQ(dial.Position(), 70);
  dial.MouseMove(kNoKeys, 24, -40);  // 40 more
  EXPECT_EQ(dial.Position(), 100);
  dial.MouseMove(kNoKeys, 24, -45);  // still beyond the end
  EXPECT_EQ(changes, (std::vector<int>{70, 100, 100}));
  dial.MouseMove(kNoKeys, 24, 50);  // down below the press point
  EXPECT_EQ(dial.Position(), 20);
  dial.MouseUp(TMouseButton::mbLeft, kNoKeys, 24, 50);
  EXPECT_FALSE(dial.Dragging());
  dial.MouseMove(kNoKeys, 24, -500);  // not dragging any more
  EXPECT_EQ(dial.Position(), 20);
}

TEST_F(DialDragTest, SubPixelMovesNeverAccumulate) {
  dial.SetPosition(40);
  dial.MouseDown(TMouseButton::mbLeft, kNoKeys, 10, 30);
  // Ten moves of half a pixel upward: the position follows the whole distance from the
  // press point, 0, 1, 1, 2, 2, ...
  for (int i = 1; i <= 10; ++i) {
    const double y = 30 - 0.5 * i;
    dial.MouseMove(kNoKeys, 10, y);
    EXPECT_EQ(dial.Position(), 40 + i / 2) << "after " << i << " half-pixel moves";
  }
  // Wobbling by half a pixel around the press point never moves the value.
  dial.MouseMove(kNoKeys, 10, 29.5);
  dial.MouseMove(kNoKeys, 10, 30.5);
  dial.MouseMove(kNoKeys, 10, 29.5);
  EXPECT_EQ(dial.Position(), 40);
}

TEST_F(DialDragTest, SensitivityAndPixelsPerPosition) {
  dial.SetPosition(50);
  dial.MouseDown(TMouseButton::mbLeft, kNoKeys, 10, 10);
  dial.MouseMove(kNoKeys, 90, 10);  // horizontal movement is ignored when vertical
  EXPECT_EQ(dial.Position(), 50);
  dial.MouseUp(TMouseButton::mbLeft, kNoKeys, 90, 10);

  dial.SetVerticalPixelsPerPosition(2.0);
  dial.MouseDown(TMouseButton::mbLeft, kNoKeys, 10, 40);
  dial.MouseMove(kNoKeys, 10, 9);  // 31 pixels: 15.5 positions, truncated
  EXPECT_EQ(dial.Position(), 65);
  dial.MouseMove(kNoKeys, 10, 71);  // 31 pixels down: -15.5, truncated toward zero
  EXPECT_EQ(dial.Position(), 35);
  dial.MouseUp(TMouseButton::mbLeft, kNoKeys, 10, 71);

  dial.SetMouseLinearSensitivity(TMouseLinearSensitivity::mlsBoth);
  dial.SetVerticalPixelsPerPosition(1.0);
  dial.MouseDown(TMouseButton::mbLeft, kNoKeys, 10, 10);
  dial.MouseMove(kNoKeys, 15.5, 7.5);  // 5 right and 2.5 up: truncate(2.5 + 5)
  EXPECT_EQ(dial.Position(), 42);
}

TEST_F(DialDragTest, PressEventRunsFirstAndOnlyTheLeftButtonDrags) {
  std::vector<std::string> order;
  dial.SetPosition(50);
  dial.OnMouseDown = [&](TCustomDIBControl&, TMouseButton button, TShiftState shift, double,
                         double) {
    order.push_back(button == TMouseButton::mbLeft ? "left" : "other");
    if (shift.shift) {  // a 1000-step drag, as a press handler may choose
      dial.SetMax(1000);
      dial.SetPosition(500);
    }
  };
  dial.MouseDown(TMouseButton::mbRight, kNoKeys, 10, 10);
  EXPECT_FALSE(dial.Dragging());
  dial.MouseDown(TMouseButton::mbLeft, TShiftState{true, false, false}, 10, 10);
  EXPECT_EQ(order, (std::vector<std::string>{"other", "left"}));
  dial.MouseMove(kNoKeys, 10, -20);  // the drag starts from the position the handler set
  EXPECT_EQ(dial.Position(), 530);
  EXPECT_EQ(dial.PointerAngle(), DialPointerAngle(210, 300, 53, 0, 100));
}

TEST(DialCircularTest, PressAndDragPointTheKnobAtTheMouse) {
  TDIBDial dial;  // circular mouse control is the default
  SetUpLargeKnob(dial);
  dial.SetMouseControlStyle(TMouseControlStyle::mcsCircular);
  dial.MouseDown(TMouseButton::mbLeft, kNoKeys, 24, 0);  // straight up: the middle
  EXPECT_EQ(dial.Position(), 50);
  dial.MouseMove(kNoKeys, 48, 24);  // 3 o'clock: 90 degrees, 240 of the 300-degree arc
  EXPECT_EQ(dial.Position(), 80);
  dial.MouseMove(kNoKeys, 25, 48);  // just right of 6 o'clock, past the end: the maximum
  EXPECT_EQ(dial.Position(), 100);
  dial.MouseMove(kNoKeys, 23, 48);  // just left of it: nearer the start
  EXPECT_EQ(dial.Position(), 0);
}

// Pixel checks through a container: pointer image 10 x 10 with key colour 0x666666 and a
// light yellow 4 x 4 dot in its middle, main image entirely black with key black.
class DialDrawTest : public ::testing::Test {
 protected:
  DialDrawTest() : panel(49, 49, Rgb(0x202020)) {
    Surface pointer(10, 10, Rgb(0x666666));
    pointer.Fill(Rect{3, 3, 7, 7}, kDot);
    images.Add("Index Pointer", std::move(pointer), 0x666666);
    images.Add("Knob Large", Surface(49, 49, Rgb(0)), 0x000000);
    panel.SetImageList(&images);
    dial = &panel.Create<TDIBDial>("Knob");
    SetUpLargeKnob(*dial);
    dial->SetIndexMain(1);
    dial->SetIndexPointer(0);
  }
  int CountDot() const {
    int n = 0;
    for (int y = 0; y < 49; ++y) {
      for (int x = 0; x < 49; ++x) n += panel.Bitmap().At(x, y) == kDot;
    }
    return n;
  }
  static constexpr Pixel kDot = Rgb(0xFFFFE1);
  TDIBImageList images;
  TDIBContainer panel;
  TDIBDial* dial = nullptr;
};

TEST_F(DialDrawTest, PointerDotSitsAroundThePointerCentre) {
  dial->SetPosition(0);  // centre (14, 42): image at (9, 37), dot at 12..15 x 40..43
  panel.Compose();
  EXPECT_EQ(CountDot(), 16);
  EXPECT_EQ(panel.Bitmap().At(12, 40), kDot);
  EXPECT_EQ(panel.Bitmap().At(15, 43), kDot);
  EXPECT_EQ(panel.Bitmap().At(11, 40), Rgb(0x202020));  // key colour shows the panel
  EXPECT_EQ(panel.Bitmap().At(24, 24), Rgb(0x202020));  // the black body is all key

  dial->SetPosition(50);  // centre (24, 4): dot at 22..25 x 2..5
  panel.Compose();
  EXPECT_EQ(CountDot(), 16);
  EXPECT_EQ(panel.Bitmap().At(22, 2), kDot);
  EXPECT_EQ(panel.Bitmap().At(12, 40), Rgb(0x202020));
}

TEST_F(DialDrawTest, PointerOpacityFollowsTheDrag) {
  dial->PointerOpacities().SetActive(128);
  dial->SetPosition(50);
  panel.Compose();
  panel.MouseDown(TMouseButton::mbLeft, kNoKeys, 24, 24);
  panel.Compose();
  // Light yellow mixed half into 0x202020.
  EXPECT_EQ(panel.Bitmap().At(22, 2), MixPixel(Rgb(0x202020), kDot, 128));
  panel.MouseUp(TMouseButton::mbLeft, kNoKeys, 24, 24);
  panel.Compose();
  EXPECT_EQ(panel.Bitmap().At(22, 2), kDot);
}

TEST_F(DialDrawTest, OnlyPictureChangesMarkTheKnob) {
  dial->SetPosition(50);
  panel.Compose();
  // 100 to 1000 steps at the same fraction: the pointer stays, nothing to draw.
  dial->SetMax(1000);
  dial->SetPosition(500);
  EXPECT_FALSE(panel.NeedsCompose());
  // A drag start with equal opacities changes nothing either.
  panel.MouseDown(TMouseButton::mbLeft, kNoKeys, 24, 24);
  EXPECT_FALSE(panel.NeedsCompose());
  panel.MouseMove(kNoKeys, 24, 23);  // one step of 1000 keeps the angle (360.3 -> 0)
  EXPECT_FALSE(panel.NeedsCompose());
  panel.MouseMove(kNoKeys, 24, 20);  // four steps: 361.2 degrees, a new angle
  ASSERT_TRUE(panel.NeedsCompose());
  EXPECT_EQ(panel.Compose(), (std::vector<Rect>{Rect{0, 0, 49, 49}}));
}

}  // namespace
}  // namespace tarvo::toolkit
