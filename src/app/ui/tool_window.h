#pragma once

#include <QWidget>

namespace carbonel {

// A small window that stays on top of its owner, the main window: shown first at the owner's
// top-left corner, later wherever the user left it; it says when it is hidden, so the check box
// that shows it can follow.
class ToolWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ToolWindow(QWidget* owner);

  signals:
    void hidden();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    bool firstShow_ = true;
};

}  // namespace carbonel
