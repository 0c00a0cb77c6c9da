#include "share/editor_launcher.h"

#include <QProcess>
#include <QStandardPaths>

namespace carbonel {

bool SystemProcessLauncher::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

bool SystemProcessLauncher::isInstalled(const QString& program) const {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QString pictureEditor(const ProcessLauncher& launcher) {
    for (const char* editor : {"kolourpaint", "pinta", "gimp", "krita"}) {
        if (launcher.isInstalled(editor)) return editor;
    }
    return "xdg-open";
}

}  // namespace carbonel
