#include "app/main/main_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "app/batch/batch_window.h"
#include "app/main/automatic_options.h"
#include "app/main/kept_windows.h"
#include "app/main/live_preview.h"
#include "app/main/viewer_window.h"
#include "app/recorder/recorder_window.h"
#include "app/ui/accelerators.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "app/ui/ui_styles.h"
#include "imageio/photo_reader.h"
#include "sketch/error.h"
#include "workspace/app_paths.h"
#include "workspace/pane_layout.h"
#include "workspace/settings_file.h"

namespace carbonel {
namespace {

// Live changes closer together than this are one undo step.
constexpr int kLiveBurstRest = 1000;  // ms

}  // namespace

MainWindow::MainWindow(const AppEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
    setWindowTitle(kCaption);
    setMinimumSize(130, 23);
    resize(690, 546);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    document_.setChangeListener([this](bool photo) { pictureChanged(photo); });
    buildPanes();
    strip_ = new ControlStrip(this);
    paper_ = new PaperChoice(*strip_, *environment_.dialogs, this);
    freehand_ =
        new FreehandInput(document_, *strip_, *sketchPane_, *outline_, *environment_.dialogs, this);
    connect(freehand_, &FreehandInput::strokeEnded, this, [this] {
        if (strip_->recording()) emit frameCaptured(document_.snapshot());
    });
    connect(strip_, &ControlStrip::brushSizeChanged, outline_, &BrushOutline::setRadius);
    outline_->setRadius(strip_->settings().brushSize);
    connect(strip_, &ControlStrip::pageChanged, this, [this](bool freehand) {
        live_->cancel();
        document_.forgetSavedName();
        if (!freehand) outline_->hide();
    });
    connect(strip_, &ControlStrip::uiStyleChosen, this, &MainWindow::uiStyleChosen);
    live_ = new LivePreview(this);
    connect(strip_, &ControlStrip::conversionSettingsChanged, this,
            &MainWindow::conversionSettingsMoved);
    connect(live_, &LivePreview::ready, this, &MainWindow::showLiveSketch);
    connect(live_, &LivePreview::failed, strip_, &ControlStrip::showStatus);
    burstTimer_.setSingleShot(true);
    burstTimer_.setInterval(kLiveBurstRest);
    connect(&burstTimer_, &QTimer::timeout, this, &MainWindow::endLiveBurst);
    connect(strip_, &ControlStrip::adjustmentEnded, this, [this] {
        if (burstTimer_.isActive()) burstTimer_.start();
    });
    connect(strip_->recentMenu(), &QMenu::aboutToShow, this, &MainWindow::listRecentPhotos);
    addCommands();
    strip_->layoutFor(width());
    layoutPanes();

    connectToolWindows();
    applyKeptSettings();
    routeSharedAccelerators(this);
    // Every window starts in its designed look.
    for (QWidget* window : {static_cast<QWidget*>(this), static_cast<QWidget*>(batchWindow_),
                            static_cast<QWidget*>(recorderWindow_)}) {
        applyUiStyle(window, kDesignedStyle);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildPanes() {
    auto* area = new QWidget(this);
    area->setObjectName("pictureArea");
    photoPane_ = new PicturePane(area);
    photoPane_->setObjectName("photoPane");
    sketchPane_ = new PicturePane(area);
    sketchPane_->setObjectName("sketchPane");
    photoPane_->setAccessibleName("Photo");
    sketchPane_->setAccessibleName("Sketch");
    photoPane_->setToolTip("Double-clicks to zoom");
    sketchPane_->setToolTip("Double-clicks to zoom");
    sketchPane_->setCursor(Qt::CrossCursor);
    // Both panes show the same part of the picture, zoomed and panned together.
    auto* view = new SharedView(this);
    photoPane_->setView(view);
    sketchPane_->setView(view);
    photoPane_->showRaster(&document_.photo());
    sketchPane_->showRaster(&document_.sketchPixels());
    sketchPane_->setRowPreparer([this](int row) { return document_.readyRow(row); });
    outline_ = new BrushOutline(area);
    outline_->setObjectName("outline");
    connect(photoPane_, &PicturePane::doubleClicked, this, [this] {
        if (!document_.photo().isEmpty()) showViewer(document_.photo(), this);
    });
    connect(sketchPane_, &PicturePane::doubleClicked, this, [this] {
        if (!document_.sketchPixels().isEmpty()) showViewer(document_.sketch(), this);
        freehand_->release();
    });
    connect(photoPane_, &PicturePane::fileDropped, this,
            [this](const QString& path) { openPhotoFile(path); });
    photoPane_->setAcceptDrops(true);
}

// The tool windows, hidden until their check boxes show them; closing them unchecks the boxes.
void MainWindow::connectToolWindows() {
    UserDialogs& dialogs = *environment_.dialogs;
    BatchHost host;
    host.settings = [this] {
        BatchSettings settings;
        settings.options = automaticOptions(strip_->settings(), nullptr);
        if (const Raster* paper = paper_->forSketch()) settings.paper = *paper;
        return settings;
    };
    host.preview = [this](const QString& path) { return openPhotoFile(path); };
    host.mayStart = [this] {
        if (!unsavedWorkSettled()) return false;
        document_.beginBatch();
        return true;
    };
    host.showConverted = [this](Raster photo, Raster sketch, const QString& written) {
        document_.showConverted(std::move(photo), std::move(sketch), written.toStdString());
    };
    batchWindow_ = new BatchWindow(std::move(host), dialogs, this);
    recorderWindow_ = new RecorderWindow(
        dialogs,
        [this] {
            return QSize(document_.sketchPixels().width(), document_.sketchPixels().height());
        },
        this);
    recorderWindow_->setMailing(environment_.mailFolder, environment_.mail);
    connect(strip_, &ControlStrip::batchBoxToggled, batchWindow_, &QWidget::setVisible);
    connect(batchWindow_, &BatchWindow::closedByUser, strip_, &ControlStrip::uncheckBatchBox);
    connect(strip_, &ControlStrip::recordBoxToggled, recorderWindow_, &QWidget::setVisible);
    connect(recorderWindow_, &RecorderWindow::closedByUser, strip_,
            &ControlStrip::uncheckRecordBox);
    connect(this, &MainWindow::frameCaptured, recorderWindow_, &RecorderWindow::appendFrame);
    connect(this, &MainWindow::recordedFramesCleared, recorderWindow_,
            &RecorderWindow::clearFrames);
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
        environment_.dialogs->message(this, "Unable to write to " + environment_.settingsFile);
    }
    QWidget::closeEvent(event);
}

void MainWindow::applyKeptSettings() {
    if (environment_.settingsFile.isEmpty()) return;
    kept_ = readKeptSettings(environment_.settingsFile.toStdString());
    recent_ = kept_.recentPhotos;
    restoreKept(kept_, {*this, *batchWindow_, *recorderWindow_, *strip_, *environment_.dialogs});
}

bool MainWindow::writeKeptSettings() {
    KeptSettings kept =
        keptNow(kept_, {*this, *batchWindow_, *recorderWindow_, *strip_, *environment_.dialogs});
    kept.paper = paper_->chosenName();
    kept.recentPhotos = recent_;
    const std::string path = environment_.settingsFile.toStdString();
    return writeUiStyleSetting(path, strip_->uiStyle()) && carbonel::writeKeptSettings(path, kept);
}

void MainWindow::layoutPanes() {
    QWidget* area = photoPane_->parentWidget();
    area->setGeometry(0, 0, width(), std::max(0, height() - kStripHeight));
    const PaneLayout layout = carbonel::layoutPanes(
        area->width(), area->height(), document_.photo().width(), document_.photo().height());
    photoPane_->setGeometry(layout.photo.left, layout.photo.top, layout.photo.width,
                            layout.photo.height);
    sketchPane_->setGeometry(layout.sketch.left, layout.sketch.top, layout.sketch.width,
                             layout.sketch.height);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    strip_->layoutFor(width());
    layoutPanes();
}

void MainWindow::pictureChanged(bool photo) {
    if (!photo) {
        sketchPane_->pictureChanged();
        return;
    }
    // A new photo shows whole.
    photoPane_->view()->change([this](PictureView& view) {
        view.setPicture(document_.photo().width(), document_.photo().height());
    });
    photoPane_->pictureChanged();
    layoutPanes();
}

PicturePane* MainWindow::zoomedPane() const {
    return photoPane_->underMouse() ? photoPane_ : sketchPane_;
}

void MainWindow::start() {
    if (started_) return;
    started_ = true;
    try {
        bool loaded = false;
        if (!environment_.startPhoto.isEmpty()) {
            try {
                loadPhoto(environment_.startPhoto);
                rememberPhoto(environment_.startPhoto);
                loaded = true;
            } catch (const Error& error) {
                environment_.dialogs->error(this, error.what());  // then the start picture
            }
        }
        if (!loaded) loadPhoto(resourceFolder(environment_.programFolder) + "/4.jpg");
    } catch (const Error& error) {
        // Without the start picture the window opens empty, with no texture list either.
        environment_.dialogs->error(this, error.what());
        liveReady_ = true;
        return;
    }
    // The paper kept from the last run, by its name.
    paper_->list(resourceFolder(environment_.programFolder) + "/texture", kept_.paper);
    // Last, the look kept from the last run; an index outside the list leaves it unselected.
    const int stored = environment_.settingsFile.isEmpty()
                           ? kDesignedStyle
                           : readUiStyleSetting(environment_.settingsFile.toStdString());
    strip_->selectUiStyle(stored >= 0 && stored < kUiStyleCount ? stored : -1);
    uiStyleChosen(strip_->uiStyle());
    liveReady_ = true;
}

void MainWindow::conversionSettingsMoved() {
    const StripSettings settings = strip_->settings();
    if (!liveReady_ || !settings.live || settings.freehandPage || document_.photo().isEmpty())
        return;
    const Raster* paper = paper_->forSketch();
    live_->request(document_.photo(), automaticOptions(settings, nullptr),
                   paper ? std::optional<Raster>(*paper) : std::nullopt);
    burstTimer_.start();
}

void MainWindow::showLiveSketch(const Raster& photo, Raster sketch) {
    // A sketch of a photo that has since been replaced is not shown.
    if (!photo.sharesPixelsWith(document_.photo()) || strip_->settings().freehandPage) return;
    document_.showLive(std::move(sketch));
}

void MainWindow::endLiveBurst() {
    // A drag still under way, or a conversion still to come, belongs to the burst.
    if (strip_->adjusting() || live_->busy()) {
        burstTimer_.start();
        return;
    }
    document_.endLiveBurst();
}

bool MainWindow::livePreviewBusy() const {
    return live_->busy() || burstTimer_.isActive();
}

void MainWindow::loadPhoto(const QString& path) {
    // The new photo is decoded before anything changes, so a failed load loses nothing.
    document_.start(loadPicture(path.toStdString()));
}

void MainWindow::guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        environment_.dialogs->error(this, error.what());
    }
}

}  // namespace carbonel
