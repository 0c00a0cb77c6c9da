#pragma once

#include <QThread>
#include <functional>
#include <memory>
#include <optional>

#include "app/ui/tool_window.h"
#include "batch/folder_scan.h"
#include "sketch/convert.h"
#include "sketch/raster.h"

class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace carbonel {

class UserDialogs;

// The settings a batch converts with, copied when Convert All is pressed: the Automatic page's
// Precision, Line and style (Pen, Pencil or Pastel) and the paper.
struct BatchSettings {
    ConversionOptions options;
    Raster paper;  // none when empty
    ConversionOptions withPaper() const {
        ConversionOptions copy = options;
        copy.texture = paper.isEmpty() ? nullptr : &paper;
        return copy;
    }
};

// What the batch window asks of the window that owns it.
struct BatchHost {
    // The settings for a batch about to start.
    std::function<BatchSettings()> settings;
    // Shows a listed photo; false when the user kept what was shown instead.
    std::function<bool(const QString& path)> preview;
    // Whether a batch may replace what is shown (unsaved work settled); false cancels it.
    std::function<bool()> mayStart;
    // Shows a file the batch converted, saved as `written`.
    std::function<void(Raster photo, Raster sketch, const QString& written)> showConverted;
};

// "Batch  convert ": collects photos from folder trees and converts them one after another into an
// output folder, each through the same one-file conversion as `carbonel-cli batch`, with a copy of
// the settings taken when Convert All is pressed. The conversions run on a worker thread, and the
// owner shows each photo and sketch as it goes while the user goes on working.
class BatchWindow : public ToolWindow {
    Q_OBJECT

  public:
    BatchWindow(BatchHost host, UserDialogs& dialogs, QWidget* owner);
    ~BatchWindow() override;

    // Adds the pictures of a folder tree to the list (the folder scan).
    void addSourceFolder(const QString& folder);
    const PathList& entries() const { return entries_; }
    void setOutputFolder(const QString& folder);
    // Convert All: checks the output folder, then starts the batch.
    void convertAll();
    bool running() const { return running_; }
    // Lets the file in work finish, then stops the batch.
    void stopAfterCurrentFile() { stopRequested_ = true; }
    void deleteSelectedEntries();

  signals:
    // One more file of the batch was converted and saved; `done` counts them.
    void fileConverted(int done);
    void finished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void addSource();
    void selectOutput();
    void preview(int row);
    void refreshList();
    void nextFile();
    void fileFinished(const QString& written, const QString& source, const QString& failure,
                      Raster photo, Raster sketch);
    void stopWithError(const QString& source, const QString& failure);
    void endBatch();
    void showProgress(int done);
    // Runs `task` on the worker thread.
    void inWorker(std::function<void()> task);
    // Runs `step` back on this window's thread, unless the window is gone by then.
    void onWindowThread(std::function<void()> step);

    BatchHost host_;
    UserDialogs& dialogs_;
    std::shared_ptr<const BatchSettings> settings_;  // the running batch's
    PathList entries_;
    bool running_ = false;
    bool stopRequested_ = false;
    std::size_t index_ = 0;             // the list position of the file in work
    bool currentEntryRemoved_ = false;  // the file in work was deleted from the list
    int done_ = 0;                      // files converted in this batch
    bool rowChangedByMouse_ = false;

    QListWidget* sourceList_;
    QLineEdit* outputEdit_;
    QPushButton* convertAllButton_;
    QProgressBar* progress_;
    QThread workerThread_;
    QObject* worker_;
};

}  // namespace carbonel
