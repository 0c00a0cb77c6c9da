#include "app/main/viewer_window.h"

#include <QEvent>

#include "app/ui/picture_pane.h"
#include "workspace/pane_layout.h"

namespace carbonel {

ViewerWindow::ViewerWindow(const Raster& picture, QWidget* owner)
    : QDialog(owner), picture_(picture), pane_(new PicturePane(this)) {
    setWindowTitle("Real  scale");
    setMinimumSize(130, 32);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    pane_->setAccessibleName("Picture");
    pane_->showRaster(&picture_);
}

// Each time the viewer becomes active it takes the picture's size plus room for its frame (10 more
// wide, 30 more high, frame included) at the screen's top-left corner.
void ViewerWindow::restoreInitialGeometry() {
    const QSize frame = frameGeometry().size() - size();
    resize(picture_.width() + 10 - frame.width(), picture_.height() + 30 - frame.height());
    move(0, 0);
}

bool ViewerWindow::event(QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        restoreInitialGeometry();
    return QDialog::event(event);
}

void ViewerWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const PaneGeometry fitted = fitPicture(width(), height(), picture_.width(), picture_.height());
    pane_->setGeometry(fitted.left, fitted.top, fitted.width, fitted.height);
}

}  // namespace carbonel
