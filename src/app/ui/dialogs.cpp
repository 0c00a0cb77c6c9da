#include "app/ui/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace carbonel {

const char* const kOpenPictureFilter =
    "All (*.jpg *.jpeg *.bmp);;JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;Bitmaps (*.bmp)";
const char* const kSavePictureFilters[3] = {"JPEG Image File (*.jpg)", "Bitmaps (*.bmp)",
                                            "Metafiles (*.wmf)"};

QString QtUserDialogs::openPicture(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), kOpenPictureFilter);
}

std::optional<UserDialogs::SaveChoice> QtUserDialogs::savePicture(QWidget* parent,
                                                                  const QString& proposedName,
                                                                  int filterIndex) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const char* filter : kSavePictureFilters) filters << filter;
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filterIndex - 1, filters.first()));
    if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveChoice{dialog.selectedFiles().first(),
                      static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

QString QtUserDialogs::chooseFolder(QWidget* parent) {
    return QFileDialog::getExistingDirectory(parent, "Please select the directory",
                                             QDir::homePath());
}

QString QtUserDialogs::saveAnimation(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("Gif Image File (*.gif)");
    dialog.setDefaultSuffix("gif");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void QtUserDialogs::message(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString(), text);
}

void QtUserDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QString(), text);
}

}  // namespace carbonel
