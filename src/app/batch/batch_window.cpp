#include "app/batch/batch_window.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/ui/dialogs.h"
#include "batch/parallel_batch.h"
#include "imageio/file_bytes.h"
#include "sketch/error.h"

namespace carbonel {

BatchWindow::BatchWindow(BatchHost host, UserDialogs& dialogs, QWidget* owner)
    : ToolWindow(owner), host_(std::move(host)), dialogs_(dialogs), worker_(new QObject) {
    setObjectName("batchWindow");
    setWindowTitle("Batch  convert ");
    setFixedSize(157, 337);

    auto* addButton = new QPushButton("&Add source directory", this);
    addButton->setObjectName("addSourceButton");
    addButton->setGeometry(8, 32, 121, 25);
    sourceList_ = new QListWidget(this);
    sourceList_->setObjectName("sourceList");
    sourceList_->setGeometry(8, 61, 137, 137);
    sourceList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sourceList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    sourceList_->installEventFilter(this);
    sourceList_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* deleteAction = new QAction("&Delete the selection", sourceList_);
    sourceList_->addAction(deleteAction);
    auto* outputButton = new QPushButton("&Select Out directory", this);
    outputButton->setObjectName("selectOutputButton");
    outputButton->setGeometry(7, 208, 122, 25);
    outputEdit_ = new QLineEdit(this);
    outputEdit_->setObjectName("outputEdit");
    outputEdit_->setGeometry(8, 237, 137, 21);
    convertAllButton_ = new QPushButton("&Convert All", this);
    convertAllButton_->setObjectName("convertAllButton");
    convertAllButton_->setGeometry(8, 272, 89, 25);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setGeometry(8, 304, 142, 17);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setFormat("%p%");

    connect(addButton, &QPushButton::clicked, this, &BatchWindow::addSource);
    connect(outputButton, &QPushButton::clicked, this, &BatchWindow::selectOutput);
    connect(convertAllButton_, &QPushButton::clicked, this, &BatchWindow::convertAll);
    connect(deleteAction, &QAction::triggered, this, &BatchWindow::deleteSelectedEntries);
    // Every change of the selected entry previews it, by the keyboard too; a click on the entry
    // that is already current previews it again.
    connect(sourceList_, &QListWidget::currentRowChanged, this, [this](int row) {
        rowChangedByMouse_ = QGuiApplication::mouseButtons() != Qt::NoButton;
        preview(row);
    });
    connect(sourceList_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (!rowChangedByMouse_) preview(sourceList_->row(item));
        rowChangedByMouse_ = false;
    });

    worker_->moveToThread(&workerThread_);
    connect(&workerThread_, &QThread::finished, worker_, &QObject::deleteLater);
    workerThread_.setObjectName("DoConv");
    workerThread_.start();
}

BatchWindow::~BatchWindow() {
    workerThread_.quit();
    workerThread_.wait();
}

void BatchWindow::addSourceFolder(const QString& folder) {
    std::vector<ScanFailure> failures;
    findall(folder.toStdString(), entries_, failures);
    refreshList();
    // Every folder the scan could not read, and every file it left out, is said, so no photo goes
    // missing unnoticed.
    QStringList lines;
    for (const ScanFailure& failure : failures) {
        lines << QString::fromStdString(failure.path + ": " + failure.reason);
    }
    if (!lines.isEmpty()) dialogs_.error(this, "Not every photo was added:\n" + lines.join('\n'));
}

void BatchWindow::addSource() {
    const QString folder = dialogs_.chooseFolder(this);
    if (!folder.isEmpty()) addSourceFolder(folder);
}

void BatchWindow::selectOutput() {
    const QString folder = dialogs_.chooseFolder(this);
    if (!folder.isEmpty()) outputEdit_->setText(folder);
}

void BatchWindow::setOutputFolder(const QString& folder) {
    outputEdit_->setText(folder);
}

void BatchWindow::refreshList() {
    const QSignalBlocker quiet(sourceList_);  // refilling the list selects nothing to preview
    sourceList_->clear();
    for (const std::string& entry : entries_.entries())
        sourceList_->addItem(QString::fromStdString(entry));
}

void BatchWindow::preview(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) return;
    host_.preview(QString::fromStdString(entries_[static_cast<std::size_t>(row)]));
}

void BatchWindow::deleteSelectedEntries() {
    std::vector<int> rows;
    for (const QListWidgetItem* item : sourceList_->selectedItems())
        rows.push_back(sourceList_->row(item));
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) {
        const auto at = static_cast<std::size_t>(row);
        entries_.removeAt(at);
        // A running batch follows its place in the shortened list: the file in work finishes,
        // and the one after it is the next, whatever rows went before.
        if (!running_) continue;
        if (at < index_) {
            --index_;
        } else if (at == index_) {
            currentEntryRemoved_ = true;
        }
    }
    refreshList();
}

bool BatchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sourceList_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelectedEntries();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- The batch -------------------------------------------------------------------------------

void BatchWindow::inWorker(std::function<void()> task) {
    QMetaObject::invokeMethod(worker_, std::move(task), Qt::QueuedConnection);
}

void BatchWindow::onWindowThread(std::function<void()> step) {
    QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
}

void BatchWindow::convertAll() {
    if (!QFileInfo(outputEdit_->text()).isDir()) {
        dialogs_.message(this, " Import the Out directory,Please!");
        return;
    }
    if (running_ || !host_.mayStart()) return;
    settings_ = std::make_shared<const BatchSettings>(host_.settings());
    running_ = true;
    stopRequested_ = false;
    convertAllButton_->setEnabled(false);
    // The bar counts the files listed now; an empty list still shows 0 %, not a busy bar.
    progress_->setRange(0, std::max<int>(1, static_cast<int>(entries_.size())));
    showProgress(0);
    index_ = 0;
    currentEntryRemoved_ = false;
    nextFile();
}

void BatchWindow::nextFile() {
    // The list is read anew for every file: entries added meanwhile are converted too.
    if (stopRequested_ || index_ >= entries_.size()) {
        endBatch();
        return;
    }
    const std::string source = entries_[index_];
    const std::string folder = outputEdit_->text().toStdString();
    const int index = static_cast<int>(index_);
    inWorker([this, source, folder, index, settings = settings_] {
        QString written, failure;
        ConversionCopies shown;
        try {
            written = QString::fromStdString(
                convertBatchEntry(source, index, folder, settings->withPaper(), {}, &shown));
        } catch (const std::exception& error) {
            failure = error.what();
        }
        onWindowThread([this, written, source, failure, shown = std::move(shown)]() mutable {
            fileFinished(written, QString::fromStdString(source), failure, std::move(shown.photo),
                         std::move(shown.sketch));
        });
    });
}

void BatchWindow::fileFinished(const QString& written, const QString& source,
                               const QString& failure, Raster photo, Raster sketch) {
    if (!failure.isEmpty()) {
        stopWithError(source, failure);
        return;
    }
    host_.showConverted(std::move(photo), std::move(sketch), written);
    showProgress(done_ + 1);
    emit fileConverted(done_);
    // When its own entry was deleted meanwhile, the next file already stands at this place.
    if (!currentEntryRemoved_) ++index_;
    currentEntryRemoved_ = false;
    nextFile();
}

void BatchWindow::stopWithError(const QString& source, const QString& failure) {
    // The files before this one are saved; the bar keeps its position.
    running_ = false;
    convertAllButton_->setEnabled(true);
    dialogs_.error(
        this, "The batch stopped at " +
                  QString::fromStdString(aboutFile(source.toStdString(), failure.toStdString())));
    emit finished();
}

void BatchWindow::showProgress(int done) {
    // The bar stops at its end, but the caption counts on: entries added during the batch are
    // converted too, past the count it started with.
    done_ = done;
    progress_->setValue(std::min(done, progress_->maximum()));
    const long long percent = 100LL * done / std::max(1, progress_->maximum());
    progress_->setFormat(QString::number(percent) + "%");
}

void BatchWindow::endBatch() {
    running_ = false;
    showProgress(0);
    convertAllButton_->setEnabled(true);
    emit finished();
}

}  // namespace carbonel
