#pragma once

#include <QApplication>

namespace carbonel {

// The application object: an exception that a command lets through (one the engine does not
// raise itself, such as running out of memory) is shown in the error box, and the program goes on,
// instead of ending with the user's work.
class GuardedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace carbonel
