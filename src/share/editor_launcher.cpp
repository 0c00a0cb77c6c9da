#include "share/editor_launcher.h"

#include <QStandardPaths>

namespace carbonel {

void SystemProcessLauncher::start(const QString& program, const QStringList& arguments,
                                  QObject* context, ProcessFailure failed) {
    startWatched(program, arguments, context, std::move(failed));
}

bool SystemProcessLauncher::isInstalled(const QString& program) const {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

const QStringList& paintPrograms() {
    static const QStringList programs = {"kolourpaint", "pinta", "gimp", "krita"};
    return programs;
}

QString pictureEditor(const ProcessLauncher& launcher) {
    for (const QString& editor : paintPrograms()) {
        if (launcher.isInstalled(editor)) return editor;
    }
    return "xdg-open";
}

QString editorFailureMessage(const QString& file, const QString& editor, const QString& why) {
    QString tried = editor;
    if (!paintPrograms().contains(editor)) {
        // The opener is the last resort: say that no paint program was found first.
        tried = "no paint program (" + paintPrograms().join(", ") +
                ") is installed, and the desktop's opener " + editor;
    }
    return "The sketch is saved as \"" + file +
           "\", but it could not be opened for editing: " + tried + " " + why + ".";
}

}  // namespace carbonel
