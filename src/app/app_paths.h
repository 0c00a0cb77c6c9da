#pragma once

#include <QString>

namespace carbonel {

// Where the program finds its start picture "4.jpg" and its "texture" folder: beside the
// executable, or, for an installed program, in ../share/carbonel.
QString resourceFolder(const QString& programFolder);

// A folder the program may write its own files into ("sketch.jpg", "sketch.gif"): the program's
// folder when writable, else the user's cache folder.
QString writableProgramFolder(const QString& programFolder);

}  // namespace carbonel
