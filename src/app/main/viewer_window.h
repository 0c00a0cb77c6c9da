#pragma once

#include <QDialog>

#include "sketch/raster.h"

class QScrollArea;

namespace carbonel {

class PicturePane;

// "Real  scale": a copy of one pane's picture at about its own pixel size, fitted without
// distortion into the window. Shown modally, one at a time. A picture larger than the desktop's
// free area gets a window that fills that area, and shows the picture at its real scale with
// scroll bars, so the window's frame and buttons stay on the screen.
class ViewerWindow : public QDialog {
  public:
    ViewerWindow(const Raster& picture, QWidget* owner);

    // Whether the picture is larger than the window may be, and so scrolls.
    bool scrolls() const { return scrolls_; }

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void restoreInitialGeometry();

    Raster picture_;  // the viewer's own copy: later changes to the panes do not reach it
    QScrollArea* scrollArea_;
    PicturePane* pane_;
    bool scrolls_ = false;
};

// Shows a picture in a viewer, modally, in its owner's look.
void showViewer(const Raster& picture, QWidget* owner);

}  // namespace carbonel
