#include "app/ui/tool_window.h"

namespace carbonel {

ToolWindow::ToolWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                         Qt::CustomizeWindowHint | Qt::WindowTitleHint) {}

void ToolWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (firstShow_ && parentWidget()) {
        move(parentWidget()->frameGeometry().topLeft());
        firstShow_ = false;
    }
}

void ToolWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit hidden();
}

}  // namespace carbonel
