#pragma once

#include <QDialog>

#include "sketch/raster.h"

namespace carbonel {

class PicturePane;

// "Real  scale": a copy of one pane's picture at about its own pixel size, fitted without
// distortion into the window. Shown modally, one at a time.
class ViewerWindow : public QDialog {
  public:
    ViewerWindow(const Raster& picture, QWidget* owner);

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void restoreInitialGeometry();

    Raster picture_;  // the viewer's own copy: later changes to the panes do not reach it
    PicturePane* pane_;
};

}  // namespace carbonel
