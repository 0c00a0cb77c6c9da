#include "app/main/viewer_window.h"

#include <QEvent>
#include <QScreen>
#include <QScrollArea>

#include "app/ui/picture_pane.h"
#include "app/ui/ui_styles.h"
#include "workspace/pane_layout.h"

namespace carbonel {

ViewerWindow::ViewerWindow(const Raster& picture, QWidget* owner)
    : QDialog(owner),
      picture_(picture),
      scrollArea_(new QScrollArea(this)),
      pane_(new PicturePane(this)) {
    setWindowTitle("Real  scale");
    setMinimumSize(130, 32);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->hide();
    pane_->setAccessibleName("Picture");
    pane_->showRaster(&picture_);
}

// Each time the viewer becomes active it takes the picture's size plus room for its frame (10 more
// wide, 30 more high, frame included) at the screen's top-left corner, within the desktop's free
// area.
void ViewerWindow::restoreInitialGeometry() {
    const QSize frame = frameGeometry().size() - size();
    QSize wanted(picture_.width() + 10 - frame.width(), picture_.height() + 30 - frame.height());
    QPoint corner(0, 0);
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const QSize room = available.size() - frame;
    scrolls_ =
        !available.isEmpty() && (wanted.width() > room.width() || wanted.height() > room.height());
    if (scrolls_) {
        wanted = wanted.boundedTo(room);
        corner = available.topLeft();
    }
    // The pane lives in the scroll area only while the picture is too large for the window.
    if (scrolls_ && scrollArea_->widget() != pane_) {
        scrollArea_->setWidget(pane_);
        pane_->resize(picture_.width(), picture_.height());
        scrollArea_->show();
    }
    resize(wanted);
    move(corner);
}

bool ViewerWindow::event(QEvent* event) {
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        restoreInitialGeometry();
    return QDialog::event(event);
}

void ViewerWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (scrolls_) {
        scrollArea_->setGeometry(rect());
        return;
    }
    const PaneGeometry fitted = fitPicture(width(), height(), picture_.width(), picture_.height());
    pane_->setGeometry(fitted.left, fitted.top, fitted.width, fitted.height);
}

void showViewer(const Raster& picture, QWidget* owner) {
    ViewerWindow viewer(picture, owner);
    applyUiStyle(&viewer, uiStyleOf(owner));
    viewer.exec();
}

}  // namespace carbonel
