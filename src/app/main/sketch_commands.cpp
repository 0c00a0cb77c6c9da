// Convert and what it reads: the Sketch page's settings, the pages, the brush size and the paper.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>

#include "app/main/main_window.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "imageio/picture_files.h"
#include "sketch/error.h"

namespace carbonel {

PenStyle MainWindow::selectedStyle() const {
    return strip_->selectedStyle();
}

bool MainWindow::freehandPageActive() const {
    return strip_->freehandPageActive();
}

void MainWindow::readSettingsFromControls() {
    settings_.edgeThreshold = 200 - strip_->precisionEdit->text().toInt();
    settings_.lineStep = strip_->lineSlider->value();
}

ConversionOptions MainWindow::currentOptions() const {
    ConversionOptions options;
    options.precision = strip_->precisionEdit->text().toInt();
    options.line = strip_->lineSlider->value();
    options.style = selectedStyle();
    options.page = freehandPageActive() ? ActivePage::Freehand : ActivePage::Automatic;
    options.texture = strip_->paperChosen() ? &texturePaper_ : nullptr;
    options.textureFit = strip_->tileButton->isChecked() ? TextureFit::Tile : TextureFit::Stretch;
    return options;
}

void MainWindow::convert() {
    saveName_.clear();
    readSettingsFromControls();
    settings_.outputScale = 1;
    if (photo_.isEmpty()) throw Error("There is no photo to convert.");
    photoBitmap_ = photo_;
    // The new sketch goes straight into the pane, so freehand drawing on it copies nothing.
    replaceSketch(convertPhoto(photoBitmap_, currentOptions()));
}

void MainWindow::convertCommand() {
    recordWholeChange("Convert", [this] { convert(); });
}

void MainWindow::pageChanged(int page) {
    saveName_.clear();
    const bool freehand = page == 1;
    strip_->brushButton->setEnabled(freehand);
    strip_->eraserButton->setEnabled(freehand);
    if (freehand) {
        strip_->statusBar->showMessage("Use your mouse to draw on the sketch area.");
        return;
    }
    outline_->hide();
    if (strip_->brushButton->isChecked() || strip_->eraserButton->isChecked())
        strip_->pastelButton->setChecked(true);
    strip_->statusBar->showMessage("Auto Convert.");
}

void MainWindow::brushSizeChanged(int radius) {
    settings_.brushRadius = radius;
    strip_->brushEdit->setText(QString::number(radius));
    outline_->setRadius(radius);
}

void MainWindow::textureChosen(int index) {
    try {
        if (index == 1) {
            const QString path = dialogs_->openPicture(this);
            if (path.isEmpty()) {
                const QSignalBlocker quiet(strip_->textureSelector);
                strip_->textureSelector->setCurrentIndex(0);
                return;
            }
            texturePaper_ = loadPicture(path.toStdString());
        } else if (index == 0) {
            texturePaper_ = Raster();
        } else {
            texturePaper_ =
                loadPicture(textures_.at(static_cast<std::size_t>(index - 2)).file.string());
        }
    } catch (const std::exception& error) {
        showError(error.what());  // the preview keeps its picture, the selector the new item
        return;
    }
    strip_->texturePreview->pictureChanged();
    updatePreviewFit();
}

void MainWindow::updatePreviewFit() {
    strip_->texturePreview->setFit(strip_->tileButton->isChecked() ? PicturePane::Fit::Centre
                                                                   : PicturePane::Fit::Stretch);
}

}  // namespace carbonel
