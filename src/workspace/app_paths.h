#pragma once

#include <QString>

namespace carbonel {

// Where the program finds its start picture "4.jpg" and its "texture" folder: beside the
// executable, or, for an installed program, in ../share/carbonel.
QString resourceFolder(const QString& programFolder);

// A folder the program may write its own files into ("sketch.jpg", "sketch.gif"): the program's
// folder when writable, else the user's cache folder.
QString writableProgramFolder(const QString& programFolder);

// The settings file: "carbonel.INI" beside the executable when that folder is writable, else in
// the user's configuration folder.
QString settingsFilePath(const QString& programFolder);

}  // namespace carbonel
