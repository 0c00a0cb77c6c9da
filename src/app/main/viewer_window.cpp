#include "app/main/viewer_window.h"

#include <QAction>
#include <QEvent>
#include <QScreen>

#include "app/ui/picture_pane.h"
#include "app/ui/ui_styles.h"
#include "workspace/pane_layout.h"

namespace carbonel {

ViewerWindow::ViewerWindow(const Raster& picture, QWidget* owner)
    : QDialog(owner), picture_(picture), view_(new SharedView(this)), pane_(new PicturePane(this)) {
    setWindowTitle("Real  scale");
    setMinimumSize(130, 32);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    pane_->setAccessibleName("Picture");
    view_->change(
        [this](PictureView& view) { view.setPicture(picture_.width(), picture_.height()); });
    pane_->setView(view_);
    pane_->showRaster(&picture_);
    for (ZoomCommand command :
         {ZoomCommand::In, ZoomCommand::Out, ZoomCommand::Fit, ZoomCommand::RealSize}) {
        auto* action = new QAction(this);
        action->setShortcuts(zoomKeys(command));
        connect(action, &QAction::triggered, pane_, [this, command] { pane_->zoom(command); });
        addAction(action);
    }
}

// The picture at its real size, or as much smaller as the desktop's free area needs with the
// window's frame, the window centred there.
void ViewerWindow::placeOnScreen() {
    const QSize frame = frameGeometry().size() - size();
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const QSize room =
        available.isEmpty() ? QSize(picture_.width(), picture_.height()) : available.size() - frame;
    const PaneGeometry fitted =
        fitPictureAtMostRealSize(room.width(), room.height(), picture_.width(), picture_.height());
    resize(QSize(fitted.width, fitted.height).expandedTo(minimumSize()));
    if (available.isEmpty()) return;
    QRect outside(QPoint(0, 0), size() + frame);
    outside.moveCenter(available.center());
    move(outside.topLeft());
}

bool ViewerWindow::event(QEvent* event) {
    // Placed when shown, and again when first active, once the frame has its size.
    if (event->type() == QEvent::Show) placeOnScreen();
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        placeOnScreen();
    }
    return QDialog::event(event);
}

void ViewerWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const PaneGeometry fitted =
        fitPictureAtMostRealSize(width(), height(), picture_.width(), picture_.height());
    pane_->setGeometry(fitted.left, fitted.top, fitted.width, fitted.height);
}

void showViewer(const Raster& picture, QWidget* owner) {
    ViewerWindow viewer(picture, owner);
    applyUiStyle(&viewer, uiStyleOf(owner));
    viewer.exec();
}

}  // namespace carbonel
