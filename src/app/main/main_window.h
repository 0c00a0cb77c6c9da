#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/main/control_strip.h"
#include "imageio/picture_names.h"
#include "sketch/convert.h"
#include "sketch/texture.h"
#include "workspace/freehand.h"
#include "workspace/lazy_white_sheet.h"
#include "workspace/pane_layout.h"

namespace carbonel {

class BatchWindow;
class MailClient;
class BrushOutline;
class RecorderWindow;
class PicturePane;
class ProcessLauncher;
class UserDialogs;

// What the main window needs from outside; tests give it their own dialogs and launcher.
struct AppEnvironment {
    QString programFolder;  // where "4.jpg" and "texture/" are looked for
    UserDialogs* dialogs = nullptr;
    ProcessLauncher* launcher = nullptr;
    MailClient* mail = nullptr;
    QString settingsFile{};  // keeps the UI style between runs ("": none)
    QString mailFolder{};    // where "sketch.jpg" and "sketch.gif" are written for mailing
};

// The main window: the photo and sketch panes over a strip of controls, Convert, the file commands,
// paper textures and freehand drawing.
class MainWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kStripHeight = ControlStrip::kHeight;
    static constexpr const char* kCaption =
        "Carbonel Pro 4.0 --To figure a sketch for your friend or sweetheart!!";

    explicit MainWindow(const AppEnvironment& environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start: the start picture, then the texture list. Called once the window is shown.
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

  signals:
    // The end of a stroke while recording: a copy of the whole sketch, white being transparent.
    void frameCaptured(const carbonel::Raster& frame);
    // Clear while recording discards the recorded frames.
    void recordedFramesCleared();
    void batchWindowRequested(bool visible);
    void recorderRequested(bool visible);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
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
