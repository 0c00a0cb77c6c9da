#include "workspace/picture_view.h"

#include <algorithm>

namespace carbonel {

void PictureView::setPicture(int width, int height) {
    pictureWidth_ = width;
    pictureHeight_ = height;
    fit();
}

void PictureView::setPane(int width, int height) {
    paneWidth_ = width;
    paneHeight_ = height;
    magnify(magnification_, 0.5, 0.5);
}

double PictureView::fitZoom() const {
    if (pictureWidth_ <= 0 || pictureHeight_ <= 0 || paneWidth_ <= 0 || paneHeight_ <= 0) return 0;
    return std::min(static_cast<double>(paneWidth_) / pictureWidth_,
                    static_cast<double>(paneHeight_) / pictureHeight_);
}

double PictureView::largestMagnification() const {
    const double fit = fitZoom();
    return fit > 0 ? std::max(1.0, kLargestZoom / fit) : 1.0;
}

void PictureView::magnify(double magnification, double ax, double ay) {
    magnification = std::clamp(magnification, 1.0, largestMagnification());
    // Steps out of a zoom multiply back to 1 only nearly; fit must be exact, as it samples as the
    // panes always have.
    if (magnification < 1.0 + 1e-9) magnification = 1.0;
    const double oldSpan = span();
    magnification_ = magnification;
    left_ += ax * (oldSpan - span());
    top_ += ay * (oldSpan - span());
    keepInside();
}

void PictureView::keepInside() {
    const double room = 1.0 - span();
    left_ = atFit() ? 0.0 : std::clamp(left_, 0.0, room);
    top_ = atFit() ? 0.0 : std::clamp(top_, 0.0, room);
}

void PictureView::zoomAbout(double factor, double x, double y) {
    if (paneWidth_ <= 0 || paneHeight_ <= 0) return;
    magnify(magnification_ * factor, x / paneWidth_, y / paneHeight_);
}

void PictureView::fit() {
    magnification_ = 1.0;
    keepInside();
}

void PictureView::realSize() {
    const double fit = fitZoom();
    if (fit > 0) magnify(1.0 / fit, 0.5, 0.5);
}

void PictureView::panBy(double dx, double dy) {
    if (paneWidth_ <= 0 || paneHeight_ <= 0) return;
    left_ -= dx / paneWidth_ * span();
    top_ -= dy / paneHeight_ * span();
    keepInside();
}

PictureView::Point PictureView::toPicture(double x, double y) const {
    if (paneWidth_ <= 0 || paneHeight_ <= 0) return {};
    return {(left_ + x / paneWidth_ * span()) * pictureWidth_,
            (top_ + y / paneHeight_ * span()) * pictureHeight_};
}

PictureView::Point PictureView::toPane(double x, double y) const {
    if (pictureWidth_ <= 0 || pictureHeight_ <= 0) return {};
    return {(x / pictureWidth_ - left_) * magnification_ * paneWidth_,
            (y / pictureHeight_ - top_) * magnification_ * paneHeight_};
}

}  // namespace carbonel
