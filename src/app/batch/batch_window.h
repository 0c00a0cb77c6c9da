#pragma once

#include <QThread>
#include <functional>
#include <optional>

#include "app/ui/tool_window.h"
#include "batch/folder_scan.h"
#include "sketch/raster.h"

class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace carbonel {

class MainWindow;
class UserDialogs;

// "Batch  convert ": collects photos from folder trees and converts them one after another with
// the main window's own commands and current settings into an output folder. Decoding and
// encoding run on a worker thread; every use of the main window happens on the user-interface
// thread, between which the user can go on working.
class BatchWindow : public ToolWindow {
    Q_OBJECT

  public:
    BatchWindow(MainWindow& main, UserDialogs& dialogs, QWidget* owner);
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
    void photoDecoded(const std::string& source, std::optional<Raster> photo,
                      const QString& failure);
    void fileWritten(const QString& written, const QString& source, const QString& failure);
    void stopWithError(const QString& source, const QString& failure);
    void endBatch();
    void showProgress(int done);
    // Runs `task` on the worker thread.
    void inWorker(std::function<void()> task);
    // Runs `step` back on this window's thread, unless the window is gone by then.
    void onWindowThread(std::function<void()> step);

    MainWindow& main_;
    UserDialogs& dialogs_;
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
