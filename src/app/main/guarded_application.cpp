#include "app/main/guarded_application.h"

#include <QMessageBox>
#include <exception>

namespace carbonel {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        QMessageBox::critical(activeWindow(), QString(), error.what());
    } catch (...) {
        QMessageBox::critical(activeWindow(), QString(), "An unexpected error occurred.");
    }
    return false;
}

}  // namespace carbonel
