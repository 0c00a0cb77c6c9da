// The window's commands, each one QAction in one table: Open, Convert, Clear, Save, Send to,
// Edit&Print, Copy, Paste, Undo, Redo, Quit and the zoom of the panes, with their keys and the
// buttons that run them.
#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "app/main/automatic_options.h"
#include "app/main/live_preview.h"
#include "app/main/main_window.h"
#include "app/share/mail_composer.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "app/ui/raster_image.h"
#include "imageio/output_formats.h"
#include "imageio/photo_reader.h"
#include "imageio/pixel_rows.h"
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
        {"copyCommand", "Copy", {Qt::CTRL | Qt::Key_C}, run(&MainWindow::copySketch), {}},
        {"pasteCommand",
         "Paste",
         {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert},
         run(&MainWindow::paste),
         {}},
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
        connect(action, &QAction::triggered, this, [this, handler = command.handler] {
            // A command outranks a live conversion still to come.
            live_->cancel();
            guarded(handler);
        });
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
    if (!path.isEmpty()) openWithoutAsking(path);
}

bool MainWindow::openPhotoFile(const QString& path) {
    return unsavedWorkSettled() && openWithoutAsking(path);
}

bool MainWindow::openWithoutAsking(const QString& path) {
    live_->cancel();
    try {
        document_.open(loadPicture(path.toStdString()));
    } catch (const std::exception& error) {
        environment_.dialogs->error(this, error.what());
        return false;
    }
    rememberPhoto(path);
    return true;
}

void MainWindow::rememberPhoto(const QString& path) {
    addRecentPhoto(recent_, QFileInfo(path).absoluteFilePath().toStdString());
}

void MainWindow::listRecentPhotos() {
    QMenu& menu = *strip_->recentMenu();
    menu.clear();
    // A photo moved or deleted since is dropped from the list.
    std::erase_if(recent_, [](const std::string& path) {
        std::error_code error;
        return !std::filesystem::is_regular_file(path, error);
    });
    int number = 0;
    for (const std::string& photo : recent_) {
        const QString path = QString::fromStdString(photo);
        QString text = QFileInfo(path).fileName() + "   " + QFileInfo(path).absolutePath();
        text.replace('&', "&&");
        if (++number < 10) text = "&" + QString::number(number) + "  " + text;
        QAction* action = menu.addAction(text);
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { openPhotoFile(path); });
    }
    if (recent_.empty()) menu.addAction("No recent photos")->setEnabled(false);
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
        const std::vector<SaveDialogLine> lines = saveDialogLines();
        const bool listed = saveFilter_ >= 1 && saveFilter_ <= static_cast<int>(lines.size());
        const SaveDialogLine& line =
            lines[listed ? static_cast<std::size_t>(saveFilter_ - 1) : std::size_t{0}];
        const OutputFormat format = line.row->format;
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
        // Lines are traced as the tool traces them by default; a plot draws each once.
        TraceSettings trace;
        trace.mode = savedTrace_ = line.trace;
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
            case UserDialogs::SaveAnswer::Save: {
                TraceSettings trace;
                trace.mode = savedTrace_;  // as the file was written
                document_.save(document_.savedName(), outputFormatFor(document_.savedName()),
                               trace);
                break;
            }
            case UserDialogs::SaveAnswer::Discard:
                break;
            case UserDialogs::SaveAnswer::Cancel:
                return;
        }
    }
    ProcessLauncher& launcher = *environment_.launcher;
    const QString file = QString::fromStdString(document_.savedName());
    const QString editor = pictureEditor(launcher);
    launcher.start(editor, {file}, this, [this, file, editor](const QString& why) {
        environment_.dialogs->message(this, editorFailureMessage(file, editor, why));
    });
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
    openMailComposer(this, path, *environment_.mail, *environment_.dialogs);
}

void MainWindow::copySketch() {
    if (document_.sketchPixels().isEmpty()) {
        environment_.dialogs->message(this, "There is no sketch to copy.");
        return;
    }
    // The clipboard gets its own copy; other programs ask it for PNG, BMP and the like.
    QGuiApplication::clipboard()->setImage(
        rasterView(document_.sketch()).convertToFormat(QImage::Format_RGB32));
    strip_->showStatus("The sketch is on the clipboard.");
}

namespace {

// A picture from the clipboard as a photo: transparent parts on white paper, as the photo
// readers lay them.
Raster photoFromImage(const QImage& image) {
    checkPhotoSize(image.width(), image.height());
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    Raster photo = Raster::uninitialized(image.width(), image.height());
    for (int y = 0; y < photo.height(); ++y)
        rgbaOnWhite(rgba.constScanLine(y), photo.mutableRowUnchecked(y), photo.width());
    return photo;
}

// The photo file the clipboard names: a copied file, or a path copied as text.
QString copiedFile(const QMimeData& data) {
    if (data.hasUrls() && !data.urls().isEmpty() && data.urls().first().isLocalFile())
        return data.urls().first().toLocalFile();
    if (data.hasText()) {
        const QString text = data.text().trimmed();
        const QUrl url(text);
        const QString path = url.isLocalFile() ? url.toLocalFile() : text;
        if (!path.contains('\n') && QFileInfo(path).isFile()) return path;
    }
    return {};
}

}  // namespace

void MainWindow::paste() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QString file = data ? copiedFile(*data) : QString();
    if (!file.isEmpty()) {
        openPhotoFile(file);
        return;
    }
    const QImage image =
        data && data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
    if (image.isNull()) {
        environment_.dialogs->message(this, "The clipboard holds no picture.");
        return;
    }
    if (!unsavedWorkSettled()) return;
    document_.open(photoFromImage(image));
}

}  // namespace carbonel
