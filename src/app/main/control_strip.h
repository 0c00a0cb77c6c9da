#pragma once

#include <QWidget>

#include "sketch/sketch_settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QStatusBar;
class QTabWidget;

namespace carbonel {

class PicturePane;

// The strip of controls under the panes: the batch switch, Open and the UI style on the left, the
// Automatic and Freehand pages in the middle, the Sketch and Texture pages and the file buttons
// on the right, the status bar below. It only builds and lays out the controls; the main window
// connects them to its commands.
class ControlStrip : public QWidget {
  public:
    static constexpr int kHeight = 180;

    explicit ControlStrip(QWidget* parent);

    // Places the blocks for a window `width` wide: the left column and the right block keep their
    // widths, the mode pages take what is left.
    void layoutFor(int width);

    // The drawing style the radio buttons select.
    PenStyle selectedStyle() const;
    bool freehandPageActive() const;
    // The Texture page's choice: 0 is "NULL" (no paper).
    bool paperChosen() const;

    QWidget* leftColumn;
    QCheckBox* showBatchBox;
    QPushButton* openButton;
    QComboBox* uiStyleSelector;

    QTabWidget* modePages;
    QPushButton* convertButton;
    QLineEdit* brushEdit;
    QSlider* brushSlider;
    QCheckBox* recordBox;

    QWidget* rightBlock;
    QTabWidget* toolPages;
    QSlider* precisionSlider;
    QLineEdit* precisionEdit;
    QSlider* lineSlider;
    QLineEdit* lineEdit;
    QRadioButton* penButton;
    QRadioButton* pencilButton;
    QRadioButton* pastelButton;
    QRadioButton* brushButton;
    QRadioButton* eraserButton;
    QComboBox* textureSelector;
    QRadioButton* tileButton;
    QRadioButton* stretchButton;
    PicturePane* texturePreview;
    QPushButton* clearButton;
    QPushButton* saveButton;
    QPushButton* sendButton;
    QPushButton* editButton;

    QStatusBar* statusBar;

  private:
    void buildLeftColumn();
    void buildModePages();
    void buildRightBlock();
    QWidget* buildSketchPage();
    QWidget* buildTexturePage();
};

}  // namespace carbonel
