#include "share/watched_process.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryFile>

namespace carbonel {
namespace {

QString firstLine(QIODevice* errors) {
    if (!errors || !errors->seek(0)) return {};
    return QString::fromLocal8Bit(errors->readLine(4096)).trimmed();
}

}  // namespace

void startWatched(const QString& program, const QStringList& arguments, QObject* context,
                  ProcessFailure failed) {
    // Not owned by any window: a QProcess that is destroyed kills its program, and the program
    // must outlive the window. It deletes itself once the program has ended.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    // The errors go to a file rather than a pipe, which would break the program's writes (and
    // could end it) once this program has gone. The file's name is removed as soon as the
    // program has it open; this side reads it through its own handle.
    auto* errors = new QTemporaryFile(process);
    if (errors->open()) {
        process->setStandardErrorFile(errors->fileName());
    } else {
        delete errors;
        errors = nullptr;
        process->setStandardErrorFile(QProcess::nullDevice());
    }
    QPointer<QObject> watcher(context);
    auto report = [watcher, failed](const QString& why) {
        if (watcher && failed) failed(why);
    };
    QObject::connect(process, &QProcess::started, process, [errors] {
        if (errors) QFile::remove(errors->fileName());
    });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, report](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         report("could not be started (" + process->errorString() + ")");
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, errors, report](int status, QProcess::ExitStatus how) {
                         if (how == QProcess::CrashExit) {
                             report("ended abnormally");
                         } else if (status != 0) {
                             const QString line = firstLine(errors);
                             report("ended with status " + QString::number(status) +
                                    (line.isEmpty() ? QString() : ": " + line));
                         }
                         process->deleteLater();
                     });
    process->start();
}

}  // namespace carbonel
