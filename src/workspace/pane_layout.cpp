#include "workspace/pane_layout.h"

namespace carbonel {

PaneLayout layoutPanes(int areaWidth, int areaHeight, int photoWidth, int photoHeight) {
    // Each pane is the photo fitted into its half of the area.
    const int half = areaWidth / 2;
    PaneLayout layout;
    layout.photo = fitPicture(half, areaHeight, photoWidth, photoHeight);
    layout.sketch = layout.photo;
    layout.sketch.left += half;
    return layout;
}

PaneGeometry fitPicture(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return {areaWidth / 2, areaHeight / 2, 0, 0};
    }
    const float ratio = static_cast<float>(pictureHeight) / static_cast<float>(pictureWidth);
    const float areaRatio = static_cast<float>(areaHeight) / static_cast<float>(areaWidth);
    int width = areaWidth;
    int height = static_cast<int>(static_cast<float>(areaWidth) * ratio);
    if (ratio > areaRatio) {
        height = areaHeight;
        width = static_cast<int>(static_cast<float>(areaHeight) / ratio);
    }
    return {(areaWidth - width) / 2, (areaHeight - height) / 2, width, height};
}

PaneGeometry fitPictureAtMostRealSize(int areaWidth, int areaHeight, int pictureWidth,
                                      int pictureHeight) {
    if (pictureWidth > areaWidth || pictureHeight > areaHeight || pictureWidth <= 0 ||
        pictureHeight <= 0) {
        return fitPicture(areaWidth, areaHeight, pictureWidth, pictureHeight);
    }
    return {(areaWidth - pictureWidth) / 2, (areaHeight - pictureHeight) / 2, pictureWidth,
            pictureHeight};
}

}  // namespace carbonel
