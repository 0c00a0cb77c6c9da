#include "app/ui/accelerators.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QShortcutEvent>
#include <QTabBar>
#include <QWidget>

namespace carbonel {
namespace {

class AcceleratorRouter : public QObject {
  public:
    explicit AcceleratorRouter(QWidget* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Shortcut) return false;
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (!shortcut->isAmbiguous()) return false;
        runFirstWith(shortcut->key());
        return true;
    }

  private:
    bool usable(const QWidget* control) const {
        return control->isEnabled() && control->isVisibleTo(window_);
    }

    void runFirstWith(const QKeySequence& key) {
        // Children come in the order they were made, each one's own children after it.
        for (QObject* object : window_->findChildren<QObject*>()) {
            if (auto* button = qobject_cast<QAbstractButton*>(object)) {
                if (usable(button) && QKeySequence::mnemonic(button->text()) == key) {
                    button->click();
                    return;
                }
            } else if (auto* tabs = qobject_cast<QTabBar*>(object)) {
                if (!usable(tabs)) continue;
                for (int tab = 0; tab < tabs->count(); ++tab) {
                    if (tabs->isTabEnabled(tab) &&
                        QKeySequence::mnemonic(tabs->tabText(tab)) == key) {
                        tabs->setCurrentIndex(tab);
                        return;
                    }
                }
            }
        }
    }

    QWidget* window_;
};

}  // namespace

void routeSharedAccelerators(QWidget* window) {
    auto* router = new AcceleratorRouter(window);
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QTabBar*>(control))
            control->installEventFilter(router);
    }
}

}  // namespace carbonel
