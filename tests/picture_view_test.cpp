#include "workspace/picture_view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "workspace/freehand.h"

namespace carbonel {
namespace {

// An 800 x 600 photo in a 400 x 300 pane: fit is 50 %.
PictureView halfSizeView() {
    PictureView view;
    view.setPicture(800, 600);
    view.setPane(400, 300);
    return view;
}

TEST(PictureView, ZoomKeepsThePointUnderThePointerWithinTheLimits) {
    PictureView view = halfSizeView();
    EXPECT_TRUE(view.atFit());
    EXPECT_DOUBLE_EQ(view.fitZoom(), 0.5);
    const PictureView::Point before = view.toPicture(100, 50);
    view.zoomAbout(PictureView::kZoomStep, 100, 50);
    view.zoomAbout(3.0, 100, 50);
    EXPECT_DOUBLE_EQ(view.zoom(), 0.5 * 1.25 * 3);
    const PictureView::Point after = view.toPicture(100, 50);
    EXPECT_NEAR(after.x, before.x, 1e-9);
    EXPECT_NEAR(after.y, before.y, 1e-9);
    const PictureView::Point back = view.toPane(after.x, after.y);
    EXPECT_NEAR(back.x, 100, 1e-9);
    EXPECT_NEAR(back.y, 50, 1e-9);

    const PictureView::Point corner = view.toPicture(390, 290);
    view.zoomAbout(1000, 390, 290);
    EXPECT_DOUBLE_EQ(view.zoom(), PictureView::kLargestZoom);
    EXPECT_NEAR(view.toPicture(390, 290).x, corner.x, 1e-9);
    // Steps out come back to fit exactly, the whole picture from its corner.
    for (int step = 0; step < 40; ++step) view.zoomAbout(1 / PictureView::kZoomStep, 390, 290);
    EXPECT_TRUE(view.atFit());
    EXPECT_EQ(view.left(), 0.0);
    EXPECT_EQ(view.top(), 0.0);

    // A picture already larger than 1600 % at fit does not zoom.
    PictureView tiny;
    tiny.setPicture(10, 10);
    tiny.setPane(400, 400);
    tiny.zoomAbout(2, 200, 200);
    tiny.realSize();
    EXPECT_TRUE(tiny.atFit());
}

TEST(PictureView, PanStopsAtThePicturesEdges) {
    PictureView view = halfSizeView();
    view.panBy(50, 50);  // the whole picture shows: nothing moves
    EXPECT_EQ(view.left(), 0.0);
    view.zoomAbout(4, 200, 150);  // the middle quarter of each side
    EXPECT_DOUBLE_EQ(view.left(), 0.375);
    view.panBy(-100, 30);  // the picture goes left and down with the pointer
    EXPECT_DOUBLE_EQ(view.left(), 0.375 + 100.0 / 400 * 0.25);
    EXPECT_DOUBLE_EQ(view.top(), 0.375 - 30.0 / 300 * 0.25);
    view.panBy(5000, -5000);
    EXPECT_EQ(view.left(), 0.0);
    EXPECT_DOUBLE_EQ(view.top(), 0.75);
}

TEST(PictureView, RealSizeKeepsTheCentreAndANewPictureFits) {
    PictureView view = halfSizeView();
    view.zoomAbout(3, 100, 100);
    const PictureView::Point centre = view.toPicture(200, 150);
    view.realSize();
    EXPECT_DOUBLE_EQ(view.zoom(), 1.0);
    EXPECT_NEAR(view.toPicture(200, 150).x, centre.x, 1e-9);
    EXPECT_NEAR(view.toPicture(200, 150).y, centre.y, 1e-9);
    view.setPane(200, 150);  // a smaller pane keeps the zoom over fit
    EXPECT_DOUBLE_EQ(view.magnification(), 2.0);
    view.setPicture(800, 600);
    EXPECT_TRUE(view.atFit());
}

TEST(BrushRectangle, ZoomedCoversTheFitSquareAroundThePixelUnderThePointer) {
    PictureView view = halfSizeView();
    view.zoomAbout(8, 130, 70);  // 400 %
    ASSERT_DOUBLE_EQ(view.zoom(), 4.0);
    const PictureView::Point at = view.toPicture(150, 90);
    const std::optional<BrushRectangle> zoomed = brushRectangleAt(at.x, at.y, 10, 1, 400, 300, 600);
    ASSERT_TRUE(zoomed);
    EXPECT_NEAR((zoomed->left + zoomed->right) / 2.0, std::floor(at.x), 1.0);
    EXPECT_NEAR((zoomed->top + zoomed->bottom) / 2.0, std::floor(at.y), 1.0);
    const BrushRectangle fit = *brushRectangle(100, 50, 10, 1, 400, 300, 600);
    EXPECT_EQ(zoomed->right - zoomed->left, fit.right - fit.left);
    EXPECT_EQ(zoomed->bottom - zoomed->top, fit.bottom - fit.top);
    // The edge rule in the pane's pixels at fit: a line step of 1 is 2 photo pixels here.
    EXPECT_FALSE(brushRectangleAt(1.5, 300, 10, 1, 400, 300, 600));
    EXPECT_TRUE(brushRectangleAt(2.5, 300, 10, 1, 400, 300, 600));
    EXPECT_FALSE(brushRectangleAt(400, 598.5, 10, 1, 400, 300, 600));
}

}  // namespace
}  // namespace carbonel
