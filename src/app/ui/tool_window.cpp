#include "app/ui/tool_window.h"

#include <QCloseEvent>
#include <QTimer>

namespace carbonel {

ToolWindow::ToolWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                         Qt::CustomizeWindowHint | Qt::WindowTitleHint) {}

void ToolWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (firstShow_ && parentWidget()) {
        firstShow_ = false;
        const QPoint corner = parentWidget()->frameGeometry().topLeft();
        move(corner);
        // The window manager adds our frame only once we are mapped, and may place the client
        // area where the frame was asked for; then the frame is moved onto the owner's corner.
        auto align = [this, corner] {
            const QPoint off = corner - frameGeometry().topLeft();
            if (!off.isNull()) move(pos() + off);
        };
        QTimer::singleShot(0, this, align);
        QTimer::singleShot(200, this, align);
    }
}

void ToolWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closedByUser();
}

}  // namespace carbonel
