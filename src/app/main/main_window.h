#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "app/main/control_strip.h"
#include "imageio/picture_names.h"
#include "sketch/convert.h"
#include "sketch/texture.h"
#include "workspace/freehand.h"
#include "workspace/kept_settings.h"
#include "workspace/lazy_white_sheet.h"
#include "workspace/pane_layout.h"
#include "workspace/sketch_snapshot.h"

namespace carbonel {

class BatchWindow;
class MailClient;
class BrushOutline;
class RecorderWindow;
class PicturePane;
class ProcessLauncher;
class UserDialogs;
}  // namespace carbonel
class QUndoStack;
namespace carbonel {

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

// The main window: the photo and sketch panes over a strip of controls, Convert, the file commands,
// paper textures and freehand drawing.
class MainWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kStripHeight = ControlStrip::kHeight;
    // The undo history keeps this many steps.
    static constexpr int kHistorySteps = 100;
    static constexpr const char* kCaption =
        "Carbonel Pro 4.0 --To figure a sketch for your friend or sweetheart!!";

    explicit MainWindow(const AppEnvironment& environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start: the start picture (or the photo the program was given), then the texture list.
    // Called once the window is shown.
    void start();

    // Reads a photo into the photo pane and empties the sketch pane. A photo that cannot be read
    // fails (carbonel::Error) and changes nothing.
    void loadPhoto(const QString& path);
    // Puts an already decoded photo into the photo pane, as loadPhoto does.
    void showPhoto(Raster photo);
    // The Convert command: a new sketch from the photo with the controls' settings.
    void convert();
    // Writes the sketch; returns the name written (with any extension appended).
    QString saveSketch(const QString& path, SaveType type);
    // The name the last save wrote, for a sketch saved elsewhere (by the batch).
    void setRememberedSaveName(const QString& name) { saveName_ = name; }

    // Runs a command, showing what it fails on in the error box, as the event loop does.
    void guarded(const std::function<void()>& command);

    BatchWindow* batchWindow() const { return batchWindow_; }
    RecorderWindow* recorderWindow() const { return recorderWindow_; }

    // The state the commands work on.
    const Raster& photo() const { return photo_; }
    // The sketch, whole: a white sheet still being whitened row by row is finished first.
    const Raster& sketch();
    const SketchSettings& settings() const { return settings_; }
    const QString& rememberedSaveName() const { return saveName_; }
    int saveFilterIndex() const { return saveFilter_; }
    PenStyle selectedStyle() const;
    bool freehandPageActive() const;
    int freehandStepsDrawn() const { return stepsDrawn_; }
    const FreehandStroke& stroke() const { return stroke_; }
    const Raster& texturePaper() const { return texturePaper_; }
    PaneLayout paneLayout() const { return layout_; }
    QWidget* pictureArea() const { return pictureArea_; }
    QString statusText() const;
    // The style the "UI Style :" list selects (-1: none) and the look the window has.
    int selectedUiStyle() const;

    // The photo and the sketch at one step of the history.
    // A snapshot that may still be being taken on another core.
    using SnapshotFuture = std::shared_future<std::shared_ptr<const SketchSnapshot>>;
    struct State {
        Raster photo;
        SnapshotFuture sketch;  // null: no sketch
    };
    // Undo and redo of the last change (Ctrl+Z; Ctrl+Shift+Z or Ctrl+Y); a stroke still being
    // drawn becomes a step first.
    void undo();
    void redo();
    // Shows a step of the history: the history's own steps call it.
    void restoreState(const State& state);
    // Drops every step, for changes that are not undoable (the batch's).
    void forgetHistory();
    QUndoStack* history() const { return history_; }
    // Whether the sketch has changed since it was last saved.
    bool sketchUnsaved() const;
    // Opens a photo file as the Open command does: asking about unsaved work first, undoable.
    void openPhotoFile(const QString& path);

  signals:
    // The end of a stroke while recording: the whole sketch as a snapshot, white being
    // transparent.
    void frameCaptured(std::shared_ptr<const carbonel::SketchSnapshot> frame);
    // Clear while recording discards the recorded frames.
    void recordedFramesCleared();
    void batchWindowRequested(bool visible);
    void recorderRequested(bool visible);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void addShortcuts();
    // What the settings file keeps between runs: read at the start (the paper once the texture
    // list is filled), written at the close.
    void applyKeptSettings();
    void applyKeptPaper();
    bool writeKeptSettings();
    KeptSettings kept_;  // as read at the start
    void connectStrip();
    void connectToolWindows();
    void layoutStrip();
    void layoutPanes();

    // File commands.
    void openPhoto();
    void clearSketch();
    void save();
    void editAndPrint();
    void sendSketch();

    // Convert, the pages, the brush and the paper.
    void pageChanged(int page);
    void brushSizeChanged(int radius);
    void textureChosen(int index);
    void updatePreviewFit();
    void fillTextureList();
    ConversionOptions currentOptions() const;
    void readSettingsFromControls();

    // Freehand drawing and the viewer.
    void sketchPressed(QPoint position, Qt::KeyboardModifiers modifiers, bool secondPress);
    void sketchMoved(QPoint position, Qt::KeyboardModifiers modifiers);
    void sketchReleased();
    void sketchDoubleClicked();
    void photoDoubleClicked();
    void openViewer(const Raster& picture);
    // Puts a new sketch in the pane, in place of the one drawn on.
    void replaceSketch(Raster sketch);

    // The history: the snapshot the sketch shows (taken now when unknown), a change made to the
    // whole sketch, and the area a stroke drew in so far, which becomes a step when it ends.
    const std::shared_ptr<const SketchSnapshot>& shownSnapshot();
    // Makes a change to the whole sketch (Convert, Clear, Open) an undoable step: a stroke still
    // being drawn becomes a step first, and a change that fails records nothing.
    void recordWholeChange(const QString& text, const std::function<void()>& change);
    void strokeDrew(const PixelArea& area);
    void recordStroke();
    void convertCommand();
    // Open, once unsaved work is settled: an undoable step.
    void openAsked(const QString& path);
    // Asks "Save the sketch?" when it has unsaved changes; false when the user cancels (or the
    // save was not made).
    bool unsavedWorkSettled();

    void showError(const QString& text);
    void uiStyleChosen(int index);

    AppEnvironment environment_;
    UserDialogs* dialogs_;
    ProcessLauncher* launcher_;
    bool started_ = false;

    Raster photo_;               // the photo pane's picture
    Raster sketch_;              // the sketch pane's picture: the sketch drawn on
    Raster photoBitmap_;         // the working copy of the photo a pass reads
    LazyWhiteSheet blankSheet_;  // the rows of a fresh freehand sheet not yet whitened
    QUndoStack* history_ = nullptr;
    // The snapshot the sketch showed at the last step, and the one a stroke's tiles are compared
    // with (a fresh white sheet's, before its first stroke); null when unknown.
    std::shared_ptr<const SketchSnapshot> shown_, basis_;
    // The snapshot of a sketch Convert, Clear or Open has just made, taken on another core so the
    // command does not wait for it; whatever reads shown_ or basis_ takes it first.
    SnapshotFuture pending_;
    void takePendingSnapshot();
    std::optional<PixelArea> strokeArea_;  // where the stroke being drawn has drawn
    SketchSettings settings_;
    FreehandStroke stroke_;
    int stepsDrawn_ = 0;
    QString saveName_;
    int saveFilter_ = 2;  // the save dialog proposes "Bitmaps (*.bmp)" first
    std::vector<TextureEntry> textures_;
    Raster texturePaper_;
    PaneLayout layout_;

    QWidget* pictureArea_;
    PicturePane* photoPane_;
    PicturePane* sketchPane_;
    BrushOutline* outline_;
    ControlStrip* strip_;
    BatchWindow* batchWindow_ = nullptr;
    RecorderWindow* recorderWindow_ = nullptr;
};

}  // namespace carbonel
