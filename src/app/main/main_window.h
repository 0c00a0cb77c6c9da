#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/main/control_strip.h"
#include "app/main/freehand_input.h"
#include "app/main/paper_choice.h"
#include "workspace/kept_settings.h"
#include "workspace/sketch_document.h"

namespace carbonel {

class BatchWindow;
class BrushOutline;
class LivePreview;
class MailClient;
class PicturePane;
class ProcessLauncher;
class RecorderWindow;
class UserDialogs;

// What the main window needs from outside; tests give it their own dialogs and launcher.
struct AppEnvironment {
    QString programFolder;  // where "4.jpg" and "texture/" are looked for
    UserDialogs* dialogs = nullptr;
    ProcessLauncher* launcher = nullptr;
    MailClient* mail = nullptr;
    QString settingsFile{};  // keeps the UI style between runs ("": none)
    QString mailFolder{};    // where "sketch.jpg" and "sketch.gif" are written for mailing
    QString startPhoto{};    // the photo to open at the start instead of the start picture
};

// The main window: it shows the sketch document (the photo and sketch panes over a strip of
// controls), forwards the mouse to it, runs the commands and asks the questions.
class MainWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kStripHeight = ControlStrip::kHeight;
    static constexpr const char* kCaption =
        "Carbonel Pro 4.0 --To figure a sketch for your friend or sweetheart!!";

    explicit MainWindow(const AppEnvironment& environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start: the start picture (or the photo the program was given), then the texture list.
    // Called once the window is shown.
    void start();

    // Shows a photo file with an empty sketch, outside the history. A photo that cannot be read
    // fails (carbonel::Error) and changes nothing.
    void loadPhoto(const QString& path);
    // Opens a photo file as the Open command does: asking about unsaved work first, undoable.
    // False when the user kept the work or the photo could not be read.
    bool openPhotoFile(const QString& path);
    // The Convert command: a new sketch from the photo with the Automatic page's settings.
    void convert();
    // The photos opened last, newest first.
    const std::vector<std::string>& recentPhotos() const { return recent_; }
    // Whether a live conversion is waiting, under way, or its burst of changes still open.
    bool livePreviewBusy() const;

    SketchDocument& document() { return document_; }
    BatchWindow* batchWindow() const { return batchWindow_; }
    RecorderWindow* recorderWindow() const { return recorderWindow_; }
    const Raster& texturePaper() const { return paper_->picture(); }
    const FreehandInput& freehand() const { return *freehand_; }
    QString statusText() const { return strip_->status(); }
    // The style the "UI Style :" list selects (-1: none).
    int selectedUiStyle() const { return strip_->uiStyle(); }

  signals:
    // The end of a stroke while recording: the whole sketch as a snapshot, white being
    // transparent.
    void frameCaptured(std::shared_ptr<const carbonel::SketchSnapshot> frame);
    // Clear while recording discards the recorded frames.
    void recordedFramesCleared();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // The commands, one QAction each (window_commands.cpp).
    void addCommands();
    void openPhoto();
    void save();
    void clearSketch();
    void editAndPrint();
    void sendSketch();
    void copySketch();
    void paste();
    // Opens a photo file once unsaved work is settled, and remembers it among the recent ones.
    bool openWithoutAsking(const QString& path);
    void rememberPhoto(const QString& path);
    void listRecentPhotos();
    // The live preview: a setting moved, and the newest conversion is ready.
    void conversionSettingsMoved();
    void showLiveSketch(const Raster& photo, Raster sketch);
    void endLiveBurst();
    // Asks "Save the sketch?" when it changed since it was last saved; false when the user
    // cancels (or the save was not made).
    bool unsavedWorkSettled();

    void buildPanes();
    void connectToolWindows();
    void layoutPanes();
    void pictureChanged(bool photo);
    // The pane a zoom key zooms about: the one under the pointer, else the sketch.
    PicturePane* zoomedPane() const;
    void uiStyleChosen(int index);
    // What the settings file keeps between runs: read at the start, written at the close.
    void applyKeptSettings();
    bool writeKeptSettings();
    // Runs a command, showing what it fails on in the error box.
    void guarded(const std::function<void()>& command);

    AppEnvironment environment_;
    SketchDocument document_;
    int saveFilter_ = 2;  // the save dialog proposes "Bitmaps (*.bmp)" first
    TraceMode savedTrace_ = TraceMode::Outline;  // how the last saved SVG drew its lines
    KeptSettings kept_;   // as read at the start
    bool started_ = false;
    bool liveReady_ = false;  // settings set while starting are not a user's moves
    std::vector<std::string> recent_;

    PicturePane* photoPane_;
    PicturePane* sketchPane_;
    BrushOutline* outline_;
    ControlStrip* strip_;
    PaperChoice* paper_;
    FreehandInput* freehand_;
    LivePreview* live_;
    // Ends a burst of live changes once the settings have rested this long.
    QTimer burstTimer_;
    BatchWindow* batchWindow_ = nullptr;
    RecorderWindow* recorderWindow_ = nullptr;
};

}  // namespace carbonel
