#include "workspace/app_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace carbonel {

QString resourceFolder(const QString& programFolder) {
    if (QFileInfo::exists(programFolder + "/4.jpg")) return programFolder;
    const QString shared = QDir::cleanPath(programFolder + "/../share/carbonel");
    return QFileInfo::exists(shared + "/4.jpg") ? shared : programFolder;
}

bool portableUse(const QString& programFolder) {
    return QFileInfo(programFolder + "/carbonel.INI").isFile();
}

QString ownFilesFolder(const QString& programFolder) {
    if (portableUse(programFolder)) return programFolder;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return cache;
}

QString settingsFilePath(const QString& programFolder) {
    if (portableUse(programFolder)) return programFolder + "/carbonel.INI";
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return config + "/carbonel.INI";
}

}  // namespace carbonel
