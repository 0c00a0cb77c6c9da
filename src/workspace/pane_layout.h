#pragma once

namespace carbonel {

struct PaneGeometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PaneGeometry&) const = default;
};

struct PaneLayout {
    PaneGeometry photo;
    PaneGeometry sketch;
};

// The two panes in a picture area of areaWidth x areaHeight: each half of the area shows the photo
// with its aspect ratio, as large as fits, centred, the photo on the left and the sketch on the
// right at the same height. Ratios are single-precision, as the panes have always been laid out.
// With no photo (a side of 0) both panes are empty, at the middle of their halves.
PaneLayout layoutPanes(int areaWidth, int areaHeight, int photoWidth, int photoHeight);

// A picture fitted into an area without distortion, filling it one way and centred the other.
PaneGeometry fitPicture(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight);

// The same, but never larger than the picture itself: a small picture shows at its real size,
// centred.
PaneGeometry fitPictureAtMostRealSize(int areaWidth, int areaHeight, int pictureWidth,
                                      int pictureHeight);

}  // namespace carbonel
