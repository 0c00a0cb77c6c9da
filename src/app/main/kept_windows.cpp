#include "app/main/kept_windows.h"

#include <QByteArray>
#include <QString>

#include "app/main/control_strip.h"
#include "app/ui/dialogs.h"
#include "app/ui/tool_window.h"

namespace carbonel {
namespace {

// Window geometry as Qt saves it, kept in base 64.
QByteArray geometry(const std::string& text) {
    return QByteArray::fromBase64(QByteArray::fromStdString(text));
}
std::string geometryText(const QWidget& window) {
    return window.saveGeometry().toBase64().toStdString();
}

}  // namespace

void restoreKept(const KeptSettings& kept, const KeptWindows& windows) {
    windows.strip.restore(kept);
    if (!kept.mainWindow.empty()) windows.main.restoreGeometry(geometry(kept.mainWindow));
    if (!kept.batchWindow.empty()) windows.batch.restorePlacement(geometry(kept.batchWindow));
    if (!kept.recorderWindow.empty())
        windows.recorder.restorePlacement(geometry(kept.recorderWindow));
    auto folder = [](const std::string& text) { return QString::fromStdString(text); };
    windows.dialogs.setFolders({folder(kept.openFolder), folder(kept.saveFolder),
                                folder(kept.animationFolder), folder(kept.sourceFolder)});
}

KeptSettings keptNow(const KeptSettings& before, const KeptWindows& windows) {
    KeptSettings kept;
    windows.strip.keep(kept);
    kept.mainWindow = geometryText(windows.main);
    auto placement = [](const ToolWindow& window, const std::string& kept) {
        return window.placed() ? geometryText(window) : kept;
    };
    kept.batchWindow = placement(windows.batch, before.batchWindow);
    kept.recorderWindow = placement(windows.recorder, before.recorderWindow);
    const UserDialogs::Folders folders = windows.dialogs.folders();
    kept.openFolder = folders.open.toStdString();
    kept.saveFolder = folders.save.toStdString();
    kept.animationFolder = folders.animation.toStdString();
    kept.sourceFolder = folders.source.toStdString();
    return kept;
}

}  // namespace carbonel
