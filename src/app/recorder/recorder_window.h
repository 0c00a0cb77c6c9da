#pragma once

#include <functional>
#include <vector>

#include "app/ui/tool_window.h"
#include "sketch/raster.h"
#include "workspace/sketch_snapshot.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QTimer;

namespace carbonel {

class PicturePane;
class MailClient;
class UserDialogs;

// "Animate  Record---- Sketch is a process!  ": the frames recorded at the end of each freehand
// stroke, as numbered thumbnails, a 500 ms preview, the size of the GIF, and Save Animate.
class RecorderWindow : public ToolWindow {
    Q_OBJECT

  public:
    // `sketchSize` gives the current size of the main window's sketch (0 x 0 when empty).
    RecorderWindow(UserDialogs& dialogs, std::function<QSize()> sketchSize, QWidget* owner);

    // Adds a frame (the whole sketch; white is its transparent colour), selects it, scrolls it to
    // the top and refreshes the size labels. A frame shares its unchanged tiles with the frame
    // before it and with the undo history, so it costs what its stroke changed.
    void appendFrame(std::shared_ptr<const SketchSnapshot> frame);
    void clearFrames();
    // Deletes the selected frame, if any; nothing is selected afterwards.
    void deleteSelectedFrame();

    int frameCount() const { return static_cast<int>(frames_.size()); }
    Raster frame(int index) const {
        return frames_.at(static_cast<std::size_t>(index))->toRaster();
    }
    // The size of the GIF, from the size labels.
    int gifWidth() const;
    int gifHeight() const;
    // Writes the animation of the frames at the labels' size, as GIF, WebP or MP4 by the name's
    // extension; fails as exportAnimationFile does.
    void exportTo(const QString& path);
    // Save Animate: the save dialog, then the export; errors are shown and change nothing.
    void saveAnimate();
    // Mail to writes "sketch.gif" into this folder and opens the mail composer with it.
    void setMailing(const QString& folder, MailClient* client);
    void mailTo();
    // The picture the preview shows now, at the preview's size.
    const Raster& previewPicture() const { return previewPicture_; }
    int previewCounter() const { return previewCounter_; }
    void previewStep();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateSizeLabels();

    UserDialogs& dialogs_;
    std::function<QSize()> sketchSize_;
    std::vector<std::shared_ptr<const SketchSnapshot>> frames_;  // in display order, one per item
    Raster previewPicture_;  // the frame shown, sampled at the preview's own pixels
    int previewCounter_ = 0;
    QString mailFolder_;
    MailClient* mailClient_ = nullptr;

    QListWidget* frameList_;
    PicturePane* preview_;
    QLabel* widthLabel_;
    QLabel* heightLabel_;
    QSlider* sizeSlider_;
    QPushButton* saveButton_;
    QPushButton* mailButton_;
    QTimer* previewTimer_;
};

}  // namespace carbonel
