#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>

#include "animation/recorder_window.h"
#include "app/app_paths.h"
#include "app/dialogs.h"
#include "app/editor_launcher.h"
#include "app/picture_pane.h"
#include "app/settings_file.h"
#include "app/viewer_window.h"
#include "batch/batch_window.h"
#include "imageio/picture_files.h"
#include "share/mail_composer.h"
#include "sketch/error.h"
#include "ui/ui_styles.h"

namespace carbonel {
namespace {

constexpr int kLeftColumnWidth = 88;
constexpr int kRightBlockWidth = 369;
constexpr int kStatusHeight = 22;

QSlider* makeSlider(QWidget* parent, int minimum, int maximum, int tick, int value) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(2);
    slider->setTickInterval(tick);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setValue(value);
    return slider;
}

// A captioned track bar at `top` with the read-only box that shows its position.
QSlider* addSliderWithDisplay(QWidget* page, const QString& caption, int top, int minimum,
                              int maximum, int tick, int value, QLineEdit*& display) {
    auto* label = new QLabel(caption, page);
    label->setGeometry(8, top, 80, 18);
    QSlider* slider = makeSlider(page, minimum, maximum, tick, value);
    slider->setGeometry(6, top + 18, 150, 28);
    display = new QLineEdit(QString::number(value), page);
    display->setReadOnly(true);
    display->setGeometry(160, top + 20, 40, 22);
    QObject::connect(slider, &QSlider::valueChanged, display,
                     [display](int position) { display->setText(QString::number(position)); });
    return slider;
}

}  // namespace

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
    outline_ = new BrushOutline(pictureArea_);
    outline_->setObjectName("outline");
    connect(photoPane_, &PicturePane::doubleClicked, this, &MainWindow::photoDoubleClicked);
    connect(sketchPane_, &PicturePane::doubleClicked, this, &MainWindow::sketchDoubleClicked);
    connect(sketchPane_, &PicturePane::pressed, this, &MainWindow::sketchPressed);
    connect(sketchPane_, &PicturePane::moved, this, &MainWindow::sketchMoved);
    connect(sketchPane_, &PicturePane::released, this, [this] { sketchReleased(); });

    buildStrip();
    brushSizeChanged(brushSlider_->value());
    pageChanged(0);
    layoutStrip();

    // The tool windows, hidden until their check boxes show them; hiding them unchecks the boxes.
    batchWindow_ = new BatchWindow(*this, *dialogs_, this);
    recorderWindow_ = new RecorderWindow(
        *dialogs_, [this] { return QSize(sketch_.width(), sketch_.height()); }, this);
    recorderWindow_->setMailing(environment_.mailFolder, environment_.mail);
    connect(showBatchBox_, &QCheckBox::toggled, batchWindow_, &QWidget::setVisible);
    connect(batchWindow_, &BatchWindow::hidden, this, [this] { showBatchBox_->setChecked(false); });
    connect(recordBox_, &QCheckBox::toggled, recorderWindow_, &QWidget::setVisible);
    connect(recorderWindow_, &RecorderWindow::hidden, this,
            [this] { recordBox_->setChecked(false); });
    connect(this, &MainWindow::frameCaptured, recorderWindow_, &RecorderWindow::appendFrame);
    connect(this, &MainWindow::recordedFramesCleared, recorderWindow_,
            &RecorderWindow::clearFrames);
    connect(uiStyleSelector_, &QComboBox::currentIndexChanged, this, &MainWindow::uiStyleChosen);
    connect(sendButton_, &QPushButton::clicked, this, &MainWindow::sendSketch);
    connect(photoPane_, &PicturePane::fileDropped, this,
            [this](const QString& path) { guarded([&] { loadPhoto(path); }); });
    photoPane_->setAcceptDrops(true);
    // Every window starts in its designed look.
    for (QWidget* window : {static_cast<QWidget*>(this), static_cast<QWidget*>(batchWindow_),
                            static_cast<QWidget*>(recorderWindow_)}) {
        applyUiStyle(window, kDesignedStyle);
    }
}

int MainWindow::selectedUiStyle() const {
    return uiStyleSelector_->currentIndex();
}

void MainWindow::uiStyleChosen(int index) {
    applyUiStyle(this, index);  // no selection keeps the main window's look
    applyUiStyle(batchWindow_, uiStyleOf(this));
    applyUiStyle(recorderWindow_, uiStyleOf(this));
}

void MainWindow::sendSketch() {
    if (sketch_.isEmpty()) {
        dialogs_->message(this, "There is no sketch to save.");
        return;
    }
    const QString path = environment_.mailFolder + "/sketch.jpg";
    try {
        writeSketchAs(sketch_, path.toStdString(), SaveType::Jpeg, photo_.width(), photo_.height());
    } catch (const std::exception& error) {
        showError(error.what());
        return;
    }
    openMailComposer(this, path, *environment_.mail);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A running batch finishes the file in work, then stops, before the window goes.
    if (batchWindow_->running()) {
        batchWindow_->stopAfterCurrentFile();
        QEventLoop untilStopped;
        connect(batchWindow_, &BatchWindow::finished, &untilStopped, &QEventLoop::quit);
        if (batchWindow_->running()) untilStopped.exec();
    }
    // The chosen look is kept for the next run; a failed write is reported, and the window closes.
    if (!environment_.settingsFile.isEmpty() &&
        !writeUiStyleSetting(environment_.settingsFile.toStdString(),
                             uiStyleSelector_->currentIndex())) {
        dialogs_->message(this, "Unable to write to " + environment_.settingsFile);
    }
    QWidget::closeEvent(event);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildStrip() {
    strip_ = new QWidget(this);

    leftColumn_ = new QWidget(strip_);
    auto* batchLabel = new QLabel("Batch Convert Bar :", leftColumn_);
    batchLabel->setWordWrap(true);
    batchLabel->setGeometry(4, 2, 84, 32);
    showBatchBox_ = new QCheckBox("Show ", leftColumn_);
    showBatchBox_->setObjectName("showBatchBox");
    showBatchBox_->setGeometry(4, 34, 80, 20);
    openButton_ = new QPushButton("&Open", leftColumn_);
    openButton_->setObjectName("openButton");
    openButton_->setGeometry(4, 58, 80, 27);
    auto* styleLabel = new QLabel("UI Style :", leftColumn_);
    styleLabel->setGeometry(4, 92, 80, 16);
    uiStyleSelector_ = new QComboBox(leftColumn_);
    uiStyleSelector_->setObjectName("uiStyleSelector");
    uiStyleSelector_->addItems(uiStyleNames());
    uiStyleSelector_->setGeometry(4, 110, 80, 24);
    connect(showBatchBox_, &QCheckBox::toggled, this, &MainWindow::batchWindowRequested);
    connect(openButton_, &QPushButton::clicked, this, &MainWindow::openPhoto);

    modePages_ = new QTabWidget(strip_);
    modePages_->setObjectName("modePages");
    modePages_->addTab(buildModePages(), "Automatic ");
    QWidget* freehand = new QWidget;
    auto* brushLabel = new QLabel("Brush:", freehand);
    brushLabel->setGeometry(8, 10, 40, 18);
    brushEdit_ = new QLineEdit("32", freehand);  // shows the radius; what is typed is not read
    brushEdit_->setObjectName("brushEdit");
    brushEdit_->setGeometry(52, 8, 44, 22);
    brushSlider_ = makeSlider(freehand, 1, 62, 5, 32);
    brushSlider_->setObjectName("brushSlider");
    brushSlider_->setGeometry(6, 36, 150, 30);
    recordBox_ = new QCheckBox("Record  Animate", freehand);
    recordBox_->setObjectName("recordBox");
    recordBox_->setGeometry(8, 72, 140, 22);
    modePages_->addTab(freehand, "Freehand");
    connect(brushSlider_, &QSlider::valueChanged, this, &MainWindow::brushSizeChanged);
    connect(recordBox_, &QCheckBox::toggled, this, &MainWindow::recorderRequested);
    connect(modePages_, &QTabWidget::currentChanged, this, &MainWindow::pageChanged);

    rightBlock_ = new QWidget(strip_);
    toolPages_ = new QTabWidget(rightBlock_);
    toolPages_->setObjectName("toolPages");
    toolPages_->setGeometry(0, 2, 278, 154);
    toolPages_->addTab(buildToolPages(), "&Sketch");
    QWidget* texturePage = new QWidget;
    textureSelector_ = new QComboBox(texturePage);
    textureSelector_->setObjectName("textureSelector");
    textureSelector_->addItems({"NULL", "Custom"});
    textureSelector_->setGeometry(16, 20, 81, 24);
    tileButton_ = new QRadioButton("Tile", texturePage);
    tileButton_->setObjectName("tileButton");
    tileButton_->setGeometry(14, 54, 80, 20);
    tileButton_->setChecked(true);
    stretchButton_ = new QRadioButton("Stretch", texturePage);
    stretchButton_->setObjectName("stretchButton");
    stretchButton_->setGeometry(14, 78, 80, 20);
    texturePreview_ = new PicturePane(texturePage);
    texturePreview_->setObjectName("texturePreview");
    texturePreview_->setAccessibleName("Texture");
    texturePreview_->setGeometry(107, 8, 158, 97);
    texturePreview_->setFit(PicturePane::Fit::Centre);
    texturePreview_->showRaster(&texturePaper_);
    toolPages_->addTab(texturePage, "&Texture");
    connect(textureSelector_, &QComboBox::activated, this, &MainWindow::textureChosen);
    connect(tileButton_, &QRadioButton::toggled, this, &MainWindow::updatePreviewFit);

    clearButton_ = new QPushButton("&Clear", rightBlock_);
    clearButton_->setObjectName("clearButton");
    saveButton_ = new QPushButton("&Save", rightBlock_);
    saveButton_->setObjectName("saveButton");
    sendButton_ = new QPushButton("&Send to", rightBlock_);
    sendButton_->setObjectName("sendButton");
    sendButton_->setToolTip("Send the sketch to a friend");
    editButton_ = new QPushButton("&Edit&&Print", rightBlock_);
    editButton_->setObjectName("editButton");
    editButton_->setToolTip("Edit and print with PAINT");
    int top = 10;
    for (QPushButton* button : {clearButton_, saveButton_, sendButton_, editButton_}) {
        button->setGeometry(282, top, 84, 28);
        top += 36;
    }
    connect(clearButton_, &QPushButton::clicked, this, &MainWindow::clearSketch);
    connect(saveButton_, &QPushButton::clicked, this, &MainWindow::save);
    connect(editButton_, &QPushButton::clicked, this, &MainWindow::editAndPrint);

    statusBar_ = new QStatusBar(strip_);
    statusBar_->setObjectName("statusBar");
    statusBar_->setSizeGripEnabled(false);
}

QWidget* MainWindow::buildModePages() {
    QWidget* automatic = new QWidget;
    convertButton_ = new QPushButton(" &Convert", automatic);
    convertButton_->setObjectName("convertButton");
    convertButton_->setGeometry(10, 20, 100, 32);
    connect(convertButton_, &QPushButton::clicked, this,
            [this] { guarded([this] { convert(); }); });
    return automatic;
}

QWidget* MainWindow::buildToolPages() {
    QWidget* page = new QWidget;
    precisionSlider_ =
        addSliderWithDisplay(page, "Precision:  ", 4, 0, 200, 10, 170, precisionEdit_);
    precisionSlider_->setObjectName("precisionSlider");
    precisionEdit_->setObjectName("precisionEdit");
    lineSlider_ = addSliderWithDisplay(page, "Line:  ", 56, 1, 15, 1, 1, lineEdit_);
    lineSlider_->setObjectName("lineSlider");
    lineEdit_->setObjectName("lineEdit");

    penButton_ = new QRadioButton("Pen", page);
    penButton_->setObjectName("penButton");
    pencilButton_ = new QRadioButton("Pencil", page);
    pencilButton_->setObjectName("pencilButton");
    pastelButton_ = new QRadioButton("Pastel", page);
    pastelButton_->setObjectName("pastelButton");
    brushButton_ = new QRadioButton("Brush", page);
    brushButton_->setObjectName("brushButton");
    eraserButton_ = new QRadioButton("Eraser", page);
    eraserButton_->setObjectName("eraserButton");
    int top = 2;
    for (QRadioButton* button :
         {penButton_, pencilButton_, pastelButton_, brushButton_, eraserButton_}) {
        button->setGeometry(206, top, 68, 20);
        top += 21;
    }
    pencilButton_->setChecked(true);
    return page;
}

void MainWindow::layoutStrip() {
    const int width = this->width();
    strip_->setGeometry(0, height() - kStripHeight, width, kStripHeight);
    leftColumn_->setGeometry(0, 0, kLeftColumnWidth, kStripHeight - kStatusHeight);
    rightBlock_->setGeometry(std::max(kLeftColumnWidth, width - kRightBlockWidth), 0,
                             kRightBlockWidth, kStripHeight - kStatusHeight);
    modePages_->setGeometry(kLeftColumnWidth + 4, 2,
                            std::max(60, width - kLeftColumnWidth - kRightBlockWidth - 8), 154);
    statusBar_->setGeometry(0, kStripHeight - kStatusHeight, width, kStatusHeight);
    pictureArea_->setGeometry(0, 0, width, std::max(0, height() - kStripHeight));
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
    return statusBar_->currentMessage();
}

void MainWindow::start() {
    if (started_) return;
    started_ = true;
    try {
        loadPhoto(resourceFolder(environment_.programFolder) + "/4.jpg");
    } catch (const Error& error) {
        // Without the start picture the window opens empty, with no texture list either.
        showError(error.what());
        return;
    }
    fillTextureList();
    // Last, the look kept from the last run; an index outside the list leaves it unselected.
    const int stored = environment_.settingsFile.isEmpty()
                           ? kDesignedStyle
                           : readUiStyleSetting(environment_.settingsFile.toStdString());
    const QSignalBlocker quiet(uiStyleSelector_);
    uiStyleSelector_->setCurrentIndex(stored >= 0 && stored < kUiStyleCount ? stored : -1);
    uiStyleChosen(uiStyleSelector_->currentIndex());
}

void MainWindow::fillTextureList() {
    listTextures((resourceFolder(environment_.programFolder) + "/texture").toStdString(),
                 textures_);
    for (const TextureEntry& entry : textures_)
        textureSelector_->addItem(QString::fromStdString(entry.name));
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

// ---- File commands ----------------------------------------------------------------------------

void MainWindow::loadPhoto(const QString& path) {
    // The new photo is decoded before anything changes, so a failed load loses nothing.
    showPhoto(loadPicture(path.toStdString()));
}

void MainWindow::showPhoto(Raster photo) {
    photo_ = std::move(photo);
    sketch_ = Raster();
    photoPane_->pictureChanged();
    sketchPane_->pictureChanged();
    layoutPanes();
}

void MainWindow::openPhoto() {
    const QString path = dialogs_->openPicture(this);
    if (path.isEmpty()) return;
    guarded([&] { loadPhoto(path); });
}

QString MainWindow::saveSketch(const QString& path, SaveType type) {
    if (sketch_.isEmpty()) throw Error("There is no sketch to save.");
    const std::string written =
        saveSketchFile(sketch_, path.toStdString(), type, photo_.width(), photo_.height());
    saveName_ = QString::fromStdString(written);
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
    const SaveType type = saveFilter_ == 1   ? SaveType::Jpeg
                          : saveFilter_ == 2 ? SaveType::Bmp
                                             : SaveType::Metafile;
    guarded([&] { saveSketch(choice->path, type); });
}

void MainWindow::clearSketch() {
    sketch_ = Raster();
    if (textureSelector_->currentIndex() != 0) {
        applyTexture(sketch_, photo_.width(), photo_.height(), settings_.outputScale, texturePaper_,
                     tileButton_->isChecked() ? TextureFit::Tile : TextureFit::Stretch);
    }
    sketchPane_->pictureChanged();
    if (recordBox_->isChecked()) emit recordedFramesCleared();
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

// ---- Convert ----------------------------------------------------------------------------------

PenStyle MainWindow::selectedStyle() const {
    if (penButton_->isChecked()) return PenStyle::Pen;
    if (pencilButton_->isChecked()) return PenStyle::Pencil;
    if (pastelButton_->isChecked()) return PenStyle::Pastel;
    if (brushButton_->isChecked()) return PenStyle::Brush;
    return PenStyle::Eraser;
}

bool MainWindow::freehandPageActive() const {
    return modePages_->currentIndex() == 1;
}

void MainWindow::readSettingsFromControls() {
    settings_.edgeThreshold = 200 - precisionEdit_->text().toInt();
    settings_.lineStep = lineSlider_->value();
}

ConversionOptions MainWindow::currentOptions() const {
    ConversionOptions options;
    options.precision = precisionEdit_->text().toInt();
    options.line = lineSlider_->value();
    options.style = selectedStyle();
    options.page = freehandPageActive() ? ActivePage::Freehand : ActivePage::Automatic;
    options.texture = textureSelector_->currentIndex() != 0 ? &texturePaper_ : nullptr;
    options.textureFit = tileButton_->isChecked() ? TextureFit::Tile : TextureFit::Stretch;
    return options;
}

void MainWindow::convert() {
    saveName_.clear();
    readSettingsFromControls();
    settings_.outputScale = 1;
    if (photo_.isEmpty()) throw Error("There is no photo to convert.");
    photoBitmap_ = photo_;
    // The new sketch goes straight into the pane, so freehand drawing on it copies nothing.
    sketch_ = convertPhoto(photoBitmap_, currentOptions());
    sketchPane_->pictureChanged();
}

// ---- Pages, brush and texture -----------------------------------------------------------------

void MainWindow::pageChanged(int page) {
    saveName_.clear();
    const bool freehand = page == 1;
    brushButton_->setEnabled(freehand);
    eraserButton_->setEnabled(freehand);
    if (freehand) {
        statusBar_->showMessage("Use your mouse to draw on the sketch area.");
        return;
    }
    outline_->hide();
    if (brushButton_->isChecked() || eraserButton_->isChecked()) pastelButton_->setChecked(true);
    statusBar_->showMessage("Auto Convert.");
}

void MainWindow::brushSizeChanged(int radius) {
    settings_.brushRadius = radius;
    brushEdit_->setText(QString::number(radius));
    outline_->setRadius(radius);
}

void MainWindow::textureChosen(int index) {
    try {
        if (index == 1) {
            const QString path = dialogs_->openPicture(this);
            if (path.isEmpty()) {
                const QSignalBlocker quiet(textureSelector_);
                textureSelector_->setCurrentIndex(0);
                return;
            }
            texturePaper_ = loadPicture(path.toStdString());
        } else if (index == 0) {
            texturePaper_ = Raster();
        } else {
            texturePaper_ =
                loadPicture(textures_.at(static_cast<std::size_t>(index - 2)).file.string());
        }
    } catch (const Error& error) {
        showError(error.what());  // the preview keeps its picture, the selector the new item
        return;
    }
    texturePreview_->pictureChanged();
    updatePreviewFit();
}

void MainWindow::updatePreviewFit() {
    texturePreview_->setFit(tileButton_->isChecked() ? PicturePane::Fit::Centre
                                                     : PicturePane::Fit::Stretch);
}

// ---- Freehand drawing -------------------------------------------------------------------------

void MainWindow::sketchPressed(QPoint position, Qt::KeyboardModifiers modifiers, bool secondPress) {
    if (!freehandPageActive()) return;
    stroke_.press(secondPress);
    sketchMoved(position, modifiers);
}

void MainWindow::sketchMoved(QPoint position, Qt::KeyboardModifiers modifiers) {
    if (!freehandPageActive()) return;
    const int radius = settings_.brushRadius;
    const int x = position.x(), y = position.y();
    outline_->move(sketchPane_->x() + x - radius, sketchPane_->y() + y - radius);
    outline_->setVisible(brushOutlineVisible(x, y, sketchPane_->width(), sketchPane_->height()));
    if (outline_->isVisible()) outline_->raise();

    if (stroke_.drawsNow(modifiers.testFlag(Qt::ControlModifier), selectedStyle())) {
        if (photo_.isEmpty()) {
            showError("There is no photo to draw from.");
            return;
        }
        readSettingsFromControls();
        photoBitmap_ = photo_;  // shares the photo's pixels: nothing is copied
        const int sketchWidth = photo_.width() / settings_.outputScale + 1;
        const int sketchHeight = photo_.height() / settings_.outputScale + 1;
        if (sketch_.width() != sketchWidth || sketch_.height() != sketchHeight) {
            sketch_.setSize(sketchWidth, sketchHeight);  // an empty pane gets a white sheet
            sketchPane_->pictureChanged();
        }
        const std::optional<BrushRectangle> rectangle =
            brushRectangle(x, y, radius, settings_.lineStep, sketchPane_->width(),
                           sketchPane_->height(), photo_.height());
        if (rectangle) {
            ++stepsDrawn_;
            // A pass that fails keeps what it drew and is otherwise ignored.
            runFreehandPass(*rectangle, photoBitmap_, sketch_, settings_, selectedStyle());
            sketchPane_->areaChanged(QRect(QPoint(rectangle->left, rectangle->top),
                                           QPoint(rectangle->right, rectangle->bottom)));
        }
    }
    stroke_.countMove(radius);
}

void MainWindow::sketchReleased() {
    if (!freehandPageActive()) return;
    stroke_.release();
    if (recordBox_->isChecked()) emit frameCaptured(sketch_);
}

void MainWindow::sketchDoubleClicked() {
    if (sketch_.height() > 0) openViewer(sketch_);
    stroke_.release();  // the stroke begun by the double-click's first press does not go on
}

void MainWindow::photoDoubleClicked() {
    if (photo_.height() > 0) openViewer(photo_);
}

void MainWindow::openViewer(const Raster& picture) {
    ViewerWindow viewer(picture, this);
    applyUiStyle(&viewer, uiStyleOf(this));  // the viewer opens in the main window's look
    viewer.exec();
}

}  // namespace carbonel
