#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace carbonel {

// Told why a program started for the user failed: "could not be started (…)" or "ended with
// status N: " and the first line it wrote to its standard error.
using ProcessFailure = std::function<void(const QString& why)>;

// Starts a program for the user and calls `failed`, on `context`'s thread and only while
// `context` lives, when it cannot be started or ends with a status other than 0. The program is
// not tied to this one: it keeps running, and may keep writing its errors, after this one ends.
void startWatched(const QString& program, const QStringList& arguments, QObject* context,
                  ProcessFailure failed);

}  // namespace carbonel
