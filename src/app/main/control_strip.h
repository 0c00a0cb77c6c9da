#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "sketch/start_values.h"
#include "workspace/kept_settings.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QStatusBar;
class QTabWidget;
class QToolButton;

namespace carbonel {

class PicturePane;
class Raster;

// What the strip's controls are set to, as one value.
struct StripSettings {
    int precision = kPrecision.start;
    int line = kLine.start;
    PenStyle style = kStartStyle;        // the selected radio button
    PenStyle sketchStyle = kStartStyle;  // the one last chosen among Pen, Pencil and Pastel
    bool freehandPage = false;
    int brushSize = kBrushSize.start;
    int paper = 0;  // the Texture page's choice: 0 "NULL" (none), 1 "Custom", then the papers
    TextureFit paperFit = kStartTextureFit;
    bool live = true;  // the Automatic page's "Live" box: the sketch follows the settings
};

// The strip of controls under the panes: the batch switch, Open and the UI style on the left, the
// Automatic and Freehand pages in the middle, the Sketch and Texture pages and the file buttons
// on the right, the status bar below. It builds, lays out and keeps its controls; the main window
// reads their settings as one value, binds its commands to the buttons and hears the rest through
// signals.
class ControlStrip : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kHeight = 180;
    // The buttons that run the main window's commands.
    enum class Button { Open, Convert, Clear, Save, Send, Edit };

    explicit ControlStrip(QWidget* parent);

    // Places the blocks for a window `width` wide: the left column and the right block keep their
    // widths, the mode pages take what is left.
    void layoutFor(int width);

    StripSettings settings() const;
    // The kept settings: set at the start, read at the close (the paper by its index).
    void restore(const KeptSettings& kept);
    void keep(KeptSettings& kept) const;

    // A click on the button triggers the action.
    void bind(Button button, QAction* action);
    void showStatus(const QString& text);
    QString status() const;

    void addPapers(const QStringList& names);
    // Selects a paper without a signal.
    void selectPaper(int index);
    // The preview shows this picture (the caller's, which must outlive the strip).
    void showPaper(const Raster* paper);
    void paperChanged();

    int uiStyle() const;
    // Selects a look (-1: none) without a signal.
    void selectUiStyle(int index);
    void uncheckBatchBox();
    void uncheckRecordBox();
    bool recording() const;
    // The menu beside Open that lists the photos opened last.
    QMenu* recentMenu() const { return recentMenu_; }
    // Whether a track bar is being dragged.
    bool adjusting() const;

  signals:
    void batchBoxToggled(bool checked);
    void recordBoxToggled(bool checked);
    // The Automatic or the Freehand page became the current one.
    void pageChanged(bool freehand);
    void brushSizeChanged(int radius);
    void paperChosen(int index);
    void uiStyleChosen(int index);
    // Precision, Line, the sketch style, the paper or how it is laid changed.
    void conversionSettingsChanged();
    // A track bar was let go.
    void adjustmentEnded();

  private:
    void buildLeftColumn();
    void buildModePages();
    void buildRightBlock();
    QWidget* buildSketchPage();
    QWidget* buildTexturePage();
    void connectControls();
    void switchPage(int page);

    QWidget* leftColumn_;
    QCheckBox* showBatchBox_;
    QPushButton* openButton_;
    QToolButton* recentButton_;
    QMenu* recentMenu_;
    QComboBox* uiStyleSelector_;

    QTabWidget* modePages_;
    QPushButton* convertButton_;
    QCheckBox* liveBox_;
    QLineEdit* brushEdit_;
    QSlider* brushSlider_;
    QCheckBox* recordBox_;

    QWidget* rightBlock_;
    QTabWidget* toolPages_;
    QSlider* precisionSlider_;
    QLineEdit* precisionEdit_;
    QSlider* lineSlider_;
    QLineEdit* lineEdit_;
    QRadioButton* styleButtons_[5];  // Pen, Pencil, Pastel, Brush, Eraser
    PenStyle sketchStyle_ = kStartStyle;
    QComboBox* textureSelector_;
    QRadioButton* tileButton_;
    QRadioButton* stretchButton_;
    PicturePane* texturePreview_;
    QPushButton* clearButton_;
    QPushButton* saveButton_;
    QPushButton* sendButton_;
    QPushButton* editButton_;

    QStatusBar* statusBar_;
};

}  // namespace carbonel
