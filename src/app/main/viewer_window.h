#pragma once

#include <QDialog>

#include "sketch/raster.h"

namespace carbonel {

class PicturePane;
class SharedView;

// "Real  scale": a copy of one pane's picture in a window of its own, shown modally, one at a
// time. It opens as large as the picture at its real size, but within the desktop's free area,
// centred there, with the picture fitted (never enlarged); it zooms and pans as the panes do. The
// pane samples only the part it shows, so a huge picture opens as fast as a small one.
class ViewerWindow : public QDialog {
  public:
    ViewerWindow(const Raster& picture, QWidget* owner);

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void placeOnScreen();

    Raster picture_;  // the viewer's own copy: later changes to the panes do not reach it
    SharedView* view_;
    PicturePane* pane_;
    bool activated_ = false;
};

// Shows a picture in a viewer, modally, in its owner's look.
void showViewer(const Raster& picture, QWidget* owner);

}  // namespace carbonel
