// The input handlers, called as freeglut calls them, in a real 800 x 800 window of the test
// process (identity matrices, the whole window as viewport).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "geometry/fixtures.h"
#include "geometry/geometry_scene.h"
#include "gl_window.h"
#include "viewer/input.h"
#include "viewer/scene.h"

namespace {

using Input = viewer_test::ViewerWindowTest;
using fixtures::pointNear;

void leftPress(int x, int y) {
  onMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
}
void leftRelease(int x, int y) {
  onMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
}

TEST_F(Input, LeftPressPicksTheControlPointUnderThePointer) {
  leftPress(240, 640);
  EXPECT_EQ(scene.selectedA, 0);
  EXPECT_EQ(scene.selectedB, -1);
  leftRelease(240, 640);
  leftPress(320, 320);
  EXPECT_EQ(scene.selectedA, -1);
  EXPECT_EQ(scene.selectedB, 1);
}

// 12 pixels away is a squared drawn distance of 0.0009, 13 pixels 0.00105625.
TEST_F(Input, PickToleranceIsJustOverTwelvePixels) {
  leftPress(252, 640);
  EXPECT_EQ(scene.selectedA, 0);
  leftRelease(252, 640);
  leftPress(253, 640);
  EXPECT_EQ(scene.selectedA, -1);
  EXPECT_EQ(scene.lastPointerA.x, 253);
  EXPECT_EQ(scene.lastPointerB.y, 640);
}

TEST_F(Input, ReleaseDropsBothPicksEvenWhenNothingWasPicked) {
  scene.selectedA = 2;
  scene.selectedB = 3;
  leftRelease(10, 10);
  EXPECT_EQ(scene.selectedA, -1);
  EXPECT_EQ(scene.selectedB, -1);
}

TEST_F(Input, OfTwoPointsInOnePlaceTheLowerNumberedOneIsPickedAndDragged) {
  scene.curveA.p[2] = scene.curveA.p[1];
  leftPress(320, 480);
  EXPECT_EQ(scene.selectedA, 1);
  onMouseDrag(330, 480);
  EXPECT_TRUE(pointNear(scene.curveA.p[1], {-0.0875, -0.1}, 1e-12));
  EXPECT_EQ(scene.curveA.p[2].x, -0.1);
}

TEST_F(Input, DragKeepsThePointUnderThePointer) {
  leftPress(240, 640);
  onMouseDrag(250, 660);
  EXPECT_TRUE(pointNear(scene.curveA.p[0], {-0.1875, -0.325}, 1e-12));
  EXPECT_EQ(scene.lastPointerA.x, 250);
  EXPECT_EQ(scene.lastPointerA.y, 660);
  // At another zoom the point still moves with the pointer, pixel for pixel.
  geometryScene.zoomScale = 4.0;
  onMouseDrag(270, 640);
  EXPECT_TRUE(pointNear(scene.curveA.p[0], {-0.1875 + 0.0125, -0.325 + 0.0125}, 1e-12));
  EXPECT_EQ(scene.curveB.p[0].x, -0.2);
}

TEST_F(Input, APressFarFromEveryPointMovesNothing) {
  leftPress(400, 400);
  onMouseDrag(420, 380);
  EXPECT_EQ(scene.curveA.p[0].x, kDefaultCurveA.p[0].x);
  EXPECT_EQ(scene.curveB.p[1].y, kDefaultCurveB.p[1].y);
}

TEST_F(Input, TwoUpArrowsBringTheInnerPointsTogetherAndOnePressPicksBoth) {
  onSpecialKey(GLUT_KEY_UP, 0, 0);
  onSpecialKey(GLUT_KEY_UP, 0, 0);
  EXPECT_TRUE(pointNear(scene.curveA.p[1], {-0.1, 0.1}, 1e-15));
  EXPECT_TRUE(pointNear(scene.curveA.p[2], {0.1, 0.1}, 1e-15));
  leftPress(320, 320);
  EXPECT_EQ(scene.selectedA, 1);
  EXPECT_EQ(scene.selectedB, 1);
  onMouseDrag(320, 300);
  EXPECT_TRUE(pointNear(scene.curveA.p[1], {-0.1, 0.125}, 1e-12));
  EXPECT_TRUE(pointNear(scene.curveB.p[1], {-0.1, 0.125}, 1e-12));
}

TEST_F(Input, ArrowKeysShiftOnlyTheFirstCurve) {
  onSpecialKey(GLUT_KEY_UP, 0, 0);
  const double ys[4] = {-0.2, 0, 0, -0.2};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(scene.curveA.p[i].y, ys[i], 1e-15) << i;
  onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
  onSpecialKey(GLUT_KEY_RIGHT, 0, 0);
  onSpecialKey(GLUT_KEY_LEFT, 0, 0);
  onSpecialKey(GLUT_KEY_DOWN, 0, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(
        pointNear(scene.curveA.p[i], {kDefaultCurveA.p[i].x + 0.1, kDefaultCurveA.p[i].y}, 1e-15));
    EXPECT_EQ(scene.curveB.p[i].x, kDefaultCurveB.p[i].x);
    EXPECT_EQ(scene.curveB.p[i].y, kDefaultCurveB.p[i].y);
  }
  onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
  onSpecialKey(GLUT_KEY_F1, 0, 0);
  EXPECT_TRUE(pointNear(scene.curveA.p[0], {-0.1, -0.3}, 1e-15));
}

TEST_F(Input, NonLeftDragZoomsByATenthPerHundredPixels) {
  onMouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 400, 400);
  EXPECT_TRUE(scene.zoomDragActive);
  onMouseDrag(400, 300);
  EXPECT_NEAR(geometryScene.zoomScale, 2.1, 1e-12);
  onMouseDrag(400, 500);
  EXPECT_NEAR(geometryScene.zoomScale, 1.9, 1e-12);
  // A wheel turn does not end the drag.
  onMouseWheel(0, 1, 400, 500);
  EXPECT_TRUE(scene.zoomDragActive);
  onMouseButton(GLUT_MIDDLE_BUTTON, GLUT_UP, 400, 500);
  EXPECT_FALSE(scene.zoomDragActive);
  onMouseDrag(400, 0);
  EXPECT_NEAR(geometryScene.zoomScale, 1.9, 1e-12);
}

TEST_F(Input, ZoomStopsExactlyAtItsLimits) {
  onMouseButton(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 400, 4000);
  onMouseDrag(400, 2000);
  onMouseDrag(400, 900);
  EXPECT_EQ(geometryScene.zoomScale, 5.0);
  onMouseDrag(400, 3000);
  EXPECT_NEAR(geometryScene.zoomScale, 2.9, 1e-12);
  onMouseDrag(400, 6000);
  EXPECT_EQ(geometryScene.zoomScale, 0.1);
}

TEST_F(Input, RTogglesTheResolutionAndOtherKeysDoNothing) {
  onKeyboard('R', 0, 0);
  EXPECT_EQ(scene.sampleCount, 512);
  onKeyboard('r', 0, 0);
  EXPECT_EQ(scene.sampleCount, 100);
  onKeyboard('x', 0, 0);
  onKeyboard(' ', 0, 0);
  EXPECT_EQ(scene.sampleCount, 100);
}

// Every handler but the keyboard's asks for a redraw; several requests give one frame.
TEST_F(Input, EveryHandlerButTheKeyboardRequestsARedraw) {
  viewer_test::framesShown();  // settle anything pending
  leftPress(400, 400);
  EXPECT_EQ(viewer_test::framesShown(), 1);
  onMouseDrag(410, 410);
  onMouseDrag(420, 420);
  EXPECT_EQ(viewer_test::framesShown(), 1);
  leftRelease(420, 420);
  EXPECT_EQ(viewer_test::framesShown(), 1);
  onSpecialKey(GLUT_KEY_PAGE_UP, 0, 0);
  EXPECT_EQ(viewer_test::framesShown(), 1);
  onMouseWheel(0, -1, 0, 0);
  EXPECT_EQ(viewer_test::framesShown(), 1);
  onKeyboard('r', 0, 0);
  EXPECT_EQ(viewer_test::framesShown(), 0);
}

}  // namespace
