#include "app/main/control_strip.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

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

// A box that shows a track bar's position and takes a typed one: a whole number is moved into
// the bar's range and set, anything else gives way to the position the bar has.
void pairBoxWithSlider(QLineEdit* box, QSlider* slider) {
    QObject::connect(slider, &QSlider::valueChanged, box,
                     [box](int position) { box->setText(QString::number(position)); });
    QObject::connect(box, &QLineEdit::editingFinished, slider, [box, slider] {
        bool whole = false;
        const int typed = box->text().trimmed().toInt(&whole);
        if (whole) slider->setValue(std::clamp(typed, slider->minimum(), slider->maximum()));
        box->setText(QString::number(slider->value()));
    });
    // Enter hands the keyboard to the bar, so that Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z reach undo
    // and redo again instead of the box's own editing.
    QObject::connect(box, &QLineEdit::returnPressed, slider, [slider] { slider->setFocus(); });
}

// A captioned track bar at `top` with the box that shows and takes its position.
QSlider* addSliderWithBox(QWidget* page, const QString& caption, int top, SettingRange range,
                          int tick, QLineEdit*& box) {
    auto* label = new QLabel(caption, page);
    label->setGeometry(8, top, 80, 18);
    QSlider* slider = makeSlider(page, range.lowest, range.highest, tick, range.start);
    slider->setGeometry(6, top + 18, 150, 28);
    box = new QLineEdit(QString::number(range.start), page);
    box->setGeometry(160, top + 20, 40, 22);
    pairBoxWithSlider(box, slider);
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
    statusBar_ = named(new QStatusBar(this), "statusBar");
    statusBar_->setSizeGripEnabled(false);
    connectControls();
    switchPage(0);
}

void ControlStrip::buildLeftColumn() {
    leftColumn_ = new QWidget(this);
    auto* batchLabel = new QLabel("Batch Convert Bar :", leftColumn_);
    batchLabel->setWordWrap(true);
    batchLabel->setGeometry(4, 2, 84, 32);
    showBatchBox_ = named(new QCheckBox("Show ", leftColumn_), "showBatchBox");
    showBatchBox_->setGeometry(4, 34, 80, 20);
    openButton_ = named(new QPushButton("&Open", leftColumn_), "openButton");
    openButton_->setGeometry(4, 58, 66, 27);
    recentButton_ = named(new QToolButton(leftColumn_), "recentButton");
    recentButton_->setToolTip("Photos opened last");
    recentButton_->setAccessibleName("Recent photos");
    recentMenu_ = named(new QMenu(recentButton_), "recentMenu");
    recentButton_->setMenu(recentMenu_);
    recentButton_->setPopupMode(QToolButton::InstantPopup);
    recentButton_->setGeometry(70, 58, 14, 27);
    auto* styleLabel = new QLabel("UI Style :", leftColumn_);
    styleLabel->setGeometry(4, 92, 80, 16);
    uiStyleSelector_ = named(new QComboBox(leftColumn_), "uiStyleSelector");
    uiStyleSelector_->addItems(uiStyleNames());
    uiStyleSelector_->setGeometry(4, 110, 80, 24);
}

void ControlStrip::buildModePages() {
    modePages_ = named(new QTabWidget(this), "modePages");
    QWidget* automatic = new QWidget;
    convertButton_ = named(new QPushButton(" &Convert", automatic), "convertButton");
    convertButton_->setGeometry(10, 20, 100, 32);
    liveBox_ = named(new QCheckBox("Live", automatic), "liveBox");
    liveBox_->setToolTip(
        "The sketch follows Precision, Line, the style and the paper as they move");
    liveBox_->setChecked(true);
    liveBox_->setGeometry(12, 60, 96, 20);
    modePages_->addTab(automatic, "Automatic ");

    QWidget* freehand = new QWidget;
    auto* brushLabel = new QLabel("Brush:", freehand);
    brushLabel->setGeometry(8, 10, 40, 18);
    brushEdit_ = named(new QLineEdit(QString::number(kBrushSize.start), freehand), "brushEdit");
    brushEdit_->setGeometry(52, 8, 44, 22);
    brushSlider_ =
        named(makeSlider(freehand, kBrushSize.lowest, kBrushSize.highest, 5, kBrushSize.start),
              "brushSlider");
    brushSlider_->setGeometry(6, 36, 150, 30);
    recordBox_ = named(new QCheckBox("Record  Animate", freehand), "recordBox");
    recordBox_->setGeometry(8, 72, 140, 22);
    modePages_->addTab(freehand, "Freehand");
}

void ControlStrip::buildRightBlock() {
    rightBlock_ = new QWidget(this);
    toolPages_ = named(new QTabWidget(rightBlock_), "toolPages");
    toolPages_->setGeometry(0, 2, 278, 154);
    toolPages_->addTab(buildSketchPage(), "&Sketch");
    toolPages_->addTab(buildTexturePage(), "&Texture");

    clearButton_ = named(new QPushButton("&Clear", rightBlock_), "clearButton");
    saveButton_ = named(new QPushButton("&Save", rightBlock_), "saveButton");
    sendButton_ = named(new QPushButton("&Send to", rightBlock_), "sendButton");
    sendButton_->setToolTip("Send the sketch to a friend");
    editButton_ = named(new QPushButton("&Edit&&Print", rightBlock_), "editButton");
    editButton_->setToolTip("Edit and print with PAINT");
    int top = 10;
    for (QPushButton* button : {clearButton_, saveButton_, sendButton_, editButton_}) {
        button->setGeometry(282, top, 84, 28);
        top += 36;
    }
}

QWidget* ControlStrip::buildSketchPage() {
    QWidget* page = new QWidget;
    precisionSlider_ = addSliderWithBox(page, "Precision:  ", 4, kPrecision, 10, precisionEdit_);
    precisionSlider_->setObjectName("precisionSlider");
    precisionEdit_->setObjectName("precisionEdit");
    lineSlider_ = addSliderWithBox(page, "Line:  ", 56, kLine, 1, lineEdit_);
    lineSlider_->setObjectName("lineSlider");
    lineEdit_->setObjectName("lineEdit");

    const char* captions[] = {"Pen", "Pencil", "Pastel", "Brush", "Eraser"};
    const char* names[] = {"penButton", "pencilButton", "pastelButton", "brushButton",
                           "eraserButton"};
    int top = 2;
    for (int i = 0; i < 5; ++i) {
        styleButtons_[i] = named(new QRadioButton(captions[i], page), names[i]);
        styleButtons_[i]->setGeometry(206, top, 68, 20);
        top += 21;
    }
    styleButtons_[static_cast<int>(kStartStyle)]->setChecked(true);
    return page;
}

QWidget* ControlStrip::buildTexturePage() {
    QWidget* page = new QWidget;
    textureSelector_ = named(new QComboBox(page), "textureSelector");
    textureSelector_->addItems({"NULL", "Custom"});
    textureSelector_->setGeometry(16, 20, 81, 24);
    tileButton_ = named(new QRadioButton("Tile", page), "tileButton");
    tileButton_->setGeometry(14, 54, 80, 20);
    tileButton_->setChecked(kStartTextureFit == TextureFit::Tile);
    stretchButton_ = named(new QRadioButton("Stretch", page), "stretchButton");
    stretchButton_->setGeometry(14, 78, 80, 20);
    stretchButton_->setChecked(kStartTextureFit == TextureFit::Stretch);
    texturePreview_ = named(new PicturePane(page), "texturePreview");
    texturePreview_->setAccessibleName("Texture");
    texturePreview_->setGeometry(107, 8, 158, 97);
    texturePreview_->setFit(PicturePane::Fit::Centre);
    return page;
}

void ControlStrip::connectControls() {
    connect(showBatchBox_, &QCheckBox::toggled, this, &ControlStrip::batchBoxToggled);
    connect(recordBox_, &QCheckBox::toggled, this, &ControlStrip::recordBoxToggled);
    connect(modePages_, &QTabWidget::currentChanged, this, &ControlStrip::switchPage);
    pairBoxWithSlider(brushEdit_, brushSlider_);
    connect(brushSlider_, &QSlider::valueChanged, this, &ControlStrip::brushSizeChanged);
    connect(textureSelector_, &QComboBox::activated, this, &ControlStrip::paperChosen);
    connect(tileButton_, &QRadioButton::toggled, this, &ControlStrip::paperChanged);
    connect(uiStyleSelector_, &QComboBox::currentIndexChanged, this, &ControlStrip::uiStyleChosen);
    for (int i = 0; i < 3; ++i) {
        connect(styleButtons_[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (!checked) return;
            sketchStyle_ = static_cast<PenStyle>(i);
            emit conversionSettingsChanged();
        });
    }
    for (QSlider* slider : {precisionSlider_, lineSlider_}) {
        connect(slider, &QSlider::valueChanged, this, &ControlStrip::conversionSettingsChanged);
        connect(slider, &QSlider::sliderReleased, this, &ControlStrip::adjustmentEnded);
    }
}

// Brush and Eraser draw only on the Freehand page; leaving it selects Pastel in their place.
void ControlStrip::switchPage(int page) {
    const bool freehand = page == 1;
    styleButtons_[3]->setEnabled(freehand);
    styleButtons_[4]->setEnabled(freehand);
    if (freehand) {
        statusBar_->showMessage("Use your mouse to draw on the sketch area.");
    } else {
        if (!isSketchStyle(settings().style)) styleButtons_[2]->setChecked(true);
        statusBar_->showMessage("Auto Convert.");
    }
    emit pageChanged(freehand);
}

void ControlStrip::layoutFor(int width) {
    setGeometry(0, parentWidget()->height() - kHeight, width, kHeight);
    leftColumn_->setGeometry(0, 0, kLeftColumnWidth, kHeight - kStatusHeight);
    rightBlock_->setGeometry(std::max(kLeftColumnWidth, width - kRightBlockWidth), 0,
                             kRightBlockWidth, kHeight - kStatusHeight);
    modePages_->setGeometry(kLeftColumnWidth + 4, 2,
                            std::max(60, width - kLeftColumnWidth - kRightBlockWidth - 8), 154);
    statusBar_->setGeometry(0, kHeight - kStatusHeight, width, kStatusHeight);
}

StripSettings ControlStrip::settings() const {
    StripSettings settings;
    settings.precision = precisionSlider_->value();
    settings.line = lineSlider_->value();
    for (int i = 0; i < 5; ++i) {
        if (styleButtons_[i]->isChecked()) settings.style = static_cast<PenStyle>(i);
    }
    settings.sketchStyle = sketchStyle_;
    settings.freehandPage = modePages_->currentIndex() == 1;
    settings.brushSize = brushSlider_->value();
    settings.paper = textureSelector_->currentIndex();
    settings.paperFit = tileButton_->isChecked() ? TextureFit::Tile : TextureFit::Stretch;
    settings.live = liveBox_->isChecked();
    return settings;
}

void ControlStrip::restore(const KeptSettings& kept) {
    precisionSlider_->setValue(kept.precision);
    lineSlider_->setValue(kept.line);
    const int style = kept.style == "Pen" ? 0 : kept.style == "Pastel" ? 2 : 1;
    styleButtons_[style]->setChecked(true);
    (kept.stretch ? stretchButton_ : tileButton_)->setChecked(true);
    brushSlider_->setValue(kept.brushSize);
    liveBox_->setChecked(kept.live);
}

void ControlStrip::keep(KeptSettings& kept) const {
    const StripSettings now = settings();
    kept.precision = precisionSlider_->value();
    kept.line = now.line;
    kept.style = now.style == PenStyle::Pen      ? "Pen"
                 : now.style == PenStyle::Pastel ? "Pastel"
                                                 : "Pencil";
    kept.stretch = now.paperFit == TextureFit::Stretch;
    kept.brushSize = now.brushSize;
    kept.live = now.live;
}

void ControlStrip::bind(Button button, QAction* action) {
    QPushButton* const buttons[] = {openButton_, convertButton_, clearButton_,
                                    saveButton_, sendButton_,    editButton_};
    connect(buttons[static_cast<int>(button)], &QPushButton::clicked, action, &QAction::trigger);
}

void ControlStrip::showStatus(const QString& text) {
    statusBar_->showMessage(text);
}

QString ControlStrip::status() const {
    return statusBar_->currentMessage();
}

void ControlStrip::addPapers(const QStringList& names) {
    textureSelector_->addItems(names);
}

void ControlStrip::selectPaper(int index) {
    const QSignalBlocker quiet(textureSelector_);
    textureSelector_->setCurrentIndex(index);
}

void ControlStrip::showPaper(const Raster* paper) {
    texturePreview_->showRaster(paper);
}

void ControlStrip::paperChanged() {
    texturePreview_->pictureChanged();
    texturePreview_->setFit(tileButton_->isChecked() ? PicturePane::Fit::Centre
                                                     : PicturePane::Fit::Stretch);
    emit conversionSettingsChanged();
}

int ControlStrip::uiStyle() const {
    return uiStyleSelector_->currentIndex();
}

void ControlStrip::selectUiStyle(int index) {
    const QSignalBlocker quiet(uiStyleSelector_);
    uiStyleSelector_->setCurrentIndex(index);
}

void ControlStrip::uncheckBatchBox() {
    showBatchBox_->setChecked(false);
}

void ControlStrip::uncheckRecordBox() {
    recordBox_->setChecked(false);
}

bool ControlStrip::recording() const {
    return recordBox_->isChecked();
}

bool ControlStrip::adjusting() const {
    return precisionSlider_->isSliderDown() || lineSlider_->isSliderDown();
}

}  // namespace carbonel
