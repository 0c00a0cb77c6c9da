#include "app/main/control_strip.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>

#include "app/ui/picture_pane.h"
#include "app/ui/ui_styles.h"

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

template <typename Control>
Control* named(Control* control, const char* name) {
    control->setObjectName(name);
    return control;
}

}  // namespace

ControlStrip::ControlStrip(QWidget* parent) : QWidget(parent) {
    // Built in the order the controls were always made in, which is also their tab order.
    buildLeftColumn();
    buildModePages();
    buildRightBlock();
    statusBar = named(new QStatusBar(this), "statusBar");
    statusBar->setSizeGripEnabled(false);
}

void ControlStrip::buildLeftColumn() {
    leftColumn = new QWidget(this);
    auto* batchLabel = new QLabel("Batch Convert Bar :", leftColumn);
    batchLabel->setWordWrap(true);
    batchLabel->setGeometry(4, 2, 84, 32);
    showBatchBox = named(new QCheckBox("Show ", leftColumn), "showBatchBox");
    showBatchBox->setGeometry(4, 34, 80, 20);
    openButton = named(new QPushButton("&Open", leftColumn), "openButton");
    openButton->setGeometry(4, 58, 80, 27);
    auto* styleLabel = new QLabel("UI Style :", leftColumn);
    styleLabel->setGeometry(4, 92, 80, 16);
    uiStyleSelector = named(new QComboBox(leftColumn), "uiStyleSelector");
    uiStyleSelector->addItems(uiStyleNames());
    uiStyleSelector->setGeometry(4, 110, 80, 24);
}

void ControlStrip::buildModePages() {
    modePages = named(new QTabWidget(this), "modePages");
    QWidget* automatic = new QWidget;
    convertButton = named(new QPushButton(" &Convert", automatic), "convertButton");
    convertButton->setGeometry(10, 20, 100, 32);
    modePages->addTab(automatic, "Automatic ");

    QWidget* freehand = new QWidget;
    auto* brushLabel = new QLabel("Brush:", freehand);
    brushLabel->setGeometry(8, 10, 40, 18);
    // Shows the radius; what is typed into it is not read.
    brushEdit = named(new QLineEdit("32", freehand), "brushEdit");
    brushEdit->setGeometry(52, 8, 44, 22);
    brushSlider = named(makeSlider(freehand, 1, 62, 5, 32), "brushSlider");
    brushSlider->setGeometry(6, 36, 150, 30);
    recordBox = named(new QCheckBox("Record  Animate", freehand), "recordBox");
    recordBox->setGeometry(8, 72, 140, 22);
    modePages->addTab(freehand, "Freehand");
}

void ControlStrip::buildRightBlock() {
    rightBlock = new QWidget(this);
    toolPages = named(new QTabWidget(rightBlock), "toolPages");
    toolPages->setGeometry(0, 2, 278, 154);
    toolPages->addTab(buildSketchPage(), "&Sketch");
    toolPages->addTab(buildTexturePage(), "&Texture");

    clearButton = named(new QPushButton("&Clear", rightBlock), "clearButton");
    saveButton = named(new QPushButton("&Save", rightBlock), "saveButton");
    sendButton = named(new QPushButton("&Send to", rightBlock), "sendButton");
    sendButton->setToolTip("Send the sketch to a friend");
    editButton = named(new QPushButton("&Edit&&Print", rightBlock), "editButton");
    editButton->setToolTip("Edit and print with PAINT");
    int top = 10;
    for (QPushButton* button : {clearButton, saveButton, sendButton, editButton}) {
        button->setGeometry(282, top, 84, 28);
        top += 36;
    }
}

QWidget* ControlStrip::buildSketchPage() {
    QWidget* page = new QWidget;
    precisionSlider = addSliderWithDisplay(page, "Precision:  ", 4, 0, 200, 10, 170, precisionEdit);
    precisionSlider->setObjectName("precisionSlider");
    precisionEdit->setObjectName("precisionEdit");
    lineSlider = addSliderWithDisplay(page, "Line:  ", 56, 1, 15, 1, 1, lineEdit);
    lineSlider->setObjectName("lineSlider");
    lineEdit->setObjectName("lineEdit");

    penButton = named(new QRadioButton("Pen", page), "penButton");
    pencilButton = named(new QRadioButton("Pencil", page), "pencilButton");
    pastelButton = named(new QRadioButton("Pastel", page), "pastelButton");
    brushButton = named(new QRadioButton("Brush", page), "brushButton");
    eraserButton = named(new QRadioButton("Eraser", page), "eraserButton");
    int top = 2;
    for (QRadioButton* button :
         {penButton, pencilButton, pastelButton, brushButton, eraserButton}) {
        button->setGeometry(206, top, 68, 20);
        top += 21;
    }
    pencilButton->setChecked(true);
    return page;
}

QWidget* ControlStrip::buildTexturePage() {
    QWidget* page = new QWidget;
    textureSelector = named(new QComboBox(page), "textureSelector");
    textureSelector->addItems({"NULL", "Custom"});
    textureSelector->setGeometry(16, 20, 81, 24);
    tileButton = named(new QRadioButton("Tile", page), "tileButton");
    tileButton->setGeometry(14, 54, 80, 20);
    tileButton->setChecked(true);
    stretchButton = named(new QRadioButton("Stretch", page), "stretchButton");
    stretchButton->setGeometry(14, 78, 80, 20);
    texturePreview = named(new PicturePane(page), "texturePreview");
    texturePreview->setAccessibleName("Texture");
    texturePreview->setGeometry(107, 8, 158, 97);
    texturePreview->setFit(PicturePane::Fit::Centre);
    return page;
}

void ControlStrip::layoutFor(int width) {
    setGeometry(0, parentWidget()->height() - kHeight, width, kHeight);
    leftColumn->setGeometry(0, 0, kLeftColumnWidth, kHeight - kStatusHeight);
    rightBlock->setGeometry(std::max(kLeftColumnWidth, width - kRightBlockWidth), 0,
                            kRightBlockWidth, kHeight - kStatusHeight);
    modePages->setGeometry(kLeftColumnWidth + 4, 2,
                           std::max(60, width - kLeftColumnWidth - kRightBlockWidth - 8), 154);
    statusBar->setGeometry(0, kHeight - kStatusHeight, width, kStatusHeight);
}

PenStyle ControlStrip::selectedStyle() const {
    if (penButton->isChecked()) return PenStyle::Pen;
    if (pencilButton->isChecked()) return PenStyle::Pencil;
    if (pastelButton->isChecked()) return PenStyle::Pastel;
    if (brushButton->isChecked()) return PenStyle::Brush;
    return PenStyle::Eraser;
}

bool ControlStrip::freehandPageActive() const {
    return modePages->currentIndex() == 1;
}

bool ControlStrip::paperChosen() const {
    return textureSelector->currentIndex() != 0;
}

}  // namespace carbonel
