#pragma once

#include <QString>

namespace carbonel {

// Where the program finds its start picture "4.jpg" and its "texture" folder: beside the
// executable, or, for an installed program, in ../share/carbonel.
QString resourceFolder(const QString& programFolder);

// Portable use: a "carbonel.INI" already sits beside the program. Then the program keeps its own
// files beside itself; otherwise it keeps them in the user's folders.
bool portableUse(const QString& programFolder);

// The folder the program writes its own files into ("sketch.jpg", "sketch.gif"): the program's
// folder in portable use, else the user's cache folder (made when missing).
QString ownFilesFolder(const QString& programFolder);

// The settings file "carbonel.INI": beside the program in portable use, else in the user's
// configuration folder (made when missing).
QString settingsFilePath(const QString& programFolder);

}  // namespace carbonel
