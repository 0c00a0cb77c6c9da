// The window's commands, each one QAction in one table: Open, Convert, Clear, Save, Send to,
// Edit&Print, Undo, Redo, Quit and the zoom of the panes, with their keys and the buttons that run
// them.
#include <QAction>
#include <filesystem>

#include "app/main/automatic_options.h"
#include "app/main/main_window.h"
#include "app/share/mail_composer.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "imageio/output_formats.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "share/editor_launcher.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

struct Command {
    const char* name;  // the action's object name
    const char* text;
    QList<QKeySequence> keys;
    std::function<void()> handler;
    std::optional<ControlStrip::Button> button;
};

}  // namespace

void MainWindow::addCommands() {
    using Button = ControlStrip::Button;
    auto run = [this](void (MainWindow::*handler)()) {
        return [this, handler] { (this->*handler)(); };
    };
    auto zoom = [this](ZoomCommand command) {
        return [this, command] { zoomedPane()->zoom(command); };
    };
    const Command commands[] = {
        {"openCommand", "Open", {Qt::CTRL | Qt::Key_O}, run(&MainWindow::openPhoto), Button::Open},
        {"convertCommand", "Convert", {}, run(&MainWindow::convert), Button::Convert},
        {"clearCommand", "Clear", {}, run(&MainWindow::clearSketch), Button::Clear},
        {"saveCommand", "Save", {Qt::CTRL | Qt::Key_S}, run(&MainWindow::save), Button::Save},
        {"sendCommand", "Send to", {}, run(&MainWindow::sendSketch), Button::Send},
        {"editCommand", "Edit&Print", {}, run(&MainWindow::editAndPrint), Button::Edit},
        {"undoCommand", "Undo", {Qt::CTRL | Qt::Key_Z}, [this] { document_.undo(); }, {}},
        {"redoCommand",
         "Redo",
         {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y},
         [this] { document_.redo(); },
         {}},
        {"quitCommand", "Quit", {Qt::CTRL | Qt::Key_Q}, [this] { close(); }, {}},
        {"zoomInCommand", "Zoom in", zoomKeys(ZoomCommand::In), zoom(ZoomCommand::In), {}},
        {"zoomOutCommand", "Zoom out", zoomKeys(ZoomCommand::Out), zoom(ZoomCommand::Out), {}},
        {"fitCommand", "Fit", zoomKeys(ZoomCommand::Fit), zoom(ZoomCommand::Fit), {}},
        {"realSizeCommand",
         "Real size",
         zoomKeys(ZoomCommand::RealSize),
         zoom(ZoomCommand::RealSize),
         {}},
    };
    for (const Command& command : commands) {
        auto* action = new QAction(command.text, this);
        action->setObjectName(command.name);
        action->setShortcuts(command.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, handler = command.handler] { guarded(handler); });
        if (command.button) strip_->bind(*command.button, action);
        addAction(action);
    }
}

void MainWindow::convert() {
    document_.convert(automaticOptions(strip_->settings(), paper_->forSketch()));
}

void MainWindow::openPhoto() {
    if (!unsavedWorkSettled()) return;
    const QString path = environment_.dialogs->openPicture(this);
    if (!path.isEmpty()) guarded([&] { document_.open(loadPicture(path.toStdString())); });
}

bool MainWindow::openPhotoFile(const QString& path) {
    if (!unsavedWorkSettled()) return false;
    try {
        document_.open(loadPicture(path.toStdString()));
    } catch (const std::exception& error) {
        environment_.dialogs->error(this, error.what());
        return false;
    }
    return true;
}

bool MainWindow::unsavedWorkSettled() {
    document_.endStroke();
    if (!document_.changedSinceSaved()) return true;
    switch (environment_.dialogs->askToSaveSketch(this)) {
        case UserDialogs::SaveAnswer::Save:
            save();
            return !document_.changedSinceSaved();  // a save cancelled or failed keeps the work
        case UserDialogs::SaveAnswer::Discard:
            return true;
        case UserDialogs::SaveAnswer::Cancel:
            break;
    }
    return false;
}

void MainWindow::save() {
    if (document_.sketchPixels().isEmpty()) {
        environment_.dialogs->message(this, "There is no sketch to save.");
        return;
    }
    QString proposed = QString::fromStdString(document_.savedName());
    for (;;) {
        const std::optional<UserDialogs::SaveChoice> choice =
            environment_.dialogs->savePicture(this, proposed, saveFilter_);
        if (!choice) return;
        // The dialog remembers the filter for the rest of the run; the filter picks the format.
        saveFilter_ = choice->filterIndex;
        const std::vector<const OutputFormatRow*> formats = saveDialogFormats();
        const OutputFormat format =
            saveFilter_ >= 1 && saveFilter_ <= static_cast<int>(formats.size())
                ? formats[static_cast<std::size_t>(saveFilter_ - 1)]->format
                : OutputFormat::Jpeg;
        // The dialog asked about the name as typed; a name that gets its extension appended is
        // asked about here, and No returns to the dialog.
        const std::string path = choice->path.toStdString();
        const std::string name = saveNameFor(path, format);
        std::error_code error;
        if (name != path && std::filesystem::exists(std::filesystem::symlink_status(name, error)) &&
            !environment_.dialogs->confirmReplace(this, QString::fromStdString(name))) {
            proposed = choice->path;
            continue;
        }
        // Lines are traced as the tool traces a sketch of the style the strip shows.
        const TraceSettings trace = traceSettingsFor({}, strip_->settings().sketchStyle);
        guarded([&] { document_.save(name, format, trace); });
        return;
    }
}

void MainWindow::clearSketch() {
    document_.clear(paper_->forSketch(), strip_->settings().paperFit);
    if (strip_->recording()) emit recordedFramesCleared();
}

void MainWindow::editAndPrint() {
    if (document_.savedName().empty()) {
        environment_.dialogs->message(this, "Please save the sketch ,Then edit it.");
        save();
        if (document_.savedName().empty()) return;
    } else if (document_.changedSinceSaved()) {
        // The file to hand over is older than the sketch: Save writes it again.
        switch (environment_.dialogs->askToSaveSketch(this)) {
            case UserDialogs::SaveAnswer::Save:
                document_.save(document_.savedName(), outputFormatFor(document_.savedName()),
                               traceSettingsFor({}, strip_->settings().sketchStyle));
                break;
            case UserDialogs::SaveAnswer::Discard:
                break;
            case UserDialogs::SaveAnswer::Cancel:
                return;
        }
    }
    ProcessLauncher& launcher = *environment_.launcher;
    if (!launcher.startDetached(pictureEditor(launcher),
                                {QString::fromStdString(document_.savedName())}))
        environment_.dialogs->message(this, "ErrorCode");
}

void MainWindow::sendSketch() {
    if (document_.sketchPixels().isEmpty()) {
        environment_.dialogs->message(this, "There is no sketch to save.");
        return;
    }
    const QString path = environment_.mailFolder + "/sketch.jpg";
    const Raster& photo = document_.photo();
    writeSketchFile(document_.sketch(), path.toStdString(), OutputFormat::Jpeg, photo.width(),
                    photo.height());
    openMailComposer(this, path, *environment_.mail);
}

}  // namespace carbonel
