// Takes the README's screenshot: the real main window on the start picture after Convert, grabbed
// from the screen it is shown on (run it under Xvfb), in one of the UI styles.
// Usage: screenshot OUTPUT.png [STYLE-INDEX]
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>

#include "app/main/main_window.h"
#include "app/ui/dialogs.h"
#include "share/editor_launcher.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) return 2;
    carbonel::QtUserDialogs dialogs;
    carbonel::SystemProcessLauncher launcher;
    carbonel::MainWindow window({.programFolder = QCoreApplication::applicationDirPath(),
                                 .dialogs = &dialogs,
                                 .launcher = &launcher});
    window.move(0, 0);
    window.show();
    window.start();
    window.findChild<QPushButton*>("convertButton")->click();
    if (argc == 3)
        window.findChild<QComboBox*>("uiStyleSelector")->setCurrentIndex(std::atoi(argv[2]));
    int status = 1;
    QTimer::singleShot(500, [&] {
        const QPixmap shot =
            window.screen()->grabWindow(0, window.x(), window.y(), window.frameGeometry().width(),
                                        window.frameGeometry().height());
        status = shot.save(argv[1]) ? 0 : 1;
        application.quit();
    });
    application.exec();
    return status;
}
