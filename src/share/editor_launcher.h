#pragma once

#include <QString>
#include <QStringList>

namespace carbonel {

// Starts other programs; tests replace it.
class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts the program detached; false when it could not be started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
    // Whether a program of this name is on the search path.
    virtual bool isInstalled(const QString& program) const = 0;
};

class SystemProcessLauncher : public ProcessLauncher {
  public:
    bool startDetached(const QString& program, const QStringList& arguments) override;
    bool isInstalled(const QString& program) const override;
};

// The picture editor Edit&Print hands a saved sketch to: the first of the desktop's paint
// programs that is installed, else the desktop's opener for the file.
QString pictureEditor(const ProcessLauncher& launcher);

}  // namespace carbonel
