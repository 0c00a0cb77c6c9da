#include "app/main/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QUndoStack>

#include "app/batch/batch_window.h"
#include "app/main/viewer_window.h"
#include "app/recorder/recorder_window.h"
#include "app/ui/accelerators.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "app/ui/ui_styles.h"
#include "sketch/error.h"
#include "workspace/app_paths.h"
#include "workspace/settings_file.h"

namespace carbonel {

MainWindow::MainWindow(const AppEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      dialogs_(environment.dialogs),
      launcher_(environment.launcher) {
    setWindowTitle(kCaption);
    setMinimumSize(130, 23);
    resize(690, 546);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    pictureArea_ = new QWidget(this);
    pictureArea_->setObjectName("pictureArea");
    photoPane_ = new PicturePane(pictureArea_);
    photoPane_->setObjectName("photoPane");
    sketchPane_ = new PicturePane(pictureArea_);
    sketchPane_->setObjectName("sketchPane");
    photoPane_->setAccessibleName("Photo");
    sketchPane_->setAccessibleName("Sketch");
    photoPane_->setToolTip("Double-clicks to zoom");
    sketchPane_->setToolTip("Double-clicks to zoom");
    sketchPane_->setCursor(Qt::CrossCursor);
    photoPane_->showRaster(&photo_);
    sketchPane_->showRaster(&sketch_);
    sketchPane_->setRowPreparer([this](int row) { return blankSheet_.readyRow(sketch_, row); });
    outline_ = new BrushOutline(pictureArea_);
    outline_->setObjectName("outline");
    connect(photoPane_, &PicturePane::doubleClicked, this, &MainWindow::photoDoubleClicked);
    connect(sketchPane_, &PicturePane::doubleClicked, this, &MainWindow::sketchDoubleClicked);
    connect(sketchPane_, &PicturePane::pressed, this, &MainWindow::sketchPressed);
    connect(sketchPane_, &PicturePane::moved, this, &MainWindow::sketchMoved);
    connect(sketchPane_, &PicturePane::released, this, [this] { sketchReleased(); });

    history_ = new QUndoStack(this);
    history_->setUndoLimit(kHistorySteps);
    shown_ = basis_ = std::make_shared<const SketchSnapshot>();
    addShortcuts();

    strip_ = new ControlStrip(this);
    strip_->texturePreview->showRaster(&texturePaper_);
    connectStrip();
    brushSizeChanged(strip_->brushSlider->value());
    pageChanged(0);
    layoutStrip();

    connectToolWindows();
    applyKeptSettings();
    connect(strip_->uiStyleSelector, &QComboBox::currentIndexChanged, this,
            &MainWindow::uiStyleChosen);
    connect(strip_->sendButton, &QPushButton::clicked, this, &MainWindow::sendSketch);
    connect(photoPane_, &PicturePane::fileDropped, this,
            [this](const QString& path) { openPhotoFile(path); });
    photoPane_->setAcceptDrops(true);
    routeSharedAccelerators(this);
    // Every window starts in its designed look.
    for (QWidget* window : {static_cast<QWidget*>(this), static_cast<QWidget*>(batchWindow_),
                            static_cast<QWidget*>(recorderWindow_)}) {
        applyUiStyle(window, kDesignedStyle);
    }
}

// The desktop's usual keys, beside the captions' own accelerators.
void MainWindow::addShortcuts() {
    const auto add = [this](const QKeySequence& keys, auto command) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, command);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_O), &MainWindow::openPhoto);
    add(QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::save);
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::undo);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &MainWindow::redo);
    add(QKeySequence(Qt::CTRL | Qt::Key_Y), &MainWindow::redo);
    add(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
}

void MainWindow::connectStrip() {
    connect(strip_->showBatchBox, &QCheckBox::toggled, this, &MainWindow::batchWindowRequested);
    connect(strip_->openButton, &QPushButton::clicked, this, &MainWindow::openPhoto);
    connect(strip_->convertButton, &QPushButton::clicked, this,
            [this] { guarded([this] { convertCommand(); }); });
    connect(strip_->brushSlider, &QSlider::valueChanged, this, &MainWindow::brushSizeChanged);
    connect(strip_->recordBox, &QCheckBox::toggled, this, &MainWindow::recorderRequested);
    connect(strip_->modePages, &QTabWidget::currentChanged, this, &MainWindow::pageChanged);
    connect(strip_->textureSelector, &QComboBox::activated, this, &MainWindow::textureChosen);
    connect(strip_->tileButton, &QRadioButton::toggled, this, &MainWindow::updatePreviewFit);
    connect(strip_->clearButton, &QPushButton::clicked, this, &MainWindow::clearSketch);
    connect(strip_->saveButton, &QPushButton::clicked, this, &MainWindow::save);
    connect(strip_->editButton, &QPushButton::clicked, this, &MainWindow::editAndPrint);
}

// The tool windows, hidden until their check boxes show them; closing them unchecks the boxes.
void MainWindow::connectToolWindows() {
    batchWindow_ = new BatchWindow(*this, *dialogs_, this);
    recorderWindow_ = new RecorderWindow(
        *dialogs_, [this] { return QSize(sketch_.width(), sketch_.height()); }, this);
    recorderWindow_->setMailing(environment_.mailFolder, environment_.mail);
    connect(strip_->showBatchBox, &QCheckBox::toggled, batchWindow_, &QWidget::setVisible);
    connect(batchWindow_, &BatchWindow::closedByUser, this,
            [this] { strip_->showBatchBox->setChecked(false); });
    connect(strip_->recordBox, &QCheckBox::toggled, recorderWindow_, &QWidget::setVisible);
    connect(recorderWindow_, &RecorderWindow::closedByUser, this,
            [this] { strip_->recordBox->setChecked(false); });
    connect(this, &MainWindow::frameCaptured, recorderWindow_, &RecorderWindow::appendFrame);
    connect(this, &MainWindow::recordedFramesCleared, recorderWindow_,
            &RecorderWindow::clearFrames);
}

int MainWindow::selectedUiStyle() const {
    return strip_->uiStyleSelector->currentIndex();
}

void MainWindow::uiStyleChosen(int index) {
    applyUiStyle(this, index);  // no selection keeps the main window's look
    applyUiStyle(batchWindow_, uiStyleOf(this));
    applyUiStyle(recorderWindow_, uiStyleOf(this));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!unsavedWorkSettled()) {
        event->ignore();
        return;
    }
    // A running batch finishes the file in work, then stops, before the window goes.
    if (batchWindow_->running()) {
        batchWindow_->stopAfterCurrentFile();
        QEventLoop untilStopped;
        connect(batchWindow_, &BatchWindow::finished, &untilStopped, &QEventLoop::quit);
        if (batchWindow_->running()) untilStopped.exec();
    }
    // The chosen look and settings are kept for the next run; a failed write is reported, and the
    // window closes.
    if (!environment_.settingsFile.isEmpty() && !writeKeptSettings()) {
        dialogs_->message(this, "Unable to write to " + environment_.settingsFile);
    }
    QWidget::closeEvent(event);
}

MainWindow::~MainWindow() = default;

void MainWindow::applyKeptSettings() {
    if (environment_.settingsFile.isEmpty()) return;
    kept_ = readKeptSettings(environment_.settingsFile.toStdString());
    const KeptSettings& kept = kept_;
    strip_->precisionSlider->setValue(kept.precision);
    strip_->lineSlider->setValue(kept.line);
    QRadioButton* style = kept.style == "Pen"      ? strip_->penButton
                          : kept.style == "Pastel" ? strip_->pastelButton
                                                   : strip_->pencilButton;
    style->setChecked(true);
    (kept.stretch ? strip_->stretchButton : strip_->tileButton)->setChecked(true);
    strip_->brushSlider->setValue(kept.brushSize);
    auto geometry = [](const std::string& text) {
        return QByteArray::fromBase64(QByteArray::fromStdString(text));
    };
    if (!kept.mainWindow.empty()) restoreGeometry(geometry(kept.mainWindow));
    if (!kept.batchWindow.empty()) batchWindow_->restorePlacement(geometry(kept.batchWindow));
    if (!kept.recorderWindow.empty())
        recorderWindow_->restorePlacement(geometry(kept.recorderWindow));
    dialogs_->setFolders(
        {QString::fromStdString(kept.openFolder), QString::fromStdString(kept.saveFolder),
         QString::fromStdString(kept.animationFolder), QString::fromStdString(kept.sourceFolder)});
}

void MainWindow::applyKeptPaper() {
    if (environment_.settingsFile.isEmpty()) return;
    for (std::size_t i = 0; i < textures_.size(); ++i) {
        if (textures_[i].name != kept_.paper) continue;
        const int index = static_cast<int>(i) + 2;  // after "NULL" and "Custom"
        strip_->textureSelector->setCurrentIndex(index);
        textureChosen(index);
        return;
    }
}

bool MainWindow::writeKeptSettings() {
    KeptSettings kept;
    kept.precision = strip_->precisionSlider->value();
    kept.line = strip_->lineSlider->value();
    kept.style = strip_->penButton->isChecked()      ? "Pen"
                 : strip_->pastelButton->isChecked() ? "Pastel"
                                                     : "Pencil";
    const int paper = strip_->textureSelector->currentIndex() - 2;
    if (paper >= 0 && paper < static_cast<int>(textures_.size()))
        kept.paper = textures_[static_cast<std::size_t>(paper)].name;
    kept.stretch = strip_->stretchButton->isChecked();
    kept.brushSize = strip_->brushSlider->value();
    kept.mainWindow = saveGeometry().toBase64().toStdString();
    // A tool window not shown in this run keeps the place it had.
    auto placement = [](const ToolWindow& window, const std::string& kept) {
        return window.placed() ? window.saveGeometry().toBase64().toStdString() : kept;
    };
    kept.batchWindow = placement(*batchWindow_, kept_.batchWindow);
    kept.recorderWindow = placement(*recorderWindow_, kept_.recorderWindow);
    const UserDialogs::Folders folders = dialogs_->folders();
    kept.openFolder = folders.open.toStdString();
    kept.saveFolder = folders.save.toStdString();
    kept.animationFolder = folders.animation.toStdString();
    kept.sourceFolder = folders.source.toStdString();
    const std::string path = environment_.settingsFile.toStdString();
    return writeUiStyleSetting(path, strip_->uiStyleSelector->currentIndex()) &&
           carbonel::writeKeptSettings(path, kept);
}

void MainWindow::layoutStrip() {
    strip_->layoutFor(width());
    pictureArea_->setGeometry(0, 0, width(), std::max(0, height() - kStripHeight));
}

void MainWindow::layoutPanes() {
    layout_ = carbonel::layoutPanes(pictureArea_->width(), pictureArea_->height(), photo_.width(),
                                    photo_.height());
    photoPane_->setGeometry(layout_.photo.left, layout_.photo.top, layout_.photo.width,
                            layout_.photo.height);
    sketchPane_->setGeometry(layout_.sketch.left, layout_.sketch.top, layout_.sketch.width,
                             layout_.sketch.height);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutStrip();
    layoutPanes();
}

QString MainWindow::statusText() const {
    return strip_->statusBar->currentMessage();
}

void MainWindow::start() {
    if (started_) return;
    started_ = true;
    try {
        bool loaded = false;
        if (!environment_.startPhoto.isEmpty()) {
            try {
                loadPhoto(environment_.startPhoto);
                loaded = true;
            } catch (const Error& error) {
                showError(error.what());  // then the start picture, so the window is of use
            }
        }
        if (!loaded) loadPhoto(resourceFolder(environment_.programFolder) + "/4.jpg");
    } catch (const Error& error) {
        // Without the start picture the window opens empty, with no texture list either.
        showError(error.what());
        return;
    }
    fillTextureList();
    applyKeptPaper();
    // Last, the look kept from the last run; an index outside the list leaves it unselected.
    const int stored = environment_.settingsFile.isEmpty()
                           ? kDesignedStyle
                           : readUiStyleSetting(environment_.settingsFile.toStdString());
    const QSignalBlocker quiet(strip_->uiStyleSelector);
    strip_->uiStyleSelector->setCurrentIndex(stored >= 0 && stored < kUiStyleCount ? stored : -1);
    uiStyleChosen(strip_->uiStyleSelector->currentIndex());
}

void MainWindow::fillTextureList() {
    listTextures((resourceFolder(environment_.programFolder) + "/texture").toStdString(),
                 textures_);
    for (const TextureEntry& entry : textures_)
        strip_->textureSelector->addItem(QString::fromStdString(entry.name));
}

void MainWindow::showError(const QString& text) {
    dialogs_->error(this, text);
}

void MainWindow::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        showError(error.what());
    }
}

void MainWindow::sketchDoubleClicked() {
    if (sketch_.height() > 0) openViewer(sketch());
    stroke_.release();  // the stroke begun by the double-click's first press does not go on
}

void MainWindow::photoDoubleClicked() {
    if (photo_.height() > 0) openViewer(photo_);
}

const Raster& MainWindow::sketch() {
    blankSheet_.finish(sketch_);
    return sketch_;
}

void MainWindow::replaceSketch(Raster sketch) {
    blankSheet_.forget();
    strokeArea_.reset();
    sketch_ = std::move(sketch);
    // Whoever changes the sketch records the step; until then the snapshot is unknown.
    pending_ = {};
    shown_ = basis_ = sketch_.isEmpty() ? std::make_shared<const SketchSnapshot>() : nullptr;
    sketchPane_->pictureChanged();
}

void MainWindow::openViewer(const Raster& picture) {
    ViewerWindow viewer(picture, this);
    applyUiStyle(&viewer, uiStyleOf(this));  // the viewer opens in the main window's look
    viewer.exec();
}

}  // namespace carbonel
