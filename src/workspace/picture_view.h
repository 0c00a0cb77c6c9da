#pragma once

namespace carbonel {

// The part of a picture a pane shows, and how large. The pane has the picture's shape (the layout
// fits it so), so one fraction serves both axes: the pane shows `span` of the picture's width and
// height, from (left, top), fractions of the picture. At fit it shows the whole picture; zoomed in,
// the visible part stays inside the picture, so no gap shows. Panes that share a view show the
// same part of their pictures, whatever their pixel counts.
class PictureView {
  public:
    static constexpr double kLargestZoom = 16.0;  // screen pixels per picture pixel: 1600 %
    static constexpr double kZoomStep = 1.25;     // a wheel notch or a key press

    struct Point {
        double x = 0;
        double y = 0;
    };

    // The picture's size in its own pixels; a new picture is shown whole.
    void setPicture(int width, int height);
    // The pane's size in its pixels. The magnification over fit stays, as far as the limits allow.
    void setPane(int width, int height);

    int pictureWidth() const { return pictureWidth_; }
    int pictureHeight() const { return pictureHeight_; }
    // Screen pixels per picture pixel at fit (0 without a picture or a pane), and now.
    double fitZoom() const;
    double zoom() const { return fitZoom() * magnification_; }
    // How many times larger than at fit the picture shows.
    double magnification() const { return magnification_; }
    bool atFit() const { return magnification_ == 1.0; }
    double left() const { return left_; }
    double top() const { return top_; }
    double span() const { return 1.0 / magnification_; }

    // Zooms by `factor` about the pane point (x, y): the picture point there stays there.
    void zoomAbout(double factor, double x, double y);
    void fit();
    // One picture pixel to a screen pixel, about the centre of the visible part.
    void realSize();
    // Moves the picture with the pointer by (dx, dy) pane pixels.
    void panBy(double dx, double dy);

    // Pane points to picture points (in picture pixels) and back.
    Point toPicture(double x, double y) const;
    Point toPane(double x, double y) const;

  private:
    double largestMagnification() const;
    // Sets the magnification within the limits, keeping the picture point at pane fraction
    // (ax, ay) where it is, and the visible part inside the picture.
    void magnify(double magnification, double ax, double ay);
    void keepInside();

    int pictureWidth_ = 0, pictureHeight_ = 0;
    int paneWidth_ = 0, paneHeight_ = 0;
    double magnification_ = 1.0;
    double left_ = 0, top_ = 0;
};

}  // namespace carbonel
