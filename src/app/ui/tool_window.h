#pragma once

#include <QWidget>

namespace carbonel {

// A small window that stays on top of its owner, the main window: shown first with its frame's
// corner on the owner's, later wherever the user left it. It says when the user closes it, so the
// check box that shows it can follow; a hide for any other reason (the owner minimised) does not
// count. While the owner is minimised its tool windows are hidden, and they come back with it.
class ToolWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ToolWindow(QWidget* owner);

    // The owner was minimised (hides the window, remembering that it was shown) or restored
    // (shows it again if it was).
    void followOwner(bool ownerMinimised);

  signals:
    void closedByUser();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool firstShow_ = true;
    bool hiddenWithOwner_ = false;
};

}  // namespace carbonel
