#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <exception>

#include "app/app_paths.h"
#include "app/dialogs.h"
#include "app/editor_launcher.h"
#include "app/main_window.h"
#include "share/mail_composer.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("carbonel");
    try {
        carbonel::QtUserDialogs dialogs;
        carbonel::SystemProcessLauncher launcher;
        carbonel::XdgEmailClient mail;
        const QString folder = QCoreApplication::applicationDirPath();
        carbonel::MainWindow window({folder, &dialogs, &launcher, &mail,
                                     carbonel::settingsFilePath(folder),
                                     carbonel::writableProgramFolder(folder)});
        window.show();
        QTimer::singleShot(0, &window, &carbonel::MainWindow::start);
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString(), error.what());
    } catch (...) {
        QMessageBox::critical(nullptr, QString(), QString());
    }
    return 0;
}
