// The file commands: Open (and a dropped photo), Save, Clear, Edit&Print and Send to.
#include <QCheckBox>
#include <QRadioButton>
#include <QUndoStack>

#include "app/main/main_window.h"
#include "app/share/mail_composer.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "imageio/picture_files.h"
#include "share/editor_launcher.h"
#include "sketch/error.h"

namespace carbonel {

void MainWindow::sendSketch() {
    if (sketch_.isEmpty()) {
        dialogs_->message(this, "There is no sketch to save.");
        return;
    }
    const QString path = environment_.mailFolder + "/sketch.jpg";
    try {
        writeSketchAs(sketch(), path.toStdString(), SaveType::Jpeg, photo_.width(),
                      photo_.height());
    } catch (const std::exception& error) {
        showError(error.what());
        return;
    }
    openMailComposer(this, path, *environment_.mail);
}

void MainWindow::loadPhoto(const QString& path) {
    // The new photo is decoded before anything changes, so a failed load loses nothing.
    showPhoto(loadPicture(path.toStdString()));
}

void MainWindow::showPhoto(Raster photo) {
    photo_ = std::move(photo);
    replaceSketch(Raster());
    photoPane_->pictureChanged();
    layoutPanes();
}

void MainWindow::openPhoto() {
    if (!unsavedWorkSettled()) return;
    const QString path = dialogs_->openPicture(this);
    if (!path.isEmpty()) openAsked(path);
}

void MainWindow::openPhotoFile(const QString& path) {
    if (unsavedWorkSettled()) openAsked(path);
}

void MainWindow::openAsked(const QString& path) {
    guarded([&] { recordWholeChange("Open", [&] { loadPhoto(path); }); });
}

bool MainWindow::sketchUnsaved() const {
    return !sketch_.isEmpty() && !history_->isClean();
}

bool MainWindow::unsavedWorkSettled() {
    recordStroke();
    if (!sketchUnsaved()) return true;
    switch (dialogs_->askToSaveSketch(this)) {
        case UserDialogs::SaveAnswer::Save:
            save();
            return !sketchUnsaved();  // a save cancelled or failed keeps the work
        case UserDialogs::SaveAnswer::Discard:
            return true;
        case UserDialogs::SaveAnswer::Cancel:
            break;
    }
    return false;
}

QString MainWindow::saveSketch(const QString& path, SaveType type) {
    if (sketch_.isEmpty()) throw Error("There is no sketch to save.");
    const std::string written =
        saveSketchFile(sketch(), path.toStdString(), type, photo_.width(), photo_.height());
    saveName_ = QString::fromStdString(written);
    history_->setClean();
    return saveName_;
}

void MainWindow::save() {
    if (sketch_.isEmpty()) {
        dialogs_->message(this, "There is no sketch to save.");
        return;
    }
    const std::optional<UserDialogs::SaveChoice> choice =
        dialogs_->savePicture(this, saveName_, saveFilter_);
    if (!choice) return;
    saveFilter_ = choice->filterIndex;  // the dialog remembers the filter for the rest of the run
    // The filters are numbered as the save types are.
    const SaveType type =
        saveFilter_ >= 1 && saveFilter_ <= 4 ? static_cast<SaveType>(saveFilter_) : SaveType::Jpeg;
    guarded([&] { saveSketch(choice->path, type); });
}

void MainWindow::clearSketch() {
    recordWholeChange("Clear", [this] {
        Raster paper;
        if (strip_->paperChosen()) {
            guarded([&] {
                applyTexture(
                    paper, photo_.width(), photo_.height(), settings_.outputScale, texturePaper_,
                    strip_->tileButton->isChecked() ? TextureFit::Tile : TextureFit::Stretch);
            });
        }
        replaceSketch(std::move(paper));
    });
    if (strip_->recordBox->isChecked()) emit recordedFramesCleared();
}

void MainWindow::editAndPrint() {
    if (saveName_.isEmpty()) {
        dialogs_->message(this, "Please save the sketch ,Then edit it.");
        save();
        if (saveName_.isEmpty()) return;
    }
    if (!launcher_->startDetached(pictureEditor(*launcher_), {saveName_}))
        dialogs_->message(this, "ErrorCode");
}

}  // namespace carbonel
