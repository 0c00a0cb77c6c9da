#pragma once

#include <QWidget>

namespace carbonel {

// A small window that stays on top of its owner, the main window: shown first with its frame's
// corner on the owner's, later wherever the user left it. It says when the user closes it, so the
// check box that shows it can follow; a hide for any other reason does not count: the window
// manager hides a tool window when its owner is minimised, and shows it again on restore.
class ToolWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ToolWindow(QWidget* owner);
    // Puts the window where it was at the end of the last run (geometry as Qt saves it); it then
    // no longer opens on its owner's corner. Bad data changes nothing.
    void restorePlacement(const QByteArray& geometry) {
        if (restoreGeometry(geometry)) firstShow_ = false;
    }
    // Whether the window has a place of its own: shown, or restored.
    bool placed() const { return !firstShow_; }

  signals:
    void closedByUser();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool firstShow_ = true;
};

}  // namespace carbonel
