#include "app/recorder/recorder_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTimer>

#include "animation/animation_export.h"
#include "animation/animation_formats.h"
#include "app/share/mail_composer.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr int kItemHeight = 82;

// A frame sampled down to a thumbnail, its white pixels left transparent.
QImage thumbnail(const SketchSnapshot& frame, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    if (frame.isEmpty() || size.isEmpty()) return image;
    const Raster sampled = frame.sampled(size.width(), size.height());
    for (int y = 0; y < size.height(); ++y) {
        const std::uint8_t* p = sampled.rowUnchecked(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x, p += 3) {
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) out[x] = qRgb(p[2], p[1], p[0]);
        }
    }
    return image;
}

// Draws each item as its frame's thumbnail and its current position.
class FrameDelegate : public QStyledItemDelegate {
  public:
    FrameDelegate(const std::vector<std::shared_ptr<const SketchSnapshot>>& frames, QObject* parent)
        : QStyledItemDelegate(parent), frames_(frames) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->fillRect(option.rect,
                          selected ? option.palette.highlight() : option.palette.base());
        const auto row = static_cast<std::size_t>(index.row());
        if (row < frames_.size()) {
            const QSize size(option.widget->width() - 40, option.rect.height() - 10);
            painter->drawImage(option.rect.topLeft() + QPoint(20, 5),
                               thumbnail(*frames_[row], size));
        }
        QFont font = painter->font();
        font.setPixelSize(19);
        painter->setFont(font);
        painter->setPen(QColor(192, 192, 192));
        painter->drawText(option.rect.topLeft() + QPoint(2, 20 + QFontMetrics(font).ascent() / 2),
                          QString::number(index.row() + 1));
    }
    // As wide as the list's inside, so the list never scrolls sideways.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        return {view ? view->viewport()->width() : 113, kItemHeight};
    }

  private:
    const std::vector<std::shared_ptr<const SketchSnapshot>>& frames_;
};

}  // namespace

RecorderWindow::RecorderWindow(UserDialogs& dialogs, std::function<QSize()> sketchSize,
                               QWidget* owner)
    : ToolWindow(owner), dialogs_(dialogs), sketchSize_(std::move(sketchSize)) {
    setObjectName("recorderWindow");
    setWindowTitle("Animate  Record---- Sketch is a process!  ");
    setFixedSize(323, 316);

    frameList_ = new QListWidget(this);
    frameList_->setObjectName("frameList");
    frameList_->setAccessibleName("Frames");
    frameList_->setGeometry(0, 0, 113, 316);
    frameList_->setSelectionMode(QAbstractItemView::SingleSelection);
    frameList_->setUniformItemSizes(true);
    frameList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frameList_->setItemDelegate(new FrameDelegate(frames_, frameList_));
    frameList_->installEventFilter(this);
    frameList_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* deleteAction = new QAction("&Delete the selection", frameList_);
    frameList_->addAction(deleteAction);
    connect(deleteAction, &QAction::triggered, this, &RecorderWindow::deleteSelectedFrame);

    preview_ = new PicturePane(this);
    preview_->setObjectName("preview");
    preview_->setGeometry(120, 24, 193, 153);
    preview_->setAttribute(Qt::WA_TransparentForMouseEvents);
    preview_->setTransparentWhite(true);
    preview_->showRaster(&previewPicture_);

    auto* sizeCaption = new QLabel("Animate Gif  size: ", this);
    sizeCaption->move(128, 192);
    widthLabel_ = new QLabel("0", this);
    widthLabel_->setObjectName("widthLabel");
    widthLabel_->move(139, 212);
    auto* times = new QLabel("*", this);
    times->move(170, 212);
    heightLabel_ = new QLabel("0", this);
    heightLabel_->setObjectName("heightLabel");
    heightLabel_->move(198, 212);

    sizeSlider_ = new QSlider(Qt::Horizontal, this);
    sizeSlider_->setObjectName("sizeSlider");
    sizeSlider_->setGeometry(124, 227, 150, 20);
    sizeSlider_->setRange(0, 10);
    sizeSlider_->setSingleStep(1);
    sizeSlider_->setPageStep(2);
    sizeSlider_->setTickInterval(1);
    sizeSlider_->setTickPosition(QSlider::TicksBelow);
    sizeSlider_->setValue(10);
    connect(sizeSlider_, &QSlider::valueChanged, this, &RecorderWindow::updateSizeLabels);

    saveButton_ = new QPushButton("&Save Animate", this);
    saveButton_->setObjectName("saveAnimateButton");
    saveButton_->setGeometry(123, 266, 98, 25);
    connect(saveButton_, &QPushButton::clicked, this, &RecorderWindow::saveAnimate);
    mailButton_ = new QPushButton("&Mail to", this);
    mailButton_->setObjectName("mailButton");
    mailButton_->setGeometry(231, 266, 81, 25);
    connect(mailButton_, &QPushButton::clicked, this, &RecorderWindow::mailTo);

    previewTimer_ = new QTimer(this);
    previewTimer_->setInterval(500);
    connect(previewTimer_, &QTimer::timeout, this, &RecorderWindow::previewStep);
    previewTimer_->start();
}

void RecorderWindow::appendFrame(std::shared_ptr<const SketchSnapshot> frame) {
    frames_.push_back(std::move(frame));
    auto* item = new QListWidgetItem(QString::number(frameList_->count() + 1), frameList_);
    item->setSizeHint(QSize(113, kItemHeight));
    frameList_->setCurrentRow(frameList_->count() - 1);
    frameList_->scrollToItem(item, QAbstractItemView::PositionAtTop);
    updateSizeLabels();
}

void RecorderWindow::clearFrames() {
    frameList_->clear();
    frames_.clear();
}

void RecorderWindow::deleteSelectedFrame() {
    const QList<QListWidgetItem*> selected = frameList_->selectedItems();
    if (selected.isEmpty()) return;
    const int row = frameList_->row(selected.first());
    delete frameList_->takeItem(row);
    frames_.erase(frames_.begin() + row);
    frameList_->clearSelection();
    frameList_->setCurrentRow(-1);
    frameList_->viewport()->update();
}

bool RecorderWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frameList_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelectedFrame();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RecorderWindow::updateSizeLabels() {
    const QSize sketch = sketchSize_();
    const int position = sizeSlider_->value();
    heightLabel_->setText(QString::number(sketch.height() * position / sizeSlider_->maximum()));
    widthLabel_->setText(QString::number(sketch.width() * position / sizeSlider_->maximum()));
    heightLabel_->adjustSize();
    widthLabel_->adjustSize();
}

int RecorderWindow::gifWidth() const {
    return widthLabel_->text().toInt();
}
int RecorderWindow::gifHeight() const {
    return heightLabel_->text().toInt();
}

void RecorderWindow::exportTo(const QString& path) {
    const FrameList list{frameCount(), [this](int index) { return frame(index); }, {}};
    exportAnimationFile(list, gifWidth(), gifHeight(), path.toStdString());
}

void RecorderWindow::saveAnimate() {
    const QString path = dialogs_.saveAnimation(this);
    if (path.isEmpty()) return;
    try {
        exportTo(path);
    } catch (const std::exception& error) {
        dialogs_.error(this, error.what());
    }
}

void RecorderWindow::setMailing(const QString& folder, MailClient* client) {
    mailFolder_ = folder;
    mailClient_ = client;
}

void RecorderWindow::mailTo() {
    const QString path = mailFolder_ + "/sketch.gif";
    try {
        exportTo(path);
    } catch (const std::exception& error) {
        dialogs_.error(this, error.what());  // a failed export opens no composer
        return;
    }
    if (mailClient_) openMailComposer(this, path, *mailClient_, dialogs_, parentWidget());
}

void RecorderWindow::previewStep() {
    if (!isVisible() || frames_.empty()) return;
    previewCounter_ = (previewCounter_ + 1) % frameCount();
    // Sampled as the pane samples, at its own pixels: the same picture without a whole copy.
    const qreal ratio = preview_->devicePixelRatioF();
    previewPicture_ = frames_[static_cast<std::size_t>(previewCounter_)]->sampled(
        std::max(1, qRound(preview_->width() * ratio)),
        std::max(1, qRound(preview_->height() * ratio)));
    preview_->pictureChanged();
    preview_->repaint();
}

}  // namespace carbonel
