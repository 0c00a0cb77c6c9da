#pragma once

#include <QString>
#include <QStringList>

#include "share/watched_process.h"

namespace carbonel {

// Starts other programs for the user; tests replace it.
class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts the program; `failed` hears, while `context` lives, why it could not be started or
    // ended in failure.
    virtual void start(const QString& program, const QStringList& arguments, QObject* context,
                       ProcessFailure failed) = 0;
    // Whether a program of this name is on the search path.
    virtual bool isInstalled(const QString& program) const = 0;
};

class SystemProcessLauncher : public ProcessLauncher {
  public:
    void start(const QString& program, const QStringList& arguments, QObject* context,
               ProcessFailure failed) override;
    bool isInstalled(const QString& program) const override;
};

// The paint programs Edit&Print looks for, in order.
const QStringList& paintPrograms();

// The picture editor Edit&Print hands a saved sketch to: the first of the paint programs that
// is installed, else the desktop's opener for the file.
QString pictureEditor(const ProcessLauncher& launcher);

// What Edit&Print says when the editor failed on the saved file `file`: the file, what was
// tried and why it failed.
QString editorFailureMessage(const QString& file, const QString& editor, const QString& why);

}  // namespace carbonel
