#include "app/ui/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>

#include "animation/animation_formats.h"
#include "app/ui/raster_image.h"
#include "imageio/file_suffixes.h"
#include "imageio/output_formats.h"
#include "imageio/photo_kinds.h"
#include "imageio/photo_reader.h"

namespace carbonel {

QStringList savePictureFilters() {
    QStringList filters;
    for (const SaveDialogLine& line : saveDialogLines())
        filters << QString::fromStdString(saveFilter(line));
    return filters;
}

void keepAboveOwner(QWidget& dialog, QWidget* owner) {
    bool onTop = owner && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    // A tool window kept on top (the recorder, the batch bar) would cover a dialog of the main
    // window: the dialog then stays on top too, so that it opens above every window of ours.
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &dialog && window->isVisible() && !window->isMinimized() &&
            window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            onTop = true;
    }
    if (onTop) dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

namespace {

// Runs the dialog from `folder` (when known) and remembers the folder it was left in.
QString runFileDialog(QFileDialog& dialog, QWidget* parent, QString& folder) {
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
    keepAboveOwner(dialog, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    folder = dialog.directory().absolutePath();
    return dialog.selectedFiles().first();
}

// A preview of the picture the file dialog has selected, beside its list of files.
void addPicturePreview(QFileDialog& dialog) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) return;  // a dialog of the desktop's own, which previews by itself
    auto* preview = new QLabel(&dialog);
    preview->setObjectName("picturePreview");
    preview->setFixedSize(180, 180);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                     [preview](const QString& path) {
                         preview->setPixmap(QPixmap());
                         if (!QFileInfo(path).isFile()) return;
                         try {
                             const Raster picture = loadPicture(path.toStdString());
                             preview->setPixmap(QPixmap::fromImage(rasterView(picture).scaled(
                                 preview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
                         } catch (const std::exception&) {
                             preview->setText("No preview");
                         }
                     });
}

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QString(), text, QMessageBox::Ok, parent);
    keepAboveOwner(box, parent);
    box.exec();
}

}  // namespace

QString QtUserDialogs::openPicture(QWidget* parent) {
    QFileDialog dialog(parent, QString(), QString(), QString::fromStdString(openDialogFilter()));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);  // ours has the preview
    addPicturePreview(dialog);
    return runFileDialog(dialog, parent, folders_.open);
}

std::optional<UserDialogs::SaveChoice> QtUserDialogs::savePicture(QWidget* parent,
                                                                  const QString& proposedName,
                                                                  int filterIndex) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = savePictureFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filterIndex - 1, filters.first()));
    QString folder = folders_.save;
    if (!proposedName.isEmpty()) {
        folder = QFileInfo(proposedName).absolutePath();
        dialog.selectFile(proposedName);
    }
    const QString path = runFileDialog(dialog, parent, folder);
    if (!path.isEmpty()) folders_.save = folder;
    if (path.isEmpty()) return std::nullopt;
    return SaveChoice{path, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

QString QtUserDialogs::chooseFolder(QWidget* parent) {
    QFileDialog dialog(parent, "Please select the directory", QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    return runFileDialog(dialog, parent, folders_.source);
}

QString QtUserDialogs::saveAnimation(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The filter chosen gives a bare name its extension, which picks the format.
    QStringList filters, suffixes;
    for (const AnimationFormatRow& row : animationFormats()) {
        filters << QString::fromStdString(dialogFilter(row.saveTitle, row.suffix.first(1)));
        suffixes << QString::fromUtf8(row.suffix.front().substr(1).data(),
                                      qsizetype(row.suffix.front().size() - 1));
    }
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes.first());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(suffixes.value(filters.indexOf(filter), suffixes.first()));
    });
    return runFileDialog(dialog, parent, folders_.animation);
}

bool QtUserDialogs::confirmReplace(QWidget* parent, const QString& name) {
    // The words of the save dialog's own question.
    QMessageBox box(QMessageBox::Warning, QString(),
                    QFileInfo(name).fileName() + " already exists.\nDo you want to replace it?",
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    keepAboveOwner(box, parent);
    return box.exec() == QMessageBox::Yes;
}

UserDialogs::SaveAnswer QtUserDialogs::askToSaveSketch(QWidget* parent) {
    QMessageBox box(QMessageBox::Warning, QString(), "Save the sketch?",
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    keepAboveOwner(box, parent);
    switch (box.exec()) {
        case QMessageBox::Save:
            return SaveAnswer::Save;
        case QMessageBox::Discard:
            return SaveAnswer::Discard;
        default:
            return SaveAnswer::Cancel;
    }
}

void QtUserDialogs::message(QWidget* parent, const QString& text) {
    showMessage(parent, QMessageBox::Information, text);
}

void QtUserDialogs::error(QWidget* parent, const QString& text) {
    showMessage(parent, QMessageBox::Critical, text);
}

}  // namespace carbonel
